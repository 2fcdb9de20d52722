#include "app/cli_anim.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "app/headless_prompt.h"
#include "export/encoded_export.h"
#include "export/frame_export.h"
#include "export/webp_write.h"

namespace pw {

namespace {

constexpr long kWatchTickNs = 50'000'000;  // how often the watcher looks whether to end

int fail(const std::string& why) {
  std::fprintf(stderr, "penwick: %s\n", HeadlessPrompt::oneLine(why).c_str());
  return 1;
}

// "frame 12 of 300", rewritten in place; only on a terminal, where it can be.
class ProgressLine {
 public:
  ProgressLine() : tty_(isatty(STDERR_FILENO) == 1) {}
  void show(int64_t done, int64_t total) {
    if (!tty_) return;
    std::fprintf(stderr, "\rpenwick: frame %lld of %lld", static_cast<long long>(done),
                 static_cast<long long>(total));
    std::fflush(stderr);
    shown_ = true;
  }
  // Ends the line so that whatever follows starts on its own.
  void end() {
    if (shown_) std::fputc('\n', stderr);
    shown_ = false;
  }

 private:
  bool tty_;
  bool shown_ = false;
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
      if (sigtimedwait(&set_, nullptr, &tick) > 0) interrupted_.store(true);
    }
  });
}

InterruptWatch::~InterruptWatch() {
  done_.store(true);
  watcher_.join();
  pthread_sigmask(SIG_SETMASK, &old_, nullptr);
}

int runAnimationExport(const CommandLine& cl, Editor& ed, const ImageStore& store,
                       const InterruptWatch& interrupt) {
  const int64_t last = lastExportFrame(ed.doc);
  const int64_t from = cl.from >= 0 ? cl.from : 0;
  const int64_t to = cl.to >= 0 ? cl.to : last;
  if (from > to) {
    return fail(cl.to >= 0 ? "--from " + std::to_string(from) + " comes after --to " +
                                 std::to_string(to)
                           : "--from " + std::to_string(from) +
                                 " comes after the scene's last frame " + std::to_string(last) +
                                 " (give --to)");
  }
  ProgressLine line;
  AnimExport job{ed.doc, ed.options, store, from, to, 0, {}, {}};
  job.progress = [&](int64_t done, int64_t total) {
    line.show(done, total);
    return !interrupt.interrupted();
  };
  std::string target;
  ExportOutcome out;
  switch (cl.command) {
    case CommandLine::Command::kExportFrames:
      target = cl.output;
      out = exportFrames(job, target);
      break;
    case CommandLine::Command::kExportWebp:
      target = webpFileName(cl.output);
      out = exportWebp(job, target);
      break;
    default: {
      EncodedFormat format = EncodedFormat::kGif;
      target = encodedTarget(cl, format);
      out = exportEncoded(job, target, format, cl.quality > 0 ? cl.quality
                                                              : defaultQuality(format));
    }
  }
  line.end();
  switch (out.status) {
    case ExportOutcome::Status::kDone:
      // A Ctrl+C after the last frame comes too late to stop anything.
      return 0;
    case ExportOutcome::Status::kCancelled:
      std::fprintf(stderr, "penwick: export interrupted; nothing was written to %s\n",
                   HeadlessPrompt::oneLine(target).c_str());
      return kExitInterrupted;
    case ExportOutcome::Status::kFailed:
      break;
  }
  return fail(out.error);
}

}  // namespace pw
