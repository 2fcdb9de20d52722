#include "core/json_dump.h"

#include <cmath>
#include <charconv>
#include <type_traits>

#include "core/fields.h"

namespace pw {

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one. On 0, `prefix` is
// the number of bytes that began a sequence before it broke (at least 1): they are replaced by a
// single U+FFFD, as Unicode recommends for the maximal ill-formed subpart.
size_t utf8Length(std::string_view s, size_t i, size_t& prefix) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  prefix = 1;
  if (b < 0x80) return 1;
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    need = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 3;
    if (b == 0xE0) lo = 0xA0;  // no overlong forms
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 4;
    if (b == 0xF0) lo = 0x90;  // no overlong forms
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  for (size_t k = 1; k < need; ++k) {
    if (i + k >= s.size()) return 0;
    const unsigned char c = byte(i + k);
    const unsigned char l = k == 1 ? lo : 0x80;
    const unsigned char h = k == 1 ? hi : 0xBF;
    if (c < l || c > h) return 0;
    prefix = k + 1;
  }
  return need;
}

class JsonWriter {
 public:
  std::string out;

  void open(char c) {
    out += c;
    first_ = true;
  }
  void close(char c) {
    out += c;
    first_ = false;
  }
  // Starts a member "name": inside an object.
  void key(const char* name) {
    sep();
    out += '"';
    out += name;
    out += "\":";
    first_ = true;  // the value that follows needs no separator
  }
  // Starts an element of an array.
  void element() { sep(); }

  void value(int64_t v) {
    out += std::to_string(v);
    first_ = false;
  }
  void value(double v) {
    out += jsonNumber(v);
    first_ = false;
  }
  void value(const std::string& s) {
    out += jsonString(s);
    first_ = false;
  }

  void member(const char* name, int64_t v) { key(name); value(v); }
  void member(const char* name, double v) { key(name); value(v); }
  void member(const char* name, const std::string& s) { key(name); value(s); }

 private:
  void sep() {
    if (!first_) out += ',';
    first_ = false;
  }
  bool first_ = true;
};

// A field's value: a number, a text, an array, or a record with its dumped fields by name. A
// shape's identity is not written: in its place comes whether `sel` holds the shape.
template <class T>
void writeValue(JsonWriter& w, const T& v, const Selection& sel) {
  if constexpr (std::is_same_v<T, ShapeId>) {
    w.value(int64_t{sel.isSelected(v) ? 1 : 0});
  } else if constexpr (std::is_integral_v<T>) {
    w.value(int64_t{v});
  } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, std::string>) {
    w.value(v);
  } else if constexpr (FieldRecord<T>) {
    w.open('{');
    forEachField<T>([&](const auto& d) {
      if constexpr (std::is_same_v<FieldType<decltype(d)>, ShapeId>) {
        w.key("selected");
      } else if (d.has(kDumped)) {
        w.key(d.name);
      } else {
        return;
      }
      writeValue(w, d.of(v), sel);
    });
    w.close('}');
  } else {
    w.open('[');
    for (const auto& e : v) {
      w.element();
      writeValue(w, e, sel);
    }
    w.close(']');
  }
}

}  // namespace

std::string jsonString(std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t prefix = 1;
    const size_t n = utf8Length(s, i, prefix);
    if (n == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD
      i += prefix;
      continue;
    }
    if (n > 1) {
      out.append(s.substr(i, n));
      i += n;
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string jsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  // Shortest form that reads back as the same double, whatever the C locale says the decimal
  // mark is; it never prints a bare "." or a leading "+", so it is always a JSON number.
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string documentJson(const Document& doc, const Selection& sel) {
  JsonWriter w;
  w.open('{');
  w.member("DocumentState", int64_t{doc.DocumentState});
  w.member("CurrentObject", sel.object);
  w.member("CurrentShape", sel.shape);
  w.member("MaxFrame", doc.MaxFrame);
  w.member("Fps", int64_t{doc.Fps});
  w.key("objects");
  w.open('[');
  for (const Object& o : doc.Objects) {
    w.element();
    writeValue(w, o, sel);
  }
  w.close(']');
  w.close('}');
  return w.out;
}

}  // namespace pw
