// Whole-file reads and atomic writes, shared by the scene files, the settings file and the image
// export. Plain C++ over POSIX calls; the libraries above it add their own messages around the
// reasons these functions give.
#pragma once

#include <string>
#include <string_view>

namespace pw {

// Replaces the file at `path` with `data`, atomically: the data goes to a temporary file in the
// same folder that is renamed over the old one, so readers see either the old or the new file.
//
// - A symbolic link is followed: its target is replaced and the link stays.
// - An existing file keeps its permission bits, and its owner and group where the process may
//   set them; a new file gets 0666 less the umask. A file with more than one hard link is
//   rewritten in place once the new data is safely on disk beside it, so the links stay joined.
// - A read-only file, or a path that names something other than a regular file, is refused.
// - The data is written to an unnamed file that only gets a name just before the rename, so a
//   process killed during the save leaves nothing behind. Where the file system cannot hold
//   unnamed files, a named temporary "PATH.tmpXXXXXX" is used and locked while it is written;
//   every save removes the unlocked temporaries of its file that an earlier process left.
//
// On failure the previous file is untouched, no temporary file remains and `err` (when given)
// holds the reason alone, such as "No space left on device".
bool writeFileAtomic(const std::string& path, std::string_view data, std::string* err = nullptr);

// Reads a regular file whole. Anything else (a folder, a FIFO, a device) is refused without
// blocking. False, with the reason in `err`, when it cannot be opened or read.
bool readFileWhole(const std::string& path, std::string& out, std::string* err = nullptr);

// True when `path` names a regular file (after following links). Never opens it.
bool isRegularFile(const std::string& path);

// Removes the temporary files "PATH<mark>XXXXXX" beside `path` (mark ".tmp": the saves' own)
// that no running writer holds locked. Returns how many were removed.
int removeStaleTemporaries(const std::string& path, const std::string& mark = ".tmp");

// Creates and locks a new temporary file "PATH<mark>XXXXXX" beside `path` for a writer that
// replaces `path` when done (after sweeping the stale ones removeStaleTemporaries finds). Opened
// for writing, and for reading too when `readable`. Returns the descriptor and sets `name`; -1,
// with the reason in `err`, when no file could be made (the half-made one is removed).
int createLockedTemporary(const std::string& path, const std::string& mark, bool readable,
                          std::string& name, std::string* err = nullptr);

}  // namespace pw
