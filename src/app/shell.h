// What the commands need from the editor window. The main window implements it; the commands
// know nothing else of Qt widgets.
#pragma once

#include <string>

#include "app/app_state.h"
#include "core/editor.h"

namespace pw {

class ImageStore;

class Shell {
 public:
  virtual ~Shell() = default;
  virtual Editor& editor() = 0;
  virtual AppState& app() = 0;
  virtual ImageStore& images() = 0;

  virtual void redrawCanvas() = 0;  // full canvas refresh
  virtual int canvasWidth() const = 0;
  virtual int canvasHeight() const = 0;
  virtual bool canvasHasFocus() const = 0;
  // The mouse position relative to the main window's inner area (menu bar excluded).
  virtual void mouseInWindow(int& x, int& y) const = 0;

  virtual void setChecked(int command, bool on) = 0;
  virtual void setStatusText(int field, const std::string& text) = 0;
  // Ends the program at once (the settings are not saved).
  virtual void quitNow() = 0;
  // The selection changed: shape list and properties follow.
  virtual void selectionChanged() = 0;
  // The document was replaced or restored (New, Load, Merge, Undo, Redo): views that keep their
  // own copy of document values (the timeline's frame fields) read them again.
  virtual void documentRestored() {}
  // Sets side-panel control `number` to `value` as the user would, and runs its handler.
  virtual void setPanelControl(int /*number*/, int64_t /*value*/) {}
};

}  // namespace pw
