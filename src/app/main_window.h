// The editor's main window: menu bar and shortcuts, tool bar, the shape panel on the left, the
// Control panel below it, the canvas, the object panel with the layer list on the right and the
// status bar. It carries out the commands (through the one dispatch by number) and the idle
// work (autosave, the new-version notice).
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "app/app_state.h"
#include "app/menus.h"
#include "app/shell.h"
#include "app/timeline.h"
#include "render/image_store.h"
#include "ui/control_set.h"
#include "ui/editor_icons.h"
#include "ui/panel_context.h"
#include "ui/window_layout.h"

class QLabel;
class QMenu;
class QTabWidget;
class QGroupBox;

namespace pw {

class CanvasWidget;
class LayerPanel;
class ToolBar;
class UpdateCheck;

struct WindowConfig {
  std::string settingsPath = "Preferences.ini";  // written on resize; empty: never written
  // Milliseconds since some fixed start; the autosave clock. Default: a monotonic clock.
  std::function<int64_t()> clock;
  uint64_t seed = 0;  // random source of the autosave stamp and the tip; 0: from the clock
  // Where a fatal fault's report is written, below the editor's root; start-up says so when its
  // folder cannot be written. Empty: not checked.
  std::string crashReportPath = "data/crash-report.txt";
};

class MainWindow : public QMainWindow, public Shell {
  Q_OBJECT

 public:
  MainWindow(Editor& ed, ImageStore& store, AppState& app, WindowConfig cfg = {},
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up after the window is built: the first object, the autosave stamp, the run marker,
  // the recovery offer, the tip. `scene` (may be empty) is opened as "Load Object" would.
  void start(const std::string& scene = {});

  // The one entry of every menu item, shortcut and pop-up command.
  void dispatch(int command);

  // The re-layout of the resize handler: geometry, WinW/WinH/WinState, the settings file, the
  // tool bar.
  void layoutWindow();
  // The idle work: new-version notice and autosave check (runs from a one-second timer).
  void idleWork();

  // The run ended through "Quit" (settings not saved) or by closing the window (saved).
  bool quitRequested() const { return quitRequested_; }
  bool closedByUser() const { return closedByUser_; }
  // Saves the settings file now (on a normal close).
  bool saveSettings();
  // Writes the settings that a re-layout left pending (a resize writes them once it settles, not
  // at every step of a drag). True when something was written.
  bool flushSettings();
  // Ends the run: removes the marker that says the run is alive.
  void endRun();

  QAction* action(int command) const;
  // Refills "Open recent" from the recent list (the menu does so each time it opens).
  void fillRecentMenu();
  // Shows the pop-up menu of the canvas at canvas pixel `at` (over a shape, the shape becomes
  // current) or of the layer list; the menu is returned, open.
  QMenu* showCanvasMenu(QPoint at, QPoint global);
  QMenu* showLayerMenu(QPoint global);
  // Writes the recent scenes and the remembered folders into the settings file, leaving the
  // file's other members as they are there ("Quit" saves no settings, but keeps these).
  bool saveFileMemory();
  // The Edit menu's texts and greying from the history.
  void updateEditMenu();
  CanvasWidget* canvas() const { return canvas_; }
  ToolBar* toolBar() const { return toolBar_; }
  LayerPanel* layerPanel() const { return layerPanel_; }
  QMenu* pointsMenu() const { return pointsMenu_; }
  // The numbered controls of the side panels and the context their functions work with.
  ControlSet& controls() { return *controls_; }
  PanelContext& panels() { return *panels_; }
  // The page of tab "Control" (the timeline builds its controls there).
  QWidget* controlTab() const;

  // The timeline's controls (109-114) go here first; true when the number is the timeline's.
  std::function<bool(int)> timelineEvent;
  // Return pressed in one of the timeline's text fields.
  std::function<bool(int)> timelineSubmitted;
  const std::vector<std::string>& tips() const { return tips_; }

  // Shows the new-version notice once the update check has set its flag.
  std::function<void()> onNewVersion;
  // The update check started by start() (null when PENWICK_UPDATE_URL=off).
  UpdateCheck* updateCheck() const { return updateCheck_.get(); }

  // Shell
  Editor& editor() override { return ed_; }
  AppState& app() override { return app_; }
  ImageStore& images() override { return store_; }
  void redrawCanvas() override;
  int canvasWidth() const override;
  int canvasHeight() const override;
  bool canvasHasFocus() const override;
  void mouseInWindow(int& x, int& y) const override;
  void setChecked(int command, bool on) override;
  void setStatusText(int field, const std::string& text) override;
  void setPanelControl(int number, int64_t value) override;
  void quitNow() override;
  void selectionChanged() override;
  void documentRestored() override;
  Timeline* timeline() const { return timeline_.get(); }

 public slots:
  // Every user edit of a numbered panel control. While the timeline plays only "Play" acts.
  void controlEvent(int number);

 signals:
  // "Quit" was chosen: the program ends without saving the settings.
  void quitRequestedSignal();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void buildLayout();
  // Draws again the part of the window a notice names.
  void showNotice(const Notice& n);
  void showPointsMenuAt(int x);
  int64_t now() const;
  void applyWinState();
  // Says once, at start, which of the run's own files cannot be written (the autosave folder,
  // the fault report's folder) and what is off for this run because of it.
  void reportUnwritableData();
  void connectCanvas();
  // Runs a command of a pop-up menu: while it runs, the canvas counts as focused and the mouse
  // as where the menu was asked for (`at`, in the window's inner area).
  void runPopupCommand(int command, QPoint at);
  void showMousePosition(QPointF at, bool inside);

  Editor& ed_;
  ImageStore& store_;
  AppState& app_;
  WindowConfig cfg_;
  QElapsedTimer elapsed_;
  std::mt19937_64 rng_;
  EditorIcons icons_;
  MenuSet menus_;
  QMenu* pointsMenu_ = nullptr;
  ToolBar* toolBar_ = nullptr;
  QTabWidget* shapePanel_ = nullptr;
  QTabWidget* controlPanel_ = nullptr;
  CanvasWidget* canvas_ = nullptr;
  QTabWidget* objectPanel_ = nullptr;
  LayerPanel* layerPanel_ = nullptr;
  QGroupBox* propertiesFrame_ = nullptr;
  std::unique_ptr<ControlSet> controls_;
  std::unique_ptr<PanelContext> panels_;
  int panelEventDepth_ = 0;  // inside a panel control's handler
  bool popupCommand_ = false;  // a pop-up menu's command runs
  QPoint popupAt_;             // where that menu was asked for
  int observer_ = 0;         // the id of the change observer
  int listener_ = 0;         // the id of the notice listener
  bool shownOnce_ = false;
  QLabel* status_[3] = {nullptr, nullptr, nullptr};
  QTimer idleTimer_;
  QTimer settingsTimer_;
  std::vector<std::string> tips_;
  bool resizeBound_ = false;
  bool quitRequested_ = false;
  bool closedByUser_ = false;
  bool runMarked_ = false;
  std::string markedScene_;  // the document's file name the run marker holds
  std::unique_ptr<UpdateCheck> updateCheck_;
  std::unique_ptr<Timeline> timeline_;
};

// The tips of the start-up requester: the "/"-separated fields of the tip text.
std::vector<std::string> startupTips();

}  // namespace pw
