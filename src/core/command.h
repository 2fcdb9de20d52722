// An edit of the document, and what its announcement tells the rest of the program.
//
// Every change of the document is a Command given to Editor::execute: menus, shortcuts, panels
// and canvas tools build them, nothing else announces a change. execute applies it, marks the
// document modified and tells each observer once: the undo history records the step from the
// scope (and the canvas learns from it which shapes to compare with its picture), the window
// shows the change in the controls.
#pragma once

#include <functional>
#include <string>

#include "core/change_scope.h"
#include "core/model.h"
#include "core/selection.h"

namespace pw {

struct Command {
  // The step's name in the Edit menu ("Undo Move the shape").
  std::string name;
  // What the change touches; apply may narrow or fill it in once it knows.
  ChangeScope scope;
  // Nonzero: a burst of commands with the same key (edits of one control) makes one undo step.
  int mergeKey = 0;
  // Makes the change and returns whether anything changed (nothing is announced otherwise). It
  // may move the selection along (a new shape becomes the current one); the history records the
  // selection with the step. Empty for a gesture that has already changed the document live (a
  // canvas drag): the command then only announces it.
  std::function<bool(Document&, Selection&, ChangeScope&)> apply;
};

// What observers hear after a command changed the document.
struct Change {
  const std::string& name;
  const ChangeScope& scope;
  int mergeKey = 0;
};

using ChangeObserver = std::function<void(const Change&)>;

}  // namespace pw
