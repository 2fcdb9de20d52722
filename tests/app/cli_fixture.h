// Runs the penwick binary as a user would: in a scratch folder, with its exit status, standard
// output and standard error read separately.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
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

  // A failed run: `status` (1, a usage error, unless told), nothing on stdout, exactly one
  // "penwick: " line on stderr.
  static void expectOneLineFailure(const Result& r, const std::string& mention, int status = 1) {
    EXPECT_EQ(r.status, status) << r.err;
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

// The animation exports' scratch folder: "anim.txt", a red 20 x 20 box keyed from x 0 at frame 0
// to x 100 at frame 10 (linear), max frame 9 at `fps` frames per second, and "cam.ini", a
// 160 x 90 camera.
class CliAnimationTest : public CliTest {
 protected:
  explicit CliAnimationTest(int fps) : fps_(fps) {}
  void SetUp() override {
    CliTest::SetUp();
    writeFile(dir_ / "anim.txt",
              "gen, ,0.15,\r\n"
              "anim,9," + std::to_string(fps_) + ",\r\n"
              "obj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
              "key,0,0,0,0,100,100,0,0,0,255,\r\n"
              "key,10,0,100,0,100,100,0,0,0,255,\r\n"
              "shape,0,-16776961,Box_0,255,0,10,5,5,1,20,20,,10,10,\r\n"
              "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
              "pt,0,0,0,\r\n");
    writeFile(dir_ / "cam.ini", "{\"CameraW\": 160, \"CameraH\": 90}");
  }
  // The names in folder `d` (the scratch folder when left out), sorted.
  std::vector<std::string> files(const fs::path& d = {}) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(d.empty() ? dir_ : d))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  int fps_;
};

}  // namespace pw
