#include "app/autosave.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/scene_file.h"
#include "fileio/atomic_file.h"

namespace pw {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMarkerSuffix = ".running";

bool processAlive(long pid) {
  if (pid <= 0) return false;
  if (::kill(static_cast<pid_t>(pid), 0) == 0) return true;
  return errno == EPERM;  // alive, but someone else's
}

}  // namespace

void startAutosave(AppState& app, const sVdOptions& o, int64_t nowMs, std::mt19937_64& rng) {
  app.autosaveStamp = std::uniform_int_distribution<int64_t>(0, 1000000)(rng);
  app.autosaveBase = nowMs + o.AutosaveTime * 1000;
}

bool autosaveDue(AppState& app, const sVdOptions& o, int64_t nowMs) {
  if (o.Autosave != 1 || app.autosaveBlocked) return false;
  if (app.autosaveBase + o.AutosaveTime * 1000 >= nowMs) return false;
  app.autosaveBase = nowMs;
  return true;
}

std::string autosavePath(const Editor& ed, int64_t stamp) {
  return ed.rootPath(kAutosaveFolder) + "autosave" + std::to_string(stamp) + ".txt";
}

std::string runMarkerPath(const Editor& ed, int64_t stamp) {
  return ed.rootPath(kAutosaveFolder) + "autosave" + std::to_string(stamp) + kMarkerSuffix;
}

bool stampInUse(const Editor& ed, int64_t stamp) {
  std::error_code ec;
  return fs::exists(runMarkerPath(ed, stamp), ec) || fs::exists(autosavePath(ed, stamp), ec);
}

bool writeAutosave(Editor& ed, int64_t stamp) {
  std::error_code ec;
  fs::create_directories(ed.rootPath(kAutosaveFolder), ec);
  return saveScene(ed, autosavePath(ed, stamp), /*keepName=*/true);
}

bool writeRunMarker(const Editor& ed, int64_t stamp) {
  std::error_code ec;
  fs::create_directories(ed.rootPath(kAutosaveFolder), ec);
  // Replaced whole, so that a start looking for crashed runs never reads half a marker.
  const std::string text =
      std::to_string(::getpid()) + "\n" + ed.doc.DocumentFileName + "\n";
  return writeFileAtomic(runMarkerPath(ed, stamp), text);
}

void removeRunMarker(const Editor& ed, int64_t stamp) {
  std::error_code ec;
  fs::remove(runMarkerPath(ed, stamp), ec);
}

std::vector<CrashedRun> findCrashedRuns(const Editor& ed, int64_t ownStamp) {
  std::vector<CrashedRun> runs;
  std::error_code ec;
  fs::directory_iterator it(ed.rootPath(kAutosaveFolder), ec);
  if (ec) return runs;
  for (const fs::directory_entry& e : it) {
    const std::string name = e.path().filename().string();
    const std::string prefix = "autosave";
    if (name.size() <= prefix.size() + 8 || name.rfind(prefix, 0) != 0 ||
        name.substr(name.size() - 8) != kMarkerSuffix)
      continue;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 8);
    if (digits.empty() || digits.size() > 7 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const int64_t stamp = std::stoll(digits);
    if (stamp == ownStamp) continue;
    std::string text;
    readFileWhole(e.path().string(), text);
    const size_t eol = text.find('\n');
    const long pid = std::strtol(text.substr(0, eol).c_str(), nullptr, 10);
    // A marker with this process's id is not this run's: an earlier run had the same id.
    if (processAlive(pid) && pid != static_cast<long>(::getpid())) continue;  // still running
    struct stat st {};
    if (::stat(autosavePath(ed, stamp).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      fs::remove(e.path(), ec);  // the run died before its first autosave
      continue;
    }
    CrashedRun run;
    run.stamp = stamp;
    run.savedAt = static_cast<int64_t>(st.st_mtime);
    if (eol != std::string::npos) {
      run.sceneFile = text.substr(eol + 1);
      if (!run.sceneFile.empty() && run.sceneFile.back() == '\n') run.sceneFile.pop_back();
    }
    runs.push_back(std::move(run));
  }
  std::sort(runs.begin(), runs.end(), [](const CrashedRun& a, const CrashedRun& b) {
    return a.savedAt != b.savedAt ? a.savedAt > b.savedAt : a.stamp < b.stamp;
  });
  return runs;
}

std::string crashedRunLabel(const CrashedRun& run) {
  const std::string scene =
      run.sceneFile.empty() ? "Unsaved scene" : fs::path(run.sceneFile).filename().string();
  char when[32] = "?";
  const time_t t = static_cast<time_t>(run.savedAt);
  struct tm local {};
  if (::localtime_r(&t, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
  return scene + " (autosaved " + when + ")";
}

bool offerRecovery(Editor& ed, const std::vector<CrashedRun>& runs) {
  if (runs.empty()) return false;
  std::vector<std::string> labels;
  for (const CrashedRun& r : runs) labels.push_back(crashedRunLabel(r));
  // The answers, in the order of the buttons.
  enum Answer : int { kRecover = 0, kDismissAll = 1 };
  int item = 0;
  const int answer = ed.prompt.chooseFromList(kAppTitle, kRecoverQuestion, labels,
                                              {kRecoverButton, kDismissAllButton}, item);
  if (answer == kDismissAll) {
    for (const CrashedRun& r : runs) removeRunMarker(ed, r.stamp);
    return false;
  }
  if (answer != kRecover || item < 0 || static_cast<size_t>(item) >= runs.size()) return false;
  const int64_t stamp = runs[static_cast<size_t>(item)].stamp;
  // A run whose autosave cannot be read (the load said why) stays on offer.
  if (!loadScene(ed, kLoadReplace, autosavePath(ed, stamp), /*refresh=*/true)) return false;
  removeRunMarker(ed, stamp);
  // The recovered scene belongs to no file yet, and it holds work that was never saved.
  ed.doc.DocumentFileName.clear();
  ed.setTitle(kAppTitle);
  ed.setModified(true);
  return true;
}

bool canWriteIn(const std::string& folder) {
  std::string probe = (folder.empty() ? std::string(".") : folder) + "/.penwick-probe-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

}  // namespace pw
