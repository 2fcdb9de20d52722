// "Preferences.ini": the settings record as one JSON object of integer members.
//
// Reading is strict JSON (fileio/json_read.h); only the top-level object's integer members are
// used. A file that does not parse is kept beside as ".bak" and replaced by the defaults, so a
// damaged file never leaves the editor with a half-read, zeroed record.
#include <sys/stat.h>

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
// nothing for a member of any other kind.
class TopMembers : public JsonHandler {
 public:
  std::unordered_map<std::string, std::optional<int64_t>> members;
  bool isObject = false;  // the text is an object (not an array or a single value)

  void beginObject() override { open(true); }
  void endObject() override { --depth_; }
  void beginArray() override { open(false); }
  void endArray() override { --depth_; }
  void memberName(std::string_view name) override {
    if (depth_ == 1) name_ = name;
  }
  void stringValue(std::string_view) override { value(std::nullopt); }
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
    if (depth_ == 1 && isObject) members[name_] = v;  // a repeated name: the last one counts
  }

  int depth_ = 0;
  std::string name_;
};

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
  std::string out = "{\r\n";
  const size_t count = std::size(kFields);
  for (size_t k = 0; k < count; ++k) {
    std::string line = "  \"";
    line += kFields[k].name;
    line += '"';
    if (line.size() < 20) line.append(20 - line.size(), ' ');
    line += ": ";
    line += std::to_string(getField(o, kFields[k]));
    if (k + 1 < count) line += ',';
    out += line;
    out += "\r\n";
  }
  out += '}';
  return out;
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
