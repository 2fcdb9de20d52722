// The layer panel at the top of the object panel's "Object" tab: the object's alpha (44) and
// lock (34), the drawn layer list (scroll area 26 holding surface 27) and the four layer
// buttons (39 add, 40 delete, 41 up, 42 down).
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "core/editor.h"
#include "ui/editor_icons.h"

class QScrollArea;
class QSpinBox;
class QToolButton;

namespace pw {

class LayerPanel;

// Surface 27: shows the drawn list and hands mouse presses to the panel.
class LayerListSurface : public QWidget {
  Q_OBJECT

 public:
  explicit LayerListSurface(LayerPanel& panel, QWidget* parent = nullptr);
  QImage image;  // the drawn list

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  LayerPanel& panel_;
};

class LayerPanel : public QWidget {
  Q_OBJECT

 public:
  // Height the panel takes below the tab's top margin of 10 pixels; the "Properties" frame
  // follows it.
  static constexpr int kUsedHeight = 292;
  static constexpr int kTopMargin = 10;

  // Place the panel at the top-left of the "Object" tab; it is panelW wide and
  // kTopMargin + kUsedHeight high. Draws the list once, and again at each layer-list notice of
  // the editor. `icons` must outlive the panel.
  LayerPanel(Editor& ed, const EditorIcons& icons, int panelW, QWidget* parent = nullptr);
  ~LayerPanel() override;

  // Redraws the list; with `full` it then refreshes the shape list, the effect list, the
  // properties and the canvas.
  void drawLayerList(bool full);
  // Shows the current object's alpha and lock in controls 44 and 34.
  void showObjectControls();

  // The list surface's mouse handling, in surface coordinates.
  void pressAt(int x, int y);
  void doubleClickAt(int x, int y);
  // A right click at (x, y): the row's object becomes current, then onContextMenu asks for the
  // pop-up menu at `global`. Below the last row nothing happens.
  void contextMenuAt(int x, int y, QPoint global);

  // Shows the layer list's pop-up menu (the window builds it).
  std::function<void(QPoint global)> onContextMenu;

  LayerListSurface* surface() const { return surface_; }

 private:
  void addLayer();
  void deleteLayer();
  void moveLayer(int dir);
  void paintList(QImage& img) const;

  Editor& ed_;
  const EditorIcons& icons_;
  int panelW_;
  QSpinBox* alpha_ = nullptr;
  QToolButton* lock_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  LayerListSurface* surface_ = nullptr;
  int listener_ = 0;
};

}  // namespace pw
