#include "app/commands.h"

#include <array>
#include <cmath>

#include "app/command_ids.h"
#include "app/command_table.h"

namespace pw {

namespace {

const CommandDef* findCommand(int id) {
  for (const CommandDef& c : commandTable())
    if (c.id == id) return &c;
  return nullptr;
}

}  // namespace

bool isCommand(int id) { return findCommand(id) != nullptr; }

bool runCommand(Shell& shell, int id) {
  const CommandDef* c = findCommand(id);
  if (!c) return false;
  if (c->run) c->run(shell);
  return true;
}

bool confirmDiscardChanges(Shell& shell) {
  Editor& ed = shell.editor();
  if (!ed.modified || ed.options.ConfirmExit != 1) return true;
  switch (ed.prompt.askSaveChanges(kAppTitle, kSaveChangesText)) {
    case Prompt::SaveChoice::kSave:
      // Only a save that really wrote the file lets the action go on.
      return saveDocument(shell) && !ed.modified;
    case Prompt::SaveChoice::kDiscard:
      return true;
    case Prompt::SaveChoice::kCancel:
      break;
  }
  return false;
}

void setZoom(Shell& shell, int64_t zoom) {
  Editor& ed = shell.editor();
  ed.options.Zoom = zoom;
  shell.setStatusText(kStatusBar, "Zoom " + std::to_string(ed.options.Zoom));
}

}  // namespace pw
