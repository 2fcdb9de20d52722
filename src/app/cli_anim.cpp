#include "app/cli_anim.h"

#include <pthread.h>
#include <unistd.h>

#include <QImageReader>
#include <QString>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include "app/exit_status.h"
#include "app/headless_prompt.h"
#include "export/encoded_export.h"
#include "export/frame_export.h"
#include "export/png_write.h"
#include "export/webp_write.h"

namespace pw {

namespace {

namespace fs = std::filesystem;
using Progress = CommandLine::Progress;

constexpr long kWatchTickNs = 50'000'000;  // how often the watcher looks whether to end

int fail(const std::string& why, int status) {
  std::fprintf(stderr, "penwick: %s\n", HeadlessPrompt::oneLine(why).c_str());
  return status;
}

// `text` as a JSON string, quotes included.
std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", u);
      out += esc;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The progress of an export on stderr, as --progress asks: "auto" rewrites "frame 12 of 300" in
// place on a terminal (and says nothing otherwise), "lines" prints "penwick: frame 12 of 300" a
// frame, "json" one object an event (start, frame, end), "off" nothing.
class ProgressReport {
 public:
  ProgressReport(Progress mode, std::vector<int64_t> frames)
      : mode_(mode == Progress::kAuto && isatty(STDERR_FILENO) != 1 ? Progress::kOff : mode),
        frames_(std::move(frames)),
        start_(std::chrono::steady_clock::now()) {}

  // Before the first frame: what the export makes, and how many frames were kept.
  void start(const std::string& target, int64_t kept) {
    const auto total = static_cast<long long>(frames_.size());
    if (mode_ == Progress::kLines && kept > 0) {
      std::fprintf(stderr, "penwick: %lld frames already in %s, %lld to draw\n",
                   static_cast<long long>(kept), HeadlessPrompt::oneLine(target).c_str(), total);
    } else if (mode_ == Progress::kJson) {
      std::fprintf(stderr,
                   "{\"event\":\"start\",\"output\":%s,\"frames\":%lld,\"skipped\":%lld}\n",
                   jsonString(target).c_str(), total, static_cast<long long>(kept));
    }
    std::fflush(stderr);
  }

  // Frames done so far (each shown once) of the total.
  void show(int64_t done, int64_t total) {
    if (done <= shown_ || done < 1) return;
    if (mode_ == Progress::kAuto) {  // the line in place shows the latest count only
      std::fprintf(stderr, "\rpenwick: frame %lld of %lld", static_cast<long long>(done),
                   static_cast<long long>(total));
      tty_ = true;
    }
    for (int64_t k = shown_ + 1; k <= done; ++k) {
      switch (mode_) {
        case Progress::kLines:
          std::fprintf(stderr, "penwick: frame %lld of %lld\n", static_cast<long long>(k),
                       static_cast<long long>(total));
          break;
        case Progress::kJson:
          std::fprintf(stderr, "{\"event\":\"frame\",\"frame\":%lld,\"done\":%lld,\"total\":%lld}\n",
                       static_cast<long long>(frames_[static_cast<size_t>(k - 1)]),
                       static_cast<long long>(k), static_cast<long long>(total));
          break;
        case Progress::kAuto:
        case Progress::kOff: break;
      }
    }
    shown_ = done;
    std::fflush(stderr);
  }

  // Ends the terminal's line, and tells how the export ended ("done", "interrupted", "failed").
  void end(const char* status, int64_t frames, int exitStatus) {
    if (tty_) std::fputc('\n', stderr);
    tty_ = false;
    if (mode_ == Progress::kJson) {
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
      std::fprintf(stderr,
                   "{\"event\":\"end\",\"status\":\"%s\",\"frames\":%lld,\"total\":%lld,"
                   "\"seconds\":%.3f,\"exit\":%d}\n",
                   status, static_cast<long long>(frames),
                   static_cast<long long>(frames_.size()), seconds, exitStatus);
    }
    std::fflush(stderr);
  }

 private:
  Progress mode_;
  std::vector<int64_t> frames_;
  std::chrono::steady_clock::time_point start_;
  int64_t shown_ = 0;
  bool tty_ = false;  // a line is being rewritten in place
};

// The file and format of --export-gif, --export-apng or --export-video (whose name the argument
// reading checked).
std::string encodedTarget(const CommandLine& cl, EncodedFormat& format) {
  if (cl.command == CommandLine::Command::kExportGif) {
    format = EncodedFormat::kGif;
    return gifFileName(cl.output);
  }
  if (cl.command == CommandLine::Command::kExportApng) {
    format = EncodedFormat::kApng;
    return apngFileName(cl.output);
  }
  std::string why;
  videoFormatFor(cl.output, format, why);
  return cl.output;
}

}  // namespace

InterruptWatch::InterruptWatch() {
  sigemptyset(&set_);
  // Every signal that would otherwise end the process mid-export, leaving its files behind:
  // Ctrl+C, kill, a closed terminal or SSH session, Ctrl+\, a broken pipe and the like.
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE})
    sigaddset(&set_, sig);
  pthread_sigmask(SIG_BLOCK, &set_, &old_);
  watcher_ = std::thread([this] {
    while (!done_.load()) {
      const timespec tick{0, kWatchTickNs};
      if (const int sig = sigtimedwait(&set_, nullptr, &tick); sig > 0) {
        int none = 0;
        signal_.compare_exchange_strong(none, sig);  // the first signal is the one reported
      }
    }
  });
}

InterruptWatch::~InterruptWatch() {
  done_.store(true);
  watcher_.join();
  pthread_sigmask(SIG_SETMASK, &old_, nullptr);
}

namespace {

// The exit status of a failed export.
int statusOf(ExportOutcome::Cause cause) {
  switch (cause) {
    case ExportOutcome::Cause::kInput: return kExitBadInput;
    case ExportOutcome::Cause::kOutput: return kExitOutput;
    case ExportOutcome::Cause::kResources: return kExitResources;
    case ExportOutcome::Cause::kOther: break;  // an encoder failing to write the file
  }
  return kExitOutput;
}

// --from-frames: every frame of the list is a whole PNG in `dir`, all of one size, which becomes
// the camera size. Empty when so; else the error, with `status` set.
std::string checkFramesFolder(const std::string& dir, const std::vector<int64_t>& frames,
                              sVdOptions& options, int& status) {
  std::error_code ec;
  status = kExitMissingFrames;
  if (!fs::is_directory(dir, ec)) return "--from-frames: " + dir + " is not a folder";
  const auto range = [&] {
    return " (frames " + std::to_string(frames.front()) + " to " +
           std::to_string(frames.back()) + " were asked for)";
  };
  QSize size;
  std::string first;
  for (const int64_t f : frames) {
    const std::string path = (fs::path(dir) / frameFileName(f)).string();
    if (!fs::exists(path, ec)) return "the frame " + path + " is missing" + range();
    if (!isCompletePng(path)) return "the frame " + path + " is not a complete PNG" + range();
    const QSize s = QImageReader(QString::fromStdString(path), "PNG").size();
    if (first.empty()) {
      size = s;
      first = path;
    } else if (s != size) {
      status = kExitBadInput;
      return "the frame " + path + " is " + std::to_string(s.width()) + " x " +
             std::to_string(s.height()) + " pixels, " + first + " " +
             std::to_string(size.width()) + " x " + std::to_string(size.height());
    }
  }
  if (size.width() < 1 || size.height() < 1) {
    status = kExitBadInput;
    return "cannot read the size of the frame " + first;
  }
  options.CameraW = size.width();
  options.CameraH = size.height();
  return {};
}

}  // namespace

int runAnimationExport(const CommandLine& cl, Editor& ed, const ImageStore& store,
                       const InterruptWatch& interrupt) {
  std::vector<int64_t> frames = cl.frames;
  if (frames.empty()) {
    const int64_t last = lastExportFrame(ed.doc);
    const int64_t from = cl.from >= 0 ? cl.from : 0;
    const int64_t to = cl.to >= 0 ? cl.to : last;
    if (from > to) {
      return fail(cl.to >= 0 ? "--from " + std::to_string(from) + " comes after --to " +
                                   std::to_string(to)
                             : "--from " + std::to_string(from) +
                                   " comes after the scene's last frame " + std::to_string(last) +
                                   " (give --to)",
                  kExitUsage);
    }
    frames = frameRange(from, to);
  }

  std::string target;
  EncodedFormat format = EncodedFormat::kGif;
  switch (cl.command) {
    case CommandLine::Command::kExportFrames: target = cl.output; break;
    case CommandLine::Command::kExportWebp: target = webpFileName(cl.output); break;
    default: target = encodedTarget(cl, format);
  }

  if (!cl.fromFrames.empty()) {
    int status = 0;
    if (std::string why = checkFramesFolder(cl.fromFrames, frames, ed.options, status);
        !why.empty())
      return fail(why, status);
  }

  // --skip-existing: the frames whose file is whole already are not drawn again.
  int64_t kept = 0;
  if (cl.skipExisting) {
    std::vector<int64_t> missing;
    for (const int64_t f : frames) {
      if (isCompletePng((fs::path(cl.output) / frameFileName(f)).string())) ++kept;
      else missing.push_back(f);
    }
    frames = std::move(missing);
  }

  ProgressReport report(cl.progress, frames);
  report.start(target, kept);
  if (frames.empty()) {  // every frame was there
    report.end("done", 0, kExitOk);
    return kExitOk;
  }

  AnimExport job{ed.doc, ed.options, store, frames.front(), frames.back(), cl.threads, {}, {},
                 frames, cl.fromFrames, cl.skipExisting};
  job.progress = [&](int64_t done, int64_t total) {
    report.show(done, total);
    return !interrupt.interrupted();
  };
  ExportOutcome out;
  switch (cl.command) {
    case CommandLine::Command::kExportFrames: out = exportFrames(job, target); break;
    case CommandLine::Command::kExportWebp: out = exportWebp(job, target); break;
    default:
      out = exportEncoded(job, target, format,
                          cl.quality > 0 ? cl.quality : defaultQuality(format));
  }
  switch (out.status) {
    case ExportOutcome::Status::kDone:
      // A Ctrl+C after the last frame comes too late to stop anything.
      report.end("done", out.frames, kExitOk);
      return kExitOk;
    case ExportOutcome::Status::kCancelled: {
      const int status = kExitSignalBase + (interrupt.signal() > 0 ? interrupt.signal() : 2);
      report.end("interrupted", out.frames, status);
      if (job.keepEachFrame)
        std::fprintf(stderr, "penwick: export interrupted; the %lld frames finished are in %s\n",
                     static_cast<long long>(out.frames), HeadlessPrompt::oneLine(target).c_str());
      else
        std::fprintf(stderr, "penwick: export interrupted; nothing was written to %s\n",
                     HeadlessPrompt::oneLine(target).c_str());
      return status;
    }
    case ExportOutcome::Status::kFailed:
      break;
  }
  const int status = statusOf(out.cause);
  report.end("failed", out.frames, status);
  return fail(out.error, status);
}

}  // namespace pw
