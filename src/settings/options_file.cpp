// "Preferences.ini": the settings record as one JSON object of integer members.
//
// Reading is strict JSON (RFC 8259); only the top-level object's integer members are used. A file
// that does not parse is kept beside as ".bak" and replaced by the defaults, so a damaged file
// never leaves the editor with a half-read, zeroed record.
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

// ---------------------------------------------------------------------------------------------
// A strict JSON reader. It validates the whole text and hands back the top-level object's
// members: an integer value as a number, anything else as "not an integer".

constexpr int kMaxDepth = 128;

class JsonReader {
 public:
  explicit JsonReader(std::string_view s) : s_(s) {}

  // False when the text is not exactly one JSON object (surrounded by white space).
  bool readTopObject(std::unordered_map<std::string, std::optional<int64_t>>& members) {
    // A UTF-8 byte-order mark, as some editors add, is tolerated.
    if (s_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    skipWs();
    if (!eat('{')) return false;
    skipWs();
    if (!eat('}')) {
      for (;;) {
        skipWs();
        std::string name;
        if (!readString(&name)) return false;
        skipWs();
        if (!eat(':')) return false;
        skipWs();
        std::optional<int64_t> value;
        if (!readValue(1, &value)) return false;
        members[name] = value;  // a repeated name: the last one counts
        skipWs();
        if (eat(',')) continue;
        if (eat('}')) break;
        return false;
      }
    }
    skipWs();
    return pos_ == s_.size();
  }

 private:
  bool atEnd() const { return pos_ >= s_.size(); }
  char peek() const { return atEnd() ? '\0' : s_[pos_]; }
  bool eat(char c) {
    if (atEnd() || s_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  void skipWs() {
    while (!atEnd()) {
      const char c = s_[pos_];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
      ++pos_;
    }
  }
  bool eatWord(std::string_view w) {
    if (s_.substr(pos_, w.size()) != w) return false;
    pos_ += w.size();
    return true;
  }

  // intOut, when given, receives the value of an integer; it stays empty for anything else.
  bool readValue(int depth, std::optional<int64_t>* intOut) {
    if (depth > kMaxDepth) return false;
    switch (peek()) {
      case '{': return readObject(depth + 1);
      case '[': return readArray(depth + 1);
      case '"': return readString(nullptr);
      case 't': return eatWord("true");
      case 'f': return eatWord("false");
      case 'n': return eatWord("null");
      default: return readNumber(intOut);
    }
  }

  bool readObject(int depth) {
    if (depth > kMaxDepth || !eat('{')) return false;
    skipWs();
    if (eat('}')) return true;
    for (;;) {
      skipWs();
      if (!readString(nullptr)) return false;
      skipWs();
      if (!eat(':')) return false;
      skipWs();
      if (!readValue(depth, nullptr)) return false;
      skipWs();
      if (eat(',')) continue;
      return eat('}');
    }
  }

  bool readArray(int depth) {
    if (depth > kMaxDepth || !eat('[')) return false;
    skipWs();
    if (eat(']')) return true;
    for (;;) {
      skipWs();
      if (!readValue(depth, nullptr)) return false;
      skipWs();
      if (eat(',')) continue;
      return eat(']');
    }
  }

  static bool isDigit(char c) { return c >= '0' && c <= '9'; }

  // number = [ "-" ] int [ frac ] [ exp ]. Only a plain integer in the signed 64-bit range counts
  // as an integer; fractions, exponents and larger magnitudes are valid JSON but not used.
  bool readNumber(std::optional<int64_t>* intOut) {
    const bool neg = eat('-');
    if (!isDigit(peek())) return false;
    uint64_t mag = 0;
    bool overflow = false;
    if (peek() == '0') {
      ++pos_;
    } else {
      while (isDigit(peek())) {
        const unsigned d = static_cast<unsigned>(s_[pos_++] - '0');
        if (mag > (UINT64_MAX - d) / 10) overflow = true;
        if (!overflow) mag = mag * 10 + d;
      }
    }
    bool integer = true;
    if (eat('.')) {
      integer = false;
      if (!isDigit(peek())) return false;
      while (isDigit(peek())) ++pos_;
    }
    if (peek() == 'e' || peek() == 'E') {
      integer = false;
      ++pos_;
      if (peek() == '+' || peek() == '-') ++pos_;
      if (!isDigit(peek())) return false;
      while (isDigit(peek())) ++pos_;
    }
    if (!intOut || !integer || overflow) return true;
    constexpr uint64_t kMaxPos = static_cast<uint64_t>(INT64_MAX);
    if (!neg && mag <= kMaxPos) {
      *intOut = static_cast<int64_t>(mag);
    } else if (neg && mag <= kMaxPos + 1) {
      *intOut = mag == kMaxPos + 1 ? INT64_MIN : -static_cast<int64_t>(mag);
    }
    return true;
  }

  static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool readHex4(uint32_t& cp) {
    if (s_.size() - pos_ < 4) return false;
    cp = 0;
    for (int k = 0; k < 4; ++k) {
      const int h = hexValue(s_[pos_++]);
      if (h < 0) return false;
      cp = cp << 4 | static_cast<uint32_t>(h);
    }
    return true;
  }

  static void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  // One well-formed UTF-8 sequence (no overlongs, no surrogates, at most U+10FFFF).
  bool copyUtf8(std::string* out) {
    const auto b0 = static_cast<unsigned char>(s_[pos_]);
    size_t n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      n = 3;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      n = 4;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (s_.size() - pos_ < n) return false;
    for (size_t k = 1; k < n; ++k) {
      const auto b = static_cast<unsigned char>(s_[pos_ + k]);
      if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return false;
    }
    if (out) out->append(s_.substr(pos_, n));
    pos_ += n;
    return true;
  }

  // A string; its decoded text goes to out when given.
  bool readString(std::string* out) {
    if (!eat('"')) return false;
    for (;;) {
      if (atEnd()) return false;
      const auto c = static_cast<unsigned char>(s_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return false;
      if (c >= 0x80) {
        if (!copyUtf8(out)) return false;
        continue;
      }
      ++pos_;
      if (c != '\\') {
        if (out) *out += static_cast<char>(c);
        continue;
      }
      if (atEnd()) return false;
      const char e = s_[pos_++];
      char plain = 0;
      switch (e) {
        case '"': plain = '"'; break;
        case '\\': plain = '\\'; break;
        case '/': plain = '/'; break;
        case 'b': plain = '\b'; break;
        case 'f': plain = '\f'; break;
        case 'n': plain = '\n'; break;
        case 'r': plain = '\r'; break;
        case 't': plain = '\t'; break;
        case 'u': {
          uint32_t cp;
          if (!readHex4(cp)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
            const size_t save = pos_;
            pos_ += 2;
            uint32_t low;
            if (!readHex4(low)) return false;
            if (low >= 0xDC00 && low <= 0xDFFF) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              pos_ = save;  // a lone high surrogate; the next escape stands on its own
            }
          }
          // A lone surrogate is grammatical JSON but no character: it becomes U+FFFD.
          if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
          if (out) appendUtf8(*out, cp);
          continue;
        }
        default: return false;
      }
      if (out) *out += plain;
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
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

  std::unordered_map<std::string, std::optional<int64_t>> members;
  if (!JsonReader(text).readTopObject(members)) {
    // Keep the damaged file's bytes beside it; replace it only once they are safe.
    if (mayWrite && writeFileAtomic(path + ".bak", text)) saveOptions(o, path);
    return false;
  }
  for (const Field& f : kFields) {
    auto it = members.find(f.name);
    if (it != members.end() && it->second) setField(o, f, *it->second);
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
