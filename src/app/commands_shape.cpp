// Shape menu and points menu: selection, copy and paste, delete, depth and origin commands.
#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/commands.h"
#include "app/tools/canvas_tool.h"
#include "app/tools/editing_tool.h"
#include "core/create.h"
#include "core/shape_ops.h"

namespace pw {

namespace {

// Runs `edit` as the step `what`; true when it changed something.
template <class Edit>
bool run(Shell& shell, const char* what, ChangeScope scope, Edit edit) {
  return shell.editor().execute({what, std::move(scope), 0,
                                 [&edit](Document& d, Selection& sel, ChangeScope&) {
                                   return edit(d, sel);
                                 }});
}

// After a change: the panels and the canvas show it.
void changed(Shell& shell) {
  shell.selectionChanged();
  shell.redrawCanvas();
}

// The current shape of the current object alone changed.
ChangeScope currentShapeScope(const Editor& ed) {
  return ChangeScope::shapesOf(ed.sel.object, {ed.sel.shape});
}

void cmdSelectAll(Shell& shell) {
  Editor& ed = shell.editor();
  Object* o = currentObject(ed.doc, ed.sel);
  if (!o) return;
  // Every shape is grabbed at the mouse as a press of the current tool would grab it.
  const CanvasTool& tool = canvasTool(ed.tools.tool);
  ed.sel.selectAll(o->shapes, true);
  for (Shape& s : o->shapes) tool.grab(s, ed.tools.sceneMouseX, ed.tools.sceneMouseY);
  ed.tools.multiSelect = true;
  shell.redrawCanvas();
}

void cmdDeselectAll(Shell& shell) {
  Editor& ed = shell.editor();
  if (const Object* o = currentObject(ed.doc, ed.sel)) ed.sel.selectAll(o->shapes, false);
  ed.sel.shape = -1;
  shell.selectionChanged();
  shell.redrawCanvas();
}

void cmdCopy(Shell& shell) {
  Editor& ed = shell.editor();
  const Shape* s = currentShape(ed.doc, ed.sel);
  const Object* o = currentObject(ed.doc, ed.sel);
  if (!s || !o) return;
  AppState& app = shell.app();
  app.copyBuffer = *s;
  app.copyBuffer.name = "Shape_" + std::to_string(o->shapes.size());
  app.hasCopy = true;
  app.copySelected = ed.sel.isSelected(s->id);
  app.copyPoints = ed.sel.pointsOf(s->id);
}

void cmdPaste(Shell& shell) {
  Editor& ed = shell.editor();
  AppState& app = shell.app();
  Object* o = currentObject(ed.doc, ed.sel);
  // Nothing copied yet: there is nothing to paste.
  if (!o || !app.hasCopy) return;
  int mx = 0, my = 0;
  shell.mouseInWindow(mx, my);
  mx -= ed.options.PanelW;
  my -= ed.options.ToolBarH;
  int64_t top = 0;
  for (const Shape& s : o->shapes) top = std::max(top, s.depth);
  const Shape& copy = app.copyBuffer;
  run(shell, "Paste", ChangeScope::wholeObject(ed.sel.object), [&](Document& doc, Selection& sel) {
    // An object that holds only its empty placeholder gets the paste in that slot, as a newly
    // drawn shape would.
    Object* obj = currentObject(doc, sel);
    if (obj->hasShape > 0) obj->shapes.emplace_back();
    obj->hasShape = 1;
    doc.DocumentState = kDocumentHasContent;
    sel.shape = lastIndex(obj->shapes);
    newDocument(ed, kKeepDocument, /*quiet=*/true, /*refresh=*/true);
    Shape& s = obj->shapes.back();
    s = copy;
    s.x = toI16(mx);
    s.y = toI16(my);
    s.depth = top + 1;
    // A new shape, not selected; its points are selected as the copied ones were.
    s.id = newShapeId();
    sel.setPoints(s.id, app.copyPoints);
    return true;
  });
  ed.refreshShapeList();
  changed(shell);
}

void cmdPasteToShape(Shell& shell) {
  Editor& ed = shell.editor();
  if (!currentShape(ed.doc, ed.sel) || !shell.app().hasCopy) return;
  if (run(shell, "Paste to shape", currentShapeScope(ed), [&shell](Document& d, Selection& sel) {
        // The shape takes the copy's fields and selection, and stays the same shape.
        const AppState& app = shell.app();
        Shape& s = *currentShape(d, sel);
        const ShapeId id = s.id;
        s = app.copyBuffer;
        s.id = id;
        sel.select(id, app.copySelected);
        sel.setPoints(id, app.copyPoints);
        return true;
      }))
    changed(shell);
}

void cmdLockSelection(Shell& shell) {
  AppState& app = shell.app();
  app.lockSelection = !app.lockSelection;
  shell.setChecked(kCmdLockSelection, app.lockSelection);
}

void cmdDeleteShape(Shell& shell) {
  // Delete belongs to the canvas: in a text field it edits the text.
  if (!shell.canvasHasFocus()) return;
  Editor& ed = shell.editor();
  if (!deleteShapeStep(ed)) return;
  ed.refreshShapeList();
  changed(shell);
}

void cmdShapeToBottom(Shell& shell) {
  Editor& ed = shell.editor();
  if (!run(shell, "Set Shape to bottom", ChangeScope::wholeObject(ed.sel.object),
           [](Document& d, Selection& sel) { return shapeToBottom(d, sel); }))
    return;
  ed.refreshShapeList();
  changed(shell);
}

void cmdShapeToTop(Shell& shell) {
  Editor& ed = shell.editor();
  if (!run(shell, "Set Shape to top", ChangeScope::wholeObject(ed.sel.object),
           [](Document& d, Selection& sel) { return shapeToTop(d, sel); }))
    return;
  ed.refreshShapeList();
  changed(shell);
}

void cmdShapeToOrigin(Shell& shell) {
  Editor& ed = shell.editor();
  if (!currentShape(ed.doc, ed.sel)) return;
  if (run(shell, "Set shape to origin", currentShapeScope(ed),
          [](Document& d, Selection& sel) { return shapeToOrigin(*currentShape(d, sel)); }))
    changed(shell);
}

void cmdOriginToShape(Shell& shell) {
  Editor& ed = shell.editor();
  if (!currentShape(ed.doc, ed.sel)) return;
  if (run(shell, "Set origin to shape", currentShapeScope(ed),
          [](Document& d, Selection& sel) { return originToShape(*currentShape(d, sel)); }))
    changed(shell);
}

void cmdDeletePoint(Shell& shell) {
  Editor& ed = shell.editor();
  if (run(shell, "Delete this point", currentShapeScope(ed),
          [&ed](Document&, Selection& sel) { return deletePoint(ed, sel.point); }))
    changed(shell);
}

void cmdCut(Shell& shell) {
  Editor& ed = shell.editor();
  if (!currentShape(ed.doc, ed.sel)) return;
  cmdCopy(shell);
  if (!deleteShapeStep(ed)) return;
  ed.refreshShapeList();
  changed(shell);
}

// Hide and Lock of the pop-up menu flip the shape panel's check boxes, whose handlers make the
// change.
void flipShapeFlag(Shell& shell, int control, uint8_t Shape::*field) {
  Editor& ed = shell.editor();
  const Shape* s = currentShape(ed.doc, ed.sel);
  if (!s || ed.sel.shape < 0) return;
  shell.setPanelControl(control, s->*field == 0 ? 1 : 0);
}
void cmdHideShape(Shell& shell) { flipShapeFlag(shell, kCtlShapeHide, &Shape::hidden); }
void cmdLockShape(Shell& shell) { flipShapeFlag(shell, kCtlShapeLock, &Shape::locked); }

void cmdSelectAllPoints(Shell& shell) {
  Editor& ed = shell.editor();
  Shape* s = currentShape(ed.doc, ed.sel);
  if (!s) return;
  ed.sel.selectAllPoints(s->id, lastIndex(s->points) + 1);
  ed.tools.multiSelect = true;
  shell.redrawCanvas();
}

const std::array kShapeCommands = {
    CommandDef{kCmdSelectAll, "Select All", cmdSelectAll},
    CommandDef{kCmdDeselectAll, "Deselect All", cmdDeselectAll},
    CommandDef{kCmdCopyShape, "Copy current shape", cmdCopy},
    CommandDef{kCmdPaste, "Paste", cmdPaste},
    CommandDef{kCmdPasteToShape, "Paste to shape", cmdPasteToShape},
    CommandDef{kCmdLockSelection, "Lock selection", cmdLockSelection},
    CommandDef{kCmdDeleteShape, "Delete the current shape", cmdDeleteShape},
    CommandDef{kCmdShapeToBottom, "Set Shape to bottom", cmdShapeToBottom},
    CommandDef{kCmdShapeToTop, "Set Shape to top", cmdShapeToTop},
    CommandDef{kCmdShapeToOrigin, "Set shape to origin", cmdShapeToOrigin},
    CommandDef{kCmdOriginToShape, "Set origin to shape", cmdOriginToShape},
    CommandDef{kCmdDeletePoint, "Delete this point", cmdDeletePoint},
    CommandDef{kCmdSelectAllPoints, "Select all the points of the shape", cmdSelectAllPoints},
    CommandDef{kCmdCutShape, "Cut", cmdCut},
    CommandDef{kCmdHideShape, "Hide", cmdHideShape},
    CommandDef{kCmdLockShape, "Lock", cmdLockShape},
    // The conversions of the points menu have no behaviour.
    CommandDef{kCmdConvertToLine, "Convert to line", nullptr},
    CommandDef{kCmdConvertToCurve, "Convert to curve", nullptr},
    CommandDef{kCmdConvertToComplex, "Convert to complexe shape", nullptr},
    CommandDef{kCmdSeparateSubShapes, "Separate all sub-shape to shape", nullptr},
    CommandDef{kCmdJoinSelected, "Joint selected shape", nullptr},
};

}  // namespace

std::span<const CommandDef> shapeCommands() { return kShapeCommands; }

bool nudgeShapes(Shell& shell, int64_t dx, int64_t dy, int mergeKey) {
  Editor& ed = shell.editor();
  // A drag under way owns the shapes until its release.
  if (ed.tools.dragStarted || (dx == 0 && dy == 0)) return false;
  const Object* o = currentObject(ed.doc, ed.sel);
  if (!o || o->hasShape == 0 || o->locked != 0) return false;
  // The shapes a drag would move: the current one and the selected ones, unless locked.
  std::vector<int64_t> moved;
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j) {
    const Shape& s = o->shapes[static_cast<size_t>(j)];
    if ((j == ed.sel.shape || ed.sel.isSelected(s.id)) && s.locked == 0) moved.push_back(j);
  }
  if (moved.empty()) return false;
  auto shift = [](int16_t v, int64_t d) {
    return static_cast<int16_t>(std::clamp<int64_t>(v + d, std::numeric_limits<int16_t>::min(),
                                                    std::numeric_limits<int16_t>::max()));
  };
  if (!ed.execute({"Move shape", ChangeScope::shapesOf(ed.sel.object, moved), mergeKey,
                   [&](Document& d, Selection& sel, ChangeScope&) {
                     Object* obj = currentObject(d, sel);
                     bool any = false;
                     for (const int64_t j : moved) {
                       Shape& s = obj->shapes[static_cast<size_t>(j)];
                       const int16_t x = shift(s.x, dx), y = shift(s.y, dy);
                       any = any || x != s.x || y != s.y;
                       s.x = x;
                       s.y = y;
                     }
                     return any;
                   }}))
    return false;
  shell.redrawCanvas();
  return true;
}

}  // namespace pw
