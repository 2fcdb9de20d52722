#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string runCapture(const std::string& args, int* status) {
  const std::string cmd = std::string(PENWICK_BINARY) + " " + args + " 2>&1";
  FILE* f = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  const int rc = pclose(f);
  *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

TEST(Cli, PrintsVersion) {
  int st = 0;
  EXPECT_EQ(runCapture("--version", &st), "Penwick 0.15\n");
  EXPECT_EQ(st, 0);
}

}  // namespace
