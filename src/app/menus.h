// The menu bar and the window-wide keyboard shortcuts. Item texts carry their accelerator labels
// after a tab; the labels are only text, the shortcut table is what binds keys.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMenuBar>
#include <QShortcut>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/options.h"

class QMenu;

namespace pw {

struct MenuSet {
  std::map<int, QAction*> actions;   // by command number
  std::vector<QShortcut*> shortcuts; // in table order, then the extra ones
  QMenu* recent = nullptr;           // "Open recent": the window fills it as it opens
};

struct ShortcutDef {
  QKeyCombination key;
  int command;
};

// The Edit menu's items as they read with nothing to undo or redo; a step's name goes before
// the tab ("Undo Move shape\tCtrl+Z").
inline constexpr const char* kUndoText = "Undo\tCtrl+Z";
inline constexpr const char* kRedoText = "Redo\tCtrl+Y";
// The text of an Edit menu item for a step: "Undo" + " " + name, then the accelerator label.
QString editItemText(bool undo, const std::string& stepName);

// The nineteen shortcuts, in the order they are installed.
const std::vector<ShortcutDef>& shortcutTable();
// The keys a desktop editor is expected to have besides them, installed after them: zoom from
// the main keyboard, save as, quit.
const std::vector<ShortcutDef>& extraShortcutTable();

// "Save as…" in the Files menu, after "Save a copy".
inline constexpr const char* kSaveAsText = "Save as\u2026\tCtrl+Shift+S";

// Fills the menu bar, sets the check marks from the options and installs the shortcuts on
// `window`. Every item and shortcut calls dispatch(command).
MenuSet buildMenus(QMenuBar* bar, QWidget* window, const sVdOptions& options,
                   const std::function<void(int)>& dispatch);

}  // namespace pw
