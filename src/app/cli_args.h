// The penwick binary's arguments: what a command line asks for, and the help text. One table of
// flags drives the reading, the checks of what goes together and the help.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/options.h"

namespace pw {

// What the command line asks for.
struct CommandLine {
  enum class Command {
    kEditor, kVersion, kHelp, kSaveAs, kDumpJson, kExportPng, kExportPb, kShowCrashReport,
    kExportFrames, kExportWebp, kExportSvg, kExportGif, kExportApng, kExportVideo,
    kExportLottie
  };
  Command command = Command::kEditor;
  std::string scene;      // the scene file (positional)
  std::string output;     // --save-as / --export-* target, the crash report
  int64_t object = -1;    // --object N of --export-pb; -1: the current object after loading
  bool camera = false;    // --camera: cut the camera rectangle instead of the drawn content
  bool hasCanvas = false; // --canvas WxH given
  int canvasW = 0, canvasH = 0;
  std::string settings;   // --settings FILE; empty: "Preferences.ini" when present
  // --from A / --to B of the animation and Lottie exports; -1 when not given (0 and the
  // scene's max frame).
  int64_t from = -1, to = -1;
  // --frame N of --export-svg; -1 when not given (frame 0).
  int64_t frame = -1;
  // --quality Q of --export-gif and --export-video, 1 to 100; -1 when not given (the format's
  // default).
  int quality = -1;
  // --frames LIST of the animation exports: the frames, ascending, each once; empty when not
  // given.
  std::vector<int64_t> frames;
  // --threads N of the animation exports; 0 when not given (the cores the process may use).
  int threads = 0;
  // --progress of the animation exports: kAuto rewrites one line on a terminal and says nothing
  // otherwise; kLines prints a line a frame, kJson a JSON object an event, kOff nothing.
  enum class Progress { kAuto, kLines, kJson, kOff };
  Progress progress = Progress::kAuto;
  bool skipExisting = false;  // --skip-existing of --export-frames
  bool strict = false;        // --strict: a missing image or font is an error
  std::string fromFrames;     // --from-frames DIR of the single-file animation exports
};

// Largest --threads value.
inline constexpr int kMaxThreadsFlag = 256;

// Reads a frame list, "1-3,5,7-20:2": comma-separated items, each a frame N, a range A-B
// (A <= B) or a range with a step A-B:STEP (A, A+STEP, ... up to B), every frame from 0 to
// kMaxKeyFrame. The result is ascending with each frame once, whatever the order and overlaps
// of the items. False with a one-line `error` (naming the item) when the text is not such a list.
bool parseFrameList(const std::string& text, std::vector<int64_t>& frames, std::string& error);

// Largest canvas side --canvas accepts.
inline constexpr int kMaxCanvasSide = kMaxCameraSide;

// Parses argv[1..]. On failure returns false with `error` set to a one-line reason (without the
// "penwick: " prefix).
bool parseCommandLine(int argc, const char* const* argv, CommandLine& cl, std::string& error);

// The help text printed by --help.
std::string usageText();

}  // namespace pw
