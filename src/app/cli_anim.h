// The animation exports of the command line: --export-frames, --export-webp, --export-gif,
// --export-apng and --export-video.
#pragma once

#include <csignal>
#include <atomic>
#include <string>
#include <thread>

#include "app/cli_args.h"
#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// Ctrl+C (SIGINT), SIGTERM and the other signals that would end the process (SIGHUP, SIGQUIT,
// SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE), turned into a flag an export polls instead of ending the
// process. The signals are blocked from construction on, so every thread started afterwards
// leaves them to a watcher thread; the destructor restores the mask.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;
  bool interrupted() const { return signal_.load() != 0; }
  // The first signal that came, or 0.
  int signal() const { return signal_.load(); }

 private:
  sigset_t set_{}, old_{};
  std::atomic<bool> done_{false};
  std::atomic<int> signal_{0};
  std::thread watcher_;
};

// Runs the export the command line asks for on a loaded scene whose settings are in `ed`.
// Prints the progress (as --progress says) and one-line errors on stderr; returns the exit
// status (app/exit_status.h): 128 + the signal when one stopped it, 130 for Ctrl+C and 143 for
// SIGTERM.
int runAnimationExport(const CommandLine& cl, Editor& ed, const ImageStore& store,
                       const InterruptWatch& interrupt);

}  // namespace pw
