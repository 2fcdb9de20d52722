// Reading scene files. The reader works on string views over the whole text: a line is split
// into fields in place, and only the strings the document keeps are copied.
//
// Defences against damaged or hostile files:
// - A non-empty file in which no line is a known record is not a scene and is refused whole.
// - A "shape", "shapefx" or "pt" line whose index is negative or above kMaxRecordIndex is
//   skipped, and so are the "shapefx" and "pt" lines that follow a skipped "shape" line.
// - Growth budget: the arrays a read grows (objects, shapes, effects, points) may together take
//   at most sceneReadBudget(size of the text) bytes, counted as the memory the arrays reserve,
//   with the records each new shape or object starts with. A line whose growth
//   would pass the budget is skipped. A file as the editor writes it needs well under that; only
//   files with sparse or forged indices reach the limit.
// - A "key" line without a frame, or whose frame lies outside 0 ... kMaxKeyFrame, or whose kind
//   is not 0, 1 or 2 is skipped, like a record with a bad index. A key's alpha is clamped to
//   0 ... 255. Keys on the same frame replace one another (the later
//   line wins), so an object keeps at most one key a frame; the keys count against the growth
//   budget like the other records.
// - Images: a path is decoded at most once per read, the pixels of the distinct images of a read
//   stay within kImagePixelBudget (an image past it is reported once as too large and left out),
//   a path that failed to load is not tried again, and after kImageBoxes message boxes further
//   image failures are reported as warnings.
// - loadScene (scene_file.cpp) reads into a copy of the document that replaces it only when the
//   whole read succeeded: a read that runs out of memory leaves the document as it was.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/create.h"
#include "core/fields.h"
#include "core/keyframes.h"
#include "core/scene_file.h"

namespace pw {

namespace {

constexpr double kLegacyBelow = 0.14;  // files older than this lack alpha and layer scale

// Bytes a new record brings beyond its own slot: the arrays a default shape or object starts
// with, each with the allocator's overhead.
constexpr uint64_t kAllocOverhead = 16;
constexpr uint64_t kShapeExtra = 6 * sizeof(ShapePoint) + sizeof(ShapeFx) + sizeof(int64_t) +
                                 3 * kAllocOverhead;
constexpr uint64_t kObjectExtra = sizeof(Shape) + kShapeExtra + kAllocOverhead;
// Pixels of the distinct images of one read: 256 MB of 32-bit pixels.
constexpr int64_t kImagePixelBudget = int64_t{1} << 26;
constexpr int kImageBoxes = 8;

// What the image-loading routine asks of a file: it exists, is a regular file and is not empty.
bool usableImageFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

inline int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Field text into a stored string; only %25, %2C, %3B, %0D and %0A are decoded.
void unescapeInto(std::string& out, std::string_view s) {
  size_t pct = s.find('%');
  if (pct == std::string_view::npos) {
    out.assign(s);
    return;
  }
  out.clear();
  out.reserve(s.size());
  while (pct != std::string_view::npos) {
    out.append(s.substr(0, pct));
    char decoded = 0;
    if (pct + 2 < s.size()) {
      const int hi = hexDigit(s[pct + 1]);
      const int lo = hexDigit(s[pct + 2]);
      if (hi >= 0 && lo >= 0) {
        const int v = hi * 16 + lo;
        if (v == '%' || v == ',' || v == ';' || v == '\r' || v == '\n') decoded = static_cast<char>(v);
      }
    }
    if (decoded != 0) {
      out.push_back(decoded);
      s.remove_prefix(pct + 3);
    } else {
      out.push_back('%');
      s.remove_prefix(pct + 1);
    }
    pct = s.find('%');
  }
  out.append(s);
}

// Integer field rule; see readNumber.
inline int64_t num(std::string_view s) {
  size_t p = 0;
  const size_t n = s.size();
  bool neg = false;
  if (p < n && (s[p] == '+' || s[p] == '-')) neg = s[p++] == '-';
  // Unsigned arithmetic: an overlong value wraps instead of overflowing.
  uint64_t v = 0;
  if (p < n && s[p] == '$') {
    for (++p; p < n; ++p) {
      const int d = hexDigit(s[p]);
      if (d < 0) break;
      v = v * 16 + static_cast<uint64_t>(d);
    }
  } else if (p < n && s[p] == '%') {
    for (++p; p < n && (s[p] == '0' || s[p] == '1'); ++p) v = v * 2 + static_cast<uint64_t>(s[p] - '0');
  } else {
    for (; p < n && s[p] >= '0' && s[p] <= '9'; ++p) v = v * 10 + static_cast<uint64_t>(s[p] - '0');
  }
  if (neg) v = 0 - v;
  return static_cast<int64_t>(v);
}

// True when the field holds a number by that rule, i.e. at least one digit after the sign
// and base mark; an empty or non-numeric field holds none.
bool holdsNumber(std::string_view s) {
  size_t p = 0;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
  int base = 10;
  if (p < s.size() && (s[p] == '$' || s[p] == '%')) base = s[p++] == '$' ? 16 : 2;
  if (p >= s.size()) return false;
  const char c = s[p];
  if (base == 2) return c == '0' || c == '1';
  if (base == 16) return hexDigit(c) >= 0;
  return c >= '0' && c <= '9';
}

// Version field: decimal with "." as the decimal mark.
double readVersion(std::string_view s) {
  size_t p = 0;
  bool neg = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) neg = s[p++] == '-';
  double whole = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') whole = whole * 10 + (s[p++] - '0');
  uint64_t frac = 0, scale = 1;
  if (p < s.size() && s[p] == '.') {
    ++p;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
      if (scale < 1000000000000000000ull) {
        frac = frac * 10 + static_cast<uint64_t>(s[p] - '0');
        scale *= 10;
      }
      ++p;
    }
  }
  // One division of exact integers rounds correctly, so "0.14" compares equal to 0.14.
  const double v = whole + static_cast<double>(frac) / static_cast<double>(scale);
  return neg ? -v : v;
}

// The fields of one line, split in place; a missing field reads as empty. Fields beyond the
// last one any line uses stay joined to it.
class Fields {
 public:
  static constexpr int kMax = kMaxColumn + 1;

  // Fields are short: a plain scan beats a library search call per field. The bounds arrays are
  // left uninitialised; only the first n_ entries are ever read.
  Fields(std::string_view line, char sep) {
    const char* start = line.data();
    const char* const end = start + line.size();
    for (const char* p = start; p != end && n_ < kMax - 1; ++p) {
      if (*p == sep) {
        begin_[n_] = start;
        size_[n_++] = static_cast<size_t>(p - start);
        start = p + 1;
      }
    }
    begin_[n_] = start;
    size_[n_++] = static_cast<size_t>(end - start);
  }
  std::string_view operator[](int i) const {
    return i < n_ ? std::string_view(begin_[i], size_[i]) : std::string_view();
  }

 private:
  const char* begin_[kMax];
  size_t size_[kMax];
  int n_ = 0;
};

// The numbers on a record's line go straight into their fields, keeping the low-order bits. The
// texts are read by hand: each has its own rule for an empty or kept value.
template <class R>
void readColumns(R& r, const Fields& f) {
  forEachField<R>([&](const auto& d) {
    using T = FieldType<decltype(d)>;
    if constexpr (std::is_integral_v<T>) {
      if (d.column > 0) d.of(r) = lowBitsOf<T>(num(f[d.column]));
    }
  });
}

std::string indexedName(std::string_view prefix, int64_t i) {
  std::string s(prefix);
  s += std::to_string(i);
  return s;
}

class SceneReader {
 public:
  SceneReader(Editor& ed, LoadMode mode, size_t textBytes, std::string imageFolder)
      : ed_(ed), doc_(ed.doc), sel_(ed.sel), mode_(mode), budget_(sceneReadBudget(textBytes)),
        imageFolder_(std::move(imageFolder)) {
    i_ = lastIndex(doc_.Objects);
  }

  void line(std::string_view line) {
    const Fields f(line, ',');
    const std::string_view key = f[0];
    if (key == "pt") {
      onPoint(f);
    } else if (key == "shapefx") {
      onFx(f);
    } else if (key == "shape") {
      onShape(f);
    } else if (key == "obj") {
      onObject(f);
    } else if (key == "key") {
      onKey(f);
    } else if (key == "gen") {
      onGen(f);
    } else if (key == "anim") {
      onAnim(f);
    }
  }

  void finish() {
    settleKeys();
    if (fxRead_) ed_.refreshFxList();
  }

 private:
  bool legacy() const { return version_ < kLegacyBelow; }

  // Grows v to n elements when the growth budget allows it; false when the line must be skipped.
  // Charged: the storage the vector reserves for it, and `extraEach` for each new element.
  template <class T>
  bool growWithin(std::vector<T>& v, int64_t n, uint64_t extraEach) {
    if (n <= static_cast<int64_t>(v.size())) return true;
    const uint64_t want = static_cast<uint64_t>(n);
    const uint64_t added = want - v.size();
    // A vector that must reallocate at least doubles.
    const uint64_t capacity =
        want <= v.capacity() ? v.capacity() : std::max<uint64_t>(want, 2 * v.size());
    const uint64_t left = budget_ - spent_;
    const uint64_t storage = (capacity - v.capacity());
    if (storage > left / sizeof(T) || added > left / (extraEach + 1)) return false;
    const uint64_t cost = storage * sizeof(T) + added * extraEach;
    if (cost > left) return false;
    spent_ += cost;
    v.resize(static_cast<size_t>(n));
    return true;
  }

  Object* objectAt(int64_t i) {
    if (i < 0 || i > lastIndex(doc_.Objects)) return nullptr;
    return &doc_.Objects[static_cast<size_t>(i)];
  }
  // Shape k of the current object, the target of "shapefx" and "pt" lines.
  Shape* currentTarget() {
    Object* o = objectInUse();
    if (!o || k_ < 0 || k_ > lastIndex(o->shapes)) return nullptr;
    return &o->shapes[static_cast<size_t>(k_)];
  }
  Object* objectInUse() { return objectSkipped_ ? nullptr : currentObject(doc_, sel_); }

  // Images are owned by their shapes; one loaded earlier in this read and now overwritten by a
  // repeated index is freed rather than leaked.
  void dropImageLoadedHere(Shape& s) {
    if (s.imageId != 0 && loadedImages_.erase(s.imageId) != 0) {
      freeImageIfValid(ed_, s.imageId);
      s.imageId = 0;
    }
  }

  void onGen(const Fields& f) {
    Object* cur = currentObject(doc_, sel_);
    if (cur) {
      if (mode_ == kLoadReplace) {
        for (size_t s = 1; s < cur->shapes.size(); ++s) dropImageLoadedHere(cur->shapes[s]);
        cur->shapes.resize(1);
      } else {
        // A merge leaves one empty shape after the current object's own.
        base_ = lastIndex(cur->shapes) + 1;
        (void)growWithin(cur->shapes, base_ + 1, kShapeExtra);
      }
    }
    version_ = readVersion(f[2]);
    if (!legacy()) return;
    if (Object* o = objectAt(i_); o && o->name.empty()) {
      unescapeInto(o->name, f[1]);
      if (o->name.empty()) o->name = indexedName("Object", i_);
    }
    if (cur) {
      if (mode_ == kLoadReplace || cur->w <= 0) cur->w = 100;
      if (mode_ == kLoadReplace || cur->h <= 0) cur->h = 100;
    }
  }

  void onObject(const Fields& f) {
    settleKeys();
    if (doc_.DocumentState >= kDocumentHasContent && mode_ != kLoadTemplate) {
      i_ = lastIndex(doc_.Objects) + 1;
    } else {
      i_ = lastIndex(doc_.Objects);
      doc_.DocumentState = kDocumentHasContent;
    }
    if (mode_ == kLoadTemplate) {
      // The template's objects are not created: their shapes follow the current object's own.
      i_ = sel_.object;
      if (const Object* cur = currentObject(doc_, sel_)) base_ = lastIndex(cur->shapes) + 1;
      return;
    }
    if (i_ < 0 || !growWithin(doc_.Objects, i_ + 1, kObjectExtra)) {
      objectSkipped_ = true;
      return;
    }
    objectSkipped_ = false;
    objectRead_ = true;
    sel_.object = i_;
    Object& o = doc_.Objects[static_cast<size_t>(i_)];
    // The file's keys, if any, follow; keys the filled object held before would override the
    // fields just read.
    o.keys.clear();
    const std::string own = indexedName("Object", i_);
    if (o.name.empty() || o.name == own) {
      unescapeInto(o.name, f[columnOf(&Object::name)]);
      if (o.name.empty()) o.name = own;
    }
    readColumns(o, f);
    if (legacy()) {
      o.alpha = 255;
      if (o.name.empty()) o.name = own;
      if (o.w <= 0) o.w = 100;
      if (o.h <= 0) o.h = 100;
    }
    base_ = 0;
  }

  void onShape(const Fields& f) {
    k_ = -1;  // until this line is accepted, its effect and point lines have no target
    Object* o = objectInUse();
    if (!o) return;
    const int64_t index = num(f[1]);
    int64_t k = 0;
    if (index > kMaxRecordIndex || __builtin_add_overflow(index, base_, &k)) return;
    if (k < 0 || k > kMaxRecordIndex) return;
    if (!growWithin(o->shapes, k + 1, kShapeExtra)) return;
    k_ = k;
    Shape& s = o->shapes[static_cast<size_t>(k)];
    dropImageLoadedHere(s);
    readColumns(s, f);
    s.depth = k;
    unescapeInto(s.name, f[columnOf(&Shape::name)]);
    if (s.name.empty()) s.name = indexedName("shape_", k);
    if (legacy() && s.alpha == 0) s.alpha = 255;
    s.lineW = std::max<int16_t>(s.lineW, 1);
    s.lineH = std::max<int16_t>(s.lineH, 1);
    s.lineDist = std::max<int16_t>(s.lineDist, 1);
    // The writer lists every point of a shape, so the point lines that follow rebuild the array
    // exactly; a curve of four points must not come back with the two extra points a new
    // shape starts with.
    s.points.resize(1);
    // The typed part's fields depend on the type: read by hand.
    if (s.type == kText) {
      const Fields sub(f[kShapeTypedColumn], ';');
      unescapeInto(s.text, sub[0]);
      unescapeInto(s.fontName, sub[1]);
      s.fontStyle = num(sub[2]);
      s.fontId = ed_.resources.loadFont(s.fontName, s.w, s.fontStyle);
    } else if (s.type == kImage) {
      const Fields sub(f[kShapeTypedColumn], ';');
      unescapeInto(s.imageFile, sub[0]);
      s.imageId = loadImage(s.imageFile);
      s.imageRepeat = toI16(num(sub[1]));
      s.imageX = toI16(num(sub[2]));
      s.imageY = toI16(num(sub[3]));
      s.imageW = toI16(num(sub[4]));
      s.imageH = toI16(num(sub[5]));
      s.imageSpare = toI16(num(sub[6]));
    }
    o->hasShape = 1;
  }

  void reportImage(const std::string& text) {
    if (imageBoxes_ < kImageBoxes) {
      ++imageBoxes_;
      ed_.prompt.message("Error", text);
    } else {
      ed_.prompt.warn(text);
    }
  }

  // Charges a new path's pixels, as its header gives them, to the read's budget; false (with
  // the report) when they do not fit. A file whose size cannot be told is left to loadImage.
  bool withinPixelBudget(const std::string& path) {
    int w = 0, h = 0;
    if (!usableImageFile(path) || !ed_.resources.imageFileSize(path, w, h)) return true;
    const int64_t pixels = static_cast<int64_t>(w) * h;
    if (pixels <= kImagePixelBudget - imagePixels_) {
      imagePixels_ += pixels;
      return true;
    }
    reportImage("Unable to load the image file " + path + ": the image is too large (" +
                std::to_string(w) + " x " + std::to_string(h) + " pixels)");
    return false;
  }

  // A relative image path names a file beside the scene when there is one there, else one in
  // the working folder.
  std::string located(const std::string& written) const {
    if (imageFolder_.empty() || written.empty() || written[0] == '/') return written;
    std::string beside = imageFolder_ + "/" + written;
    return usableImageFile(beside) ? beside : written;
  }

  int64_t loadImage(const std::string& written) {
    const std::string path = located(written);
    const auto seen = imagePaths_.find(path);
    if (seen != imagePaths_.end() && !seen->second) return 0;  // reported already
    int64_t id = 0;
    if (seen == imagePaths_.end() && !withinPixelBudget(path)) {
      // reported as too large
    } else if (seen == imagePaths_.end() && imageBoxes_ < kImageBoxes) {
      id = loadImageFile(ed_, -1, path);  // checks the file and reports a failure in a box
      if (id == 0) ++imageBoxes_;
    } else if (seen != imagePaths_.end() || usableImageFile(path)) {
      // The file was found a moment ago in this read (or is checked here, once the boxes are
      // used up): load it without asking the file system again.
      id = ed_.resources.loadImage(path);
      if (id == 0) reportImage("Unable to load the image file " + path);
    } else {
      reportImage(missingImageText(path));
    }
    imagePaths_.insert_or_assign(path, id != 0);
    if (id != 0) loadedImages_.insert(id);
    return id;
  }

  void onFx(const Fields& f) {
    Shape* s = currentTarget();
    if (!s) return;
    const int64_t n = num(f[1]);
    if (n < 0 || n > kMaxRecordIndex || !growWithin(s->fx, n + 1, 0)) return;
    ShapeFx& e = s->fx[static_cast<size_t>(n)];
    e.name = indexedName("fx_", n);
    readColumns(e, f);
    fxRead_ = true;
  }

  // "anim": the timeline of the scene. Only a replacing read takes it: a merge or a template keeps
  // the open scene's timeline.
  void onAnim(const Fields& f) {
    if (mode_ != kLoadReplace) return;
    doc_.MaxFrame = std::clamp<int64_t>(num(f[1]), 0, kMaxKeyFrame);
    doc_.Fps = static_cast<int16_t>(std::clamp<int64_t>(num(f[2]), kMinFps, kMaxFps));
  }

  // "key" lines belong to the latest object of the file: before its first "obj" line there is
  // none (they never reach an object that was there before the read). A template's keys are not
  // taken.
  void onKey(const Fields& f) {
    if (mode_ == kLoadTemplate || !objectRead_) return;
    Object* o = objectInUse();
    if (!o) return;
    // A line without a frame is no key: reading it as frame 0 would replace a good one.
    constexpr int kFrameAt = columnOf(&ObjectKey::frame);
    if (!holdsNumber(f[kFrameAt])) return;
    const int64_t frame = num(f[kFrameAt]);
    const int64_t kind = num(f[columnOf(&ObjectKey::kind)]);
    if (frame < 0 || frame > kMaxKeyFrame || kind < kKeyLinear || kind > kKeyEase) return;
    std::vector<ObjectKey>& keys = o->keys;
    ObjectKey* slot = nullptr;
    if (!keys.empty() && keys.back().frame == frame) {
      slot = &keys.back();  // the later line replaces the earlier
    } else {
      if (!keys.empty() && keys.back().frame > frame) keysInOrder_ = false;
      if (!growWithin(keys, lastIndex(keys) + 2, 0)) return;
      slot = &keys.back();
    }
    readColumns(*slot, f);  // frame and kind as checked above
    // Clamped, not wrapped: an alpha of 300 is opaque, not nearly transparent.
    slot->alpha = static_cast<uint8_t>(
        std::clamp<int64_t>(num(f[columnOf(&ObjectKey::alpha)]), 0, 255));
    keyObject_ = sel_.object;
    // Out-of-order lines are sorted when the object is done; a long run of them is settled
    // early, so one object never holds more than twice the keys it can keep.
    if (!keysInOrder_ && keys.size() > 2 * static_cast<size_t>(kMaxKeyFrame + 1)) settleKeys();
  }

  // Sorts the keys of the object the last "key" lines filled, when they came out of order.
  void settleKeys() {
    if (!keysInOrder_) {
      if (Object* o = objectAt(keyObject_)) normalizeKeys(o->keys);
    }
    keysInOrder_ = true;
  }

  void onPoint(const Fields& f) {
    Shape* s = currentTarget();
    if (!s) return;
    const int64_t n = num(f[1]);
    if (n < 0 || n > kMaxRecordIndex || !growWithin(s->points, n + 1, 0)) return;
    readColumns(s->points[static_cast<size_t>(n)], f);
  }

  Editor& ed_;
  Document& doc_;
  Selection& sel_;  // its current object is where the lines go
  const LoadMode mode_;
  int64_t i_ = 0;     // object the "obj" lines fill
  int64_t base_ = 0;  // offset added to shape indices (merges and templates)
  int64_t k_ = 0;     // shape the "shapefx" and "pt" lines fill; -1 after a rejected shape
  double version_ = 0;
  bool objectSkipped_ = false;
  bool objectRead_ = false;  // an "obj" line of this read filled an object
  int64_t keyObject_ = -1;    // object the latest "key" line filled
  bool keysInOrder_ = true;  // its keys are in ascending frame order, one a frame
  bool fxRead_ = false;
  const uint64_t budget_;
  uint64_t spent_ = 0;
  std::unordered_map<std::string, bool> imagePaths_;  // path -> loaded in this read
  const std::string imageFolder_;  // the scene file's folder; empty: the working folder
  std::unordered_set<int64_t> loadedImages_;
  int imageBoxes_ = 0;
  int64_t imagePixels_ = 0;
};

}  // namespace

int64_t readNumber(std::string_view s) { return num(s); }

std::string unescapeField(std::string_view s) {
  std::string out;
  unescapeInto(out, s);
  return out;
}

void readSceneText(Editor& ed, LoadMode mode, std::string_view text,
                   const std::string& imageFolder) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // tolerate a byte-order mark
  if (mode == kLoadReplace) {
    // The reset must not rename the document: the caller decides about name and title.
    const std::string name = ed.doc.DocumentFileName;
    const std::string title = ed.windowTitle;
    newDocument(ed, kFreshDocument, /*quiet=*/true, /*refresh=*/true);
    ed.doc.DocumentFileName = name;
    if (ed.windowTitle != title) ed.setTitle(title);
  }
  SceneReader reader(ed, mode, text.size(), imageFolder);
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    reader.line(line);
  }
  reader.finish();
}

bool looksLikeScene(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return true;  // empty
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    const std::string_view key = line.substr(0, line.find_first_of(",\r"));
    if (key == "gen" || key == "obj" || key == "shape" || key == "shapefx" || key == "pt" ||
        key == "key" || key == "anim")
      return true;
  }
  return false;
}

}  // namespace pw
