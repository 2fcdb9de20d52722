// The table behind the command dispatch: one entry per command number, filled from the
// command files (file, shape and view commands).
#pragma once

#include <span>
#include <string>

#include "app/shell.h"

namespace pw {

struct CommandDef {
  int id;
  const char* name;         // how the command is named to the user (undo steps and the like)
  void (*run)(Shell& shell);  // nullptr: the command exists and does nothing
};

std::span<const CommandDef> commandTable();
std::span<const CommandDef> fileCommands();
std::span<const CommandDef> editCommands();
std::span<const CommandDef> shapeCommands();
std::span<const CommandDef> viewCommands();

// "Save": the document's own file, or a name asked for. True when written.
bool saveDocument(Shell& shell);

// "Load Object" with the scene at `path` (asked for when empty), as the recent list, a dropped
// file and the command line open one: the unsaved-changes question first, then the scene
// replaces the document and goes first in the recent list. True when it was read.
bool openScene(Shell& shell, const std::string& path);

}  // namespace pw
