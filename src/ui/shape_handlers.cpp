// Change handlers of tab "Shapes" and of the object's "Properties" frame: every control writes
// straight into the current object, shape or point, announces the change and redraws.
#include <QListWidget>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/create.h"
#include "core/shape_ops.h"
#include "ui/panel_context.h"
#include "ui/shape_list.h"

namespace pw {

namespace {

// Spin values go into 16-bit fields: a value beyond the field is held at its limit (never
// wrapped), and the spin is set back to what was stored.
int16_t storeI16(ControlSet& c, int number) {
  const int64_t v = c.value(number);
  const auto s = static_cast<int16_t>(std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(),
                                                          std::numeric_limits<int16_t>::max()));
  if (s != v) c.setValue(number, s);
  return s;
}

ChangeScope currentShapeScope(const Selection& sel) {
  return ChangeScope::shapesOf(sel.object, {sel.shape});
}

// Runs `edit` on the current shape as the step `what` (a burst on control `number` is one step)
// and redraws when it changed something. False when nothing changed.
template <class Edit>
bool editShape(PanelContext& ctx, const char* what, int number, Edit edit, bool redraw = true) {
  Editor& ed = ctx.ed;
  if (!ed.execute({what, currentShapeScope(ed.sel), number,
                   [&edit](Document& d, Selection& sel, ChangeScope&) {
                     Shape* s = currentShape(d, sel);
                     return s && edit(*s);
                   }}))
    return false;
  if (redraw) ed.redrawCanvas();
  return true;
}

// The current shape, or null while no shape is current (then the control does nothing).
Shape* editedShape(PanelContext& ctx) {
  if (ctx.ed.sel.shape < 0) return nullptr;
  return currentShape(ctx.ed.doc, ctx.ed.sel);
}

void focusCanvas(PanelContext& ctx) {
  if (ctx.focusCanvas) ctx.focusCanvas();
}

// After a change of the current object's shape array: the list, the effect list and the
// properties show the shapes as they are now.
void refreshAfterReshape(PanelContext& ctx) {
  refreshShapeList(ctx);
  refreshFxList(ctx);
  refreshProperties(ctx);
}

void onName(PanelContext& ctx) {
  if (!editedShape(ctx)) return;
  const std::string name = ctx.controls.text(kCtlShapeName).toStdString();
  const auto rename = [&name](Shape& s) {
    if (name == s.name) return false;
    s.name = name;
    return true;
  };
  if (!editShape(ctx, "Rename the shape", kCtlShapeName, rename, false)) return;
  // Only the edited row changes; the list is refilled when it does not match the shapes.
  if (!setShapeListRow(ctx, ctx.ed.sel.shape, name)) refreshShapeList(ctx);
}

// A complex shape from the chosen template, in the object's placeholder slot when it has no
// shape yet, else after its last shape. When the template gives no shape the object stays as it
// was.
bool addTemplateShape(Editor& ed) {
  Document& doc = ed.doc;
  Object* obj = currentObject(doc, ed.sel);
  const Object before = *obj;
  const Selection selBefore = ed.sel;
  const int8_t stateBefore = doc.DocumentState;
  auto named = [](const Object& o) {
    return std::count_if(o.shapes.begin(), o.shapes.end(),
                         [](const Shape& s) { return !s.name.empty(); });
  };
  const auto namedBefore = named(*obj);
  if (obj->hasShape == 0) {
    obj->shapes.resize(1);
    obj->shapes[0].name.clear();
    ed.sel.shape = 0;
  } else {
    obj->shapes.emplace_back();
    ed.sel.shape = lastIndex(obj->shapes);
  }
  newDocument(ed, kInsertTemplate, /*quiet=*/false, /*refresh=*/true);
  obj = currentObject(doc, ed.sel);
  if (!obj || ed.sel.object != selBefore.object) return false;
  if (obj->shapes.empty() || named(*obj) <= namedBefore) {
    *obj = before;
    ed.sel = selBefore;
    doc.DocumentState = stateBefore;
    return false;
  }
  obj->hasShape = 1;
  doc.DocumentState = kDocumentHasContent;
  ed.sel.shape = lastIndex(obj->shapes);
  return true;
}

void onAddComplex(PanelContext& ctx) {
  Editor& ed = ctx.ed;
  if (!currentObject(ed.doc, ed.sel)) return;
  const bool added =
      ed.execute({"Add a complex shape", ChangeScope::wholeObject(ed.sel.object), 0,
                  [&ed](Document&, Selection&, ChangeScope&) { return addTemplateShape(ed); }});
  refreshAfterReshape(ctx);
  ed.redrawCanvas();
  if (added) focusCanvas(ctx);
}

void onDelete(PanelContext& ctx) {
  Editor& ed = ctx.ed;
  if (deleteShapeStep(ed)) {
    refreshAfterReshape(ctx);
    ed.redrawCanvas();
  }
  focusCanvas(ctx);
}

// A click in the shape list: the clicked row becomes the current shape and the selected rows
// the selected shapes.
void onListClick(PanelContext& ctx) {
  Document& doc = ctx.ed.doc;
  if (doc.DocumentState <= kDocumentFresh) return;
  Object* obj = currentObject(doc, ctx.ed.sel);
  auto* list = qobject_cast<QListWidget*>(ctx.controls.widget(kCtlShapeList));
  if (!obj || !list) return;
  if (list->count() != static_cast<int>(obj->shapes.size())) {
    // The rows no longer match the shapes: show them as they are instead of guessing.
    refreshShapeList(ctx);
    return;
  }
  ctx.ed.sel.shape = list->currentRow();
  ctx.ed.sel.fx = 0;
  const std::vector<uint8_t> rows = selectedShapeRows(ctx);
  std::vector<ShapeId> on, off;
  for (size_t j = 0; j < obj->shapes.size(); ++j)
    (rows[j] ? on : off).push_back(obj->shapes[j].id);
  ctx.ed.sel.select(std::move(off), false);
  ctx.ed.sel.select(std::move(on), true);
  ctx.ed.redrawCanvas();
  if (ctx.ed.sel.shape >= 0) {
    refreshFxList(ctx);
    refreshProperties(ctx);
  }
}

// Moves the current shape one place down (dir -1, "Up") or up (dir 1, "Down") in the object's
// order. The two shapes exchange their depths and their places, so the move happens whatever
// the depth values are (equal or far apart); the array stays sorted by depth.
bool moveShape(Document& doc, Selection& sel, int dir) {
  Object* obj = currentObject(doc, sel);
  if (!obj) return false;
  auto& shapes = obj->shapes;
  const int64_t cur = sel.shape, other = cur + dir;
  if (obj->hasShape <= 0 || cur < 0 || other < 0 || cur > lastIndex(shapes) ||
      other > lastIndex(shapes))
    return false;
  Shape& a = shapes[static_cast<size_t>(cur)];
  Shape& b = shapes[static_cast<size_t>(other)];
  std::swap(a.depth, b.depth);
  std::swap(a, b);
  // Re-sorted by depth (stable); the moved shape stays current wherever the sort puts it.
  std::vector<int64_t> depths;
  depths.reserve(shapes.size());
  for (const Shape& s : shapes) depths.push_back(s.depth);
  const std::vector<int64_t> order = stableDepthOrder(depths);
  int64_t moved = other;
  bool sorted = true;
  for (size_t k = 0; k < order.size(); ++k) {
    if (order[k] != static_cast<int64_t>(k)) sorted = false;
    if (order[k] == other) moved = static_cast<int64_t>(k);
  }
  if (!sorted) {
    std::vector<Shape> re;
    re.reserve(shapes.size());
    for (int64_t k : order) re.push_back(std::move(shapes[static_cast<size_t>(k)]));
    shapes = std::move(re);
  }
  sel.shape = moved;
  return true;
}

void onMove(PanelContext& ctx, int number) {
  Editor& ed = ctx.ed;
  const int dir = number == kCtlShapeUp ? -1 : 1;
  if (!ed.execute({dir < 0 ? "Move the shape up" : "Move the shape down",
                   ChangeScope::wholeObject(ed.sel.object), number,
                   [dir](Document& d, Selection& sel, ChangeScope&) {
                     if (!moveShape(d, sel, dir)) return false;
                     // The moved shape is selected, and the list shows it so.
                     if (const Shape* s = currentShape(d, sel)) sel.select(s->id);
                     return true;
                   }}))
    return;
  refreshShapeList(ctx);
  ed.redrawCanvas();
}

void onFlag(PanelContext& ctx, int number) {
  if (!editedShape(ctx)) return;
  const auto on = static_cast<uint8_t>(ctx.controls.value(number) != 0);
  uint8_t Shape::*field = nullptr;
  const char* what = "";
  switch (number) {
    case kCtlShapeHide:
      field = &Shape::hidden, what = on ? "Hide the shape" : "Show the shape";
      break;
    case kCtlShapeLock:
      field = &Shape::locked, what = on ? "Lock the shape" : "Unlock the shape";
      break;
    case kCtlShapeLink:
      field = &Shape::link, what = on ? "Link the shape" : "Unlink the shape";
      break;
    default: field = &Shape::closed, what = on ? "Close the path" : "Open the path"; break;
  }
  const auto flip = [field, on](Shape& s) {
    if (s.*field == on) return false;
    s.*field = on;
    return true;
  };
  editShape(ctx, what, number, flip, number != kCtlShapeLock);
}

// The shape's X and Y, W and H, and its center: both fields of the pair are read.
void onPair(PanelContext& ctx, int number) {
  if (!editedShape(ctx)) return;
  struct Pair {
    int first, second;  // the controls of fields a and b
    int16_t Shape::*a;
    int16_t Shape::*b;
    const char* what;
  };
  static constexpr Pair kPairs[] = {
      {kCtlShapeX, kCtlShapeY, &Shape::x, &Shape::y, "Move the shape"},
      {kCtlShapeW, kCtlShapeH, &Shape::w, &Shape::h, "Resize the shape"},
      {kCtlCenterX, kCtlCenterY, &Shape::cx, &Shape::cy, "Move the shape center"},
  };
  const Pair* pair = &kPairs[2];
  for (const Pair& p : kPairs)
    if (number == p.first || number == p.second) pair = &p;
  ControlSet& c = ctx.controls;
  const auto a = pair->a, b = pair->b;
  const int16_t va = storeI16(c, pair->first), vb = storeI16(c, pair->second);
  editShape(ctx, pair->what, number, [a, b, va, vb](Shape& s) {
    if (s.*a == va && s.*b == vb) return false;
    s.*a = va;
    s.*b = vb;
    return true;
  });
}

// The point fields: the current point's locks and position, all four read.
void onPoint(PanelContext& ctx, int number) {
  if (!editedShape(ctx) || !currentPoint(ctx.ed.doc, ctx.ed.sel)) return;
  const ControlSet& c = ctx.controls;
  const auto lockX = static_cast<uint8_t>(c.value(kCtlPointLockX) != 0);
  const auto lockY = static_cast<uint8_t>(c.value(kCtlPointLockY) != 0);
  const int64_t x = c.value(kCtlPointX), y = c.value(kCtlPointY);
  Document& doc = ctx.ed.doc;
  const bool lock = number == kCtlPointLockX || number == kCtlPointLockY;
  editShape(ctx, lock ? "Lock the point" : "Move the point", number, [&](Shape&) {
    ShapePoint* p = currentPoint(doc, ctx.ed.sel);
    if (p->lockX == lockX && p->lockY == lockY && p->x == x && p->y == y) return false;
    p->lockX = lockX;
    p->lockY = lockY;
    p->x = x;
    p->y = y;
    return true;
  });
}

void onPointsMenu(PanelContext& ctx) {
  if (!editedShape(ctx) || !ctx.showPointsMenu) return;
  const QWidget* b = ctx.controls.widget(kCtlPointsMenuButton);
  if (!b) return;
  ctx.showPointsMenu(b->mapTo(b->window(), QPoint(0, 0)).x() + 5);
}

void onPointKind(PanelContext& ctx, int number) {
  const bool hard = number == kCtlPointHard;
  if (editedShape(ctx) && currentPoint(ctx.ed.doc, ctx.ed.sel))
    ctx.ed.execute({hard ? "Set the point hard" : "Set the point soft",
                    currentShapeScope(ctx.ed.sel), number,
                    [hard](Document& d, Selection& sel, ChangeScope&) {
                      setPointKind(d, sel, hard);
                      return true;
                    }});
  ctx.ed.redrawCanvas();
}

// The object's X/Y and W/H. With no current shape the panel does not show this object's values, so
// only the field of the control that changed is stored.
void onObject(PanelContext& ctx, int number) {
  if (!currentObject(ctx.ed.doc, ctx.ed.sel)) return;
  ControlSet& c = ctx.controls;
  const bool move = number == kCtlObjectX || number == kCtlObjectY;
  const char* what = move ? "Move the object" : "Resize the object";
  const auto store = [&c, number](Document& d, Selection& sel, ChangeScope&) {
    Object* o = currentObject(d, sel);
    bool changed = false;
    auto put = [&changed](auto& field, auto v) {
      if (field != v) changed = true;
      field = v;
    };
    switch (number) {
      case kCtlObjectX: put(o->x, int64_t{c.value(kCtlObjectX)}); break;
      case kCtlObjectY: put(o->y, int64_t{c.value(kCtlObjectY)}); break;
      case kCtlObjectW: put(o->w, storeI16(c, kCtlObjectW)); break;
      default: put(o->h, storeI16(c, kCtlObjectH)); break;
    }
    return changed;
  };
  if (ctx.ed.execute({what, ChangeScope::header(ctx.ed.sel.object), number, store}))
    ctx.ed.redrawCanvas();
}

}  // namespace

bool handleShapesEvent(PanelContext& ctx, int number) {
  switch (number) {
    case kCtlObjectX:
    case kCtlObjectY:
    case kCtlObjectW:
    case kCtlObjectH: onObject(ctx, number); return true;
    case kCtlShapeList: onListClick(ctx); return true;
    case kCtlShapeName: onName(ctx); return true;
    case kCtlShapeHide:
    case kCtlShapeLock:
    case kCtlShapeLink:
    case kCtlShapeClose: onFlag(ctx, number); return true;
    case kCtlShapeAdd: onAddComplex(ctx); return true;
    case kCtlTemplateList:
      if (ctx.controls.value(kCtlTemplateList) >= 0)
        ctx.ed.doc.TemplateFileName = ctx.controls.text(kCtlTemplateList).toStdString();
      return true;
    case kCtlShapeDelete: onDelete(ctx); return true;
    case kCtlShapeUp:
    case kCtlShapeDown: onMove(ctx, number); return true;
    case kCtlCenterX:
    case kCtlCenterY:
    case kCtlShapeX:
    case kCtlShapeY:
    case kCtlShapeW:
    case kCtlShapeH: onPair(ctx, number); return true;
    case kCtlPointX:
    case kCtlPointY:
    case kCtlPointLockX:
    case kCtlPointLockY: onPoint(ctx, number); return true;
    case kCtlPointsMenuButton: onPointsMenu(ctx); return true;
    case kCtlPointHard:
    case kCtlPointSoft: onPointKind(ctx, number); return true;
    default: return false;
  }
}

}  // namespace pw
