#include "core/json_dump.h"

#include <cmath>
#include <charconv>

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

void writeFx(JsonWriter& w, const ShapeFx& f) {
  w.open('{');
  w.member("name", f.name);
  w.member("x", int64_t{f.x});
  w.member("y", int64_t{f.y});
  w.member("type", int64_t{f.type});
  w.member("color", f.color);
  w.member("alpha", int64_t{f.alpha});
  w.member("depth", int64_t{f.depth});
  w.member("width", f.width);
  w.member("height", f.height);
  w.member("spareA", int64_t{f.spareA});
  w.member("spareB", int64_t{f.spareB});
  w.member("scale", int64_t{f.scale});
  w.member("dist", f.dist);
  w.member("active", int64_t{f.active});
  w.close('}');
}

void writeShape(JsonWriter& w, const Shape& s) {
  w.open('{');
  w.member("name", s.name);
  w.key("points");
  w.open('[');
  for (const ShapePoint& p : s.points) {
    w.element();
    w.open('{');
    w.member("x", p.x);
    w.member("y", p.y);
    w.close('}');
  }
  w.close(']');
  w.key("fx");
  w.open('[');
  for (const ShapeFx& f : s.fx) {
    w.element();
    writeFx(w, f);
  }
  w.close(']');
  w.member("type", int64_t{s.type});
  w.member("text", s.text);
  w.member("fontName", s.fontName);
  w.member("fontStyle", s.fontStyle);
  w.member("imageRepeat", int64_t{s.imageRepeat});
  w.member("imageW", int64_t{s.imageW});
  w.member("imageH", int64_t{s.imageH});
  w.member("imageSpare", int64_t{s.imageSpare});
  w.member("imageX", int64_t{s.imageX});
  w.member("imageY", int64_t{s.imageY});
  w.member("imageFile", s.imageFile);
  w.member("dragScale", s.dragScale);
  w.member("dragAngle", int64_t{s.dragAngle});
  w.member("x", int64_t{s.x});
  w.member("y", int64_t{s.y});
  w.member("w", int64_t{s.w});
  w.member("h", int64_t{s.h});
  w.member("startX", int64_t{s.startX});
  w.member("startY", int64_t{s.startY});
  w.member("pivotX", int64_t{s.pivotX});
  w.member("pivotY", int64_t{s.pivotY});
  w.member("cx", int64_t{s.cx});
  w.member("cy", int64_t{s.cy});
  w.member("color", s.color);
  w.member("paint", int64_t{s.paint});
  w.key("gradient");
  w.open('[');
  for (int64_t c : s.gradient) {
    w.element();
    w.value(c);
  }
  w.close(']');
  w.member("alpha", int64_t{s.alpha});
  w.member("closed", int64_t{s.closed});
  w.member("link", int64_t{s.link});
  w.member("depth", s.depth);
  w.member("selected", int64_t{s.selected});
  w.member("hidden", int64_t{s.hidden});
  w.member("locked", int64_t{s.locked});
  w.member("style", int64_t{s.style});
  w.member("lineW", int64_t{s.lineW});
  w.member("lineH", int64_t{s.lineH});
  w.member("lineDist", int64_t{s.lineDist});
  w.close('}');
}

void writeObject(JsonWriter& w, const Object& o) {
  w.open('{');
  w.member("name", o.name);
  w.member("hidden", int64_t{o.hidden});
  w.member("locked", int64_t{o.locked});
  w.member("hasShape", int64_t{o.hasShape});
  w.key("shapes");
  w.open('[');
  for (const Shape& s : o.shapes) {
    w.element();
    writeShape(w, s);
  }
  w.close(']');
  w.member("depth", int64_t{o.depth});
  w.member("alpha", int64_t{o.alpha});
  w.member("spare", int64_t{o.spare});
  w.member("x", o.x);
  w.member("y", o.y);
  w.member("w", int64_t{o.w});
  w.member("h", int64_t{o.h});
  w.member("rotX", int64_t{o.rotX});
  w.member("rotY", int64_t{o.rotY});
  w.member("angle", int64_t{o.angle});
  w.key("keys");
  w.open('[');
  for (const ObjectKey& k : o.keys) {
    w.element();
    w.open('{');
    w.member("frame", int64_t{k.frame});
    w.member("kind", int64_t{k.kind});
    w.member("x", k.x);
    w.member("y", k.y);
    w.member("w", int64_t{k.w});
    w.member("h", int64_t{k.h});
    w.member("rotX", int64_t{k.rotX});
    w.member("rotY", int64_t{k.rotY});
    w.member("angle", int64_t{k.angle});
    w.member("alpha", int64_t{k.alpha});
    w.close('}');
  }
  w.close(']');
  w.close('}');
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

std::string documentJson(const Document& doc) {
  JsonWriter w;
  w.open('{');
  w.member("DocumentState", int64_t{doc.DocumentState});
  w.member("CurrentObject", doc.CurrentObject);
  w.member("CurrentShape", doc.CurrentShape);
  w.member("MaxFrame", doc.MaxFrame);
  w.member("Fps", int64_t{doc.Fps});
  w.key("objects");
  w.open('[');
  for (const Object& o : doc.Objects) {
    w.element();
    writeObject(w, o);
  }
  w.close(']');
  w.close('}');
  return w.out;
}

}  // namespace pw
