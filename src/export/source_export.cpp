#include "export/source_export.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <string_view>

#include "fileio/atomic_file.h"

namespace pw {

namespace {

constexpr int64_t kOriginStart = 1000;
constexpr const char* kEol = "\r\n";

// Coordinates are sums and differences of 64-bit positions; they are worked out exactly in 128
// bits, so extreme positions never overflow, and only a written number that does not fit in 64
// bits is held at the nearest 64-bit value.
__extension__ typedef __int128 Wide;

std::string num(int64_t v) { return std::to_string(v); }

// A coordinate, held within the 64-bit range.
std::string coord(Wide v) {
  constexpr int64_t lo = std::numeric_limits<int64_t>::min();
  constexpr int64_t hi = std::numeric_limits<int64_t>::max();
  return std::to_string(static_cast<int64_t>(std::clamp<Wide>(v, lo, hi)));
}

// "(A+x)*Z, (B+y)*Z"
std::string pair(Wide a, Wide b) {
  return "(" + coord(a) + "+x)*Z, (" + coord(b) + "+y)*Z";
}

struct Origin {
  Wide x = kOriginStart, y = kOriginStart;
  // A candidate replaces the origin only when it is strictly smaller on both axes.
  void offer(Wide cx, Wide cy) {
    if (cx < x && cy < y) {
      x = cx;
      y = cy;
    }
  }
};

Origin findOrigin(const Object& obj) {
  Origin o;
  for (const Shape& s : obj.shapes) {  // hidden shapes take part too
    const Wide x = s.x, y = s.y, w = s.w, h = s.h;
    switch (s.type) {
      case kCircle:
        if (x - w >= w && y - h >= h) o.offer(x - w, y - h);
        break;
      case kBox:
      case kRoundBox:
        if (x >= 0 && y >= 1) o.offer(x, y);
        break;
      case kComplex:
      case kLine:
      case kCurve:
        for (const ShapePoint& p : s.points) o.offer(Wide{p.x} + x, Wide{p.y} + y);
        break;
      default:
        break;
    }
  }
  return o;
}

class Writer {
 public:
  void line(std::string_view s = {}) {
    out_.append(s);
    out_.append(kEol);
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

void writeShape(Writer& w, const Shape& s, const Origin& origin) {
  const Wide ox = s.x - origin.x, oy = s.y - origin.y;
  const int64_t last = lastIndex(s.points);
  // A shape without points draws from its own position.
  const auto px = [&](int64_t k) { return (k <= last ? Wide{s.points[k].x} : 0) + ox; };
  const auto py = [&](int64_t k) { return (k <= last ? Wide{s.points[k].y} : 0) + oy; };
  const auto P = [&](int64_t k) { return pair(px(k), py(k)); };
  const std::string size =
      "(" + num(s.w) + "*ScaleX)*Z, (" + num(s.h) + "*ScaleY)*Z";

  w.line("    MovePathCursor(" + P(0) + ")");
  switch (s.type) {
    case kComplex:
      for (int64_t i = 0; i <= last; i += 3) {
        int64_t a = i + 1;
        if (a > last) a = 0;
        int64_t b = a + 1;
        if (b > last) b = 0;
        const int64_t c = b + 1;
        const std::string end = c > last ? P(0) : P(c);
        w.line("    AddPathCurve(" + P(a) + ", " + P(b) + ", " + end + ")");
      }
      break;
    case kBox:
      w.line("    AddPathBox(" + P(0) + ", " + size + ")");
      break;
    case kCircle:
      w.line("    AddPathEllipse(" + P(0) + ", " + size + ")");
      break;
    case kText:
      w.line("    MovePathCursor(" + pair(ox, oy) + ")");
      w.line("    VectorFont(FontID(Font), (" + num(s.w) + "*ScaleX)*Z)");
      w.line("    txt$ = " + sourceStringLiteral(s.text) +
             " ; you can comment this line if needed and use the txt parameter in the procedure");
      w.line("    AddPathText(txt$)");
      break;
    default:
      break;
  }
  if (s.link != 0) return;  // the path goes on into the next shape

  // The colour is a signed 32-bit RGBA value.
  w.line("    VectorSourceColor(" + num(static_cast<int32_t>(static_cast<uint32_t>(s.color))) +
         ")");
  switch (s.style) {
    case kStyleFilled: w.line("    FillPath()"); break;
    case kStyleLine: w.line("    StrokePath(" + num(s.lineW) + ",#PB_Path_RoundEnd)"); break;
    case kStyleDash: w.line("    DashPath(" + num(s.lineW) + ", " + num(s.lineH) + ")"); break;
    case kStyleDot:
      w.line("    DotPath(" + num(s.lineW) + ", " + num(s.lineH) + ",#PB_Path_RoundEnd)");
      break;
    default: break;
  }
  w.line();
}

}  // namespace

std::string sourceFileName(const std::string& chosen) {
  const size_t slash = chosen.find_last_of('/');
  const size_t baseAt = slash == std::string::npos ? 0 : slash + 1;
  std::string base = chosen.substr(baseAt);
  for (size_t at = 0; (at = base.find(".pb", at)) != std::string::npos;) base.erase(at, 3);
  const size_t dot = base.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : base.substr(dot + 1);
  if (ext != "pb") base += ".pb";
  return chosen.substr(0, baseAt) + base;
}

std::string sourceStringLiteral(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    if (ch == '"' || u < 32) {
      out += "\" + Chr(" + std::to_string(u) + ") + \"";
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string sourceProcedureName(const std::string& name) {
  std::string out;
  out.reserve(name.size() + 1);
  bool inWide = false;  // inside a UTF-8 sequence whose lead byte was written as "_"
  for (const char ch : name) {
    const auto u = static_cast<unsigned char>(ch);
    const bool continuation = (u & 0xC0) == 0x80;
    if (continuation && inWide) continue;
    inWide = u >= 0x80;
    const bool word = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                      (ch >= '0' && ch <= '9') || ch == '_';
    out += word ? ch : '_';
  }
  if (out.empty()) return "Object";
  if (out[0] >= '0' && out[0] <= '9') out.insert(out.begin(), '_');
  return out;
}

std::string sourceCodeText(const Object& obj, const std::string& date) {
  const Origin origin = findOrigin(obj);
  Writer w;
  w.line(std::string("; Made with Penwick ! ") + kVersionText);
  w.line("; Date : " + date);
  w.line("; Pb Version : 5.42 + ");
  w.line();
  w.line("Global Zoom.f = 1");
  w.line();
  w.line();
  w.line("Procedure " + sourceProcedureName(obj.name) + "(x,y,ScaleX.f=1,ScaleY.f=1,font=-1,txt$=\"\")");
  w.line();
  w.line("    Protected Z.f");
  w.line("    Z = Zoom");
  for (const Shape& s : obj.shapes)
    if (s.hidden == 0) writeShape(w, s, origin);
  w.line();
  w.line("EndProcedure ");
  w.line();
  w.line();
  return w.take();
}

std::string localDateText() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%d/%m/%Y", &tm);
  return buf;
}

bool writeSourceCode(const Document& doc, int64_t objectIndex, const std::string& path,
                     std::string* err) {
  if (objectIndex < 0 || objectIndex > lastIndex(doc.Objects)) {
    if (err) *err = "there is no object " + std::to_string(objectIndex);
    return false;
  }
  return writeFileAtomic(path, sourceCodeText(doc.Objects[objectIndex], localDateText()), err);
}

bool exportSourceCode(Editor& ed) {
  if (!currentObject(ed.doc, ed.sel)) return false;
  const std::string chosen = ed.prompt.saveFile("Save Purebasic Command...", "",
                                                "Pb files (.pb)|*.pb|All Files|*.*");
  if (chosen.empty()) return false;
  const std::string name = sourceFileName(chosen);
  std::string err;
  if (writeSourceCode(ed.doc, ed.sel.object, name, &err)) return true;
  ed.prompt.message("Error", "Cannot save " + name + (err.empty() ? "" : " (" + err + ")"));
  return false;
}

}  // namespace pw
