// Whole-file reads and atomic writes (temporary file in the same folder, fsync, rename).
#pragma once

#include <string>
#include <string_view>

namespace pw {

// Writes data to path through a temporary file that is renamed over it. On failure the previous
// file is untouched, no temporary file remains, and err (when given) says why.
bool writeFileAtomic(const std::string& path, std::string_view data, std::string* err = nullptr);

// Reads a regular file whole, opening it read-only. False when it cannot be opened or read.
bool readFileWhole(const std::string& path, std::string& out);

}  // namespace pw
