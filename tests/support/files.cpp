#include "support/files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <system_error>

namespace pw::test {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& prefix) {
  std::string tmpl = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  const char* made = ::mkdtemp(tmpl.data());
  EXPECT_NE(made, nullptr) << "cannot make a folder like " << tmpl;
  path_ = made ? made : tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::set<std::string> TempDir::names() const {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(path_)) out.insert(e.path().filename().string());
  return out;
}

std::string TempDir::write(const std::string& rel, const std::string& text) const {
  const fs::path p = fs::path(path_) / rel;
  fs::create_directories(p.parent_path());
  writeFile(p, text);
  return p.string();
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& p, const std::string& data) {
  std::ofstream(p, std::ios::binary) << data;
}

}  // namespace pw::test
