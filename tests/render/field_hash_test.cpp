// The draw hashes against the field tables and the drawing: a field flagged kDrawn changes its
// record's hash, and a field without the flag never changes the picture (so a cached picture may
// ignore it).
#include <gtest/gtest.h>

#include <QImage>
#include <type_traits>
#include <vector>

#include "render/shape_hash.h"
#include "render_fixture.h"
#include "support/field_cases.h"

namespace pw {
namespace {

using test::fieldLabel;
using test::RecordOf;
using test::withFieldChanged;

constexpr int kSide = 48;

// The hash that holds field d: its object's or its shape's.
template <class D>
uint64_t drawHashFor(const D&, const Document& doc) {
  const Object& o = doc.Objects.at(0);
  if constexpr (std::is_same_v<RecordOf<D>, Object>) return objectDrawHash(o);
  return shapeDrawHash(o.shapes.at(0));
}

// Calls check(d) for every field of the records the shape and object hashes cover.
template <class F>
void forEachHashedRecordField(F&& check) {
  forEachField<Object>(check);
  forEachField<Shape>(check);
  forEachField<ShapeFx>(check);
  forEachField<ShapePoint>(check);
}

TEST(DrawHash, ChangesWithEachDrawnFieldOnly) {
  const Document base;
  forEachHashedRecordField([&](const auto& d) {
    const Document changed = withFieldChanged(base, d);
    EXPECT_EQ(drawHashFor(d, changed) != drawHashFor(d, base), d.has(kDrawn)) << fieldLabel(d);
  });
}

// Shape 0 of `type`, with a front outline effect, under a second shape.
struct HashScene {
  test::RenderFixture f{kSide, kSide};
  explicit HashScene(uint8_t type) {
    Shape& s = type == kLine ? f.addPointShape(0, kLine, {{0, 0}, {30, 6}, {8, 28}}, test::kRed)
                             : f.addShape(0, type, test::kRed);
    s.x = 6, s.y = 6, s.w = 24, s.h = 20, s.style = 0, s.closed = 1;
    ShapeFx& e = s.fx[0];
    e.active = 1, e.depth = 1, e.type = 1, e.width = 3, e.scale = 100, e.x = 2;
    e.color = test::kBlue;
    if (type == kText) {
      s.text = "Tq";
      s.fontId = f.store.loadFont("Times New roman", 20, 256);
    }
    if (type == kImage) {
      QImage img(4, 4, QImage::Format_ARGB32);
      img.fill(Qt::green);
      img.setPixelColor(0, 0, Qt::red);
      s.imageId = f.store.addImage(img);
      s.imageRepeat = 1, s.imageW = 5, s.imageH = 3, s.imageX = 1;
    }
    f.addBox(0, 20, 20, 10, 10, test::kGreen);
  }
  QImage picture() { return test::freshPicture(f.ed, f.store, kSide, kSide); }
};

TEST(DrawHash, FieldsLeftOutNeverChangeThePicture) {
  for (const uint8_t type : {kBox, kText, kImage, kLine}) {
    SCOPED_TRACE(static_cast<int>(type));
    HashScene scene(type);
    const Document base = scene.f.ed.doc;
    const QImage before = scene.picture();
    // The comparison sees a change of the shape.
    scene.f.ed.doc.Objects[0].shapes[0].x += 3;
    ASSERT_FALSE(test::sameImage(before, scene.picture()));
    forEachHashedRecordField([&](const auto& d) {
      // An object's shapes are hashed one by one.
      if constexpr (!std::is_same_v<FieldType<decltype(d)>, std::vector<Shape>>) {
        if (d.has(kDrawn)) return;
        scene.f.ed.doc = withFieldChanged(base, d);
        EXPECT_TRUE(test::sameImage(before, scene.picture())) << fieldLabel(d);
      }
    });
  }
}

}  // namespace
}  // namespace pw
