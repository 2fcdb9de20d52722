// The main window's part in the habits of a desktop editor: the canvas's wheel, arrow keys and
// mouse position, the pop-up menus, the recent scenes, the remembered folders and dropped files.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "app/canvas_widget.h"
#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/commands.h"
#include "app/context_menus.h"
#include "app/main_window.h"
#include "settings/options.h"
#include "ui/layer_panel.h"

namespace pw {

namespace {

// The status bar field that shows the mouse position, beside the zoom.
constexpr int kStatusMouse = 1;

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// The first local file a drag carries; empty when it carries none.
QString droppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& u : data->urls())
    if (u.isLocalFile()) return u.toLocalFile();
  return {};
}

bool sameMemory(const sVdOptions& a, const sVdOptions& b) {
  return a.RecentFiles == b.RecentFiles && a.SceneFolder == b.SceneFolder &&
         a.ImageFolder == b.ImageFolder && a.ExportFolder == b.ExportFolder;
}

}  // namespace

void MainWindow::connectCanvas() {
  setAcceptDrops(true);
  connect(canvas_, &CanvasWidget::wheelZoom, this, [this](int64_t zoom, QPointF at) {
    zoomAbout(*this, zoom, at.x(), at.y());
    showMousePosition(at, true);
  });
  connect(canvas_, &CanvasWidget::wheelPan, this,
          [this](int64_t dx, int64_t dy) { panView(*this, dx, dy); });
  connect(canvas_, &CanvasWidget::nudge, this, [this](int64_t dx, int64_t dy, int key) {
    if (!app_.playing) nudgeShapes(*this, dx, dy, key);
  });
  connect(canvas_, &CanvasWidget::contextMenuWanted, this,
          [this](QPoint at, QPoint global) { showCanvasMenu(at, global); });
  connect(canvas_, &CanvasWidget::mouseAt, this,
          [this](QPointF at, bool inside) { showMousePosition(at, inside); });
  layerPanel_->onContextMenu = [this](QPoint global) { showLayerMenu(global); };
  connect(menus_.recent, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
  fillRecentMenu();
}

void MainWindow::showMousePosition(QPointF at, bool inside) {
  if (!inside) {
    setStatusText(kStatusMouse, "");
    return;
  }
  // The place a click there gives a point: the current object's units, less the pan.
  const SceneMouse m = sceneMouseOf(ed_, at.x(), at.y());
  setStatusText(kStatusMouse, "X " + std::to_string(m.x - ed_.pan.x) + "  Y " +
                                  std::to_string(m.y - ed_.pan.y));
}

void MainWindow::setPanelControl(int number, int64_t value) {
  if (!controls_->exists(number)) return;
  controls_->setValue(number, value);
  controlEvent(number);
}

void MainWindow::runPopupCommand(int command, QPoint at) {
  popupCommand_ = true;
  popupAt_ = at;
  dispatch(command);
  popupCommand_ = false;
}

QMenu* MainWindow::showCanvasMenu(QPoint at, QPoint global) {
  if (app_.playing) return nullptr;
  const bool onShape = pickForPopup(ed_, store_, canvas_->size(), at);
  if (onShape) {
    selectionChanged();
    redrawCanvas();
  }
  const QPoint inWindow = canvas_->mapTo(centralWidget(), at);
  QMenu* menu = buildPopupMenu(onShape ? PopupKind::kShape : PopupKind::kCanvas, this, ed_, app_,
                               [this, inWindow](int id) { runPopupCommand(id, inWindow); });
  menu->popup(global);
  return menu;
}

QMenu* MainWindow::showLayerMenu(QPoint global) {
  if (app_.playing) return nullptr;
  const QPoint inWindow = centralWidget()->mapFromGlobal(global);
  QMenu* menu = buildPopupMenu(PopupKind::kLayer, this, ed_, app_,
                               [this, inWindow](int id) { runPopupCommand(id, inWindow); });
  menu->popup(global);
  return menu;
}

void MainWindow::fillRecentMenu() {
  QMenu* m = menus_.recent;
  if (!m) return;
  for (int id = kCmdOpenRecent0; id <= kCmdRemoveMissingRecent; ++id) menus_.actions.erase(id);
  m->clear();
  const std::vector<std::string>& list = ed_.options.RecentFiles;
  bool missing = false;
  for (size_t i = 0; i < list.size() && i < kRecentFilesMax; ++i) {
    QString text = QString::fromStdString(list[i]);
    text.replace('&', "&&");
    QAction* a = m->addAction(QString("&%1 %2").arg(i + 1).arg(text));
    const int id = kCmdOpenRecent0 + static_cast<int>(i);
    a->setObjectName(QString("cmd%1").arg(id));
    // A scene that is gone stays listed, greyed, until the list is cleaned.
    const bool there = fileExists(list[i]);
    a->setEnabled(there);
    missing = missing || !there;
    connect(a, &QAction::triggered, this, [this, id] { dispatch(id); });
    menus_.actions[id] = a;
  }
  if (list.empty()) m->addAction("No recent scenes")->setEnabled(false);
  m->addSeparator();
  struct Tail {
    const char* text;
    int id;
    bool enabled;
  };
  for (const Tail& t : {Tail{"Remove missing files", kCmdRemoveMissingRecent, missing},
                        Tail{"Clear the list", kCmdClearRecent, !list.empty()}}) {
    QAction* a = m->addAction(t.text);
    a->setObjectName(QString("cmd%1").arg(t.id));
    a->setEnabled(t.enabled);
    const int id = t.id;
    connect(a, &QAction::triggered, this, [this, id] { dispatch(id); });
    menus_.actions[id] = a;
  }
}

bool MainWindow::saveFileMemory() {
  if (cfg_.settingsPath.empty()) return false;
  sVdOptions onDisk;
  // A missing or damaged file is the normal save's to write.
  if (!loadOptions(onDisk, cfg_.settingsPath, false) || sameMemory(onDisk, ed_.options))
    return false;
  onDisk.RecentFiles = ed_.options.RecentFiles;
  onDisk.SceneFolder = ed_.options.SceneFolder;
  onDisk.ImageFolder = ed_.options.ImageFolder;
  onDisk.ExportFolder = ed_.options.ExportFolder;
  return saveOptions(onDisk, cfg_.settingsPath);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (!app_.playing && !droppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
  const QString file = droppedFile(e->mimeData());
  if (file.isEmpty() || app_.playing) return;
  e->acceptProposedAction();
  // The drop ends before the questions and the reading start.
  const std::string path = file.toStdString();
  QMetaObject::invokeMethod(this, [this, path] { openScene(*this, path); }, Qt::QueuedConnection);
}

}  // namespace pw
