// Menu, shortcut and pop-up menu commands, dispatched by number in one place.
#pragma once

#include <string>

#include "app/shell.h"

namespace pw {

// Runs command `id`. Returns false for a number that is not a command.
bool runCommand(Shell& shell, int id);

// True when `id` names a command of the menus, the shortcuts or the points menu.
bool isCommand(int id);

// Before "New", "Load Object", opening a scene, "Quit" or closing the window: with unsaved
// changes (and ConfirmExit 1) asks to save them. True when the action may go on.
bool confirmDiscardChanges(Shell& shell);

// Stores Zoom and rewrites status field 0 ("Zoom " and the value).
void setZoom(Shell& shell, int64_t zoom);

// The question asked before unsaved changes would be lost.
inline constexpr const char* kSaveChangesText = "Save changes to the current scene?";

}  // namespace pw
