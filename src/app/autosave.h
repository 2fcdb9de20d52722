// Autosave: each run writes the scene every AutosaveTime seconds to a file of its own,
// "data/shapes/_autosave/autosave" + stamp + ".txt", without touching the document's name.
// Beside it a marker "autosave" + stamp + ".running" says the run has not ended: it holds the
// process id on its first line and, on the second, the document's file at the last autosave
// (markers of older versions have the first line only). The markers left by runs that died let
// the next start offer to recover those runs' autosaves.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "core/editor.h"

namespace pw {

inline constexpr const char* kAutosaveFolder = "data/shapes/_autosave/";

// Draws the stamp (0 ... 1000000) and sets the first deadline base: now + AutosaveTime seconds.
void startAutosave(AppState& app, const sVdOptions& o, int64_t nowMs, std::mt19937_64& rng);

// The autosave check of the idle work: true when an autosave is due now (and the base moved to
// now). With Autosave other than 1, or the folder found not writable at start, never due.
bool autosaveDue(AppState& app, const sVdOptions& o, int64_t nowMs);

std::string autosavePath(const Editor& ed, int64_t stamp);
std::string runMarkerPath(const Editor& ed, int64_t stamp);
// True when another run's marker or autosave already has this stamp.
bool stampInUse(const Editor& ed, int64_t stamp);

// Writes the autosave file, creating the folder when missing. Failures are warnings.
bool writeAutosave(Editor& ed, int64_t stamp);

// Leaves this run's marker: the process id and the document's current file name. Written again
// when the name changes, so that a recovery can name the scene. False when it cannot be written.
bool writeRunMarker(const Editor& ed, int64_t stamp);
// Removes this run's marker: the run ends normally.
void removeRunMarker(const Editor& ed, int64_t stamp);

// A run that died without ending, as its marker and autosave tell it.
struct CrashedRun {
  int64_t stamp = -1;
  std::string sceneFile;  // the document's file at the last autosave; empty: none or not known
  int64_t savedAt = 0;    // when the autosave was written, seconds since the epoch
};

// The runs whose markers name a process that is not alive any more and that left an autosave,
// newest autosave first. Markers of dead runs without an autosave are removed (nothing to
// recover); the others stay until the user recovers or dismisses their run.
std::vector<CrashedRun> findCrashedRuns(const Editor& ed, int64_t ownStamp);

// "walk.txt (autosaved 2026-12-08 08:40:12)", local time: a run as the recovery list shows it.
std::string crashedRunLabel(const CrashedRun& run);

// Offers the crashed runs in a list. "Recover" loads the chosen run's autosave as a modified
// document without a file name and removes that run's marker; the others stay on offer for the
// next start. "Dismiss all" removes every listed marker (the autosave files stay). Cancel keeps
// them all. True when a scene was recovered.
bool offerRecovery(Editor& ed, const std::vector<CrashedRun>& runs);

// True when a file can be made in `folder` (a probe file is made and removed at once).
bool canWriteIn(const std::string& folder);

inline constexpr const char* kRecoverQuestion = "Recover the autosaved scene?";
inline constexpr const char* kRecoverButton = "Recover";
inline constexpr const char* kDismissAllButton = "Dismiss all";

}  // namespace pw
