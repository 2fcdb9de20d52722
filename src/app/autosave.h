// Autosave: each run writes the scene every AutosaveTime seconds to a file of its own,
// "data/shapes/_autosave/autosave" + stamp + ".txt", without touching the document's name.
// Beside it a marker "autosave" + stamp + ".running" says the run has not ended; a marker left
// by a run that died lets the next start offer to recover that run's autosave.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "app/app_state.h"
#include "core/editor.h"

namespace pw {

inline constexpr const char* kAutosaveFolder = "data/shapes/_autosave/";

// Draws the stamp (0 ... 1000000) and sets the first deadline base: now + AutosaveTime seconds.
void startAutosave(AppState& app, const sVdOptions& o, int64_t nowMs, std::mt19937_64& rng);

// The autosave check of the idle work: true when an autosave is due now (and the base moved to
// now). With Autosave other than 1 never due.
bool autosaveDue(AppState& app, const sVdOptions& o, int64_t nowMs);

std::string autosavePath(const Editor& ed, int64_t stamp);
std::string runMarkerPath(const Editor& ed, int64_t stamp);

// Writes the autosave file, creating the folder when missing. Failures are warnings.
bool writeAutosave(Editor& ed, int64_t stamp);

// Leaves this run's marker (holding the process id). False when it cannot be written.
bool writeRunMarker(const Editor& ed, int64_t stamp);
// Removes this run's marker: the run ends normally.
void removeRunMarker(const Editor& ed, int64_t stamp);

// Looks for markers of runs that are not alive any more. Their markers are removed; the stamp of
// the most recent one whose autosave file exists is returned (-1 when none).
int64_t findCrashedRun(const Editor& ed, int64_t ownStamp);

// Offers to recover the autosave of a crashed run; on yes the scene is loaded as a modified
// document without a file name. True when it was recovered.
bool offerRecovery(Editor& ed, int64_t stamp);

inline constexpr const char* kRecoverQuestion = "Recover the autosaved scene?";

}  // namespace pw
