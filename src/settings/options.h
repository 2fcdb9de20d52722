// The editor settings record and its file, "Preferences.ini" (a JSON object of integer members).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pw {

struct sVdOptions {
  uint8_t ShowTip = 0;
  uint8_t ConfirmExit = 0;
  int16_t WinW = 0;
  int16_t WinH = 0;
  int64_t WinState = 0;
  int64_t Zoom = 0;
  uint8_t HideAncre = 0;
  uint8_t ShowOnlySel = 0;
  uint8_t ShowSelection = 0;
  uint8_t ShowCameraBorder = 0;
  uint8_t ShowCameraCache = 0;
  uint8_t ShowCameraSafe = 0;
  uint8_t CameraCacheAlpha = 0;
  int16_t PanelW = 0;
  int16_t ToolBarH = 0;
  int16_t TimeLineH = 0;
  int16_t CameraX = 0;
  int16_t CameraY = 0;
  int16_t CameraW = 0;
  int16_t CameraH = 0;
  int64_t BgColor = 0;
  int64_t BgImg = 0;
  int64_t GridColor = 0;
  uint8_t Autosave = 0;
  int64_t AutosaveTime = 0;
  uint8_t Snap = 0;
  int16_t SnapX = 0;
  int16_t SnapY = 0;
  uint8_t Offset = 0;
  int16_t GridW = 0;
  int16_t GridH = 0;
  uint8_t ShowGrid = 0;
  // Remembered between runs, written only once they hold something: the scenes opened or saved
  // last (newest first, at most kRecentFilesMax), and the folder each kind of file dialog was
  // last left in.
  std::vector<std::string> RecentFiles;
  std::string SceneFolder;
  std::string ImageFolder;
  std::string ExportFolder;
};

// How many scenes the recent list keeps.
inline constexpr size_t kRecentFilesMax = 8;

// Puts `path` first in the recent list (moving it up when it is there already) and drops the
// oldest entries beyond kRecentFilesMax. An empty path changes nothing.
void addRecentFile(sVdOptions& o, const std::string& path);
// Takes `path` out of the recent list; false when it was not in it.
bool removeRecentFile(sVdOptions& o, const std::string& path);

// Largest camera side in pixels; a settings file asking for more is clamped to it.
inline constexpr int kMaxCameraSide = 16384;

// Empty when the camera can be rendered, else why not ("the camera is 0 x 768 pixels; ...").
std::string cameraProblem(const sVdOptions& o);

// Writes the default of every field.
inline void setDefaultOptions(sVdOptions& o) {
  o = sVdOptions{};
  o.ShowTip = 1;
  o.ConfirmExit = 1;
  o.WinW = 1024;
  o.WinH = 768;
  o.WinState = 16777216;
  o.Zoom = 100;
  o.HideAncre = 0;
  o.ShowOnlySel = 0;
  o.ShowSelection = 1;
  o.ShowCameraBorder = 1;
  o.ShowCameraCache = 1;
  o.ShowCameraSafe = 0;
  o.CameraCacheAlpha = 255;
  o.PanelW = 150;
  o.ToolBarH = 30;
  o.TimeLineH = 80;
  o.CameraX = 0;
  o.CameraY = 0;
  o.CameraW = 1024;
  o.CameraH = 768;
  o.BgColor = -8882056;
  o.BgImg = 0;
  o.GridColor = -3618616;
  o.Autosave = 1;
  o.AutosaveTime = 180;
  o.Snap = 0;
  o.SnapX = 32;
  o.SnapY = 32;
  o.Offset = 0;
  o.GridW = 32;
  o.GridH = 32;
  o.ShowGrid = 0;
}

// The written form of "Preferences.ini": "{", one member a line with the colons aligned in
// column 21, CR LF line ends, "}" with no line end after it.
std::string optionsText(const sVdOptions& o);

// Reads the settings file at `path` into `o`, starting from the defaults. A missing member keeps
// its default; values that would break drawing are raised to a floor, and the camera sides are
// cut to kMaxCameraSide. When the file is missing,
// or is not valid JSON (then kept as path + ".bak"), and mayWrite is true, a fresh file is written.
// Returns false when the file was missing or invalid.
bool loadOptions(sVdOptions& o, const std::string& path, bool mayWrite);

// Writes the settings file atomically. False (with err set) when it cannot be written.
bool saveOptions(const sVdOptions& o, const std::string& path, std::string* err = nullptr);

}  // namespace pw
