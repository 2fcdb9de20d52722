// Edit menu: undo and redo.
#include <array>

#include "app/command_ids.h"
#include "app/command_table.h"
#include "core/create.h"

namespace pw {

namespace {

// Undoes (or redoes) one step and brings every view of the document up to date. Nothing happens
// in the middle of a canvas drag: its change is announced on release.
void step(Shell& shell, bool undo) {
  Editor& ed = shell.editor();
  if (ed.tools.dragStarted) return;
  History& h = shell.app().history;
  if (!(undo ? h.undo(ed.doc, ed.sel) : h.redo(ed.doc, ed.sel))) return;
  reloadReleasedResources(ed);
  ed.tools.dragState = DragState::kNone;
  ed.tools.shapeHit = false;
  ed.setModified(!h.isAtSaved());
  ed.refreshLayerList();
  shell.documentRestored();
  shell.selectionChanged();
  shell.redrawCanvas();
}

void cmdUndo(Shell& shell) { step(shell, true); }
void cmdRedo(Shell& shell) { step(shell, false); }

const std::array kEditCommands = {
    CommandDef{kCmdUndo, "Undo", cmdUndo},
    CommandDef{kCmdRedo, "Redo", cmdRedo},
};

}  // namespace

std::span<const CommandDef> editCommands() { return kEditCommands; }

}  // namespace pw
