// The tool bar across the top of the window (control 1): the canvas tool buttons, the list of
// transformation origins and the snap controls. Every control is named "ctl" + its number.
#pragma once

#include <QWidget>
#include <array>

#include "core/editor.h"
#include "ui/control_ids.h"
#include "ui/editor_icons.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class QToolButton;

namespace pw {

class ToolBar : public QWidget {
  Q_OBJECT

 public:
  // Tool buttons are numbered by their tool: button = tool + 2.
  static constexpr int kFirstButton = kCtlToolFirst;
  static constexpr int kLastButton = kCtlToolLast;
  static constexpr int kMinHeight = 20;

  // `icons` must outlive the bar.
  ToolBar(Editor& ed, const EditorIcons& icons, QWidget* parent = nullptr);

  // Lays the bar out at (0, 0) with width `width` and height max(toolBarH, 20), and sets every
  // control from the editor: the snap fields, the offset, and the button of the current tool
  // pressed. Called when the window is built and again on every resize.
  void buildToolBar(int width, int toolBarH);

  // Shows the button of `tool` pressed and every other tool button released, without changing
  // the tool (the canvas calls it when a creation returns the tool to Move).
  void showTool(int tool);

  // The effect of a click on tool button `number` (2 ... 18).
  void chooseTool(int number);

  // Tool button `number`, or nullptr when there is none with that number.
  QToolButton* toolButton(int number) const;

 signals:
  // Keyboard focus belongs on the canvas after a tool was chosen.
  void wantCanvasFocus();
  void toolChanged(int tool);

 private:
  void snapEdited();

  Editor& ed_;
  const EditorIcons& icons_;
  std::array<QToolButton*, kLastButton + 1> buttons_{};
  QComboBox* offset_ = nullptr;
  QCheckBox* snap_ = nullptr;
  QSpinBox* snapX_ = nullptr;
  QSpinBox* snapY_ = nullptr;
};

}  // namespace pw
