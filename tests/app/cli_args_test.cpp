// The command line's arguments, read in-process: every form it accepts, and for everything it
// refuses the exact one-line reason the program prints after "penwick: ".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli_args.h"

namespace pw {
namespace {

using CliCommand = CommandLine::Command;

bool parse(std::vector<const char*> args, CommandLine& cl, std::string& err) {
  args.insert(args.begin(), "penwick");
  return parseCommandLine(static_cast<int>(args.size()), args.data(), cl, err);
}

std::string joined(const std::vector<const char*>& args) {
  std::string line;
  for (const char* a : args) line += std::string(a ? a : "(null)") + " ";
  return line;
}

TEST(CommandLineParse, ReadsEveryForm) {
  CommandLine cl;
  std::string err;
  ASSERT_TRUE(parse({"--export-png", "o.png", "--camera", "--canvas", "640x480", "--settings",
                     "p.ini", "s.txt"}, cl, err)) << err;
  EXPECT_EQ(cl.command, CommandLine::Command::kExportPng);
  EXPECT_EQ(cl.output, "o.png");
  EXPECT_EQ(cl.scene, "s.txt");
  EXPECT_TRUE(cl.camera);
  EXPECT_TRUE(cl.hasCanvas);
  EXPECT_EQ(cl.canvasW, 640);
  EXPECT_EQ(cl.canvasH, 480);
  EXPECT_EQ(cl.settings, "p.ini");

  // Options may follow the scene; "--flag=value" works; "--" ends the options.
  ASSERT_TRUE(parse({"s.txt", "--export-png=o", "--canvas=1X2"}, cl, err)) << err;
  EXPECT_EQ(cl.output, "o");
  EXPECT_EQ(cl.canvasW, 1);
  EXPECT_EQ(cl.canvasH, 2);
  EXPECT_FALSE(cl.camera);
  ASSERT_TRUE(parse({"--dump-json", "--", "--odd-name.txt"}, cl, err)) << err;
  EXPECT_EQ(cl.scene, "--odd-name.txt");
  ASSERT_TRUE(parse({}, cl, err));
  EXPECT_EQ(cl.command, CommandLine::Command::kEditor);
}

// What a parse should give; the fields of CommandLine, each with its default.
struct Want {
  CliCommand command = CliCommand::kEditor;
  std::string scene{}, output{};
  int64_t object = -1;
  bool camera = false, hasCanvas = false;
  int canvasW = 0, canvasH = 0;
  std::string settings{};
  int64_t from = -1, to = -1;
  int64_t frame = -1;
  int quality = -1;
};

TEST(CommandLineParse, AcceptedLinesFillTheRecord) {
  struct Case {
    std::vector<const char*> args;
    Want want;
  } const cases[] = {
      {{}, {}},
      {{"-"}, {.scene = "-"}},
      {{"--", "-x"}, {.scene = "-x"}},
      {{"--version"}, {.command = CliCommand::kVersion}},
      {{"-h"}, {.command = CliCommand::kHelp}},
      {{"--show-crash-report=r.txt"}, {.command = CliCommand::kShowCrashReport, .output = "r.txt"}},
      {{"s.txt", "--dump-json"}, {.command = CliCommand::kDumpJson, .scene = "s.txt"}},
      // A value may start with a dash; only the first '=' splits a flag from its value.
      {{"--save-as", "--dump-json", "s"},
       {.command = CliCommand::kSaveAs, .scene = "s", .output = "--dump-json"}},
      {{"--export-png", "o", "--camera", "--camera", "--canvas", "16384x1", "--settings=a=b", "s"},
       {.command = CliCommand::kExportPng, .scene = "s", .output = "o", .camera = true,
        .hasCanvas = true, .canvasW = 16384, .canvasH = 1, .settings = "a=b"}},
      {{"--export-png", "o", "--", "--camera"},
       {.command = CliCommand::kExportPng, .scene = "--camera", .output = "o"}},
      {{"--export-pb", "o", "--object=0", "s"},
       {.command = CliCommand::kExportPb, .scene = "s", .output = "o", .object = 0}},
      {{"--export-frames=d", "--from=0", "--to", "32767", "--settings", "p", "s"},
       {.command = CliCommand::kExportFrames, .scene = "s", .output = "d", .settings = "p",
        .from = 0, .to = 32767}},
      {{"--export-webp", "o", "--to", "0", "s"},
       {.command = CliCommand::kExportWebp, .scene = "s", .output = "o", .to = 0}},
      {{"--export-webp", "o", "--from", "7", "--to", "7", "s"},
       {.command = CliCommand::kExportWebp, .scene = "s", .output = "o", .from = 7, .to = 7}},
      {{"--export-svg", "o", "--frame=32767", "--settings", "p", "s"},
       {.command = CliCommand::kExportSvg, .scene = "s", .output = "o", .settings = "p",
        .frame = 32767}},
      {{"--export-gif", "g", "--quality", "1", "s"},
       {.command = CliCommand::kExportGif, .scene = "s", .output = "g", .quality = 1}},
      {{"--export-apng=a.apng", "--from", "2", "s"},
       {.command = CliCommand::kExportApng, .scene = "s", .output = "a.apng", .from = 2}},
      {{"--export-video", "v.WebM", "--quality=100", "s"},
       {.command = CliCommand::kExportVideo, .scene = "s", .output = "v.WebM", .quality = 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(joined(c.args));
    CommandLine cl;
    cl.object = 99;  // every field is reset by the parse
    std::string err;
    ASSERT_TRUE(parse(c.args, cl, err)) << err;
    const Want& w = c.want;
    EXPECT_EQ(cl.command, w.command);
    EXPECT_EQ(cl.scene, w.scene);
    EXPECT_EQ(cl.output, w.output);
    EXPECT_EQ(cl.object, w.object);
    EXPECT_EQ(cl.camera, w.camera);
    EXPECT_EQ(cl.hasCanvas, w.hasCanvas);
    EXPECT_EQ(cl.canvasW, w.canvasW);
    EXPECT_EQ(cl.canvasH, w.canvasH);
    EXPECT_EQ(cl.settings, w.settings);
    EXPECT_EQ(cl.from, w.from);
    EXPECT_EQ(cl.to, w.to);
    EXPECT_EQ(cl.frame, w.frame);
    EXPECT_EQ(cl.quality, w.quality);
  }
}

TEST(CommandLineParse, RejectsWhatItCannotUse) {
  CommandLine cl;
  std::string err;
  const std::vector<std::vector<const char*>> bad = {
      {"--nope"},
      {"--dump-json"},
      {"--save-as", "", "s.txt"},
      {"--save-as=", "s.txt"},
      {"--dump-json=x", "s.txt"},
      {"--export-png", "o", "--canvas", "16385x10", "s.txt"},
      {"--export-png", "o", "--canvas", "-5x10", "s.txt"},
      {"--export-png", "o", "--canvas", "10x", "s.txt"},
      {"--export-png", "o", "--canvas", "10x10x10", "s.txt"},
      {"--export-png", "o", "--canvas", "1x1", "--canvas", "2x2", "s.txt"},
      {"--export-png", "o", "--settings", "a", "--settings", "b", "s.txt"},
      {"--save-as", "o", "--settings", "a", "s.txt"},
      {"--version", "s.txt"},
      {"--export-png", "o", "--save-as", "p", "s.txt"},
      {"--export-png"},
      {"a.txt", "b.txt"},
  };
  for (const auto& args : bad) {
    err.clear();
    EXPECT_FALSE(parse(args, cl, err)) << args[0];
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), std::string::npos);
  }
}

TEST(CommandLineParse, EveryRefusalHasItsExactReason) {
  struct Case {
    std::vector<const char*> args;
    const char* error;
  } const cases[] = {
      // Scene files.
      {{"a.txt", "b.txt"}, "more than one scene file given (a.txt, b.txt)"},
      {{"--dump-json", "--", "a", "b"}, "more than one scene file given (a, b)"},
      {{""}, "empty scene file name"},
      {{"--", ""}, "empty scene file name"},
      {{nullptr}, "empty scene file name"},
      // Names that are no flag.
      {{"-x"}, "unknown option -x (see penwick --help)"},
      {{"--nope=1"}, "unknown option --nope (see penwick --help)"},
      {{"-h=1"}, "unknown option -h=1 (see penwick --help)"},
      {{"--=x"}, "unknown option -- (see penwick --help)"},
      // Values where none belongs, and none where one must be.
      {{"--version=1"}, "--version takes no value"},
      {{"--help="}, "--help takes no value"},
      {{"--camera=yes"}, "--camera takes no value"},
      {{"--dump-json=x", "s"}, "--dump-json takes no value"},
      {{"--save-as"}, "--save-as needs an output file name"},
      {{"--save-as", nullptr}, "--save-as needs an output file name"},
      {{"--export-png="}, "--export-png needs an output file name"},
      {{"--export-pb", ""}, "--export-pb needs an output file name"},
      {{"--export-webp"}, "--export-webp needs an output file name"},
      {{"--export-frames"}, "--export-frames needs a folder name"},
      {{"--show-crash-report"}, "--show-crash-report needs a report file"},
      {{"--export-pb", "o", "--object"}, "--object needs an object number"},
      {{"--from"}, "--from needs a frame number"},
      {{"--to="}, "--to needs a frame number"},
      {{"--canvas"}, "--canvas needs a size WxH"},
      {{"--settings", ""}, "--settings needs a settings file name"},
      // One command a run; a value-less flag's value is refused before the clash.
      {{"--version", "--help"}, "--help cannot be combined with --version"},
      {{"--help", "-h"}, "-h cannot be combined with --help"},
      {{"-h", "--version"}, "--version cannot be combined with --help"},
      {{"--dump-json", "--dump-json", "s"}, "--dump-json cannot be combined with --dump-json"},
      {{"--export-png", "o", "--save-as"}, "--save-as cannot be combined with --export-png"},
      {{"--show-crash-report", "r", "--export-frames", "d"},
       "--export-frames cannot be combined with --show-crash-report"},
      {{"--export-webp", "o", "--export-pb", "p"}, "--export-pb cannot be combined with --export-webp"},
      {{"--version", "--dump-json=x"}, "--dump-json takes no value"},
      // Options given twice (found before the missing value).
      {{"--object", "1", "--object"}, "--object given twice"},
      {{"--canvas", "1x1", "--canvas=2x2"}, "--canvas given twice"},
      {{"--settings", "a", "--settings", "a"}, "--settings given twice"},
      {{"--from", "1", "--from"}, "--from given twice"},
      {{"--to", "1", "--to", "2"}, "--to given twice"},
      // Values out of range.
      {{"--object", "-1"}, "--object wants a number from 0, not -1"},
      {{"--object", "+1"}, "--object wants a number from 0, not +1"},
      {{"--object", "2x"}, "--object wants a number from 0, not 2x"},
      {{"--object", "99999999999999999999"},
       "--object wants a number from 0, not 99999999999999999999"},
      {{"--from", "abc"}, "--from wants a frame from 0 to 32767, not abc"},
      {{"--to", "32768"}, "--to wants a frame from 0 to 32767, not 32768"},
      {{"--to", " 1"}, "--to wants a frame from 0 to 32767, not  1"},
      {{"--canvas", "0x10"}, "--canvas wants WxH with sides from 1 to 16384, not 0x10"},
      {{"--canvas", "10X16385"}, "--canvas wants WxH with sides from 1 to 16384, not 10X16385"},
      {{"--canvas", "x10"}, "--canvas wants WxH with sides from 1 to 16384, not x10"},
      {{"--canvas", "10"}, "--canvas wants WxH with sides from 1 to 16384, not 10"},
      // Options with a command they do not apply to, the editor's included; --object is
      // reported first, then --camera, --canvas, --settings, --from and --to.
      {{"--object", "1"}, "--object applies only to --export-pb"},
      {{"--dump-json", "--object", "0", "s"}, "--object applies only to --export-pb"},
      {{"--camera", "s"}, "--camera applies only to --export-png"},
      {{"--export-frames", "d", "--canvas", "1x1", "s"}, "--canvas applies only to --export-png"},
      {{"--save-as", "o", "--settings", "p", "s"},
       "--settings applies only to --export-png, --export-svg, --export-frames, --export-webp, "
       "--export-gif, --export-apng, --export-video and --export-lottie"},
      {{"--export-png", "o", "--to", "3", "s"}, "--to applies only to --export-frames, --export-webp, --export-gif, "
       "--export-apng, --export-video and --export-lottie"},
      {{"--dump-json", "--to", "1", "--from", "2", "s"},
       "--from applies only to --export-frames, --export-webp, --export-gif, "
       "--export-apng, --export-video and --export-lottie"},
      {{"--dump-json", "--canvas", "1x1", "--camera", "s"}, "--camera applies only to --export-png"},
      {{"--dump-json", "--camera", "--object", "1", "s"}, "--object applies only to --export-pb"},
      {{"--dump-json", "--settings", "x", "--canvas", "1x1", "s"},
       "--canvas applies only to --export-png"},
      {{"--export-pb", "o", "--from", "1", "--settings", "x", "s"},
       "--settings applies only to --export-png, --export-svg, --export-frames, --export-webp, "
       "--export-gif, --export-apng, --export-video and --export-lottie"},
      {{"--dump-json", "--camera"}, "--camera applies only to --export-png"},
      {{"--dump-json", "--from", "9", "--to", "3", "s"},
       "--from applies only to --export-frames, --export-webp, --export-gif, "
       "--export-apng, --export-video and --export-lottie"},
      // The range, then the scene.
      {{"--export-frames", "d", "--from", "9", "--to", "3"}, "--from 9 comes after --to 3"},
      {{"--dump-json"}, "--dump-json needs a scene file"},
      {{"--save-as", "o"}, "--save-as needs a scene file"},
      {{"--export-png", "o"}, "--export-png needs a scene file"},
      {{"--export-pb", "o"}, "--export-pb needs a scene file"},
      {{"--export-frames", "d"}, "--export-frames needs a scene file"},
      {{"--export-webp", "o"}, "--export-webp needs a scene file"},
      {{"--export-svg", "o"}, "--export-svg needs a scene file"},
      {{"--frame", "-1"}, "--frame wants a frame from 0 to 32767, not -1"},
      {{"--export-svg", "o", "--frame", "1", "--frame", "2", "s"}, "--frame given twice"},
      {{"--export-png", "o", "--frame", "1", "s"}, "--frame applies only to --export-svg"},
      {{"--export-svg", "o", "--camera", "s"}, "--camera applies only to --export-png"},
      {{"--export-gif", "g", "--quality", "0", "s"}, "--quality wants a number from 1 to 100, not 0"},
      {{"--export-gif", "g", "--quality=101", "s"},
       "--quality wants a number from 1 to 100, not 101"},
      {{"--export-video", "v.mp4", "--quality", "5", "--quality", "6", "s"}, "--quality given twice"},
      {{"--export-apng", "a", "--quality", "50", "s"},
       "--quality applies only to --export-gif and --export-video"},
      {{"--export-video", "v.avi", "s"},
       "--export-video: a video file name ends in .mp4 or .webm, not v.avi"},
      {{"--export-video"}, "--export-video needs a file name ending in .mp4 or .webm"},
      {{"--version", "s"}, "--version takes no scene file"},
      {{"s", "-h"}, "--help takes no scene file"},
      {{"--show-crash-report", "r", "s"}, "--show-crash-report takes no scene file"},
  };
  for (const Case& c : cases) {
    CommandLine cl;
    std::string err;
    EXPECT_FALSE(parse(c.args, cl, err)) << joined(c.args);
    EXPECT_EQ(err, c.error) << joined(c.args);
  }
}

TEST(CommandLineParse, HelpTextIsAsDocumented) {
  EXPECT_EQ(usageText(),
            "usage: penwick [SCENE]                 open the editor (with SCENE loaded)\n"
            "       penwick [--version | --help]\n"
            "       penwick --dump-json SCENE\n"
            "       penwick --save-as OUT SCENE\n"
            "       penwick --export-png OUT [--camera] [--canvas WxH] [--settings FILE] SCENE\n"
            "       penwick --export-pb OUT [--object N] SCENE\n"
            "       penwick --export-svg OUT [--frame N] [--settings FILE] SCENE\n"
            "       penwick --export-frames DIR [--from A] [--to B] [--settings FILE] SCENE\n"
            "       penwick --export-webp OUT [--from A] [--to B] [--settings FILE] SCENE\n"
            "       penwick --export-gif OUT [--quality Q] [--from A] [--to B] [--settings FILE] "
            "SCENE\n"
            "       penwick --export-apng OUT [--from A] [--to B] [--settings FILE] SCENE\n"
            "       penwick --export-video OUT [--quality Q] [--from A] [--to B] [--settings "
            "FILE] SCENE\n"
            "       penwick --export-lottie OUT [--from A] [--to B] [--settings FILE] SCENE\n"
            "\n"
            "  --dump-json SCENE    print the scene as one JSON object\n"
            "  --save-as OUT        write the scene again as OUT (\".txt\" is added)\n"
            "  --export-png OUT     render the scene to a PNG image (\".png\" is added when "
            "missing)\n"
            "  --camera             cut the camera rectangle instead of the drawn content\n"
            "  --canvas WxH         canvas size in pixels (default: the camera size)\n"
            "  --settings FILE      settings to use (default: Preferences.ini when present)\n"
            "  --export-pb OUT      write an object's shapes as PureBasic source (\".pb\" rule)\n"
            "  --object N           the object to export, from 0 (default: the current one)\n"
            "  --export-svg OUT     write the camera rectangle of a frame as a static SVG image\n"
            "                       (\".svg\" is added when missing)\n"
            "  --frame N            the frame to export, 0 to 32767 (default: 0)\n"
            "  --export-frames DIR  write the camera rectangle of each frame as\n"
            "                       DIR/frame_00000.png ... (DIR is created when missing)\n"
            "  --export-webp OUT    write the frames as one looping, lossless animated WebP at "
            "the\n"
            "                       scene's frames per second (\".webp\" is added when missing)\n"
            "  --export-gif OUT     write the frames as one looping GIF, 1-bit transparency "
            "(\".gif\"\n"
            "                       is added when missing)\n"
            "  --export-apng OUT    write the frames as one looping, lossless animated PNG "
            "(\".png\"\n"
            "                       is added unless OUT ends in .png or .apng)\n"
            "  --export-video OUT   write the frames over black as a video: OUT.mp4 (H.264) or\n"
            "                       OUT.webm (VP9), at the scene's frames per second\n"
            "  --export-lottie OUT  write the frames as one Lottie animation, objects as vector\n"
            "                       layers (\".json\" is added when missing)\n"
            "  --quality Q          1 (smallest) to 100 (best); GIF: 100 keeps 255 colours a "
            "frame\n"
            "                       (the default), video: default 60\n"
            "  --from A, --to B     the frames to export, 0 to 32767 (default: 0 to the scene's\n"
            "                       max frame)\n"
            "  --frames LIST        the frames to export instead of --from/--to: N, A-B, A-B:STEP,\n"
            "                       comma-separated (ascending, each frame once)\n"
            "  --threads N          draw on N threads (default: the cores the process may use)\n"
            "  --progress MODE      auto (on a terminal), lines (a line a frame), json (an object\n"
            "                       an event) or off; on stderr\n"
            "  --skip-existing      keep the frames already complete in DIR; each new frame moves\n"
            "                       into DIR as soon as it is written\n"
            "  --from-frames DIR    make the file of DIR/frame_NNNNN.png rendered before (by\n"
            "                       --export-frames) instead of drawing; every frame must be there\n"
            "  --strict             a missing image file or font is an error, not a warning\n"
            "  --version            print the version\n"
            "  --help               print this help\n");
}

TEST(CommandLineParse, FrameListsAreAscendingAndEachFrameOnce) {
  const struct {
    const char* text;
    std::vector<int64_t> frames;
  } good[] = {
      {"7", {7}},
      {"1-3,5,7-20:4", {1, 2, 3, 5, 7, 11, 15, 19}},
      {"10-12,0,11", {0, 10, 11, 12}},  // sorted, the overlap once
      {"5-5", {5}},
      {"0-9:5", {0, 5}},
      {"32767", {32767}},
  };
  for (const auto& c : good) {
    std::vector<int64_t> frames;
    std::string err;
    ASSERT_TRUE(parseFrameList(c.text, frames, err)) << c.text << ": " << err;
    EXPECT_EQ(frames, c.frames) << c.text;
  }
  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"", "an empty item in the frame list \"\""},
      {"1,,2", "an empty item in the frame list \"1,,2\""},
      {"3-1", "\"3-1\": the range runs backwards (write 1-3)"},
      {"1-4:0",
       "\"1-4:0\" is not a frame N, a range A-B or A-B:STEP (frames 0 to 32767) (the step is at "
       "least 1)"},
      {"7-x", "\"7-x\" is not a frame N, a range A-B or A-B:STEP (frames 0 to 32767)"},
      {"5:2", "\"5:2\" is not a frame N, a range A-B or A-B:STEP (frames 0 to 32767)"},
      {"32768", "\"32768\" is not a frame N, a range A-B or A-B:STEP (frames 0 to 32767)"},
      {"-3", "\"-3\" is not a frame N, a range A-B or A-B:STEP (frames 0 to 32767)"},
      {" 1", "\" 1\" is not a frame N, a range A-B or A-B:STEP (frames 0 to 32767)"},
  };
  for (const auto& c : bad) {
    std::vector<int64_t> frames;
    std::string err;
    EXPECT_FALSE(parseFrameList(c.text, frames, err)) << c.text;
    EXPECT_EQ(err, c.error) << c.text;
  }
}

TEST(CommandLineParse, FarmOptions) {
  CommandLine cl;
  std::string err;
  ASSERT_TRUE(parse({"--export-frames", "out", "--frames", "0-3,9", "--threads", "3",
                     "--progress", "json", "--skip-existing", "--strict", "s.txt"}, cl, err))
      << err;
  EXPECT_EQ(cl.frames, (std::vector<int64_t>{0, 1, 2, 3, 9}));
  EXPECT_EQ(cl.threads, 3);
  EXPECT_EQ(cl.progress, CommandLine::Progress::kJson);
  EXPECT_TRUE(cl.skipExisting);
  EXPECT_TRUE(cl.strict);
  ASSERT_TRUE(parse({"--export-gif", "o", "--from-frames", "dir", "s.txt"}, cl, err)) << err;
  EXPECT_EQ(cl.fromFrames, "dir");
  EXPECT_EQ(cl.progress, CommandLine::Progress::kAuto);

  const struct {
    std::vector<const char*> args;
    const char* error;
  } bad[] = {
      {{"--export-frames", "o", "--frames", "1-2", "--from", "1", "s.txt"},
       "--from cannot be combined with --frames"},
      {{"--export-frames", "o", "--frames", "x", "s.txt"},
       "--frames: \"x\" is not a frame N, a range A-B or A-B:STEP (frames 0 to 32767)"},
      {{"--export-frames", "o", "--threads", "0", "s.txt"},
       "--threads wants a number from 1 to 256, not 0"},
      {{"--export-frames", "o", "--progress", "loud", "s.txt"},
       "--progress wants auto, lines, json or off, not loud"},
      {{"--export-webp", "o", "--skip-existing", "s.txt"},
       "--skip-existing applies only to --export-frames"},
      {{"--export-frames", "o", "--from-frames", "d", "s.txt"},
       "--from-frames applies only to --export-webp, --export-gif, --export-apng and "
       "--export-video"},
      {{"--export-lottie", "o", "--threads", "2", "s.txt"},
       "--threads applies only to --export-frames, --export-webp, --export-gif, --export-apng "
       "and --export-video"},
      {{"--dump-json", "--strict", "s.txt"},
       "--strict applies only to --export-png, --export-svg, --export-frames, --export-webp, "
       "--export-gif, --export-apng, --export-video and --export-lottie"},
  };
  for (const auto& c : bad) {
    EXPECT_FALSE(parse(c.args, cl, err)) << joined(c.args);
    EXPECT_EQ(err, c.error) << joined(c.args);
  }
}

}  // namespace
}  // namespace pw
