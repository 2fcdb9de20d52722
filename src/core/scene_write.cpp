// Writing scene files: the whole text is built in memory, then written through a temporary file
// that replaces the old one, so a failed save never leaves a half-written scene behind.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdint>
#include <string>
#include <string_view>

#include "fileio/atomic_file.h"
#include "core/fields.h"
#include "core/keyframes.h"
#include "core/scene_file.h"

namespace pw {

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr size_t kNumberRoom = 21;  // "-9223372036854775808" and a separator
constexpr size_t kPrefetchAhead = 2;
// The numbers, key and separators of a line: at most kMaxColumn + 1 fields, and a shape's typed
// part adds 7.
constexpr size_t kLineRoom = 24 * kNumberRoom + 32;
static_assert(kMaxColumn + 1 + 7 <= 24);
// "key," and its numbers; "pt," and its index and numbers.
constexpr size_t kKeyLineRoom = lastColumn<ObjectKey>() * kNumberRoom + 8;
constexpr size_t kPointLineRoom = lastColumn<ShapePoint>() * kNumberRoom + 8;

// Escaped form of a text field: the characters that would split it when read back.
const char* escapeOf(char c) {
  switch (c) {
    case '%': return "%25";
    case ',': return "%2C";
    case ';': return "%3B";
    case '\r': return "%0D";
    case '\n': return "%0A";
    default: return nullptr;
  }
}

bool needsEscape(std::string_view v) {
  for (const char c : v)
    if (escapeOf(c)) return true;
  return false;
}

// Text builder writing straight into a buffer that each line first makes room in, so numbers
// and fields are stored without per-piece size checks.
class Out {
 public:
  explicit Out(size_t estimate) {
    buf_.resize(std::max<size_t>(estimate, kLineRoom));
    p_ = buf_.data();
  }
  // Makes room for at least n more bytes.
  void room(size_t n) {
    const size_t used = static_cast<size_t>(p_ - buf_.data());
    if (buf_.size() - used >= n) return;
    buf_.resize(std::max(buf_.size() * 2, used + n));
    p_ = buf_.data() + used;
  }
  void raw(std::string_view v) {
    std::memcpy(p_, v.data(), v.size());
    p_ += v.size();
  }
  void put(char c) { *p_++ = c; }
  // A number followed by sep (0: nothing).
  void num(int64_t v, char sep = ',') {
    p_ = std::to_chars(p_, p_ + kNumberRoom, v).ptr;
    if (sep) *p_++ = sep;
  }
  // A text field (room: three bytes per character) followed by sep.
  void text(std::string_view v, char sep) {
    if (!needsEscape(v)) {
      raw(v);
    } else {
      for (const char c : v) {
        if (const char* e = escapeOf(c)) {
          raw(std::string_view(e, 3));
        } else {
          *p_++ = c;
        }
      }
    }
    *p_++ = sep;
  }
  void eol() { raw(kEol); }
  std::string take() {
    buf_.resize(static_cast<size_t>(p_ - buf_.data()));
    return std::move(buf_);
  }

 private:
  std::string buf_;
  char* p_ = nullptr;
};

// A field's value followed by sep.
template <class T>
void value(Out& o, const T& v, char sep = ',') {
  if constexpr (std::is_same_v<T, std::string>) {
    o.text(v, sep);
  } else {
    static_assert(std::is_integral_v<T>, "the scene file holds integers and texts");
    o.num(v, sep);
  }
}

// Bytes of the texts of a record's saved fields, for the room a line needs (three bytes a
// character, escaped). A text the line leaves out is counted too.
template <class R>
size_t savedTextBytes(const R& r) {
  size_t n = 0;
  forEachField<R>([&](const auto& d) {
    if constexpr (std::is_same_v<FieldType<decltype(d)>, std::string>) {
      if (d.has(kSaved)) n += d.of(r).size();
    }
  });
  return n;
}

// Rough size of the text, so the buffer is allocated once for most scenes.
size_t estimateSize(const Document& doc) {
  size_t n = 32;
  for (const Object& o : doc.Objects) {
    n += 64 + o.name.size() + o.keys.size() * 64;
    for (const Shape& s : o.shapes) {
      n += 96 + s.name.size() + s.points.size() * 24 + s.fx.size() * 72;
      if (s.type == kText) n += s.text.size() + s.fontName.size() + 24;
      if (s.type == kImage) n += s.imageFile.size() + 48;
    }
  }
  return n;
}

// The shape line's columns around its typed part come from the field table; the typed part's
// fields depend on the type and are written by hand.
void writeShape(Out& o, const Shape& s, size_t index) {
  const auto put = [&](const auto& d) { value(o, d.of(s)); };
  o.room(kLineRoom + 3 * savedTextBytes(s));
  o.raw("shape,");
  o.num(static_cast<int64_t>(index));
  forEachColumn<Shape, 2, kShapeTypedColumn - 1>(put);
  if (s.type == kText) {
    o.text(s.text, ';');
    o.text(s.fontName, ';');
    o.num(s.fontStyle, ';');
  } else if (s.type == kImage) {
    o.text(s.imageFile, ';');
    o.num(s.imageRepeat, ';');
    o.num(s.imageX, ';');
    o.num(s.imageY, ';');
    o.num(s.imageW, ';');
    o.num(s.imageH, ';');
    o.num(s.imageSpare, ';');
  }
  o.raw(",");
  forEachColumn<Shape, kShapeTypedColumn + 1>(put);
  o.eol();

  o.room(s.fx.size() * kLineRoom + s.points.size() * kPointLineRoom);
  for (size_t n = 0; n < s.fx.size(); ++n) {
    const ShapeFx& f = s.fx[n];
    // The one line without a trailing separator.
    o.raw("shapefx,");
    o.num(static_cast<int64_t>(n), 0);
    forEachColumn<ShapeFx, 2>([&](const auto& d) {
      o.put(',');
      value(o, d.of(f), 0);
    });
    o.eol();
  }
  for (size_t n = 0; n < s.points.size(); ++n) {
    o.raw("pt,");
    o.num(static_cast<int64_t>(n));
    forEachColumn<ShapePoint, 2>([&](const auto& d) { value(o, d.of(s.points[n])); });
    o.eol();
  }
}

// The keys of an object, one line each, in the order the object holds them (ascending frame).
void writeKeys(Out& o, const Object& ob) {
  o.room(ob.keys.size() * kKeyLineRoom);
  for (const ObjectKey& k : ob.keys) {
    o.raw("key,");
    forEachColumn<ObjectKey>([&](const auto& d) { value(o, d.of(k)); });
    o.eol();
  }
}

}  // namespace

// Every ".txt" is removed from the chosen name, then one is appended: "scene" and "scene.txt"
// both give "scene.txt", "a.txt.b" gives "a.b.txt".
std::string scenePath(const std::string& name) {
  std::string out;
  out.reserve(name.size() + 4);
  for (size_t i = 0; i < name.size();) {
    if (name.compare(i, 4, ".txt") == 0) {
      i += 4;
    } else {
      out.push_back(name[i++]);
    }
  }
  out.append(".txt");
  return out;
}

std::string escapeField(std::string_view s) {
  Out o(3 * s.size() + 1);
  o.text(s, ',');
  std::string out = o.take();
  out.pop_back();
  return out;
}

std::string sceneText(const Document& doc) {
  Out o(estimateSize(doc));
  o.raw("gen, ,");
  o.raw(kVersionText);
  o.raw(",");
  o.eol();
  // A scene without keys is written as before the timeline was saved: readers that skip unknown
  // lines see the same static scene either way.
  if (hasKeys(doc)) {
    o.room(kLineRoom);
    o.raw("anim,");
    o.num(doc.MaxFrame);
    o.num(doc.Fps);
    o.eol();
  }
  for (const Object& ob : doc.Objects) {
    o.room(kLineRoom + 3 * savedTextBytes(ob));
    o.raw("obj,");
    forEachColumn<Object>([&](const auto& d) { value(o, d.of(ob)); });
    o.eol();
    writeKeys(o, ob);
    for (size_t k = 0; k < ob.shapes.size(); ++k) {
      // A large scene does not fit in the cache: fetch the arrays of a shape a few places ahead
      // while this one is written.
      if (k + kPrefetchAhead < ob.shapes.size()) {
        const Shape& next = ob.shapes[k + kPrefetchAhead];
        __builtin_prefetch(next.points.data());
        __builtin_prefetch(next.fx.data());
        __builtin_prefetch(next.name.data());
      }
      writeShape(o, ob.shapes[k], k);
    }
  }
  return o.take();
}

bool saveScene(Editor& ed, const std::string& fileName, bool keepName) {
  std::string name = fileName;
  if (name.empty()) name = ed.prompt.saveFile("Save", "", "txt|*.txt|all|*.*");
  if (name.empty()) return false;
  const std::string path = scenePath(name);
  std::string err;
  if (!writeFileAtomic(path, sceneText(ed.doc), &err)) {
    // The document keeps its name and title: it was not saved anywhere.
    const std::string text = "Unable to save the file " + path + ": " + err;
    if (!keepName) {
      ed.prompt.message("Error", text);
    } else {
      ed.prompt.warn(text);
    }
    return false;
  }
  if (!keepName) {
    ed.doc.DocumentFileName = name;
    ed.modified = false;
    ed.setTitle(std::string(kAppTitle) + " - " + fileNamePart(path));
    ed.documentSaved();
  }
  return true;
}

}  // namespace pw
