// The editor context: one document with its selection, options, tool state, window title and the
// services it talks through. The application owns one; a test can build as many as it likes.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/change_scope.h"
#include "core/command.h"
#include "core/listeners.h"
#include "core/model.h"
#include "core/prompt.h"
#include "core/resources.h"
#include "core/selection.h"
#include "core/tool_state.h"
#include "core/view.h"
#include "settings/options.h"

namespace pw {

// The parts of the window that show the editor's state. A notice names a part that no longer
// shows the state as it is; whatever draws that part listens for it and draws it again. Nothing
// listens without a window, so the editor's operations run the same headless.
enum class Shown : uint8_t {
  kCanvas,         // the canvas picture
  kProperties,     // the side panel's controls, from the current selection
  kLayerList,      // the layer list
  kShapeList,      // the shape list of the current object
  kFxList,         // the effect list of the current shape
  kPointPosition,  // the point X and Y fields, during a point drag: the notice's (x, y)
  kTitle,          // the window title: displayTitle()
  kSaved,          // the document was written to its file and is now the saved one
};

struct Notice {
  Shown what = Shown::kCanvas;
  int64_t x = 0, y = 0;
};

struct Editor {
  Editor(Prompt& p, Resources& r) : prompt(p), resources(r) { setDefaultOptions(options); }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  Document doc;
  // What is current in `doc`: it lives beside the document, not in it (no scene file holds it).
  Selection sel;
  sVdOptions options;
  ToolState tools;
  Pan pan;
  std::string windowTitle = kAppTitle;
  // Folder that holds "data/" and "examples/"; empty means the process's current directory.
  std::string root;

  Prompt& prompt;
  Resources& resources;

  // True after any change since the document was last loaded, saved or made new.
  bool modified = false;

  // Sets the document's title (without the modified mark).
  void setTitle(const std::string& t) {
    windowTitle = t;
    notify(Shown::kTitle);
  }
  // The title as shown: the document's title, and " *" while it has unsaved changes.
  std::string displayTitle() const { return modified ? windowTitle + " *" : windowTitle; }
  void setModified(bool m) {
    if (modified == m) return;
    modified = m;
    notify(Shown::kTitle);
  }
  // The one road for changing the document: applies the command and, when it changed
  // something, marks the document modified and tells every observer once. Returns whether it
  // changed anything.
  bool execute(Command cmd) {
    if (cmd.apply && !cmd.apply(doc, sel, cmd.scope)) return false;
    setModified(true);
    observers_.tell(Change{cmd.name, cmd.scope, cmd.mergeKey});
    return true;
  }
  // Observers hear every executed change; the id removes one again.
  int observe(ChangeObserver fn) { return observers_.add(std::move(fn)); }
  void unobserve(int id) { observers_.remove(id); }
  // Listeners hear which part of the window to draw again; the id removes one again.
  int listen(std::function<void(const Notice&)> fn) { return listeners_.add(std::move(fn)); }
  // Listens for one kind of notice only.
  int listen(Shown what, std::function<void(const Notice&)> fn) {
    return listen([what, fn = std::move(fn)](const Notice& n) {
      if (n.what == what) fn(n);
    });
  }
  void unlisten(int id) { listeners_.remove(id); }
  void notify(Shown what, int64_t x = 0, int64_t y = 0) const { listeners_.tell({what, x, y}); }
  // The document was just saved (the modified flag is already cleared).
  void documentSaved() const { notify(Shown::kSaved); }
  // Path of a file below the root: rootPath("data/shapes/") + name.
  std::string rootPath(const std::string& rel) const {
    if (root.empty()) return rel;
    return root.back() == '/' ? root + rel : root + "/" + rel;
  }
  // The redraw steps of the editor's operations, as notices.
  void redrawCanvas() const { notify(Shown::kCanvas); }
  void refreshProperties() const { notify(Shown::kProperties); }
  void refreshLayerList() const { notify(Shown::kLayerList); }
  void refreshShapeList() const { notify(Shown::kShapeList); }
  void refreshFxList() const { notify(Shown::kFxList); }
  void showPointPosition(int64_t x, int64_t y) const { notify(Shown::kPointPosition, x, y); }

 private:
  Listeners<Change> observers_;
  Listeners<Notice> listeners_;
};

}  // namespace pw
