#include "fileio/json_read.h"

#include <cstddef>
#include <string>

namespace pw {

namespace {

class JsonReader {
 public:
  JsonReader(std::string_view s, JsonHandler& h) : s_(s), h_(h) {}

  bool read() {
    if (s_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    skipWs();
    if (!readValue(0)) return false;
    skipWs();
    return atEnd();
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

  // `depth`: how many arrays and objects are open around the value.
  bool readValue(int depth) {
    switch (peek()) {
      case '{': return readObject(depth + 1);
      case '[': return readArray(depth + 1);
      case '"':
        if (!readString()) return false;
        h_.stringValue(text_);
        return true;
      case 't':
        if (!eatWord("true")) return false;
        h_.boolValue(true);
        return true;
      case 'f':
        if (!eatWord("false")) return false;
        h_.boolValue(false);
        return true;
      case 'n':
        if (!eatWord("null")) return false;
        h_.nullValue();
        return true;
      default: return readNumber();
    }
  }

  bool readObject(int depth) {
    if (depth > kMaxJsonDepth || !eat('{')) return false;
    h_.beginObject();
    skipWs();
    if (!eat('}')) {
      for (;;) {
        skipWs();
        if (!readString()) return false;
        h_.memberName(text_);
        skipWs();
        if (!eat(':')) return false;
        skipWs();
        if (!readValue(depth)) return false;
        skipWs();
        if (eat(',')) continue;
        if (!eat('}')) return false;
        break;
      }
    }
    h_.endObject();
    return true;
  }

  bool readArray(int depth) {
    if (depth > kMaxJsonDepth || !eat('[')) return false;
    h_.beginArray();
    skipWs();
    if (!eat(']')) {
      for (;;) {
        skipWs();
        if (!readValue(depth)) return false;
        skipWs();
        if (eat(',')) continue;
        if (!eat(']')) return false;
        break;
      }
    }
    h_.endArray();
    return true;
  }

  static bool isDigit(char c) { return c >= '0' && c <= '9'; }

  // number = [ "-" ] int [ frac ] [ exp ], int without leading zeros.
  bool readNumber() {
    const size_t start = pos_;
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
    JsonNumber n{s_.substr(start, pos_ - start), std::nullopt};
    constexpr uint64_t kMaxPos = static_cast<uint64_t>(INT64_MAX);
    if (integer && !overflow) {
      if (!neg && mag <= kMaxPos) {
        n.integer = static_cast<int64_t>(mag);
      } else if (neg && mag <= kMaxPos + 1) {
        n.integer = mag == kMaxPos + 1 ? INT64_MIN : -static_cast<int64_t>(mag);
      }
    }
    h_.numberValue(n);
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
  bool copyUtf8() {
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
    text_.append(s_.substr(pos_, n));
    pos_ += n;
    return true;
  }

  // A string, decoded into text_.
  bool readString() {
    if (!eat('"')) return false;
    text_.clear();
    for (;;) {
      if (atEnd()) return false;
      const auto c = static_cast<unsigned char>(s_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return false;
      if (c >= 0x80) {
        if (!copyUtf8()) return false;
        continue;
      }
      ++pos_;
      if (c != '\\') {
        text_ += static_cast<char>(c);
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
          appendUtf8(text_, cp);
          continue;
        }
        default: return false;
      }
      text_ += plain;
    }
  }

  std::string_view s_;
  JsonHandler& h_;
  size_t pos_ = 0;
  std::string text_;  // the string last read
};

}  // namespace

bool readJson(std::string_view text, JsonHandler& handler) {
  return JsonReader(text, handler).read();
}

}  // namespace pw
