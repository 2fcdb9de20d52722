#include "app/cli_args.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <vector>

#include "core/keyframes.h"
#include "export/encoded_format.h"

namespace pw {

namespace {

using CliCommand = CommandLine::Command;

// A set of commands, one bit per CliCommand.
using Commands = uint32_t;

constexpr Commands commandBit(CliCommand c) { return Commands{1} << static_cast<unsigned>(c); }

template <class... C>
constexpr Commands only(C... c) {
  return (commandBit(c) | ...);
}

// Puts a flag's value into the record. False, with `error` set, when the value cannot be used.
// `flag` is the flag as it was typed.
using Store = bool (*)(CommandLine& cl, const std::string& flag, const std::string& value,
                       std::string& error);

// One flag of the command line. A flag that selects a command (an export, --help...) sets
// `command`; an option leaves it at kEditor and names the commands it goes with.
struct Flag {
  const char* name = nullptr;
  const char* alias = nullptr;          // another spelling, such as "-h"
  CliCommand command = CliCommand::kEditor;   // the command the flag selects
  const char* value = nullptr;          // what its value is ("a folder name"); none when null
  Store store = nullptr;                // what it sets in the record
  // A command: whether it needs the scene file (else it takes none).
  bool needsScene = false;
  // An option: given twice is an error.
  bool once = false;
  // An option: the commands it goes with; 0: any.
  Commands appliesTo = 0;
  // An option given with a command it does not go with is reported before the others.
  bool reportedFirst = false;
  // The help: the command's line in the usage ("--save-as OUT SCENE"), and the flag's line in
  // the list below it, "--save-as OUT" and what it does ('\n' starts a continuation line).
  const char* synopsis = nullptr;
  const char* helpName = nullptr;
  const char* help = nullptr;
};

bool storeOutput(CommandLine& cl, const std::string&, const std::string& value, std::string&) {
  cl.output = value;
  return true;
}

bool storeSettings(CommandLine& cl, const std::string&, const std::string& value, std::string&) {
  cl.settings = value;
  return true;
}

bool storeCamera(CommandLine& cl, const std::string&, const std::string&, std::string&) {
  cl.camera = true;
  return true;
}

bool storeObject(CommandLine& cl, const std::string&, const std::string& value,
                 std::string& error) {
  int64_t v = -1;
  const auto r = std::from_chars(value.data(), value.data() + value.size(), v);
  if (r.ec != std::errc() || r.ptr != value.data() + value.size() || v < 0) {
    error = "--object wants a number from 0, not " + value;
    return false;
  }
  cl.object = v;
  return true;
}

// A video's file name: its extension picks the container and codec.
bool storeVideoOutput(CommandLine& cl, const std::string& flag, const std::string& value,
                      std::string& error) {
  EncodedFormat format;
  if (!videoFormatFor(value, format, error)) {
    error = flag + ": " + error;
    return false;
  }
  cl.output = value;
  return true;
}

bool storeQuality(CommandLine& cl, const std::string& flag, const std::string& value,
                  std::string& error) {
  int v = -1;
  const auto r = std::from_chars(value.data(), value.data() + value.size(), v);
  if (r.ec != std::errc() || r.ptr != value.data() + value.size() || v < kMinQuality ||
      v > kMaxQuality) {
    error = flag + " wants a number from " + std::to_string(kMinQuality) + " to " +
            std::to_string(kMaxQuality) + ", not " + value;
    return false;
  }
  cl.quality = v;
  return true;
}

// A frame number from 0 to kMaxKeyFrame, digits only.
template <int64_t CommandLine::*Field>
bool storeFrame(CommandLine& cl, const std::string& flag, const std::string& value,
                std::string& error) {
  int64_t v = -1;
  const auto r = std::from_chars(value.data(), value.data() + value.size(), v);
  if (r.ec != std::errc() || r.ptr != value.data() + value.size() || v < 0 || v > kMaxKeyFrame) {
    error = flag + " wants a frame from 0 to " + std::to_string(kMaxKeyFrame) + ", not " + value;
    return false;
  }
  cl.*Field = v;
  return true;
}

bool storeFrames(CommandLine& cl, const std::string& flag, const std::string& value,
                 std::string& error) {
  if (parseFrameList(value, cl.frames, error)) return true;
  error = flag + ": " + error;
  return false;
}

bool storeThreads(CommandLine& cl, const std::string& flag, const std::string& value,
                  std::string& error) {
  int v = 0;
  const auto r = std::from_chars(value.data(), value.data() + value.size(), v);
  if (r.ec != std::errc() || r.ptr != value.data() + value.size() || v < 1 ||
      v > kMaxThreadsFlag) {
    error = flag + " wants a number from 1 to " + std::to_string(kMaxThreadsFlag) + ", not " +
            value;
    return false;
  }
  cl.threads = v;
  return true;
}

bool storeProgress(CommandLine& cl, const std::string& flag, const std::string& value,
                   std::string& error) {
  using P = CommandLine::Progress;
  if (value == "auto") cl.progress = P::kAuto;
  else if (value == "lines") cl.progress = P::kLines;
  else if (value == "json") cl.progress = P::kJson;
  else if (value == "off") cl.progress = P::kOff;
  else {
    error = flag + " wants auto, lines, json or off, not " + value;
    return false;
  }
  return true;
}

bool storeSkipExisting(CommandLine& cl, const std::string&, const std::string&, std::string&) {
  cl.skipExisting = true;
  return true;
}

bool storeStrict(CommandLine& cl, const std::string&, const std::string&, std::string&) {
  cl.strict = true;
  return true;
}

bool storeFromFrames(CommandLine& cl, const std::string&, const std::string& value,
                     std::string&) {
  cl.fromFrames = value;
  return true;
}

// "WxH" with both sides from 1 to kMaxCanvasSide.
bool storeCanvas(CommandLine& cl, const std::string&, const std::string& value,
                 std::string& error) {
  const auto side = [](std::string_view t, int& v) {
    if (t.empty()) return false;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && v >= 1 && v <= kMaxCanvasSide;
  };
  const std::string_view s = value;
  const size_t x = s.find_first_of("xX");
  int w = 0, h = 0;
  if (x == std::string_view::npos || !side(s.substr(0, x), w) || !side(s.substr(x + 1), h)) {
    error = "--canvas wants WxH with sides from 1 to " + std::to_string(kMaxCanvasSide) +
            ", not " + value;
    return false;
  }
  cl.hasCanvas = true;
  cl.canvasW = w;
  cl.canvasH = h;
  return true;
}

constexpr Commands kAnimationCommands =
    only(CliCommand::kExportFrames, CliCommand::kExportWebp, CliCommand::kExportGif,
         CliCommand::kExportApng, CliCommand::kExportVideo);
// The commands that export a range of frames.
constexpr Commands kFrameRangeCommands = kAnimationCommands | only(CliCommand::kExportLottie);
constexpr Commands kDrawingCommands =
    kFrameRangeCommands | only(CliCommand::kExportPng, CliCommand::kExportSvg);
// The exports that write one file of all the frames, which can also be made of frames already
// rendered.
constexpr Commands kAssemblingCommands =
    only(CliCommand::kExportWebp, CliCommand::kExportGif, CliCommand::kExportApng,
         CliCommand::kExportVideo);

// Every flag, in the order of the help.
constexpr Flag kFlags[] = {
    {.name = "--dump-json", .command = CliCommand::kDumpJson, .needsScene = true,
     .synopsis = "--dump-json SCENE",
     .helpName = "--dump-json SCENE", .help = "print the scene as one JSON object"},
    {.name = "--save-as", .command = CliCommand::kSaveAs, .value = "an output file name",
     .store = storeOutput, .needsScene = true, .synopsis = "--save-as OUT SCENE",
     .helpName = "--save-as OUT", .help = "write the scene again as OUT (\".txt\" is added)"},
    {.name = "--export-png", .command = CliCommand::kExportPng, .value = "an output file name",
     .store = storeOutput, .needsScene = true,
     .synopsis = "--export-png OUT [--camera] [--canvas WxH] [--settings FILE] SCENE",
     .helpName = "--export-png OUT",
     .help = "render the scene to a PNG image (\".png\" is added when missing)"},
    {.name = "--camera", .store = storeCamera, .appliesTo = only(CliCommand::kExportPng),
     .helpName = "--camera", .help = "cut the camera rectangle instead of the drawn content"},
    {.name = "--canvas", .value = "a size WxH", .store = storeCanvas, .once = true,
     .appliesTo = only(CliCommand::kExportPng),
     .helpName = "--canvas WxH", .help = "canvas size in pixels (default: the camera size)"},
    {.name = "--settings", .value = "a settings file name", .store = storeSettings, .once = true,
     .appliesTo = kDrawingCommands, .helpName = "--settings FILE",
     .help = "settings to use (default: Preferences.ini when present)"},
    {.name = "--export-pb", .command = CliCommand::kExportPb, .value = "an output file name",
     .store = storeOutput, .needsScene = true, .synopsis = "--export-pb OUT [--object N] SCENE",
     .helpName = "--export-pb OUT",
     .help = "write an object's shapes as PureBasic source (\".pb\" rule)"},
    {.name = "--object", .value = "an object number", .store = storeObject, .once = true,
     .appliesTo = only(CliCommand::kExportPb), .reportedFirst = true, .helpName = "--object N",
     .help = "the object to export, from 0 (default: the current one)"},
    {.name = "--export-svg", .command = CliCommand::kExportSvg, .value = "an output file name",
     .store = storeOutput, .needsScene = true,
     .synopsis = "--export-svg OUT [--frame N] [--settings FILE] SCENE",
     .helpName = "--export-svg OUT",
     .help = "write the camera rectangle of a frame as a static SVG image\n"
             "(\".svg\" is added when missing)"},
    {.name = "--frame", .value = "a frame number", .store = storeFrame<&CommandLine::frame>,
     .once = true, .appliesTo = only(CliCommand::kExportSvg), .helpName = "--frame N",
     .help = "the frame to export, 0 to 32767 (default: 0)"},
    {.name = "--export-frames", .command = CliCommand::kExportFrames, .value = "a folder name",
     .store = storeOutput, .needsScene = true,
     .synopsis = "--export-frames DIR [--from A] [--to B] [--settings FILE] SCENE",
     .helpName = "--export-frames DIR",
     .help = "write the camera rectangle of each frame as\n"
             "DIR/frame_00000.png ... (DIR is created when missing)"},
    {.name = "--export-webp", .command = CliCommand::kExportWebp, .value = "an output file name",
     .store = storeOutput, .needsScene = true,
     .synopsis = "--export-webp OUT [--from A] [--to B] [--settings FILE] SCENE",
     .helpName = "--export-webp OUT",
     .help = "write the frames as one looping, lossless animated WebP at the\n"
             "scene's frames per second (\".webp\" is added when missing)"},
    {.name = "--export-gif", .command = CliCommand::kExportGif, .value = "an output file name",
     .store = storeOutput, .needsScene = true,
     .synopsis = "--export-gif OUT [--quality Q] [--from A] [--to B] [--settings FILE] SCENE",
     .helpName = "--export-gif OUT",
     .help = "write the frames as one looping GIF, 1-bit transparency (\".gif\"\n"
             "is added when missing)"},
    {.name = "--export-apng", .command = CliCommand::kExportApng, .value = "an output file name",
     .store = storeOutput, .needsScene = true,
     .synopsis = "--export-apng OUT [--from A] [--to B] [--settings FILE] SCENE",
     .helpName = "--export-apng OUT",
     .help = "write the frames as one looping, lossless animated PNG (\".png\"\n"
             "is added unless OUT ends in .png or .apng)"},
    {.name = "--export-video", .command = CliCommand::kExportVideo,
     .value = "a file name ending in .mp4 or .webm", .store = storeVideoOutput,
     .needsScene = true,
     .synopsis = "--export-video OUT [--quality Q] [--from A] [--to B] [--settings FILE] SCENE",
     .helpName = "--export-video OUT",
     .help = "write the frames over black as a video: OUT.mp4 (H.264) or\n"
             "OUT.webm (VP9), at the scene's frames per second"},
    {.name = "--export-lottie", .command = CliCommand::kExportLottie,
     .value = "an output file name", .store = storeOutput, .needsScene = true,
     .synopsis = "--export-lottie OUT [--from A] [--to B] [--settings FILE] SCENE",
     .helpName = "--export-lottie OUT",
     .help = "write the frames as one Lottie animation, objects as vector\n"
             "layers (\".json\" is added when missing)"},
    {.name = "--quality", .value = "a number from 1 to 100", .store = storeQuality, .once = true,
     .appliesTo = only(CliCommand::kExportGif, CliCommand::kExportVideo),
     .helpName = "--quality Q",
     .help = "1 (smallest) to 100 (best); GIF: 100 keeps 255 colours a frame\n"
             "(the default), video: default 60"},
    {.name = "--from", .value = "a frame number", .store = storeFrame<&CommandLine::from>,
     .once = true, .appliesTo = kFrameRangeCommands, .helpName = "--from A, --to B",
     .help = "the frames to export, 0 to 32767 (default: 0 to the scene's\nmax frame)"},
    {.name = "--to", .value = "a frame number", .store = storeFrame<&CommandLine::to>,
     .once = true, .appliesTo = kFrameRangeCommands},
    {.name = "--frames", .value = "a frame list such as 1-3,5,7-20:2", .store = storeFrames,
     .once = true, .appliesTo = kAnimationCommands, .helpName = "--frames LIST",
     .help = "the frames to export instead of --from/--to: N, A-B, A-B:STEP,\n"
             "comma-separated (ascending, each frame once)"},
    {.name = "--threads", .value = "a number of threads", .store = storeThreads, .once = true,
     .appliesTo = kAnimationCommands, .helpName = "--threads N",
     .help = "draw on N threads (default: the cores the process may use)"},
    {.name = "--progress", .value = "auto, lines, json or off", .store = storeProgress,
     .once = true, .appliesTo = kAnimationCommands, .helpName = "--progress MODE",
     .help = "auto (on a terminal), lines (a line a frame), json (an object\n"
             "an event) or off; on stderr"},
    {.name = "--skip-existing", .store = storeSkipExisting, .once = true,
     .appliesTo = only(CliCommand::kExportFrames), .helpName = "--skip-existing",
     .help = "keep the frames already complete in DIR; each new frame moves\n"
             "into DIR as soon as it is written"},
    {.name = "--from-frames", .value = "a folder name", .store = storeFromFrames, .once = true,
     .appliesTo = kAssemblingCommands, .helpName = "--from-frames DIR",
     .help = "make the file of DIR/frame_NNNNN.png rendered before (by\n"
             "--export-frames) instead of drawing; every frame must be there"},
    {.name = "--strict", .store = storeStrict, .once = true, .appliesTo = kDrawingCommands,
     .helpName = "--strict", .help = "a missing image file or font is an error, not a warning"},
    {.name = "--version", .command = CliCommand::kVersion, .helpName = "--version",
     .help = "print the version"},
    {.name = "--help", .alias = "-h", .command = CliCommand::kHelp, .helpName = "--help",
     .help = "print this help"},
    // Started by the fault handler, not by users: not in the help.
    {.name = "--show-crash-report", .command = CliCommand::kShowCrashReport,
     .value = "a report file", .store = storeOutput},
};

constexpr size_t kFlagCount = std::size(kFlags);

// Width of the help's left column, the gap after the flag included.
constexpr size_t kHelpColumn = 21;

const Flag* findFlag(std::string_view typed) {
  for (const Flag& f : kFlags)
    if (typed == f.name || (f.alias && typed == f.alias)) return &f;
  return nullptr;
}

// The flag that selects the command.
const Flag& commandFlag(CliCommand c) {
  for (const Flag& f : kFlags)
    if (f.command == c && c != CliCommand::kEditor) return f;
  static constexpr Flag kNone{.name = ""};
  return kNone;
}

// "--a", "--a and --b", "--a, --b and --c": the flags of the commands, in table order.
std::string commandList(Commands set) {
  std::vector<const char*> names;
  for (const Flag& f : kFlags)
    if (f.command != CliCommand::kEditor && (set & commandBit(f.command))) names.push_back(f.name);
  std::string out;
  for (size_t k = 0; k < names.size(); ++k) {
    if (k > 0) out += k + 1 == names.size() ? " and " : ", ";
    out += names[k];
  }
  return out;
}

// What goes together, once every argument is read.
bool checkCombination(const CommandLine& cl, const std::array<bool, kFlagCount>& given,
                      bool haveScene, std::string& error) {
  for (const bool first : {true, false}) {
    for (size_t k = 0; k < kFlagCount; ++k) {
      const Flag& f = kFlags[k];
      if (!given[k] || f.reportedFirst != first || f.appliesTo == 0 ||
          (f.appliesTo & commandBit(cl.command)))
        continue;
      error = std::string(f.name) + " applies only to " + commandList(f.appliesTo);
      return false;
    }
  }
  if (!cl.frames.empty() && (cl.from >= 0 || cl.to >= 0)) {
    error = std::string(cl.from >= 0 ? "--from" : "--to") + " cannot be combined with --frames";
    return false;
  }
  if (cl.from >= 0 && cl.to >= 0 && cl.from > cl.to) {
    error = "--from " + std::to_string(cl.from) + " comes after --to " + std::to_string(cl.to);
    return false;
  }
  if (cl.command == CliCommand::kEditor) return true;
  const Flag& f = commandFlag(cl.command);
  if (f.needsScene && !haveScene) {
    error = std::string(f.name) + " needs a scene file";
    return false;
  }
  if (!f.needsScene && haveScene) {
    error = std::string(f.name) + " takes no scene file";
    return false;
  }
  return true;
}

// A frame number of a frame list: digits only, 0 to kMaxKeyFrame.
bool listFrame(std::string_view t, int64_t& v) {
  if (t.empty() || t.size() > 9) return false;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  return r.ec == std::errc() && r.ptr == t.data() + t.size() && v >= 0 && v <= kMaxKeyFrame;
}

}  // namespace

bool parseFrameList(const std::string& text, std::vector<int64_t>& frames, std::string& error) {
  frames.clear();
  std::vector<bool> on(static_cast<size_t>(kMaxKeyFrame) + 1, false);
  const std::string bad = " is not a frame N, a range A-B or A-B:STEP (frames 0 to " +
                          std::to_string(kMaxKeyFrame) + ")";
  std::string_view rest = text;
  for (;;) {
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const std::string quoted = "\"" + std::string(item) + "\"";
    if (item.empty()) {
      error = "an empty item in the frame list \"" + text + "\"";
      return false;
    }
    std::string_view range = item;
    int64_t step = 1;
    if (const size_t colon = item.find(':'); colon != std::string_view::npos) {
      range = item.substr(0, colon);
      if (!listFrame(item.substr(colon + 1), step) || step < 1 ||
          range.find('-') == std::string_view::npos) {
        error = quoted + bad + (step < 1 ? " (the step is at least 1)" : "");
        return false;
      }
    }
    int64_t a = 0, b = 0;
    if (const size_t dash = range.find('-'); dash == std::string_view::npos) {
      if (!listFrame(range, a)) {
        error = quoted + bad;
        return false;
      }
      b = a;
    } else if (!listFrame(range.substr(0, dash), a) || !listFrame(range.substr(dash + 1), b)) {
      error = quoted + bad;
      return false;
    } else if (a > b) {
      error = quoted + ": the range runs backwards (write " + std::to_string(b) + "-" +
              std::to_string(a) + ")";
      return false;
    }
    for (int64_t f = a; f <= b; f += step) on[static_cast<size_t>(f)] = true;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  for (size_t f = 0; f < on.size(); ++f)
    if (on[f]) frames.push_back(static_cast<int64_t>(f));
  return true;
}

std::string usageText() {
  std::string out =
      "usage: penwick [SCENE]                 open the editor (with SCENE loaded)\n"
      "       penwick [--version | --help]\n";
  for (const Flag& f : kFlags)
    if (f.synopsis) out += std::string("       penwick ") + f.synopsis + "\n";
  out += "\n";
  for (const Flag& f : kFlags) {
    if (!f.helpName) continue;
    std::string line = std::string("  ") + f.helpName;
    line.append(std::max(2 + kHelpColumn, line.size() + 2) - line.size(), ' ');
    for (const char* c = f.help; *c; ++c) {
      line += *c;
      if (*c == '\n') line.append(2 + kHelpColumn, ' ');
    }
    out += line + "\n";
  }
  return out;
}

bool parseCommandLine(int argc, const char* const* argv, CommandLine& cl, std::string& error) {
  cl = CommandLine{};
  std::array<bool, kFlagCount> given{};
  bool haveCommand = false, onlyFiles = false, haveScene = false;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
      if (haveScene) {
        error = "more than one scene file given (" + cl.scene + ", " + arg + ")";
        return false;
      }
      if (arg.empty()) {
        error = "empty scene file name";
        return false;
      }
      haveScene = true;
      cl.scene = arg;
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    // "--flag=value" or "--flag value".
    std::string flag = arg, value;
    bool inlineValue = false;
    if (const size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      flag = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inlineValue = true;
    }
    const Flag* f = findFlag(flag);
    if (!f) {
      error = "unknown option " + flag + " (see penwick --help)";
      return false;
    }
    const size_t index = static_cast<size_t>(f - kFlags);
    if (!f->value && inlineValue) {
      error = flag + " takes no value";
      return false;
    }
    if (f->command != CliCommand::kEditor) {
      if (haveCommand) {
        error = flag + " cannot be combined with " + commandFlag(cl.command).name;
        return false;
      }
      haveCommand = true;
      cl.command = f->command;
    } else if (f->once && given[index]) {
      error = std::string(f->name) + " given twice";
      return false;
    }
    if (f->value) {
      if (!inlineValue) {
        if (i + 1 >= argc || !argv[i + 1]) {
          error = flag + " needs " + f->value;
          return false;
        }
        value = argv[++i];
      }
      if (value.empty()) {
        error = flag + " needs " + f->value;
        return false;
      }
    }
    if (f->store && !f->store(cl, flag, value, error)) return false;
    given[index] = true;
  }
  return checkCombination(cl, given, haveScene, error);
}

}  // namespace pw
