#include "render/refresh.h"

#include "render/background.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace {

// Press test against shape j of the current object while its outline is the current path
// (together with any linked or custom-style outlines still unpainted before it). A press picks
// only when no drag was under way as the refresh began (dragFree); a multi-select press that
// starts a drag on the first shape it meets still adds every later shape under the point.
void clickTest(RenderCtx& rc, int64_t j, int64_t x, int64_t y, bool dragFree) {
  Editor& ed = rc.ed;
  ToolState& ts = ed.tools;
  const bool multi = ts.multiSelect != 0;
  // Looked up afresh after each call out to the panels.
  auto shape = [&ed, j]() -> Shape* {
    Object* o = currentObject(ed.doc);
    if (!o || j < 0 || j > lastIndex(o->shapes)) return nullptr;
    return &o->shapes[static_cast<size_t>(j)];
  };
  if (dragFree && rc.vg.pathContains(static_cast<double>(x), static_cast<double>(y))) {
    if (!multi) {
      setAllShapesSelected(ed, 0);
      ts.shapeHit = -1;
      ed.doc.CurrentShape = j;
      ed.refreshProperties();
      Shape* s = shape();
      if (!s) return;
      if (ts.tool == kToolMove) {
        s->startX = toI16(x - s->x);
        s->startY = toI16(y - s->y);
      } else if (ts.tool == kToolScale) {
        s->startX = toI16(x - s->w);
        s->startY = toI16(y + s->h);
      }
    } else {
      ts.dragState = 2;
    }
    if (Shape* s = shape()) s->selected = 1;
  } else if (!multi) {
    if (Shape* s = shape()) s->selected = 0;
  }
}

// After the scene: a pick (or a shape drag in progress) takes hold and records the grab
// offsets of the selected shapes; with the Select tool, a refresh that picked nothing clears
// the selection.
void settleSelection(Editor& ed, int64_t x, int64_t y) {
  ToolState& ts = ed.tools;
  Document& doc = ed.doc;
  if (ts.shapeHit == -1 || ts.dragState == 2) {
    ts.shapeHit = 1;
    ts.dragState = 2;
    ed.refreshProperties();
    if (ts.tool == kToolScale || ts.tool == kToolRotate) return;
    Object* o = currentObject(doc);
    if (!o) return;
    for (Shape& s : o->shapes) {
      if (s.selected != 1) continue;
      if (ts.tool == kToolMove) {
        s.startX = toI16(x - s.x);
        s.startY = toI16(y - s.y);
      }
      for (ShapePoint& p : s.points) {
        p.dragX = x - p.x;
        p.dragY = y - p.y;
      }
    }
  } else if (ts.shapeHit == 0 && ts.tool == kToolSelect) {
    setAllShapesSelected(ed, 0);
  }
}

}  // namespace

void setAllShapesSelected(Editor& ed, uint8_t value) {
  Object* o = currentObject(ed.doc);
  if (!o) return;
  for (Shape& s : o->shapes) s.selected = value;
}

void refreshCanvas(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode) {
  VectorCanvas vg(canvas.store);
  if (!vg.beginDrawing(canvas.image)) return;
  RenderCtx rc{ed, vg};
  vg.resetTransform();
  drawBackground(rc);
  applyViewTransform(rc);

  if (ed.doc.DocumentState >= 1) {
    const bool testing = ed.tools.revertTool == 0 && mode == 1 && currentObject(ed.doc);
    HitTest hit;
    if (testing) {
      const bool dragFree = ed.tools.dragState == 0;
      hit = [&rc, x, y, dragFree](int64_t i, int64_t j) {
        if (i != rc.ed.doc.CurrentObject || rc.ed.tools.shapeHit == 1) return;
        clickTest(rc, j, x, y, dragFree);
      };
    }
    drawScene(rc, hit);
    if (ed.tools.revertTool == 0) settleSelection(ed, x, y);
  }

  drawMarks(rc);
  drawOverlays(rc);
  vg.endDrawing();
}

}  // namespace pw
