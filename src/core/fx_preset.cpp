#include "core/fx_preset.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>
#include <system_error>

#include "core/scene_file.h"
#include "fileio/atomic_file.h"

namespace pw {

namespace {

constexpr std::string_view kExt = ".sfx";

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> f;
  size_t start = 0;
  for (;;) {
    const size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      f.push_back(line.substr(start));
      return f;
    }
    f.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
}

bool isDigitIn(char c, int base) {
  if (base == 2) return c == '0' || c == '1';
  if (c >= '0' && c <= '9') return true;
  return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// A whole number as the number rule reads it: an optional sign, then decimal digits, "$" and
// hex digits, or "%" and binary digits, and nothing else. An empty field counts as 0.
bool isWholeNumber(std::string_view s) {
  if (s.empty()) return true;
  size_t p = 0;
  if (s[p] == '+' || s[p] == '-') ++p;
  int base = 10;
  if (p < s.size() && s[p] == '$') {
    base = 16;
    ++p;
  } else if (p < s.size() && s[p] == '%') {
    base = 2;
    ++p;
  }
  if (p == s.size()) return false;
  for (; p < s.size(); ++p)
    if (!isDigitIn(s[p], base)) return false;
  return true;
}

bool isControl(std::string_view s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x20 || c == 0x7f) return true;
  // U+0080 ... U+009F in UTF-8.
  if (c == 0xc2 && i + 1 < s.size()) {
    const auto d = static_cast<unsigned char>(s[i + 1]);
    return d >= 0x80 && d <= 0x9f;
  }
  return false;
}

}  // namespace

std::string presetText(const std::string& name, int64_t index, const ShapeFx& fx) {
  std::string t = "gen," + name + "," + kVersionText + "\r\nshapefx," + std::to_string(index);
  const std::array<int64_t, 12> v = {fx.x,     fx.y,      fx.color, fx.alpha, fx.depth,  fx.type,
                                     fx.width, fx.height, fx.dist,  fx.scale, fx.spareA, fx.spareB};
  for (int64_t n : v) t += "," + std::to_string(n);
  t += "\r\n";
  return t;
}

bool parsePreset(std::string_view text, FxPreset& out, std::string* err) {
  auto fail = [err](std::string why) {
    if (err) *err = std::move(why);
    return false;
  };
  if (text.find('\0') != std::string_view::npos) return fail("it holds a zero byte");
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  FxPreset p;
  int lineNo = 0;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> f = splitFields(line);
    if (f[0] == "gen") {
      p.hasHeader = true;
      p.name = f.size() > 1 ? std::string(f[1]) : std::string();
    } else if (f[0] == "shapefx") {
      std::array<int64_t, 12> v{};
      for (size_t k = 0; k < v.size(); ++k) {
        const size_t field = k + 2;  // fields 3 to 14
        if (field >= f.size()) break;
        if (!isWholeNumber(f[field]))
          return fail("line " + std::to_string(lineNo) + ", field " + std::to_string(field + 1) +
                      " is not a whole number");
        v[k] = readNumber(f[field]);
      }
      p.hasFx = true;
      p.x = v[0];
      p.y = v[1];
      p.color = v[2];
      p.alpha = v[3];
      p.depth = v[4];
      p.type = v[5];
      p.width = v[6];
      p.height = v[7];
      p.dist = v[8];
      p.scale = v[9];
      p.spareA = v[10];
      p.spareB = v[11];
    }
  }
  if (!p.hasFx) return fail("it holds no \"shapefx\" line");
  out = std::move(p);
  return true;
}

void applyPreset(const FxPreset& p, int64_t index, ShapeFx& fx) {
  if (p.hasHeader) fx.name = p.name.empty() ? "fx_" + std::to_string(index) : p.name;
  if (!p.hasFx) return;
  const auto in = [](int64_t v, int64_t lo, int64_t hi) { return std::clamp(v, lo, hi); };
  constexpr int64_t i16min = std::numeric_limits<int16_t>::min();
  constexpr int64_t i16max = std::numeric_limits<int16_t>::max();
  fx.x = static_cast<int16_t>(in(p.x, -kFxOffsetMax, kFxOffsetMax));
  fx.y = static_cast<int16_t>(in(p.y, -kFxOffsetMax, kFxOffsetMax));
  // A colour is 32 bits of RGBA, held sign-extended.
  fx.color = static_cast<int32_t>(static_cast<uint32_t>(p.color));
  fx.alpha = static_cast<uint8_t>(in(p.alpha, 0, kFxAlphaMax));
  fx.depth = static_cast<uint8_t>(in(p.depth, 0, kFxDepthMax));
  fx.type = static_cast<uint8_t>(in(p.type, 0, kFxTypeMax));
  fx.width = in(p.width, kFxSizeMin, kFxSizeMax);
  fx.height = in(p.height, kFxSizeMin, kFxSizeMax);
  fx.dist = in(p.dist, kFxSizeMin, kFxSizeMax);
  fx.scale = static_cast<int16_t>(in(p.scale, -kFxScaleMax, kFxScaleMax));
  fx.spareA = static_cast<int16_t>(in(p.spareA, i16min, i16max));
  fx.spareB = static_cast<int16_t>(in(p.spareB, i16min, i16max));
}

std::string trimPresetName(std::string_view name) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!name.empty() && blank(name.front())) name.remove_prefix(1);
  while (!name.empty() && blank(name.back())) name.remove_suffix(1);
  return std::string(name);
}

bool isValidPresetName(std::string_view name) {
  if (trimPresetName(name).empty() || name.front() == '.') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '/' || name[i] == '\\' || name[i] == ',' || isControl(name, i)) return false;
  }
  return true;
}

std::string presetPath(const std::string& folder, const std::string& name) {
  return folder + name + std::string(kExt);
}

std::vector<std::string> listPresetNames(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
  if (ec) return names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc) || fileEc) continue;
    std::string file = it->path().filename().string();
    if (file.size() < kExt.size() || file.compare(file.size() - kExt.size(), kExt.size(), kExt) != 0)
      continue;
    // The name is what presetPath turns back into this very file: only the last ".sfx" goes, so
    // "x.sfx.sfx" is listed as "x.sfx" (listing it as "x" would load another file, or none).
    file.erase(file.size() - kExt.size());
    if (isValidPresetName(file)) names.push_back(std::move(file));
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

bool savePresetFile(const std::string& path, const std::string& name, int64_t index,
                    const ShapeFx& fx, std::string* err) {
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);  // a failure shows below
  return writeFileAtomic(path, presetText(name, index, fx), err);
}

bool loadPresetFile(const std::string& path, FxPreset& out, std::string* err) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxPresetBytes) {
    if (err) *err = "it is larger than " + std::to_string(kMaxPresetBytes / 1024) + " KiB";
    return false;
  }
  std::string text;
  if (!readFileWhole(path, text, err)) return false;
  if (text.size() > kMaxPresetBytes) {
    if (err) *err = "it is larger than " + std::to_string(kMaxPresetBytes / 1024) + " KiB";
    return false;
  }
  return parsePreset(text, out, err);
}

}  // namespace pw
