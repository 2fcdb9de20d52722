#include "app/tools/click_select.h"

#include <vector>

#include "render/pick.h"

namespace pw {

namespace {

bool selectionFrozen(const Editor& ed) {
  return ed.doc.DocumentState < kDocumentHasContent || ed.tools.revertTool;
}

// The verdict on shape j of the current object: `inside` when (x, y) lies in the path holding
// its outline as the scene draws it. A shape is picked only when no drag was under way as the
// test began (dragFree); a Shift press that starts a drag on the first shape it meets still adds
// every later shape under the point. `picked` is set when this test made j current.
void testShape(Editor& ed, const CanvasTool& tool, int64_t j, bool inside, int64_t x, int64_t y,
               bool dragFree, bool& picked) {
  ToolState& ts = ed.tools;
  // Looked up afresh after each call out to the panels.
  auto shape = [&ed, j]() -> Shape* {
    Object* o = currentObject(ed.doc, ed.sel);
    if (!o || j < 0 || j > lastIndex(o->shapes)) return nullptr;
    return &o->shapes[static_cast<size_t>(j)];
  };
  if (dragFree && inside) {
    if (!ts.multiSelect) {
      setAllShapesSelected(ed, false);
      picked = true;
      ed.sel.shape = j;
      ed.refreshProperties();
      Shape* s = shape();
      if (!s) return;
      tool.grab(*s, x, y);
    } else {
      ts.dragState = DragState::kShapes;
    }
    if (Shape* s = shape()) ed.sel.select(s->id);
  } else if (!ts.multiSelect) {
    if (Shape* s = shape()) ed.sel.select(s->id, false);
  }
}

void settle(Editor& ed, const CanvasTool& tool, int64_t x, int64_t y, bool picked) {
  ToolState& ts = ed.tools;
  if (picked || ts.dragState == DragState::kShapes) {
    ts.shapeHit = true;
    ts.dragState = DragState::kShapes;
    ed.refreshProperties();
    if (Object* o = currentObject(ed.doc, ed.sel)) tool.hold(*o, ed.sel, x, y, picked);
  } else if (!ts.shapeHit) {
    tool.pickedNothing(ed);
  }
}

}  // namespace

void clickSelect(Editor& ed, const CanvasTool& tool, ImageStore& store, QSize canvas, int64_t x,
                 int64_t y) {
  if (selectionFrozen(ed)) return;
  bool picked = false;
  if (currentObject(ed.doc, ed.sel) && !ed.tools.shapeHit) {
    const bool dragFree = ed.tools.dragState == DragState::kNone;
    View view = canvasView(ed.sel, ed.options, ed.pan);
    view.width = canvas.width();
    view.height = canvas.height();
    const std::vector<PickEntry> picks =
        pick(ed.doc, view, ed.sel, store, static_cast<double>(x), static_cast<double>(y));
    for (const PickEntry& e : picks) {
      // The panels the test calls out to may have shrunk the object meanwhile.
      const Object* o = currentObject(ed.doc, ed.sel);
      if (!o || e.shape > lastIndex(o->shapes)) break;
      testShape(ed, tool, e.shape, e.inside, x, y, dragFree, picked);
    }
  }
  settle(ed, tool, x, y, picked);
}

void settleSelection(Editor& ed, const CanvasTool& tool, int64_t x, int64_t y) {
  if (selectionFrozen(ed)) return;
  settle(ed, tool, x, y, false);
}

void setAllShapesSelected(Editor& ed, bool selected) {
  if (const Object* o = currentObject(ed.doc, ed.sel)) ed.sel.selectAll(o->shapes, selected);
}

}  // namespace pw
