#include "app/cli.h"

#include <QByteArray>
#include <QApplication>
#include <QGuiApplication>
#include <QString>
#include <QThreadPool>
#include <QtGlobal>
#include <stdlib.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "app/cli_anim.h"
#include "app/cli_args.h"
#include "app/editor_main.h"
#include "app/exit_status.h"
#include "app/headless_prompt.h"
#include "app/qt_prompt.h"
#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "export/source_export.h"
#include "services/fatal_error.h"
#include "services/update_check.h"
#include "core/json_dump.h"
#include "core/scene_file.h"
#include "export/image_export.h"
#include "export/frame_export.h"
#include "export/lottie_export.h"
#include "export/svg_export.h"
#include "fileio/atomic_file.h"
#include "render/image_store.h"
#include "settings/options.h"

namespace pw {

namespace {

using CliCommand = CommandLine::Command;

constexpr const char* kPreferencesFile = "Preferences.ini";

// Runs a drawing job on a pool thread and waits for it. Drawing from the main thread, Qt's
// raster engine hands every large span fill to its worker threads; from a pool thread it fills
// inline, which on a small machine is much faster (the pictures are the same).
template <class Job>
void drawOnPoolThread(Job&& job) {
  QThreadPool* pool = QThreadPool::globalInstance();
  pool->start(std::forward<Job>(job));
  pool->waitForDone();
}

int fail(const std::string& why, int status) {
  std::fprintf(stderr, "penwick: %s\n", HeadlessPrompt::oneLine(why).c_str());
  return status;
}

// Prints text on standard output; a failed write (a full disk, a closed pipe) is an error.
int printOut(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    const int err = errno;
    return fail(std::string("cannot write to standard output: ") + std::strerror(err),
                err == ENOSPC ? kExitResources : kExitOutput);
  }
  return 0;
}

// Qt's own diagnostics (missing runtime folders, font fallbacks and the like) are not the user's
// business on the command line; only its critical and fatal messages get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::fprintf(stderr, "penwick: warning: %s\n",
                 HeadlessPrompt::oneLine(msg.toStdString()).c_str());
  }
}

// Qt's own messages are filtered for as long as a headless run lasts.
class QuietQt {
 public:
  QuietQt() : previous_(qInstallMessageHandler(quietQtMessages)) {}
  ~QuietQt() { qInstallMessageHandler(previous_); }
  QuietQt(const QuietQt&) = delete;
  QuietQt& operator=(const QuietQt&) = delete;

 private:
  QtMessageHandler previous_;
};

// Text needs fonts, and fonts need a GUI application: the offscreen platform unless the caller
// chose one. Qt sees only the program name, never the user's arguments. Shapes, effects and
// images draw into a QImage without one, which spares a small export most of its start-up.
//
// Starting, Qt looks into the runtime folder (XDG_RUNTIME_DIR); where that is not set, as under
// most schedulers, it would create "runtime-USER" in the temporary folder and leave it there. A
// private empty folder stands in for it while the application lives and is removed after it.
class HeadlessApp {
 public:
  explicit HeadlessApp(const char* argv0) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
      const QByteArray tmp = qgetenv("TMPDIR");
      std::string tmpl = (tmp.isEmpty() ? std::string("/tmp") : tmp.toStdString()) +
                         "/penwick-runtime-XXXXXX";
      if (::mkdtemp(tmpl.data())) {
        runtime_ = tmpl;
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_));
      }
    }
    name_ = argv0 && *argv0 ? argv0 : "penwick";
    argv_[0] = name_.data();
    argv_[1] = nullptr;
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  ~HeadlessApp() {
    app_.reset();
    if (!runtime_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(runtime_, ec);
      qunsetenv("XDG_RUNTIME_DIR");
    }
  }
  HeadlessApp(const HeadlessApp&) = delete;
  HeadlessApp& operator=(const HeadlessApp&) = delete;

 private:
  std::string runtime_;  // the stand-in runtime folder, when one was made
  std::string name_;
  int argc_ = 1;
  char* argv_[2] = {nullptr, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

// True when drawing the document lays out text (a text shape in a visible object).
bool drawsText(const Document& doc) {
  for (const Object& o : doc.Objects) {
    if (o.hidden) continue;
    for (const Shape& s : o.shapes)
      if (s.type == kText) return true;
  }
  return false;
}

// Loads the settings an export uses. False (with `error`) only when a file named on the command
// line cannot be used; a broken "Preferences.ini" is a warning and the defaults apply.
bool loadExportSettings(const CommandLine& cl, Editor& ed, HeadlessPrompt& prompt,
                        std::string& error) {
  setDefaultOptions(ed.options);
  if (!cl.settings.empty()) {
    if (!isRegularFile(cl.settings)) {
      error = "cannot read the settings file " + cl.settings;
      return false;
    }
    if (!loadOptions(ed.options, cl.settings, false)) {
      error = "the settings file " + cl.settings + " is not valid";
      return false;
    }
    if (const std::string why = cameraProblem(ed.options); !why.empty()) {
      error = "the settings file " + cl.settings + " is not valid: " + why;
      return false;
    }
    return true;
  }
  if (!isRegularFile(kPreferencesFile)) return true;
  std::string why;
  if (!loadOptions(ed.options, kPreferencesFile, false)) {
    why = " is not valid";
  } else if (const std::string camera = cameraProblem(ed.options); !camera.empty()) {
    why = " is not valid (" + camera + ")";
  }
  if (!why.empty()) {
    setDefaultOptions(ed.options);
    prompt.warn(std::string(kPreferencesFile) + why + "; using the default settings");
  }
  return true;
}

// First error the prompt saw, or `fallback` when the operation failed without a message.
int reportFailure(const HeadlessPrompt& prompt, const std::string& fallback, int status) {
  return fail(prompt.failed() ? prompt.errors().front() : fallback, status);
}

// --strict: the first image file or font the export would draw without, as an error; empty when
// every one is there. Fonts are asked of the font database, so text needs the GUI application.
std::string missingAsset(const Document& doc, const ImageStore& store) {
  for (const Object& o : doc.Objects) {
    if (o.hidden) continue;
    for (const Shape& s : o.shapes) {
      if (s.type == kImage && !store.isImage(s.imageId))
        return s.imageFile.empty() ? "the image shape " + s.name + " names no image file (--strict)"
                                   : "the image file " + s.imageFile +
                                         " is missing or cannot be read (--strict)";
      if (s.type == kText && !fontInstalled(s.fontName))
        return "the font \"" + s.fontName + "\" is not installed (--strict)";
    }
  }
  return {};
}

bool isAnimationExport(CliCommand c) {
  return c == CliCommand::kExportFrames || c == CliCommand::kExportWebp ||
         c == CliCommand::kExportGif || c == CliCommand::kExportApng ||
         c == CliCommand::kExportVideo;
}

bool drawsPictures(CliCommand c) {
  return c == CliCommand::kExportPng || c == CliCommand::kExportSvg ||
         c == CliCommand::kExportLottie || isAnimationExport(c);
}

int runHeadless(const CommandLine& cl, const char* argv0) {
  // An animation export can take long: Ctrl+C stops it cleanly. Set up before any thread
  // starts, so that every thread leaves the signal to the watcher.
  std::optional<InterruptWatch> interrupt;
  if (isAnimationExport(cl.command)) interrupt.emplace();
  const QuietQt quiet;
  HeadlessPrompt prompt;
  // Only an export needs the pixels of the pictures; the other commands check the files alone.
  ImageStore store(drawsPictures(cl.command) ? ImageStore::Pixels::kDecode
                                             : ImageStore::Pixels::kSizeOnly);
  Editor ed(prompt, store);

  if (!loadScene(ed, kLoadReplace, cl.scene, 0) || prompt.failed())
    return reportFailure(prompt, "cannot read the scene file " + cl.scene, kExitBadInput);

  // What every drawing export shares: its settings, the GUI application text needs, and under
  // --strict every image and font there.
  std::optional<HeadlessApp> app;
  if (drawsPictures(cl.command)) {
    std::string error;
    if (!loadExportSettings(cl, ed, prompt, error)) return fail(error, kExitBadInput);
    if (drawsText(ed.doc)) app.emplace(argv0);
    if (cl.strict) {
      if (const std::string why = missingAsset(ed.doc, store); !why.empty())
        return fail(why, kExitMissingAsset);
    }
  }

  switch (cl.command) {
    case CliCommand::kSaveAs:
      if (!saveScene(ed, cl.output, 0) || prompt.failed())
        return reportFailure(prompt, "cannot write the scene file " + cl.output, kExitOutput);
      return 0;

    case CliCommand::kDumpJson:
      return printOut(documentJson(ed.doc, ed.sel) + "\n");

    case CliCommand::kExportPng: {
      const int w = cl.hasCanvas ? cl.canvasW : ed.options.CameraW;
      const int h = cl.hasCanvas ? cl.canvasH : ed.options.CameraH;
      prompt.answerFile(cl.output);
      bool saved = false;
      drawOnPoolThread([&] { saved = exportImage(ed, store, w, h, cl.camera ? 1 : 0); });
      if (!saved || prompt.failed())
        return reportFailure(prompt, "nothing was saved to " + cl.output, kExitOutput);
      return 0;
    }

    case CliCommand::kExportFrames:
    case CliCommand::kExportWebp:
    case CliCommand::kExportGif:
    case CliCommand::kExportApng:
    case CliCommand::kExportVideo:
      return runAnimationExport(cl, ed, store, *interrupt);

    case CliCommand::kExportSvg: {
      std::string error;
      if (!exportSvg(ed.doc, ed.options, store, std::max<int64_t>(cl.frame, 0),
                     svgFileName(cl.output), &error))
        return fail(error, kExitOutput);
      return 0;
    }

    case CliCommand::kExportLottie: {
      std::string error;
      const int64_t last = lastExportFrame(ed.doc);
      const int64_t from = cl.from >= 0 ? cl.from : 0;
      const int64_t to = cl.to >= 0 ? cl.to : last;
      if (from > to)
        return fail("--from " + std::to_string(from) + " comes after the scene's last frame " +
                        std::to_string(last) + " (give --to)",
                    kExitUsage);
      const std::string out = lottieFileName(cl.output);
      LottieStats stats;
      if (!exportLottie(ed.doc, ed.options, store, from, to, out, &error, &stats))
        return fail(error, kExitOutput);
      if (const std::string warning = lottieSkippedWarning(stats); !warning.empty())
        std::fprintf(stderr, "penwick: warning: %s: %s\n", out.c_str(), warning.c_str());
      return 0;
    }

    case CliCommand::kExportPb: {
      const int64_t obj = cl.object >= 0 ? cl.object : ed.sel.object;
      if (obj > lastIndex(ed.doc.Objects))
        return fail("--object " + std::to_string(obj) + ": the scene has only " +
                        std::to_string(ed.doc.Objects.size()) + " objects",
                    kExitUsage);
      std::string err;
      const std::string out = sourceFileName(cl.output);
      if (!writeSourceCode(ed.doc, obj, out, &err))
        return fail("cannot write " + out + ": " + err, kExitOutput);
      return 0;
    }

    default:
      return fail("internal error: not a headless command", kExitUsage);
  }
}

// The report mode started by the fault handler: the report in an "Error" box, then the end the
// fault would have had. With PENWICK_CRASH_REPORT_STDOUT set (or no display) the box is printed
// to standard output instead ("Error", then the report).
int runCrashReport(const std::string& file, int argc, char** argv) {
  int sig = 0;
  if (qEnvironmentVariableIsSet("PENWICK_CRASH_REPORT_STDOUT") || !displayAvailable()) {
    ScriptedPrompt box;
    sig = showCrashReport(box, file);
    for (const auto& m : box.messages) std::printf("%s\n%s\n", m.title.c_str(), m.text.c_str());
    std::fflush(stdout);
  } else {
    QApplication app(argc, argv);
    QtPrompt box;
    sig = showCrashReport(box, file);
  }
  if (sig == 0) return fail("not a fault report: " + file, kExitBadInput);
  endWithSignal(sig);
}

int runCommandLine(const CommandLine& cl, int argc, char** argv) {
  switch (cl.command) {
    case CliCommand::kVersion:
      return printOut(std::string("Penwick ") + kVersionText + "\n");
    case CliCommand::kHelp:
      return printOut(usageText());
    case CliCommand::kEditor:
      if (!displayAvailable()) {
        std::fputs("penwick: no display to open the editor on; see penwick --help for the "
                   "command line\n", stderr);
        return kExitNoDisplay;
      }
      {
        // Only the editor checks for updates: the network layer is set up for it alone, before
        // any thread starts. A command-line run never touches the network.
        const NetworkInit network;
        return runEditorWindow(cl.scene, argc, argv);
      }
    case CliCommand::kShowCrashReport:
      return runCrashReport(cl.output, argc, argv);
    default:
      return runHeadless(cl, argc > 0 ? argv[0] : nullptr);
  }
}

}  // namespace

int runPenwick(int argc, char** argv) {
  try {
    CommandLine cl;
    std::string error;
    if (!parseCommandLine(argc, argv, cl, error)) return fail(error, kExitUsage);
    return runCommandLine(cl, argc, argv);
  } catch (const std::bad_alloc&) {
    return fail("out of memory", kExitResources);
  }
}

}  // namespace pw
