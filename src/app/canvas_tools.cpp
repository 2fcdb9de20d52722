#include "app/canvas_tools.h"

#include <QtCore/qnamespace.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <utility>
#include <vector>

#include "core/create.h"
#include "core/shape_drag.h"

namespace pw {

namespace {

constexpr std::array<const char*, 8> kTypeNames = {"Complex", "Box",   "RoundBox", "Circle",
                                                   "Line",    "Curve", "Image",    "Text"};

constexpr int64_t kPickSquare = 3;       // half side of the point-picking square
constexpr int64_t kPickDistanceSq = 36;  // squared pick distance (6 units)
constexpr int64_t kControlOffset = 20;   // controls of an added path point, each side

bool isEditingTool(int tool) { return tool >= kToolMove && tool <= kToolDeletePoint; }
bool isPath(uint8_t type) { return type == kComplex || type == kCurve; }
bool isPointShape(uint8_t type) { return isPath(type) || type == kLine; }
// Shapes sized by w and h rather than by their points.
bool isSized(uint8_t type) {
  return type == kBox || type == kRoundBox || type == kCircle || type == kImage || type == kText;
}

int64_t prevIndex(int64_t k, int64_t last) { return k == 0 ? last : k - 1; }
int64_t nextIndex(int64_t k, int64_t last) { return k >= last ? 0 : k + 1; }

// Integer division truncating toward zero, times the step; steps below 1 count as 1.
int64_t snapTo(int64_t v, int64_t step) {
  step = std::max<int64_t>(step, 1);
  return v / step * step;
}

// Point coordinates come from scene files and may hold any 64-bit value: sums saturate.
int64_t addS(int64_t a, int64_t b) {
  int64_t r;
  if (!__builtin_add_overflow(a, b, &r)) return r;
  return b > 0 ? INT64_MAX : INT64_MIN;
}
int64_t subS(int64_t a, int64_t b) {
  int64_t r;
  if (!__builtin_sub_overflow(a, b, &r)) return r;
  return b < 0 ? INT64_MAX : INT64_MIN;
}

bool pointHit(int64_t lx, int64_t ly, int64_t cx, int64_t cy) {
  const int64_t dx = subS(lx, cx), dy = subS(ly, cy);
  // Far-off points are rejected before squaring (and before llabs could meet INT64_MIN).
  if (dx < -6 || dx > 6 || dy < -6 || dy > 6) return false;
  if (std::llabs(dx) <= kPickSquare && std::llabs(dy) <= kPickSquare) return true;
  return dx * dx + dy * dy <= kPickDistanceSq;
}

ShapePoint& pointAt(Shape& s, int64_t i) { return s.points[static_cast<size_t>(i)]; }

}  // namespace

SceneMouse sceneMouseOf(const Editor& ed, double px, double py) {
  double zoom = static_cast<double>(ed.options.Zoom) * 0.01;
  if (!(zoom > 0) || !std::isfinite(zoom)) zoom = 1;
  double ox = 0, oy = 0;
  if (const Object* o = currentObject(ed.doc)) {
    ox = static_cast<double>(o->x);
    oy = static_cast<double>(o->y);
  }
  // The canvas draws an object at zoom × (point + offset): the inverse is pixel / zoom − offset,
  // so a press lands on what is drawn under it at every zoom.
  auto conv = [zoom](double v, double offset) {
    const double r = std::round(v / zoom - offset);
    // Keeps absurd zoom and offset values inside the integer range.
    return static_cast<int64_t>(std::clamp(r, -9.0e15, 9.0e15));
  };
  return {conv(px, ox), conv(py, oy)};
}

CanvasTools::CanvasTools(Editor& ed, Refresh refresh) : ed_(ed), refresh_(std::move(refresh)) {}

Shape* CanvasTools::editableShape() {
  Object* o = currentObject(ed_.doc);
  if (!o || o->hasShape == 0) return nullptr;
  return currentShape(ed_.doc);
}

void CanvasTools::noteChange(const char* name) {
  eventChanged_ = true;
  if (!changed_) changeName_ = name;
  changed_ = true;
}

template <class T>
void CanvasTools::store(T& field, int64_t v, const char* name) {
  const T nv = static_cast<T>(v);
  if (field == nv) return;
  field = nv;
  noteChange(name);
}

void CanvasTools::handle(const CanvasInput& in) {
  ToolState& ts = ed_.tools;
  switch (in.kind) {
    case CanvasInput::kKeyDown:
      keyDown(in);
      return;
    case CanvasInput::kKeyUp:
      keyUp(in);
      return;
    case CanvasInput::kLeftUp:
      release();
      return;
    case CanvasInput::kMove:
      if (!in.leftHeld) return;
      break;
    case CanvasInput::kLeftDown:
      // Shift held at the press counts as held, even when its key went to another control.
      if (in.shift) ts.multiSelect = 1;
      break;
  }
  const bool isPress = in.kind == CanvasInput::kLeftDown;
  const SceneMouse m = sceneMouseOf(ed_, in.px, in.py);
  ts.sceneMouseX = m.x;
  ts.sceneMouseY = m.y;
  const int64_t lx = m.x - ed_.pan.x, ly = m.y - ed_.pan.y;
  eventChanged_ = false;

  if (ts.panMode != 0) {
    pan(isPress, m.x, m.y);
  } else if (isPress) {
    if (ts.dragStarted == 0) press(m.x, m.y, lx, ly);
  } else {
    drag(m.x, m.y, lx, ly);
  }
  if (ts.dragState != 0 || ts.dragStarted != 0 || eventChanged_) refresh_(m.x, m.y, 1);
}

void CanvasTools::keyDown(const CanvasInput& in) {
  if (in.shift || in.key == Qt::Key_Shift) ed_.tools.multiSelect = 1;
  if (in.key == Qt::Key_Space) ed_.tools.panMode = 1;
}

void CanvasTools::keyUp(const CanvasInput& in) {
  if (in.key == Qt::Key_Space) ed_.tools.panMode = 0;
  if (in.key == Qt::Key_Shift) ed_.tools.multiSelect = 0;
}

// The view follows the mouse: the origin keeps the offset it had to the mouse at the press.
void CanvasTools::pan(bool isPress, int64_t mx, int64_t my) {
  ToolState& ts = ed_.tools;
  Pan& view = ed_.pan;
  if (isPress && ts.dragStarted == 0) {
    ts.dragStarted = 1;
    panAnchored_ = false;
  }
  // Space pressed in the middle of a drag takes its anchor at the first panning move, so the
  // view does not jump.
  if (!panAnchored_) {
    ts.pressX = mx - view.x;
    ts.pressY = my - view.y;
    panAnchored_ = true;
  }
  view.x = toI16(mx - ts.pressX);
  view.y = toI16(my - ts.pressY);
}

void CanvasTools::press(int64_t mx, int64_t my, int64_t lx, int64_t ly) {
  ToolState& ts = ed_.tools;
  ts.dragStarted = 1;
  ts.dragState = 0;
  panAnchored_ = false;
  if (isEditingTool(ts.tool)) {
    pressEditing(mx, my, lx, ly);
  } else if (ts.tool != kToolRoundBox) {
    pressCreate(lx, ly);
  }
}

void CanvasTools::pressEditing(int64_t mx, int64_t my, int64_t lx, int64_t ly) {
  const int tool = ed_.tools.tool;
  if (!editableShape()) {
    pressImagePick(mx, my, lx, ly);
  } else if (tool == kToolAddPoint) {
    pressAddPoint(lx, ly);
  } else if (tool == 6) {
    // reserved: does nothing on the canvas
  } else if (tool == kToolRotate || tool == kToolScale) {
    pressTransform(mx, my);
  } else {
    pressPointPick(mx, my, lx, ly);
  }
}

// Image shapes are also picked by their press rectangle (x, y) to (x + lineW, y + lineH);
// everything else waits for the click test of the refresh.
void CanvasTools::pressImagePick(int64_t mx, int64_t my, int64_t lx, int64_t ly) {
  Object* o = currentObject(ed_.doc);
  if (!o || o->hasShape == 0) return;
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j) {
    Shape& s = o->shapes[static_cast<size_t>(j)];
    if (s.type != kImage) continue;
    if (lx < s.x || lx > s.x + s.lineW || ly < s.y || ly > s.y + s.lineH) continue;
    ed_.doc.CurrentShape = j;
    s.selected = 1;
    ed_.tools.shapeHit = 1;
    if (ed_.tools.tool == kToolMove) {
      ed_.tools.dragState = 2;
      s.startX = toI16(mx - s.x);
      s.startY = toI16(my - s.y);
    }
    return;
  }
}

void CanvasTools::pressAddPoint(int64_t lx, int64_t ly) {
  Shape& s = *editableShape();
  if (isPath(s.type)) {
    if (s.points.empty()) return;
    // Three points go in before the path's end point: a control, the new anchor at the press
    // and another control.
    const int64_t n = lastIndex(s.points);
    const ShapePoint lastPoint = pointAt(s, n);
    s.points.resize(static_cast<size_t>(n + 4));
    const int64_t px = lx - s.x, py = ly - s.y;
    const int64_t xs[3] = {px - kControlOffset, px, px + kControlOffset};
    for (int64_t j = 0; j < 3; ++j) {
      ShapePoint p;
      p.x = xs[j];
      p.y = py;
      pointAt(s, n + j) = p;
    }
    pointAt(s, n + 3) = lastPoint;
  } else if (s.type == kLine) {
    ShapePoint p;
    p.x = lx;
    p.y = ly;
    s.points.push_back(p);
  } else {
    return;
  }
  ed_.tools.dragState = 3;
  noteChange("Add point");
}

void CanvasTools::pressTransform(int64_t mx, int64_t my) {
  Object* o = currentObject(ed_.doc);
  const bool rotate = ed_.tools.tool == kToolRotate;
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j) {
    Shape& s = o->shapes[static_cast<size_t>(j)];
    if (j != ed_.doc.CurrentShape && s.selected == 0) continue;
    beginShapeTransform(s);
    if (rotate) {
      s.startX = toI16(mx + s.dragAngle);
    } else if (isSized(s.type)) {
      s.startX = toI16(mx + s.w);
      s.startY = toI16(my + s.h);
    } else {
      s.startX = toI16(std::llround(static_cast<double>(mx) + s.dragScale));
    }
  }
}

void CanvasTools::pressPointPick(int64_t mx, int64_t my, int64_t lx, int64_t ly) {
  ToolState& ts = ed_.tools;
  Document& doc = ed_.doc;
  Shape* s = editableShape();
  if (ts.multiSelect == 0) {
    doc.CurrentPoint = -1;
    for (ShapePoint& p : s->points) p.selected = 0;
  } else {
    for (ShapePoint& p : s->points)
      if (p.selected) {
        p.dragX = p.x;
        p.dragY = p.y;
      }
  }
  for (int64_t k = 0; k <= lastIndex(s->points); ++k) {
    ShapePoint& p = pointAt(*s, k);
    if (!pointHit(lx, ly, addS(p.x, s->x), addS(p.y, s->y))) continue;
    doc.CurrentPoint = k;
    p.selected = 1;
    ed_.refreshProperties();
    s = editableShape();
    if (!s || k > lastIndex(s->points)) return;
    s->startX = toI16(lx);
    s->startY = toI16(ly);
    if (ts.tool == kToolMove) {
      ts.dragState = 1;
      ShapePoint& q = pointAt(*s, k);
      ts.pickedStartX = addS(q.x, s->x);
      ts.pickedStartY = addS(q.y, s->y);
      q.dragX = q.x;
      q.dragY = q.y;
      if (isPath(s->type)) {
        const int64_t last = lastIndex(s->points);
        ShapePoint& a = pointAt(*s, prevIndex(k, last));
        ShapePoint& b = pointAt(*s, nextIndex(k, last));
        ts.neighbourPrevX = addS(a.x, s->x);
        ts.neighbourPrevY = addS(a.y, s->y);
        ts.neighbourNextX = addS(b.x, s->x);
        ts.neighbourNextY = addS(b.y, s->y);
        for (ShapePoint* n : {&a, &b}) {
          n->dragX = n->x;
          n->dragY = n->y;
          if (ts.multiSelect) n->selected = 1;
        }
      }
    } else if (ts.tool == kToolDeletePoint) {
      if (deletePoint(ed_, k)) noteChange("Delete point");
    }
    return;
  }
  if (ts.tool == kToolMove && (s->type == kImage || s->type == kText)) {
    ts.dragState = 2;
    s->startX = toI16(mx - s->x);
    s->startY = toI16(my - s->y);
  }
}

void CanvasTools::pressCreate(int64_t lx, int64_t ly) {
  ToolState& ts = ed_.tools;
  const int tool = ts.tool;
  // A cancelled image dialog or a missing template creates nothing and leaves the tool chosen.
  if (addShape(ed_, lx, ly) != 1) return;
  Shape* s = currentShape(ed_.doc);
  if (!s) return;
  ts.creationPoint = lastIndex(s->points) - (s->type == kCurve ? 2 : 0);
  ts.revertTool = 2;
  changeName_ = std::string("Create ") + kTypeNames[static_cast<size_t>(tool - kToolComplex)];
  changed_ = true;
  eventChanged_ = true;
}

void CanvasTools::drag(int64_t mx, int64_t my, int64_t lx, int64_t ly) {
  ToolState& ts = ed_.tools;
  if (!editableShape()) return;
  if (isEditingTool(ts.tool)) {
    if (ed_.options.Snap == 1) {
      lx = snapTo(lx, ed_.options.SnapX);
      ly = snapTo(ly, ed_.options.SnapY);
    }
    if (ts.dragState == 1 && ts.tool == kToolMove) {
      dragPoint(lx, ly);
    } else if (ts.dragState == 2) {
      if (ed_.options.Snap == 1) {
        mx = snapTo(mx, ed_.options.SnapX);
        my = snapTo(my, ed_.options.SnapY);
      }
      dragShapes(mx, my);
    }
  } else if (ts.revertTool == 2) {
    dragCreation(lx, ly);
  }
}

void CanvasTools::dragPoint(int64_t lx, int64_t ly) {
  Shape& s = *editableShape();
  const int64_t k = ed_.doc.CurrentPoint;
  const int64_t last = lastIndex(s.points);
  if (s.locked || k < 0 || k > last) return;
  const char* name = "Move point";
  if (!isPointShape(s.type)) {
    const Object* o = currentObject(ed_.doc);
    ShapePoint& p = pointAt(s, k);
    store(p.x, subS(lx - s.x, o->x), name);
    store(p.y, subS(ly - s.y, o->y), name);
    ed_.showPointPosition(p.x, p.y);
    return;
  }
  const bool anchor = isPath(s.type) && k % 3 == 0;
  const int64_t nbr[2] = {prevIndex(k, last), nextIndex(k, last)};
  if (ed_.tools.multiSelect == 0) {
    ShapePoint& p = pointAt(s, k);
    store(p.x, lx - s.x, name);
    store(p.y, ly - s.y, name);
    ed_.showPointPosition(p.x, p.y);
    if (anchor) {
      const int64_t dx = subS(p.x, p.dragX), dy = subS(p.y, p.dragY);
      for (int64_t i : nbr) {
        ShapePoint& n = pointAt(s, i);
        store(n.x, addS(n.dragX, dx), name);
        store(n.y, addS(n.dragY, dy), name);
      }
    }
    return;
  }
  auto follow = [&](ShapePoint& p) {
    store(p.x, addS(p.dragX, lx - s.startX), name);
    store(p.y, addS(p.dragY, ly - s.startY), name);
  };
  for (ShapePoint& p : s.points) {
    if (!p.selected) continue;
    follow(p);
    ed_.showPointPosition(p.x, p.y);
  }
  if (anchor)
    for (int64_t i : nbr) follow(pointAt(s, i));
}

void CanvasTools::dragShapes(int64_t mx, int64_t my) {
  Object* o = currentObject(ed_.doc);
  const int tool = ed_.tools.tool;
  if (tool != kToolMove && tool != kToolScale && tool != kToolRotate) return;
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j) {
    Shape& s = o->shapes[static_cast<size_t>(j)];
    if (s.locked || (j != ed_.doc.CurrentShape && s.selected == 0)) continue;
    if (tool == kToolMove) {
      store(s.x, mx - s.startX, "Move shape");
      store(s.y, my - s.startY, "Move shape");
    } else if (tool == kToolScale) {
      const char* name = "Scale shape";
      // The factor and the angle are the drag's memory, drawn nowhere: only a point or a size
      // that moves makes the drag an edit.
      const double scale = static_cast<double>(mx - s.startX) * 0.01;
      s.dragScale = scale;
      if (!s.points.empty()) {
        const double p0x = static_cast<double>(s.points[0].dragX);
        const double p0y = static_cast<double>(s.points[0].dragY);
        for (ShapePoint& p : s.points) {
          store(p.x, std::llround(static_cast<double>(p.dragX) * (scale + 1) - p0x * scale), name);
          store(p.y, std::llround(static_cast<double>(p.dragY) * (scale + 1) - p0y * scale), name);
        }
      }
      if (isSized(s.type)) {
        store(s.w, std::max<int64_t>(std::llabs(mx - s.startX), 1), name);
        store(s.h, std::max<int64_t>(std::llabs(my - s.startY), 1), name);
      }
    } else {
      const char* name = "Rotate shape";
      s.dragAngle = toI16(std::llround(static_cast<double>(mx - s.startX) * 0.1));
      const float rad = static_cast<float>(s.dragAngle) * std::numbers::pi_v<float> / 180.0f;
      const double c = std::cos(rad), sn = std::sin(rad);
      const double px = static_cast<double>(s.pivotX) + s.cx;
      const double py = static_cast<double>(s.pivotY) + s.cy;
      for (ShapePoint& p : s.points) {
        const double dx = static_cast<double>(p.dragX) - px;
        const double dy = static_cast<double>(p.dragY) - py;
        store(p.x, std::llround(px + dx * c - dy * sn), name);
        store(p.y, std::llround(py + dy * c + dx * sn), name);
      }
    }
  }
}

void CanvasTools::dragCreation(int64_t lx, int64_t ly) {
  Shape& s = *editableShape();
  const int64_t ci = ed_.tools.creationPoint;
  const int64_t last = lastIndex(s.points);
  switch (s.type) {
    case kLine:
      if (ci >= 0 && ci <= last) {
        pointAt(s, ci).x = lx;
        pointAt(s, ci).y = ly;
      }
      break;
    case kCurve:
      for (int64_t j = 0; j < 3; ++j) {
        if (ci + j < 0 || ci + j > last) continue;
        pointAt(s, ci + j).x = lx + 5 * j - 5;
        pointAt(s, ci + j).y = ly + 5 * j - 5;
      }
      break;
    case kBox:
    case kRoundBox:
      s.w = toI16(lx - s.startX);
      s.h = toI16(ly - s.startY);
      break;
    case kText:
      s.w = toI16(std::max<int64_t>(std::llabs(lx - s.startX), 1));
      s.h = toI16(std::llabs(ly - s.startY));
      break;
    case kCircle:
      s.w = toI16(std::max<int64_t>(std::llabs(lx - s.startX), 1));
      s.h = toI16(std::max<int64_t>(std::llabs(ly - s.startY), 1));
      break;
    default:  // complex and image shapes keep their size
      break;
  }
  eventChanged_ = true;
}

// What a drag changed: a creation adds a shape to the current object; every other drag edits
// the current shape or the selected shapes of the current object.
static ChangeScope dragScope(const Document& doc, const std::string& name) {
  if (name.rfind("Create ", 0) == 0) return ChangeScope::wholeObject(doc.CurrentObject);
  const Object* o = currentObject(doc);
  if (!o) return {};
  std::vector<int64_t> touched;
  if (doc.CurrentShape >= 0 && doc.CurrentShape <= lastIndex(o->shapes))
    touched.push_back(doc.CurrentShape);
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j)
    if (o->shapes[static_cast<size_t>(j)].selected && j != doc.CurrentShape) touched.push_back(j);
  return ChangeScope::shapesOf(doc.CurrentObject, std::move(touched));
}

void CanvasTools::release() {
  ToolState& ts = ed_.tools;
  ts.dragState = 0;
  ts.shapeHit = 0;
  ts.dragStarted = 0;
  panAnchored_ = false;
  if (ts.revertTool != 0) {
    ts.revertTool = 0;
    ts.tool = kToolMove;
    if (onToolReset) onToolReset();
  }
  if (changed_) {
    changed_ = false;
    const std::string name = std::move(changeName_);
    changeName_.clear();
    // The drag has changed the document as it went: the step only announces it.
    ed_.execute({name, dragScope(ed_.doc, name), 0, nullptr});
  }
}

bool deletePoint(Editor& ed, int64_t k) {
  Shape* s = currentShape(ed.doc);
  if (!s || k < 0 || k > lastIndex(s->points)) return false;
  const int64_t last = lastIndex(s->points);
  // The point goes first, then its neighbours, as long as more than one point is left.
  std::vector<int64_t> doomed;
  for (int64_t i : {k, prevIndex(k, last), nextIndex(k, last)}) {
    if (std::find(doomed.begin(), doomed.end(), i) != doomed.end()) continue;
    if (static_cast<int64_t>(s->points.size() - doomed.size()) <= 1) break;
    doomed.push_back(i);
  }
  if (doomed.empty()) return false;
  std::sort(doomed.begin(), doomed.end(), std::greater<>());
  for (int64_t i : doomed) s->points.erase(s->points.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

}  // namespace pw
