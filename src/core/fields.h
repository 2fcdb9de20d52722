// The fields of each record, listed once. The scene writer and reader, the JSON dump, the
// history's object-header copy and the draw hash walk these tables, so a field added to a record
// and to its table reaches all of them; comparisons are the records' defaulted operator==.
//
// A table lists every member of its record, in declaration order (the JSON dump's order). Each
// entry: the name the JSON dump writes, the member, what the field takes part in, and its column
// on the record's scene-file line. Fields the file writes in an irregular place (a shape's typed
// part) are kSaved with no column: the writer and reader handle them by hand.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/model.h"

namespace pw {

enum FieldFlag : unsigned {
  kSaved = 1,   // the scene file keeps it
  kDumped = 2,  // the JSON dump writes it (runtime handles and a point's tool state are left out)
  kDrawn = 4,   // the scene drawing reads it: part of the record's draw hash (an object's shapes
                // are hashed one by one, not with their object). The editing marks, drawn
                // afresh over the picture at every refresh, read others (a shape's pivot and
                // centre): those are not kDrawn.
};

template <class R, class T>
struct Field {
  using Record = R;
  using Type = T;
  const char* name;
  T R::*member;
  unsigned flags;
  int column;  // place on the record's line, the line's key being column 0; 0: not on the line

  constexpr T& of(R& r) const { return r.*member; }
  constexpr const T& of(const R& r) const { return r.*member; }
  constexpr bool has(unsigned f) const { return (flags & f) != 0; }
};

// The value type of a field descriptor d: FieldType<decltype(d)>.
template <class D>
using FieldType = typename std::remove_cvref_t<D>::Type;

template <class R, class T>
constexpr Field<R, T> field(const char* name, T R::*member, unsigned flags, int column = 0) {
  return {name, member, flags, column};
}

template <class R>
struct FieldsOf;

// The last column a line may use: the reader splits a line into at most 16 fields.
inline constexpr int kMaxColumn = 15;

// "pt,index,x,y,"
template <>
struct FieldsOf<ShapePoint> {
  static constexpr std::tuple table{
      field("x", &ShapePoint::x, kSaved | kDumped | kDrawn, 2),
      field("y", &ShapePoint::y, kSaved | kDumped | kDrawn, 3),
      field("lockX", &ShapePoint::lockX, 0),
      field("lockY", &ShapePoint::lockY, 0),
      field("dragX", &ShapePoint::dragX, 0),
      field("dragY", &ShapePoint::dragY, 0),
      field("hard", &ShapePoint::hard, 0),
  };
};

// "shapefx,index,x,y,color,alpha,depth,type,width,height,dist,scale,spareA,spareB,active"
template <>
struct FieldsOf<ShapeFx> {
  static constexpr std::tuple table{
      field("name", &ShapeFx::name, kDumped),
      field("x", &ShapeFx::x, kSaved | kDumped | kDrawn, 2),
      field("y", &ShapeFx::y, kSaved | kDumped | kDrawn, 3),
      field("type", &ShapeFx::type, kSaved | kDumped | kDrawn, 7),
      field("color", &ShapeFx::color, kSaved | kDumped | kDrawn, 4),
      field("alpha", &ShapeFx::alpha, kSaved | kDumped, 5),
      field("depth", &ShapeFx::depth, kSaved | kDumped | kDrawn, 6),
      field("width", &ShapeFx::width, kSaved | kDumped | kDrawn, 8),
      field("height", &ShapeFx::height, kSaved | kDumped | kDrawn, 9),
      field("spareA", &ShapeFx::spareA, kSaved | kDumped, 12),
      field("spareB", &ShapeFx::spareB, kSaved | kDumped, 13),
      field("scale", &ShapeFx::scale, kSaved | kDumped | kDrawn, 11),
      field("dist", &ShapeFx::dist, kSaved | kDumped | kDrawn, 10),
      field("active", &ShapeFx::active, kSaved | kDumped | kDrawn, 14),
  };
};

// "shape,index,color,name,alpha,style,lineW,lineH,lineDist,type,w,h,<typed part>,x,y,", then the
// shape's "shapefx" lines, then its "pt" lines. The typed part (column kShapeTypedColumn) holds
// "text;fontName;fontStyle;" for a text shape,
// "imageFile;imageRepeat;imageX;imageY;imageW;imageH;imageSpare;" for an image, else nothing.
inline constexpr int kShapeTypedColumn = 12;

template <>
struct FieldsOf<Shape> {
  static constexpr std::tuple table{
      field("name", &Shape::name, kSaved | kDumped, 3),
      field("points", &Shape::points, kSaved | kDumped | kDrawn),
      field("fx", &Shape::fx, kSaved | kDumped | kDrawn),
      field("type", &Shape::type, kSaved | kDumped | kDrawn, 9),
      field("text", &Shape::text, kSaved | kDumped | kDrawn),
      field("fontId", &Shape::fontId, kDrawn),
      field("fontName", &Shape::fontName, kSaved | kDumped),
      field("fontStyle", &Shape::fontStyle, kSaved | kDumped),
      field("imageId", &Shape::imageId, kDrawn),
      field("imageRepeat", &Shape::imageRepeat, kSaved | kDumped | kDrawn),
      field("imageW", &Shape::imageW, kSaved | kDumped | kDrawn),
      field("imageH", &Shape::imageH, kSaved | kDumped | kDrawn),
      field("imageSpare", &Shape::imageSpare, kSaved | kDumped),
      field("imageX", &Shape::imageX, kSaved | kDumped | kDrawn),
      field("imageY", &Shape::imageY, kSaved | kDumped | kDrawn),
      field("imageFile", &Shape::imageFile, kSaved | kDumped),
      field("dragScale", &Shape::dragScale, kDumped),
      field("dragAngle", &Shape::dragAngle, kDumped),
      field("x", &Shape::x, kSaved | kDumped | kDrawn, 13),
      field("y", &Shape::y, kSaved | kDumped | kDrawn, 14),
      field("w", &Shape::w, kSaved | kDumped | kDrawn, 10),
      field("h", &Shape::h, kSaved | kDumped | kDrawn, 11),
      field("startX", &Shape::startX, kDumped),
      field("startY", &Shape::startY, kDumped),
      field("pivotX", &Shape::pivotX, kDumped),
      field("pivotY", &Shape::pivotY, kDumped),
      field("cx", &Shape::cx, kDumped),
      field("cy", &Shape::cy, kDumped),
      field("color", &Shape::color, kSaved | kDumped | kDrawn, 2),
      field("paint", &Shape::paint, kDumped),
      field("gradient", &Shape::gradient, kDumped),
      field("alpha", &Shape::alpha, kSaved | kDumped | kDrawn, 4),
      field("closed", &Shape::closed, kDumped | kDrawn),
      field("link", &Shape::link, kDumped | kDrawn),
      field("depth", &Shape::depth, kDumped),
      // Not dumped as it is: the dump writes "selected" in its place, from the selection.
      field("id", &Shape::id, 0),
      field("hidden", &Shape::hidden, kDumped | kDrawn),
      field("locked", &Shape::locked, kDumped),
      field("style", &Shape::style, kSaved | kDumped | kDrawn, 5),
      field("lineW", &Shape::lineW, kSaved | kDumped | kDrawn, 6),
      field("lineH", &Shape::lineH, kSaved | kDumped | kDrawn, 7),
      field("lineDist", &Shape::lineDist, kSaved | kDumped | kDrawn, 8),
  };
};

// "key,frame,kind,x,y,w,h,rotX,rotY,angle,alpha,"
template <>
struct FieldsOf<ObjectKey> {
  static constexpr std::tuple table{
      field("frame", &ObjectKey::frame, kSaved | kDumped, 1),
      field("kind", &ObjectKey::kind, kSaved | kDumped, 2),
      field("x", &ObjectKey::x, kSaved | kDumped, 3),
      field("y", &ObjectKey::y, kSaved | kDumped, 4),
      field("w", &ObjectKey::w, kSaved | kDumped, 5),
      field("h", &ObjectKey::h, kSaved | kDumped, 6),
      field("rotX", &ObjectKey::rotX, kSaved | kDumped, 7),
      field("rotY", &ObjectKey::rotY, kSaved | kDumped, 8),
      field("angle", &ObjectKey::angle, kSaved | kDumped, 9),
      field("alpha", &ObjectKey::alpha, kSaved | kDumped, 10),
  };
};

// "obj,name,x,y,w,h,depth,hidden,locked,alpha,spare,", then its "key" lines, then its shapes.
template <>
struct FieldsOf<Object> {
  static constexpr std::tuple table{
      field("name", &Object::name, kSaved | kDumped, 1),
      field("hidden", &Object::hidden, kSaved | kDumped | kDrawn, 7),
      field("locked", &Object::locked, kSaved | kDumped, 8),
      field("hasShape", &Object::hasShape, kDumped),
      field("shapes", &Object::shapes, kSaved | kDumped),
      field("depth", &Object::depth, kSaved | kDumped, 6),
      field("alpha", &Object::alpha, kSaved | kDumped | kDrawn, 9),
      field("spare", &Object::spare, kSaved | kDumped, 10),
      field("x", &Object::x, kSaved | kDumped | kDrawn, 2),
      field("y", &Object::y, kSaved | kDumped | kDrawn, 3),
      field("w", &Object::w, kSaved | kDumped | kDrawn, 4),
      field("h", &Object::h, kSaved | kDumped | kDrawn, 5),
      field("rotX", &Object::rotX, kDumped | kDrawn),
      field("rotY", &Object::rotY, kDumped | kDrawn),
      field("angle", &Object::angle, kDumped | kDrawn),
      field("keys", &Object::keys, kSaved | kDumped),
  };
};

// Calls visit(d) with the descriptor d of each field of R, in declaration order; d.of(record) is
// the field's value.
template <class R, class F>
constexpr void forEachField(F&& visit) {
  std::apply([&](const auto&... d) { (visit(d), ...); }, FieldsOf<R>::table);
}

// True for the records that have a field table (the nested arrays' elements among them).
template <class T>
concept FieldRecord = requires { FieldsOf<T>::table; };

template <class R>
constexpr int lastColumn() {
  int last = 0;
  forEachField<R>([&](const auto& d) { last = std::max(last, d.column); });
  return last;
}

// The column of R's field `member`; 0 when it has none.
template <class R, class T>
constexpr int columnOf(T R::*member) {
  int column = 0;
  forEachField<R>([&](const auto& d) {
    if constexpr (std::is_same_v<FieldType<decltype(d)>, T>) {
      if (d.member == member) column = d.column;
    }
  });
  return column;
}

namespace fields_detail {

template <class R>
constexpr size_t fieldCount() {
  return std::tuple_size_v<std::remove_cvref_t<decltype(FieldsOf<R>::table)>>;
}

// Index in R's table of the field on `column`; fieldCount<R>() when there is none.
template <class R>
constexpr size_t fieldAtColumn(int column) {
  size_t at = fieldCount<R>(), i = 0;
  forEachField<R>([&](const auto& d) {
    if (d.column == column) at = i;
    ++i;
  });
  return at;
}

template <class R, int Column, class F>
void visitColumn(F& visit) {
  constexpr size_t i = fieldAtColumn<R>(Column);
  static_assert(i < fieldCount<R>(), "every column of the run belongs to a field");
  visit(std::get<i>(FieldsOf<R>::table));
}

// A column belongs to one saved field at most, and lies within kMaxColumn.
template <class R>
constexpr bool columnsWellFormed() {
  bool ok = lastColumn<R>() <= kMaxColumn;
  for (int c = 1; c <= lastColumn<R>(); ++c) {
    int n = 0;
    forEachField<R>([&](const auto& d) { n += d.column == c ? 1 : 0; });
    ok = ok && n <= 1;
  }
  forEachField<R>([&](const auto& d) { ok = ok && (d.column == 0 || d.has(kSaved)); });
  return ok;
}

static_assert(columnsWellFormed<ShapePoint>() && columnsWellFormed<ShapeFx>() &&
              columnsWellFormed<Shape>() && columnsWellFormed<ObjectKey>() &&
              columnsWellFormed<Object>());

}  // namespace fields_detail

// Calls visit(d) for the fields on columns First ... Last of R's line, in column order. Every
// column of the run must belong to a field.
template <class R, int First = 1, int Last = lastColumn<R>(), class F>
void forEachColumn(F&& visit) {
  [&]<int... C>(std::integer_sequence<int, C...>) {
    (fields_detail::visitColumn<R, First + C>(visit), ...);
  }(std::make_integer_sequence<int, Last - First + 1>{});
}

// A number read from a file stored in a field of type T: the low-order bits, as toI16 and toU8.
template <class T>
constexpr T lowBitsOf(int64_t v) {
  return static_cast<T>(static_cast<std::make_unsigned_t<T>>(v));
}

}  // namespace pw
