// The benchmark scenes as SVG, for timing a general SVG renderer against the image export on
// the same geometry: paths with even-odd fills, strokes with caps, joins and dash arrays as
// the editor paints them, colours with alpha, text in the Liberation faces and images by file.
#pragma once

#include <QPainterPath>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "draw_list.h"

namespace pwbench {

namespace svg {

inline std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s(buf);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

inline std::string escape(const std::string& t) {
  std::string out;
  for (char c : t) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

inline std::string rgb(int64_t c) {
  return "rgb(" + std::to_string(pw::redOf(c)) + "," + std::to_string(pw::greenOf(c)) + "," +
         std::to_string(pw::blueOf(c)) + ")";
}

inline std::string opacity(int a) { return num(a / 255.0); }

// Path data of a QPainterPath. A figure whose last segment comes back to its start is closed
// with "Z" (a straight closing segment becomes the "Z" itself).
inline std::string pathData(const QPainterPath& p) {
  std::string d;
  QPointF start;
  const int n = p.elementCount();
  auto endsFigure = [&](int next) { return next >= n || p.elementAt(next).isMoveTo(); };
  for (int i = 0; i < n; ++i) {
    const QPainterPath::Element e = p.elementAt(i);
    if (e.isMoveTo()) {
      if (!d.empty()) d += ' ';
      d += "M" + num(e.x) + " " + num(e.y);
      start = QPointF(e.x, e.y);
    } else if (e.isLineTo()) {
      const bool closing = QPointF(e.x, e.y) == start && endsFigure(i + 1);
      d += closing ? std::string("Z") : "L" + num(e.x) + " " + num(e.y);
    } else if (e.isCurveTo() && i + 2 < n) {
      const QPainterPath::Element c2 = p.elementAt(i + 1);
      const QPainterPath::Element end = p.elementAt(i + 2);
      d += "C" + num(e.x) + " " + num(e.y) + " " + num(c2.x) + " " + num(c2.y) + " " +
           num(end.x) + " " + num(end.y);
      i += 2;
      if (QPointF(end.x, end.y) == start && endsFigure(i + 1)) d += "Z";
    }
  }
  return d;
}

// Fill or stroke attributes of a paint.
inline std::string paintAttrs(const Paint& p) {
  const int a = pw::alphaOf(p.rgba);
  if (p.kind == PaintKind::kFill) {
    return "fill=\"" + rgb(p.rgba) + "\" fill-opacity=\"" + opacity(a) + "\" fill-rule=\"evenodd\"";
  }
  std::string s = "fill=\"none\" stroke=\"" + rgb(p.rgba) + "\" stroke-opacity=\"" + opacity(a) +
                  "\" stroke-width=\"" + num(p.width) + "\" stroke-linejoin=\"miter\"";
  s += p.roundEnds ? " stroke-linecap=\"round\"" : " stroke-linecap=\"butt\"";
  if (p.kind == PaintKind::kDashed) {
    s += " stroke-dasharray=\"" + num(p.length) + " " + num(p.length) + "\"";
  } else if (p.kind == PaintKind::kDotted) {
    // A near-zero dash with round caps: one dot every (distance - width).
    s += " stroke-dasharray=\"" + num(std::max(p.width * 0.000001, 0.001)) + " " +
         num(p.length - p.width) + "\"";
  }
  return s;
}

// SVG family for the editor's face names; the bold flag is 256, italic 512.
inline std::string fontAttrs(const TextRun& t) {
  std::string lower;
  for (char c : t.fontName) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool serif = lower.find("times") != std::string::npos;
  std::string s = std::string("font-family=\"") + (serif ? "Liberation Serif" : "Liberation Sans") +
                  "\" font-size=\"" + num(t.size) + "\"";
  if (t.fontStyle & 256) s += " font-weight=\"bold\"";
  if (t.fontStyle & 512) s += " font-style=\"italic\"";
  return s;
}

// Baseline of a text whose top-left is at y: the Liberation faces ascend about 0.9 em.
inline double baseline(const TextRun& t) { return t.y + 0.891 * t.size; }

}  // namespace svg

// The whole document as an SVG of width x height, in export drawing order.
inline std::string svgText(const std::vector<DrawItem>& items, int width, int height) {
  using namespace svg;
  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
         "width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
         "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) + "\">\n";
  for (const DrawItem& it : items) {
    if (it.kind == DrawItem::Kind::kImage) {
      out += "<image x=\"" + num(it.rect.x()) + "\" y=\"" + num(it.rect.y()) + "\" width=\"" +
             num(it.rect.width()) + "\" height=\"" + num(it.rect.height()) +
             "\" preserveAspectRatio=\"none\" opacity=\"" + opacity(it.alpha) + "\" href=\"" +
             escape(it.imageFile) + "\" xlink:href=\"" + escape(it.imageFile) + "\"/>\n";
      continue;
    }
    const std::string attrs = paintAttrs(it.paint);
    if (!it.path.isEmpty()) {
      out += "<path d=\"" + pathData(it.path) + "\" " + attrs + "/>\n";
    }
    for (const TextRun& t : it.texts) {
      out += "<text x=\"" + num(t.x) + "\" y=\"" + num(baseline(t)) + "\" " + fontAttrs(t) + " " +
             attrs + ">" + escape(t.text) + "</text>\n";
    }
  }
  out += "</svg>\n";
  return out;
}

inline std::string svgText(const pw::Document& doc, int width, int height) {
  return svgText(flattenScene(doc, DrawRules::kExport), width, height);
}

}  // namespace pwbench
