// "Preferences.ini": the settings record as one JSON object of integer members, followed by the
// remembered folders (strings) and the recent scenes (an array of strings) once they hold
// something, so that a file without them reads as it always did.
//
// Reading is strict JSON (fileio/json_read.h); only the top-level object's integer members and
// the text members named below are used. A file that does not parse is kept beside as ".bak" and
// replaced by the defaults, so a damaged file never leaves the editor with a half-read, zeroed
// record.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <variant>
#include <vector>

#include "fileio/atomic_file.h"
#include "fileio/json_read.h"
#include "settings/options.h"

namespace pw {

namespace {

// ---------------------------------------------------------------------------------------------
// The fields, in file order.

using Member = std::variant<uint8_t sVdOptions::*, int16_t sVdOptions::*, int64_t sVdOptions::*>;

struct Field {
  const char* name;
  Member member;
};

#define PW_FIELD(n) Field{#n, &sVdOptions::n}
constexpr Field kFields[] = {
    PW_FIELD(ShowTip),          PW_FIELD(ConfirmExit),     PW_FIELD(WinW),
    PW_FIELD(WinH),             PW_FIELD(WinState),        PW_FIELD(Zoom),
    PW_FIELD(HideAncre),        PW_FIELD(ShowOnlySel),     PW_FIELD(ShowSelection),
    PW_FIELD(ShowCameraBorder), PW_FIELD(ShowCameraCache), PW_FIELD(ShowCameraSafe),
    PW_FIELD(CameraCacheAlpha), PW_FIELD(PanelW),          PW_FIELD(ToolBarH),
    PW_FIELD(TimeLineH),        PW_FIELD(CameraX),         PW_FIELD(CameraY),
    PW_FIELD(CameraW),          PW_FIELD(CameraH),         PW_FIELD(BgColor),
    PW_FIELD(BgImg),            PW_FIELD(GridColor),       PW_FIELD(Autosave),
    PW_FIELD(AutosaveTime),     PW_FIELD(Snap),            PW_FIELD(SnapX),
    PW_FIELD(SnapY),            PW_FIELD(Offset),          PW_FIELD(GridW),
    PW_FIELD(GridH),            PW_FIELD(ShowGrid),
};
#undef PW_FIELD

// The text members, after the integer ones.
struct TextField {
  const char* name;
  std::string sVdOptions::*member;
};
constexpr TextField kTextFields[] = {
    {"SceneFolder", &sVdOptions::SceneFolder},
    {"ImageFolder", &sVdOptions::ImageFolder},
    {"ExportFolder", &sVdOptions::ExportFolder},
};
constexpr const char* kRecentFilesName = "RecentFiles";

int64_t getField(const sVdOptions& o, const Field& f) {
  return std::visit([&](auto m) { return static_cast<int64_t>(o.*m); }, f.member);
}

// Stores the low-order bits of v, as the narrower field holds them.
void setField(sVdOptions& o, const Field& f, int64_t v) {
  std::visit(
      [&](auto m) {
        using T = std::remove_reference_t<decltype(o.*m)>;
        using U = std::make_unsigned_t<T>;
        o.*m = static_cast<T>(static_cast<U>(static_cast<uint64_t>(v)));
      },
      f.member);
}

// Raises values that would break drawing, layout or the autosave timer.
void applyFloors(sVdOptions& o) {
  auto atLeast = [](auto& field, auto floor) {
    if (field < floor) field = floor;
  };
  atLeast(o.Zoom, int64_t{1});
  atLeast(o.GridW, int16_t{1});
  atLeast(o.GridH, int16_t{1});
  atLeast(o.SnapX, int16_t{1});
  atLeast(o.SnapY, int16_t{1});
  atLeast(o.TimeLineH, int16_t{20});
  atLeast(o.WinW, int16_t{400});
  atLeast(o.WinH, int16_t{300});
  atLeast(o.AutosaveTime, int64_t{10});
  // A camera bigger than any canvas would ask for an image of gigabytes.
  auto atMost = [](int16_t& field, int ceiling) {
    if (field > ceiling) field = static_cast<int16_t>(ceiling);
  };
  atMost(o.CameraW, kMaxCameraSide);
  atMost(o.CameraH, kMaxCameraSide);
}

// The top-level object's members, as the JSON reader reports them: an integer member's value, and
// nothing for a member of any other kind; besides, the text of a string member and the strings
// of an array member.
class TopMembers : public JsonHandler {
 public:
  std::unordered_map<std::string, std::optional<int64_t>> members;
  std::unordered_map<std::string, std::string> texts;
  std::unordered_map<std::string, std::vector<std::string>> lists;
  bool isObject = false;  // the text is an object (not an array or a single value)

  void beginObject() override { open(true); }
  void endObject() override { --depth_; }
  void beginArray() override {
    const bool list = depth_ == 1 && isObject;
    open(false);
    if (!list) return;  // an array inside one is not a path
    lists[name_].clear();
    inList_ = true;
  }
  void endArray() override {
    --depth_;
    if (depth_ == 1) inList_ = false;
  }
  void memberName(std::string_view name) override {
    if (depth_ == 1) name_ = name;
  }
  void stringValue(std::string_view text) override {
    value(std::nullopt);
    if (depth_ == 1 && isObject) texts[name_] = text;
    if (depth_ == 2 && inList_) lists[name_].emplace_back(text);
  }
  void numberValue(const JsonNumber& n) override { value(n.integer); }
  void boolValue(bool) override { value(std::nullopt); }
  void nullValue() override { value(std::nullopt); }

 private:
  void open(bool object) {
    if (depth_ == 0) isObject = object;
    value(std::nullopt);
    ++depth_;
  }
  void value(std::optional<int64_t> v) {
    if (depth_ != 1 || !isObject) return;
    members[name_] = v;  // a repeated name: the last one counts
    texts.erase(name_);
    lists.erase(name_);
  }

  int depth_ = 0;
  bool inList_ = false;  // inside the array value of a top-level member
  std::string name_;
};

// A path as the file may hold it: not empty, no NUL byte.
bool usablePath(const std::string& p) { return !p.empty() && p.find('\0') == std::string::npos; }

// The JSON string for `text`, or nothing when the text cannot be one (bytes that are not UTF-8):
// such a path is left out rather than written into a file no reader would take.
std::optional<std::string> jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  out += '"';
  JsonHandler check;
  if (!readJson(out, check)) return std::nullopt;
  return out;
}

// One member line, the colon one column after the longest name.
std::string memberLine(const char* name, const std::string& value) {
  std::string line = "  \"";
  line += name;
  line += '"';
  if (line.size() < 20) line.append(20 - line.size(), ' ');
  return line + ": " + value;
}

bool fileExists(const std::string& path, bool& exists) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    exists = true;
    return true;
  }
  exists = false;
  return errno == ENOENT || errno == ENOTDIR;
}

}  // namespace

std::string optionsText(const sVdOptions& o) {
  std::vector<std::string> lines;
  for (const Field& f : kFields) lines.push_back(memberLine(f.name, std::to_string(getField(o, f))));
  for (const TextField& f : kTextFields) {
    const std::string& v = o.*f.member;
    if (!usablePath(v)) continue;
    if (const std::optional<std::string> s = jsonString(v)) lines.push_back(memberLine(f.name, *s));
  }
  std::string recent;
  for (const std::string& p : o.RecentFiles) {
    const std::optional<std::string> s = usablePath(p) ? jsonString(p) : std::nullopt;
    if (!s) continue;
    recent += recent.empty() ? "[" : ", ";
    recent += *s;
  }
  if (!recent.empty()) lines.push_back(memberLine(kRecentFilesName, recent + "]"));

  std::string out = "{\r\n";
  for (size_t k = 0; k < lines.size(); ++k) {
    out += lines[k];
    if (k + 1 < lines.size()) out += ',';
    out += "\r\n";
  }
  out += '}';
  return out;
}

void addRecentFile(sVdOptions& o, const std::string& path) {
  if (path.empty()) return;
  std::vector<std::string>& list = o.RecentFiles;
  std::erase(list, path);
  list.insert(list.begin(), path);
  if (list.size() > kRecentFilesMax) list.resize(kRecentFilesMax);
}

bool removeRecentFile(sVdOptions& o, const std::string& path) {
  return std::erase(o.RecentFiles, path) != 0;
}

bool loadOptions(sVdOptions& o, const std::string& path, bool mayWrite) {
  setDefaultOptions(o);

  bool exists = false;
  if (!fileExists(path, exists)) return false;  // cannot even tell: leave whatever is there
  if (!exists) {
    if (mayWrite) saveOptions(o, path);
    return false;
  }
  std::string text;
  if (!readFileWhole(path, text)) return false;  // unreadable: keep it, use the defaults

  TopMembers top;
  if (!readJson(text, top) || !top.isObject) {
    // Keep the damaged file's bytes beside it; replace it only once they are safe.
    if (mayWrite && writeFileAtomic(path + ".bak", text)) saveOptions(o, path);
    return false;
  }
  for (const Field& f : kFields) {
    auto it = top.members.find(f.name);
    if (it != top.members.end() && it->second) setField(o, f, *it->second);
  }
  for (const TextField& f : kTextFields) {
    auto it = top.texts.find(f.name);
    if (it != top.texts.end() && usablePath(it->second)) o.*f.member = it->second;
  }
  if (auto it = top.lists.find(kRecentFilesName); it != top.lists.end()) {
    // Oldest last: adding them from the end keeps the order and drops repeats and blanks.
    for (auto p = it->second.rbegin(); p != it->second.rend(); ++p)
      if (usablePath(*p)) addRecentFile(o, *p);
  }
  applyFloors(o);
  return true;
}

std::string cameraProblem(const sVdOptions& o) {
  if (o.CameraW > 0 && o.CameraH > 0) return {};
  return "the camera is " + std::to_string(o.CameraW) + " x " + std::to_string(o.CameraH) +
         " pixels; both sides must be from 1 to " + std::to_string(kMaxCameraSide);
}

bool saveOptions(const sVdOptions& o, const std::string& path, std::string* err) {
  return writeFileAtomic(path, optionsText(o), err);
}

}  // namespace pw
