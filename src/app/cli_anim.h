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
  bool interrupted() const { return interrupted_.load(); }

 private:
  sigset_t set_{}, old_{};
  std::atomic<bool> done_{false}, interrupted_{false};
  std::thread watcher_;
};

// Exit status of an export stopped by the user (128 + SIGINT, as shells report it).
inline constexpr int kExitInterrupted = 130;

// Runs the export the command line asks for on a loaded scene whose settings are in `ed`.
// Prints the progress (on a terminal) and one-line errors on stderr; returns the exit status.
int runAnimationExport(const CommandLine& cl, Editor& ed, const ImageStore& store,
                       const InterruptWatch& interrupt);

}  // namespace pw
