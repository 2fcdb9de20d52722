// penwick --export-pb on the command line, run as a user would run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/cli_args.h"
#include "cli_fixture.h"

namespace pw {
namespace {

// Two objects: "Back" with a box, "Front" with a circle.
const char* kTwoObjects =
    "gen, ,0.15,\r\n"
    "obj,Back,0,0,100,100,0,0,0,200,0,\r\n"
    "shape,0,-16776961,Box_0,255,0,10,5,5,1,60,40,,120,80,\r\n"
    "pt,0,0,0,\r\n"
    "obj,Front,0,0,100,100,0,0,0,200,0,\r\n"
    "shape,0,-16776961,Circle_0,255,0,10,5,5,3,90,70,,20,20,\r\n"
    "pt,0,0,0,\r\n";

class ExportPbCli : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    writeFile(dir_ / "scene.txt", kTwoObjects);
  }
  // The exit status; the program's stderr into *err.
  int run(const std::vector<std::string>& args, std::string* err = nullptr) {
    const Result r = CliTest::run(args);
    if (err) *err = r.err;
    return r.status;
  }
  size_t files() const {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir_)) n += e.is_regular_file();
    return n;
  }
};

TEST_F(ExportPbCli, WritesTheChosenObjectUnderTheRuledName) {
  const struct {
    std::vector<std::string> args;
    const char* file;
    const char* procedure;
  } cases[] = {
      {{"--export-pb", "a.pb.txt", "--object", "0", "scene.txt"}, "a.txt.pb", "Procedure Back("},
      {{"--export-pb", "b", "--object=1", "scene.txt"}, "b.pb", "Procedure Front("},
      {{"--export-pb", "c.pb", "scene.txt"}, "c.pb", nullptr},
  };
  for (const auto& c : cases) {
    std::string err;
    ASSERT_EQ(run(c.args, &err), 0) << c.file << ": " << err;
    const std::string text = readFile(dir_ / c.file);
    EXPECT_EQ(text.rfind("; Made with Penwick ! 0.15\r\n", 0), 0u) << c.file;
    if (c.procedure) {
      EXPECT_NE(text.find(c.procedure), std::string::npos) << c.file;
    }
    EXPECT_EQ(text.substr(text.size() - 19), "EndProcedure \r\n\r\n\r\n");
  }
}

TEST_F(ExportPbCli, RefusesWithoutWriting) {
  const struct {
    std::vector<std::string> args;
    const char* mention;
    int status = 1;  // a usage error unless told
  } cases[] = {
      {{"--export-pb", "x", "--object", "2", "scene.txt"}, "--object 2"},
      {{"--export-pb", "x", "--object", "-1", "scene.txt"}, "--object"},
      {{"--export-pb", "x", "--object", "1a", "scene.txt"}, "--object"},
      {{"--export-pb", "x", "--object", "0", "--object", "1", "scene.txt"}, "twice"},
      {{"--export-pb", "x"}, "needs a scene file"},
      {{"--export-pb", "x", "missing.txt"}, "missing.txt", 3},
      {{"--dump-json", "--object", "0", "scene.txt"}, "--object"},
      {{"--export-pb", "nodir/x", "scene.txt"}, "nodir/x.pb", 5},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(run(c.args, &err), c.status) << c.mention;
    EXPECT_NE(err.find(c.mention), std::string::npos) << err;
    EXPECT_EQ(files(), 1u) << c.mention;  // the scene only
  }
}

TEST(ExportPbHelp, UsageNamesTheFlags) {
  const std::string usage = usageText();
  EXPECT_NE(usage.find("--export-pb OUT [--object N] SCENE"), std::string::npos);
  CommandLine cl;
  std::string error;
  const char* argv[] = {"penwick", "--export-pb", "o", "--object", "3", "s.txt"};
  ASSERT_TRUE(parseCommandLine(6, argv, cl, error)) << error;
  EXPECT_EQ(cl.command, CommandLine::Command::kExportPb);
  EXPECT_EQ(cl.object, 3);
  EXPECT_EQ(cl.output, "o");
  const char* crash[] = {"penwick", "--show-crash-report", "r.txt"};
  ASSERT_TRUE(parseCommandLine(3, crash, cl, error)) << error;
  EXPECT_EQ(cl.command, CommandLine::Command::kShowCrashReport);
  EXPECT_EQ(cl.output, "r.txt");
}

}  // namespace
}  // namespace pw
