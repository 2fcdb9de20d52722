// Scratch folders and whole-file reads and writes for the tests.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace pw::test {

// A new folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "penwick");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string at(const std::string& name) const { return path_ + "/" + name; }
  // The names of the entries directly inside the folder.
  std::set<std::string> names() const;
  // Writes text to a file below the folder, making its parent folders; returns the file's path.
  std::string write(const std::string& rel, const std::string& text) const;

 private:
  std::string path_;
};

// The whole file, byte for byte; empty when it cannot be read.
std::string readFile(const std::filesystem::path& p);
// Replaces the file's contents with data.
void writeFile(const std::filesystem::path& p, const std::string& data);

}  // namespace pw::test
