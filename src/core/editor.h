// The editor context: one document with its options, tool state, window title and the services
// it talks through. The application owns one; a test can build as many as it likes.
#pragma once

#include <functional>
#include <string>

#include "core/model.h"
#include "core/prompt.h"
#include "core/resources.h"
#include "core/tool_state.h"
#include "settings/options.h"

namespace pw {

// Redraw steps of the window and panels. They do nothing until a window installs them.
struct EditorHooks {
  std::function<void()> redrawCanvas;        // full canvas refresh
  std::function<void()> refreshProperties;   // side panel from the current selection
  std::function<void()> refreshLayerList;    // layer list (full mode)
  std::function<void()> refreshShapeList;
  std::function<void()> refreshFxList;
  std::function<void(const std::string&)> titleChanged;
};

struct Editor {
  Editor(Prompt& p, Resources& r) : prompt(p), resources(r) { setDefaultOptions(options); }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  Document doc;
  sVdOptions options;
  ToolState tools;
  std::string windowTitle = kAppTitle;
  // Folder that holds "data/" and "examples/"; empty means the process's current directory.
  std::string root;

  Prompt& prompt;
  Resources& resources;
  EditorHooks hooks;

  void setTitle(const std::string& t) {
    windowTitle = t;
    if (hooks.titleChanged) hooks.titleChanged(t);
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
};

}  // namespace pw
