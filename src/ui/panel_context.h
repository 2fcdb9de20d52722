// What the side panels work with: the editor, the numbered controls and the window's services.
// The tabs are built, refreshed and handled through functions taking this context, so a test
// can build any panel on its own widgets.
#pragma once

#include <functional>

#include "core/editor.h"
#include "ui/control_ids.h"
#include "ui/control_set.h"
#include "ui/editor_icons.h"

class QWidget;
class QGroupBox;

namespace pw {

struct PanelContext {
  Editor& ed;
  ControlSet& controls;
  const EditorIcons& icons;
  // Keyboard focus back to the canvas (after "+" and "-" of the shape list).
  std::function<void()> focusCanvas;
  // Pops up the points menu with its left edge at window x `x` and its top at the mouse.
  std::function<void(int x)> showPointsMenu;
};

// The row grid of the panels: 20-pixel rows, 3 pixels between rows, a left margin of 10 inside
// a tab, 15 pixels of heading at the top of each framed section (frame width = panel width - 15).
struct PanelGrid {
  static constexpr int kRowH = 20;
  static constexpr int kRowGap = 3;
  static constexpr int kMargin = 10;
  static constexpr int kFrameHeading = 15;
  int y = kMargin;  // top of the next row
  int nextRow() {
    const int r = y;
    y += kRowH + kRowGap;
    return r;
  }
};

// Tab "Shapes" of the shape panel (controls 46-55, 58-65, 80-86 and their frames).
void buildShapesTab(PanelContext& ctx, QWidget* tab);
// Tab "Color" (56, 57, 66-77) and tab "FX" (89-104; fills the preset list when built).
void buildColorTab(PanelContext& ctx, QWidget* tab);
void buildFxTab(PanelContext& ctx, QWidget* tab);
// The "Properties" frame of the "Object" tab (30, 31, 36, 37) and tab "Options" (116-118).
void buildObjectProperties(PanelContext& ctx, QGroupBox* frame);
void buildOptionsTab(PanelContext& ctx, QWidget* tab);

// Change handlers: true when `number` is one of theirs (whether or not it changed anything).
bool handleShapesEvent(PanelContext& ctx, int number);  // 30, 31, 36, 37, 46-55, 58-65, 80-86
bool handleStyleEvent(PanelContext& ctx, int number);   // 56, 57, 66-77, 89-104, 116-118

// Copies the current selection into the controls.
void refreshProperties(PanelContext& ctx);
// Greys (or enables) controls 45-107, then applies the rules by shape type.
void enablePanelControls(PanelContext& ctx, bool enabled);
void refreshShapeList(PanelContext& ctx);
void refreshFxList(PanelContext& ctx);
void fillTemplateList(PanelContext& ctx);
// Refills the preset drop-down (89) from "data/shapefx/".
void listPresets(PanelContext& ctx);

}  // namespace pw
