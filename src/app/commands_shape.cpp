// Shape menu and points menu: selection, copy and paste, delete, depth and origin commands.
#include <algorithm>
#include <array>

#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/commands.h"
#include "app/tools/canvas_tool.h"
#include "app/tools/editing_tool.h"
#include "core/create.h"
#include "core/shape_ops.h"

namespace pw {

namespace {

void changed(Shell& shell, const char* what, const ChangeScope& scope = {}) {
  shell.editor().documentChanged(what, scope);
  shell.selectionChanged();
  shell.redrawCanvas();
}

// The current shape of the current object alone changed.
ChangeScope currentShapeScope(const Editor& ed) {
  return ChangeScope::shapesOf(ed.doc.CurrentObject, {ed.doc.CurrentShape});
}

void cmdSelectAll(Shell& shell) {
  Editor& ed = shell.editor();
  Object* o = currentObject(ed.doc);
  if (!o) return;
  // Every shape is grabbed at the mouse as a press of the current tool would grab it.
  const CanvasTool& tool = canvasTool(ed.tools.tool);
  for (Shape& s : o->shapes) {
    s.selected = 1;
    tool.grab(s, ed.tools.sceneMouseX, ed.tools.sceneMouseY);
  }
  ed.tools.multiSelect = true;
  shell.redrawCanvas();
}

void cmdDeselectAll(Shell& shell) {
  Editor& ed = shell.editor();
  if (Object* o = currentObject(ed.doc))
    for (Shape& s : o->shapes) s.selected = 0;
  ed.doc.CurrentShape = -1;
  shell.selectionChanged();
  shell.redrawCanvas();
}

void cmdCopy(Shell& shell) {
  Editor& ed = shell.editor();
  const Shape* s = currentShape(ed.doc);
  const Object* o = currentObject(ed.doc);
  if (!s || !o) return;
  AppState& app = shell.app();
  app.copyBuffer = *s;
  app.copyBuffer.name = "Shape_" + std::to_string(o->shapes.size());
  app.hasCopy = true;
}

void cmdPaste(Shell& shell) {
  Editor& ed = shell.editor();
  AppState& app = shell.app();
  Object* o = currentObject(ed.doc);
  // Nothing copied yet: there is nothing to paste.
  if (!o || !app.hasCopy) return;
  int mx = 0, my = 0;
  shell.mouseInWindow(mx, my);
  mx -= ed.options.PanelW;
  my -= ed.options.ToolBarH;
  int64_t top = 0;
  for (const Shape& s : o->shapes) top = std::max(top, s.depth);
  // An object that holds only its empty placeholder gets the paste in that slot, as a newly
  // drawn shape would.
  if (o->hasShape > 0) o->shapes.emplace_back();
  o->hasShape = 1;
  ed.doc.DocumentState = 1;
  ed.doc.CurrentShape = lastIndex(o->shapes);
  newDocument(ed, 0, 1, 1);
  Shape& s = o->shapes.back();
  s = app.copyBuffer;
  s.x = toI16(mx);
  s.y = toI16(my);
  s.depth = top + 1;
  s.selected = 0;
  ed.refreshShapeList();
  changed(shell, "Paste", ChangeScope::wholeObject(ed.doc.CurrentObject));
}

void cmdPasteToShape(Shell& shell) {
  Editor& ed = shell.editor();
  Shape* s = currentShape(ed.doc);
  if (!s || !shell.app().hasCopy) return;
  *s = shell.app().copyBuffer;
  changed(shell, "Paste to shape", currentShapeScope(ed));
}

void cmdLockSelection(Shell& shell) {
  AppState& app = shell.app();
  app.lockSelection = static_cast<uint8_t>(1 - app.lockSelection);
  shell.setChecked(kCmdLockSelection, app.lockSelection != 0);
}

void cmdDeleteShape(Shell& shell) {
  // Delete belongs to the canvas: in a text field it edits the text.
  if (!shell.canvasHasFocus()) return;
  Editor& ed = shell.editor();
  if (!deleteCurrentShape(ed.doc)) return;
  ed.refreshShapeList();
  changed(shell, "Delete the current shape", ChangeScope::wholeObject(ed.doc.CurrentObject));
}

void cmdShapeToBottom(Shell& shell) {
  Editor& ed = shell.editor();
  if (!shapeToBottom(ed.doc)) return;
  ed.refreshShapeList();
  changed(shell, "Set Shape to bottom", ChangeScope::wholeObject(ed.doc.CurrentObject));
}

void cmdShapeToTop(Shell& shell) {
  Editor& ed = shell.editor();
  if (!shapeToTop(ed.doc)) return;
  ed.refreshShapeList();
  changed(shell, "Set Shape to top", ChangeScope::wholeObject(ed.doc.CurrentObject));
}

void cmdShapeToOrigin(Shell& shell) {
  Editor& ed = shell.editor();
  Shape* s = currentShape(ed.doc);
  if (s && shapeToOrigin(*s)) changed(shell, "Set shape to origin", currentShapeScope(ed));
}

void cmdOriginToShape(Shell& shell) {
  Editor& ed = shell.editor();
  Shape* s = currentShape(ed.doc);
  if (s && originToShape(*s)) changed(shell, "Set origin to shape", currentShapeScope(ed));
}

void cmdDeletePoint(Shell& shell) {
  Editor& ed = shell.editor();
  if (deletePoint(ed, ed.doc.CurrentPoint))
    changed(shell, "Delete this point", currentShapeScope(ed));
}

void cmdSelectAllPoints(Shell& shell) {
  Editor& ed = shell.editor();
  Shape* s = currentShape(ed.doc);
  if (!s) return;
  for (ShapePoint& p : s->points) p.selected = 1;
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
    // The conversions of the points menu have no behaviour.
    CommandDef{kCmdConvertToLine, "Convert to line", nullptr},
    CommandDef{kCmdConvertToCurve, "Convert to curve", nullptr},
    CommandDef{kCmdConvertToComplex, "Convert to complexe shape", nullptr},
    CommandDef{kCmdSeparateSubShapes, "Separate all sub-shape to shape", nullptr},
    CommandDef{kCmdJoinSelected, "Joint selected shape", nullptr},
};

}  // namespace

std::span<const CommandDef> shapeCommands() { return kShapeCommands; }

}  // namespace pw
