#include "app/autosave.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/scene_file.h"

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
  if (o.Autosave != 1) return false;
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

bool writeAutosave(Editor& ed, int64_t stamp) {
  std::error_code ec;
  fs::create_directories(ed.rootPath(kAutosaveFolder), ec);
  return saveScene(ed, autosavePath(ed, stamp), 1);
}

bool writeRunMarker(const Editor& ed, int64_t stamp) {
  std::error_code ec;
  fs::create_directories(ed.rootPath(kAutosaveFolder), ec);
  // Only this machine's next start reads it: no need to wait for the disk.
  std::ofstream out(runMarkerPath(ed, stamp), std::ios::binary | std::ios::trunc);
  out << ::getpid() << "\n";
  return static_cast<bool>(out.flush());
}

void removeRunMarker(const Editor& ed, int64_t stamp) {
  std::error_code ec;
  fs::remove(runMarkerPath(ed, stamp), ec);
}

int64_t findCrashedRun(const Editor& ed, int64_t ownStamp) {
  std::error_code ec;
  fs::directory_iterator it(ed.rootPath(kAutosaveFolder), ec);
  if (ec) return -1;
  int64_t best = -1;
  fs::file_time_type bestTime{};
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
    long pid = 0;
    {
      std::ifstream in(e.path());
      in >> pid;
    }
    if (processAlive(pid) && pid != static_cast<long>(::getpid())) continue;  // still running
    fs::remove(e.path(), ec);
    const fs::path scene = autosavePath(ed, stamp);
    if (!fs::is_regular_file(scene, ec)) continue;
    const fs::file_time_type t = fs::last_write_time(scene, ec);
    if (best < 0 || t > bestTime) {
      best = stamp;
      bestTime = t;
    }
  }
  return best;
}

bool offerRecovery(Editor& ed, int64_t stamp) {
  if (!ed.prompt.askYesNo(kAppTitle, kRecoverQuestion)) return false;
  if (!loadScene(ed, kLoadReplace, autosavePath(ed, stamp), 1)) return false;
  // The recovered scene belongs to no file yet, and it holds work that was never saved.
  ed.doc.DocumentFileName.clear();
  ed.setTitle(kAppTitle);
  ed.setModified(true);
  return true;
}

}  // namespace pw
