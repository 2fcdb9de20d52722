// State the editor shell keeps beside the document: the copy buffer, the loop's flags and the
// autosave clock. Main thread only, except the new-version flag, which the update check sets.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/history.h"
#include "core/model.h"

namespace pw {

struct AppState {
  Shape copyBuffer;            // "Copy current shape"; lives in memory only
  bool hasCopy = false;
  // Whether the copied shape was selected, and its selected points, when it was copied: a paste
  // brings the points' selection along, "Paste to shape" both.
  bool copySelected = false;
  std::vector<int64_t> copyPoints;
  bool lockSelection = false;  // "Lock selection" (nothing else reads it)
  bool playing = false;        // the timeline plays
  std::atomic<bool> newVersion{false};  // set by the update check, cleared by the loop
  int64_t autosaveStamp = 0;   // names this run's autosave file
  int64_t autosaveBase = 0;    // milliseconds: deadline base of the next autosave
  bool autosaveBlocked = false;  // the autosave folder cannot be written: no autosave this run
  History history;             // undo and redo of the document
};

}  // namespace pw
