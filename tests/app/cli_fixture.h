// Runs the penwick binary as a user would: in a scratch folder, with its exit status, standard
// output and standard error read separately.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/paths.h"

namespace pw {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

struct Result {
  int status = -1;
  std::string out, err;
  // Lines of stderr.
  std::vector<std::string> errLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
};

inline std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/penwick-cli-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    errFile_ = dir_.string() + ".stderr";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    fs::remove(errFile_, ec);
  }

  // Runs the binary in the scratch folder. `redirect` is extra shell redirection for stdout.
  Result run(const std::vector<std::string>& args, const std::string& redirect = "") {
    // Built by appending: GCC 12 at -O3 misreads literal + temporary (-Wrestrict).
    std::string cmd = "cd ";
    cmd += shellQuoted(dir_.string());
    cmd += " && exec ";
    cmd += shellQuoted(pw::test::penwickBinary());
    for (const std::string& a : args) {
      cmd += ' ';
      cmd += shellQuoted(a);
    }
    cmd += " 2>";
    cmd += shellQuoted(errFile_);
    cmd += ' ';
    cmd += redirect;
    Result r;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) r.out.append(buf, n);
    const int rc = pclose(f);
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.err = readFile(errFile_);
    return r;
  }

  // The shipped examples (scenes and their images) under the scratch folder's examples/.
  void copyExamples() {
    fs::copy(fs::path(pw::test::sourceDir()) / "examples", dir_ / "examples",
             fs::copy_options::recursive);
  }

  // A failed run: status 1, nothing on stdout, exactly one "penwick: " line on stderr.
  static void expectOneLineFailure(const Result& r, const std::string& mention) {
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    const auto lines = r.errLines();
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_EQ(lines[0].rfind("penwick: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].rfind("penwick: warning", 0), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(mention), std::string::npos) << lines[0] << " / " << mention;
  }

  fs::path dir_;
  std::string errFile_;
};

}  // namespace pw
