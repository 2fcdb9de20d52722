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

// The wheel's zoom: each notch (120 eighths of a degree) multiplies the zoom by kWheelZoomFactor,
// from 1 up to kMaxWheelZoom percent; a whole notch moves it by at least 1.
inline constexpr double kWheelZoomFactor = 1.1;
inline constexpr int64_t kMaxWheelZoom = 3200;
int64_t wheelZoomStep(int64_t zoom, double notches);
// Sets the zoom (status text included) so that canvas pixel (px, py) shows the same point of the
// scene before and after.
void zoomAbout(Shell& shell, int64_t zoom, double px, double py);
// Moves the view by (dx, dy) scene units (the pan stops at the ends of its range).
void panView(Shell& shell, int64_t dx, int64_t dy);

// Moves the current and the selected shapes of the current object (not the locked ones) by
// (dx, dy) as the step "Move shape"; consecutive nudges with one mergeKey are one undo step.
bool nudgeShapes(Shell& shell, int64_t dx, int64_t dy, int mergeKey);

// The question asked before unsaved changes would be lost.
inline constexpr const char* kSaveChangesText = "Save changes to the current scene?";

}  // namespace pw
