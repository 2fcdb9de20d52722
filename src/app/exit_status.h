// The exit statuses of the penwick binary, one a kind of failure, so that a script or a scheduler
// can tell "fix the job" from "try again elsewhere". The README's table lists them.
#pragma once

namespace pw {

enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 1,          // the command line itself: an unknown flag, a bad value, a bad mix
  kExitNoDisplay = 2,      // the editor was asked for and there is no display
  kExitBadInput = 3,       // the scene, the settings file or the frame range cannot be used
  kExitMissingAsset = 4,   // --strict: an image file or a font the export draws is missing
  kExitOutput = 5,         // the output cannot be written (permissions, something in the way,
                           // an I/O error, an encoder that fails to write it)
  kExitResources = 6,      // out of memory or disk space: worth trying again elsewhere
  kExitMissingFrames = 7,  // --from-frames: a frame of the range is not there (yet)
  // 128 + the signal that stopped an animation export: 130 for SIGINT, 143 for SIGTERM.
  kExitSignalBase = 128,
};

inline constexpr int kExitInterrupted = kExitSignalBase + 2;   // SIGINT (Ctrl+C)
inline constexpr int kExitTerminated = kExitSignalBase + 15;   // SIGTERM

}  // namespace pw
