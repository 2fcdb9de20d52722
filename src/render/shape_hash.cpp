#include "render/shape_hash.h"

#include <QtGlobal>
#include <bit>
#include <cmath>
#include <functional>
#include <string>
#include <type_traits>

#include "core/fields.h"

namespace pw {

void Hasher::add(std::string_view s) {
  add(s.size());
  add(std::hash<std::string_view>{}(s));
}

namespace {

// Adds what drawing reads of a value: a record's kDrawn fields, an array's size and elements.
template <class T>
void addDrawn(Hasher& h, const T& v) {
  if constexpr (std::is_integral_v<T>) {
    h.addSigned(v);
  } else if constexpr (std::is_enum_v<T>) {
    h.add(static_cast<uint64_t>(v));
  } else if constexpr (std::is_floating_point_v<T>) {
    h.add(std::bit_cast<uint64_t>(static_cast<double>(v)));
  } else if constexpr (std::is_same_v<T, std::string>) {
    h.add(std::string_view(v));
  } else if constexpr (FieldRecord<T>) {
    forEachField<T>([&](const auto& d) {
      if (d.has(kDrawn)) addDrawn(h, d.of(v));
    });
  } else {
    h.add(v.size());
    for (const auto& e : v) addDrawn(h, e);
  }
}

}  // namespace

uint64_t shapeDrawHash(const Shape& s) {
  Hasher h;
  addDrawn(h, s);
  return h.value();
}

uint64_t objectDrawHash(const Object& o) {
  Hasher h;
  addDrawn(h, o);
  return h.value();
}

uint64_t shapeStructureHash(const Shape& s) {
  Hasher h;
  h.add(s.type);
  h.add(s.style);
  h.add(s.link);
  h.add(s.hidden);
  h.add(s.points.empty() ? 0 : 1);
  h.add(s.fx.size());
  for (const ShapeFx& f : s.fx) {
    h.add(f.active);
    h.add(f.depth);
    h.add(f.type);
  }
  return h.value();
}

bool objectDrawn(const Document& doc, const View& view, int64_t i) {
  const auto& objects = doc.Objects;
  if (i < 0 || i > lastIndex(objects)) return false;
  const Object& o = objects[static_cast<size_t>(i)];
  if (o.hidden == 1) return false;
  if (!view.objectTransforms) return true;
  // The same test as the shape loop's: a singular object transform draws nothing.
  const double zoom = view.zoom;
  const double det = (zoom * o.w * 0.01) * (zoom * o.h * 0.01);
  return std::isfinite(det) && !qFuzzyIsNull(det);
}

bool shapeDrawn(const Document& doc, const View& view, int64_t i, int64_t j) {
  if (!objectDrawn(doc, view, i)) return false;
  const Object& o = doc.Objects[static_cast<size_t>(i)];
  if (j < 0 || j > lastIndex(o.shapes)) return false;
  if (view.onlyShape >= 0 && j != view.onlyShape) return false;
  const Shape& s = o.shapes[static_cast<size_t>(j)];
  return s.hidden != 1 && !s.points.empty();
}

bool shapeClearsPath(const Object& o, int64_t j) {
  const Shape& s = o.shapes[static_cast<size_t>(j)];
  // Painted at once only when not linked to the next shape, in a painting style.
  if (!(s.link == 0 || j == lastIndex(o.shapes)) || s.style > kStyleDot) return false;
  // A front effect of an unknown kind leaves its outline for the next paint.
  for (const ShapeFx& f : s.fx) {
    if (f.active == 1 && f.depth == kFxFront && f.type > kStyleDot) return false;
  }
  return true;
}

}  // namespace pw
