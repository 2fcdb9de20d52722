// The in-memory scene: objects (layers) holding shapes, shapes holding points and effects.
// Plain records in growable arrays addressed by index. A new element is zeroed and its nested
// arrays exist at once: an Object starts with one Shape, a Shape with six points, one effect and
// one gradient stop. Two records are equal when every field is.
//
// Each record's fields are listed once more in core/fields.h, which the scene file, the JSON dump,
// the history and the draw hash walk: a new field is added to its table there too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/selection.h"
#include "core/shape_id.h"

namespace pw {

inline constexpr const char* kVersionText = "0.15";
inline constexpr double kVersion = 0.15;
inline constexpr const char* kAppTitle = "Penwick Animation 0.15";

enum ShapeType : uint8_t {
  kComplex = 0,
  kBox = 1,
  kRoundBox = 2,
  kCircle = 3,
  kLine = 4,
  kCurve = 5,
  kImage = 6,
  kText = 7,
};

// How a shape (`Shape::style`) or an effect (`ShapeFx::type`) paints its outline: the list
// "filled,line,dash,dot,custom". A custom outline is not painted: it joins the next painted path.
enum StrokeStyle : uint8_t {
  kStyleFilled = 0,
  kStyleLine = 1,
  kStyleDash = 2,
  kStyleDot = 3,
  kStyleCustom = 4,
};

// Where an effect (`ShapeFx::depth`) is drawn: "Back,Front,All back,All front".
enum FxDepth : uint8_t {
  kFxBack = 0,
  kFxFront = 1,
  kFxAllBack = 2,
  kFxAllFront = 3,
};

// `Shape::imageRepeat`: the image stretched to the shape's size, or repeated as a brush.
inline constexpr int16_t kImageStretched = 0;
inline constexpr int16_t kImageRepeated = 2;

// Packed colour: r | g << 8 | b << 16 | a << 24, formed as a signed 32-bit value and held
// sign-extended, so every colour with alpha >= 128 is negative.
constexpr int64_t packRGBA(int r, int g, int b, int a) {
  const uint32_t v = static_cast<uint32_t>(r & 255) | static_cast<uint32_t>(g & 255) << 8 |
                     static_cast<uint32_t>(b & 255) << 16 | static_cast<uint32_t>(a & 255) << 24;
  return static_cast<int64_t>(static_cast<int32_t>(v));
}
constexpr int redOf(int64_t c) { return static_cast<int>(c & 255); }
constexpr int greenOf(int64_t c) { return static_cast<int>((c >> 8) & 255); }
constexpr int blueOf(int64_t c) { return static_cast<int>((c >> 16) & 255); }
constexpr int alphaOf(int64_t c) { return static_cast<int>((c >> 24) & 255); }

inline constexpr int64_t kShapeColor = packRGBA(220, 220, 120, 255);  // -8856356
inline constexpr int64_t kFxColor = packRGBA(255, 120, 0, 255);       // -16746241

struct ShapePoint {
  int64_t x = 0, y = 0;
  uint8_t lockX = 0, lockY = 0;
  int64_t dragX = 0, dragY = 0;
  uint8_t hard = 0;
  bool operator==(const ShapePoint&) const = default;
};

struct ShapeFx {
  std::string name;
  int16_t x = 0, y = 0;
  uint8_t type = 0;
  int64_t color = 0;
  uint8_t alpha = 0;
  uint8_t depth = 0;
  int64_t width = 0, height = 0;
  int16_t spareA = 0, spareB = 0;
  int16_t scale = 0;
  int64_t dist = 0;
  uint8_t active = 0;
  bool operator==(const ShapeFx&) const = default;
};

// The values an effect's parameters may take: the ranges of the "FX" tab's controls.
inline constexpr int kFxOffsetMax = 10000;  // x and y: -kFxOffsetMax ... kFxOffsetMax
inline constexpr int kFxScaleMax = 10000;   // scale in percent: -kFxScaleMax ... kFxScaleMax
inline constexpr int kFxSizeMin = 1;        // width, height and dist are stored at least 1
inline constexpr int kFxSizeMax = 1000;     // and at most 1000 (the spins show 0 ... 1000)
inline constexpr int kFxTypeMax = kStyleDot;     // type: "filled", "line", "dash", "dot"
inline constexpr int kFxDepthMax = kFxAllFront;  // depth: "Back", "Front", "All back", "All front"
inline constexpr int kFxAlphaMax = 255;

struct Shape {
  std::string name;
  std::vector<ShapePoint> points = std::vector<ShapePoint>(6);
  std::vector<ShapeFx> fx = std::vector<ShapeFx>(1);
  uint8_t type = 0;
  std::string text;
  int64_t fontId = 0;
  std::string fontName;
  int64_t fontStyle = 0;
  int64_t imageId = 0;
  int16_t imageRepeat = 0;
  int16_t imageW = 0, imageH = 0;
  int16_t imageSpare = 0;
  int16_t imageX = 0, imageY = 0;
  std::string imageFile;
  double dragScale = 0;
  int16_t dragAngle = 0;
  int16_t x = 0, y = 0, w = 0, h = 0;
  int16_t startX = 0, startY = 0;
  int16_t pivotX = 0, pivotY = 0;
  int16_t cx = 0, cy = 0;
  int64_t color = 0;
  uint8_t paint = 0;
  std::vector<int64_t> gradient = std::vector<int64_t>(1);
  uint8_t alpha = 0;
  uint8_t closed = 0;
  uint8_t link = 0;
  int64_t depth = 0;
  ShapeId id = newShapeId();  // runtime identity: the selection holds shapes by it
  uint8_t hidden = 0;
  uint8_t locked = 0;
  uint8_t style = 0;
  int16_t lineW = 0, lineH = 0, lineDist = 0;
  bool operator==(const Shape&) const = default;
};

// A key of an animated object: at `frame` the object's transform fields take these values.
// `kind` says how the values move on to the next key: 0 linear, 1 hold, 2 ease in-out
// (smoothstep).
struct ObjectKey {
  int16_t frame = 0;  // 0 ... 32767
  uint8_t kind = 0;
  int64_t x = 0, y = 0;
  int16_t w = 0, h = 0;
  int16_t rotX = 0, rotY = 0, angle = 0;
  uint8_t alpha = 0;
  bool operator==(const ObjectKey&) const = default;
};

inline constexpr int kKeyLinear = 0;
inline constexpr int kKeyHold = 1;
inline constexpr int kKeyEase = 2;
inline constexpr int64_t kDefaultMaxFrame = 300;
inline constexpr int16_t kDefaultFps = 24;

struct Object {
  std::string name;
  uint8_t hidden = 0;
  uint8_t locked = 0;
  uint8_t hasShape = 0;
  std::vector<Shape> shapes = std::vector<Shape>(1);
  uint8_t depth = 0;
  uint8_t alpha = 0;
  uint8_t spare = 0;
  int64_t x = 0, y = 0;
  int16_t w = 0, h = 0;
  int16_t rotX = 0, rotY = 0, angle = 0;
  std::vector<ObjectKey> keys;  // ascending frame, at most one key a frame
  bool operator==(const Object&) const = default;
};

// `Document::DocumentState`: a fresh document, whose object 0 holds only its empty placeholder
// shape (no shape is drawn, listed or picked), or one with content.
inline constexpr int8_t kDocumentFresh = -1;
inline constexpr int8_t kDocumentHasContent = 1;

struct Document {
  std::vector<Object> Objects = std::vector<Object>(1);
  std::string DocumentFileName;
  std::string TemplateFileName = "1-defaut.txt";
  int8_t DocumentState = kDocumentFresh;
  // The timeline: last frame (the counter wraps to 0 after it) and frames per second.
  int64_t MaxFrame = kDefaultMaxFrame;
  int16_t Fps = kDefaultFps;
};

// Last index of an array: count - 1.
template <class T>
int64_t lastIndex(const std::vector<T>& v) {
  return static_cast<int64_t>(v.size()) - 1;
}

// Grows v to at least n elements (never shrinks); new elements are default (zeroed) records.
template <class T>
void growTo(std::vector<T>& v, int64_t n) {
  if (n > static_cast<int64_t>(v.size())) v.resize(static_cast<size_t>(n));
}

// Guarded access through the selection's indices; nullptr when an index is out of range.
Object* currentObject(Document& doc, const Selection& sel);
Shape* currentShape(Document& doc, const Selection& sel);
ShapePoint* currentPoint(Document& doc, const Selection& sel);
ShapeFx* currentFx(Document& doc, const Selection& sel);
const Object* currentObject(const Document& doc, const Selection& sel);
const Shape* currentShape(const Document& doc, const Selection& sel);

// Makes the current point hard (both neighbours collapse onto it) or soft (previous neighbour
// at (x + 20, y), next at (x - 20, y)). Neighbours wrap around the point array.
void setPointKind(Document& doc, const Selection& sel, bool hard);

// Narrowing stores keep the low-order bits, as a 16-bit or 8-bit field does.
constexpr int16_t toI16(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }
constexpr uint8_t toU8(int64_t v) { return static_cast<uint8_t>(v); }
constexpr int8_t toI8(int64_t v) { return static_cast<int8_t>(static_cast<uint8_t>(v)); }

}  // namespace pw
