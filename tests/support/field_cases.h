// Helpers for tests that walk the records' field tables: where each record sits in a scene, and a
// scene with one field changed.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>

#include "core/fields.h"

namespace pw::test {

template <class D>
using RecordOf = typename std::remove_cvref_t<D>::Record;

// The first record of type R: object 0, its first key, its shape 0, that shape's first effect and
// first point.
template <class R>
R& firstOf(Document& d) {
  Object& o = d.Objects.at(0);
  if constexpr (std::is_same_v<R, Object>) {
    return o;
  } else if constexpr (std::is_same_v<R, ObjectKey>) {
    return o.keys.at(0);
  } else {
    Shape& s = o.shapes.at(0);
    if constexpr (std::is_same_v<R, Shape>) return s;
    if constexpr (std::is_same_v<R, ShapeFx>) return s.fx.at(0);
    if constexpr (std::is_same_v<R, ShapePoint>) return s.points.at(0);
  }
}

// A value other than v: a longer text, one element more, a number one up, or one down where up
// would wrap round or give 0 (what a record starts with, so that a field left unread shows).
template <class T>
T otherThan(const T& v) {
  if constexpr (std::is_same_v<T, std::string>) {
    return v + "z";
  } else if constexpr (std::is_arithmetic_v<T>) {
    const T up = static_cast<T>(v + 1);
    return up > v && up != 0 ? up : static_cast<T>(v - 1);
  } else if constexpr (std::is_enum_v<T>) {
    return static_cast<T>(otherThan(static_cast<std::underlying_type_t<T>>(v)));
  } else {
    T more = v;
    more.emplace_back();
    return more;
  }
}

// `base` with field d of its first record of d's type changed.
template <class D>
Document withFieldChanged(const Document& base, const D& d) {
  Document out = base;
  auto& v = d.of(firstOf<RecordOf<D>>(out));
  v = otherThan(v);
  return out;
}

// Calls check(d) for every field of every record.
template <class F>
void forEachRecordField(F&& check) {
  forEachField<Object>(check);
  forEachField<ObjectKey>(check);
  forEachField<Shape>(check);
  forEachField<ShapeFx>(check);
  forEachField<ShapePoint>(check);
}

// The label of a field in a failure message: "Shape.x".
template <class D>
std::string fieldLabel(const D& d) {
  using R = RecordOf<D>;
  const char* record = std::is_same_v<R, Object>      ? "Object"
                       : std::is_same_v<R, ObjectKey> ? "ObjectKey"
                       : std::is_same_v<R, Shape>     ? "Shape"
                       : std::is_same_v<R, ShapeFx>   ? "ShapeFx"
                                                      : "ShapePoint";
  return std::string(record) + "." + d.name;
}

}  // namespace pw::test
