// The editor context: one document with its selection, options, tool state, window title and the
// services it talks through. The application owns one; a test can build as many as it likes.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/change_scope.h"
#include "core/command.h"
#include "core/model.h"
#include "core/prompt.h"
#include "core/resources.h"
#include "core/selection.h"
#include "core/tool_state.h"
#include "core/view.h"
#include "settings/options.h"

namespace pw {

// Redraw steps of the window and panels. They do nothing until a window installs them.
struct EditorHooks {
  std::function<void()> redrawCanvas;        // full canvas refresh
  std::function<void()> refreshProperties;   // side panel from the current selection
  std::function<void()> refreshLayerList;    // layer list (full mode)
  std::function<void()> refreshShapeList;
  std::function<void()> refreshFxList;
  // The point X and Y fields of the properties panel, during a point drag.
  std::function<void(int64_t, int64_t)> showPointPosition;
  // Receives the title as the window should show it (with " *" while modified).
  std::function<void(const std::string&)> titleChanged;
  // The document was written to its file and is now the saved one.
  std::function<void()> documentSaved;
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
  EditorHooks hooks;

  // True after any change since the document was last loaded, saved or made new.
  bool modified = false;

  // Sets the document's title (without the modified mark).
  void setTitle(const std::string& t) {
    windowTitle = t;
    if (hooks.titleChanged) hooks.titleChanged(displayTitle());
  }
  // The title as shown: the document's title, and " *" while it has unsaved changes.
  std::string displayTitle() const { return modified ? windowTitle + " *" : windowTitle; }
  void setModified(bool m) {
    if (modified == m) return;
    modified = m;
    if (hooks.titleChanged) hooks.titleChanged(displayTitle());
  }
  // The one road for changing the document: applies the command and, when it changed
  // something, marks the document modified and tells every observer once. Returns whether it
  // changed anything.
  bool execute(Command cmd) {
    if (cmd.apply && !cmd.apply(doc, sel, cmd.scope)) return false;
    setModified(true);
    const Change change{cmd.name, cmd.scope, cmd.mergeKey};
    // An observer may add or remove observers; those take effect from the next change.
    const std::vector<std::pair<int, ChangeObserver>> now = observers_;
    for (const auto& o : now) o.second(change);
    return true;
  }
  // Observers hear every executed change; the id removes one again.
  int observe(ChangeObserver fn) {
    observers_.emplace_back(++lastObserver_, std::move(fn));
    return lastObserver_;
  }
  void unobserve(int id) {
    std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
  }
  // Tells the hooks that the document was just saved (the modified flag is already cleared).
  void documentSaved() {
    if (hooks.documentSaved) hooks.documentSaved();
  }
  // Path of a file below the root: rootPath("data/shapes/") + name.
  std::string rootPath(const std::string& rel) const {
    if (root.empty()) return rel;
    return root.back() == '/' ? root + rel : root + "/" + rel;
  }
  void redrawCanvas() { if (hooks.redrawCanvas) hooks.redrawCanvas(); }
  void refreshProperties() { if (hooks.refreshProperties) hooks.refreshProperties(); }
  void refreshLayerList() { if (hooks.refreshLayerList) hooks.refreshLayerList(); }
  void refreshShapeList() { if (hooks.refreshShapeList) hooks.refreshShapeList(); }
  void refreshFxList() { if (hooks.refreshFxList) hooks.refreshFxList(); }
  void showPointPosition(int64_t x, int64_t y) {
    if (hooks.showPointPosition) hooks.showPointPosition(x, y);
  }

 private:
  std::vector<std::pair<int, ChangeObserver>> observers_;
  int lastObserver_ = 0;
};

}  // namespace pw
