#include "app/main_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <algorithm>
#include <chrono>

#include "app/autosave.h"
#include "app/canvas_widget.h"
#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/commands.h"
#include "core/create.h"
#include "core/scene_file.h"
#include "services/new_version_window.h"
#include "services/update_check.h"
#include "settings/options.h"
#include "ui/layer_panel.h"
#include "ui/panel_style.h"
#include "ui/points_menu.h"
#include "ui/tool_bar.h"

namespace pw {

namespace {

constexpr int64_t kWinStateNormal = 0;
constexpr int64_t kWinStateMaximized = 16777216;
constexpr int64_t kWinStateMinimized = 536870912;

// The pages of the panels, in the order makeTabs adds them.
enum ShapePanelPage : int { kPageShapes = 0, kPageColor = 1, kPageFx = 2 };
enum ObjectPanelPage : int { kPageObject = 0, kPageOptions = 1 };
constexpr int kPageControl = 0;

QTabWidget* makeTabs(QWidget* parent, int control, std::initializer_list<const char*> tabs) {
  auto* t = new QTabWidget(parent);
  t->setObjectName(controlObjectName(control));
  for (const char* name : tabs) {
    auto* page = new QWidget(t);
    page->setObjectName(controlObjectName(control) + "_" + name);
    t->addTab(page, name);
  }
  stylePanel(t);
  return t;
}

}  // namespace

std::vector<std::string> startupTips() {
  const std::string text =
      "To create a line or a curve,select the line or curve tool, then clic and move "
      "the mouse./To move,rotate,scale a shape, first : select the object which "
      "contain this Shape, then move the mouse./"
      "To add point to the shape, curve or line, use 'addpoint' tool./To create a new object, "
      "when creating a new shape, set the checkbox 'Create new objet', in object panel./'";
  // As many tips as separators: whatever follows the last "/" is never shown.
  std::vector<std::string> tips;
  size_t start = 0;
  for (size_t slash = text.find('/'); slash != std::string::npos;
       slash = text.find('/', start)) {
    tips.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
  return tips;
}

MainWindow::MainWindow(Editor& ed, ImageStore& store, AppState& app, WindowConfig cfg,
                       QWidget* parent)
    : QMainWindow(parent), ed_(ed), store_(store), app_(app), cfg_(std::move(cfg)) {
  elapsed_.start();
  rng_.seed(cfg_.seed ? cfg_.seed
                      : static_cast<uint64_t>(
                            std::chrono::steady_clock::now().time_since_epoch().count()));
  setObjectName("window2");
  setWindowTitle(QString::fromStdString(ed_.displayTitle()));

  // Menus and shortcuts, the points menu and the icons.
  menuBar()->setObjectName("menu2");
  menus_ = buildMenus(menuBar(), this, ed_.options, [this](int id) { dispatch(id); });
  pointsMenu_ = buildPointsMenu(this, [this](int id) { dispatch(id); });
  loadEditorIcons(ed_, icons_);
  controls_ = std::make_unique<ControlSet>();
  panels_.reset(new PanelContext{ed_, *controls_, icons_,
                                 [this] { if (canvas_) canvas_->setFocus(); },
                                 [this](int x) { showPointsMenuAt(x); }});

  sVdOptions& o = ed_.options;
  o.PanelW = 150;
  o.ToolBarH = 30;
  // The Control panel holds the frame buttons and fields, the key buttons and the key strip.
  o.TimeLineH = std::max<int16_t>(o.TimeLineH, kTimelineMinHeight);

  buildLayout();
  listener_ = ed_.listen([this](const Notice& n) { showNotice(n); });
  // The selection's controls stay greyed until the first refresh of the properties.
  enablePanelControls(*panels_, false);
  setStatusText(kStatusBar, "Zoom " + std::to_string(o.Zoom));

  // Every announced change is an undo step; a save marks the state the modified flag measures
  // from; the Edit menu follows the history.
  observer_ = ed_.observe([this](const Change& c) {
    // A change made anywhere but in the panels (a drag on the canvas, a menu command) shows in
    // the controls at once, so that no control keeps a value the model no longer has. The
    // panels settle the current shape and effect first, so the step records them settled.
    if (panelEventDepth_ == 0) ed_.refreshProperties();
    app_.history.record(ed_.doc, ed_.sel, c.name, c.scope, c.mergeKey);
  });
  // Every change of the document passes through the history (recorded, undone, redone or
  // started over): the canvas hears from it which shapes to compare with its picture.
  canvas_->surface().tracksChanges = true;
  app_.history.onChanged = [this] {
    canvas_->surface().touch(app_.history.lastChange());
    updateEditMenu();
  };
  app_.history.reset(ed_.doc, ed_.sel, !ed_.modified);
  redrawCanvas();

  resize(std::max<int>(o.WinW, 1), std::max<int>(o.WinH, 1));
  applyWinState();
  layoutWindow();

  settingsTimer_.setSingleShot(true);
  settingsTimer_.setInterval(300);
  connect(&settingsTimer_, &QTimer::timeout, this, [this] { saveSettings(); });
  idleTimer_.setInterval(1000);
  connect(&idleTimer_, &QTimer::timeout, this, [this] { idleWork(); });
}

MainWindow::~MainWindow() {
  updateCheck_.reset();  // aborts a check still running
  timeline_.reset();
  flushSettings();
  // The editor outlives the window.
  ed_.unlisten(listener_);
  ed_.unobserve(observer_);
  app_.history.onChanged = nullptr;
  endRun();
}

void MainWindow::buildLayout() {
  auto* central = new QWidget(this);
  central->setObjectName("central");
  setCentralWidget(central);
  const sVdOptions& o = ed_.options;

  toolBar_ = new ToolBar(ed_, icons_, central);
  toolBar_->buildToolBar(o.WinW, o.ToolBarH);
  // The shape panel, the Control panel, the canvas, then the object panel.
  shapePanel_ = makeTabs(central, kCtlShapePanel, {"Shapes", "Color", "FX"});
  buildShapesTab(*panels_, shapePanel_->widget(kPageShapes));
  fillTemplateList(*panels_);
  buildColorTab(*panels_, shapePanel_->widget(kPageColor));
  buildFxTab(*panels_, shapePanel_->widget(kPageFx));
  controlPanel_ = makeTabs(central, kCtlControlPanel, {"Control"});
  canvas_ = new CanvasWidget(ed_, store_, central);
  timeline_ = std::make_unique<Timeline>(ed_, app_, *controls_, controlPanel_->widget(kPageControl),
                                         canvas_, icons_.font);
  timelineEvent = [this](int n) { return timeline_->handleEvent(n); };
  timelineSubmitted = [this](int n) { return timeline_->handleSubmitted(n); };
  objectPanel_ = makeTabs(central, kCtlObjectPanel, {"Object", "Options"});
  QWidget* objectTab = objectPanel_->widget(kPageObject);
  layerPanel_ = new LayerPanel(ed_, icons_, o.PanelW, objectTab);
  propertiesFrame_ = new QGroupBox("Properties", objectTab);
  propertiesFrame_->setObjectName("frameProperties");
  propertiesFrame_->setGeometry(5, LayerPanel::kTopMargin + LayerPanel::kUsedHeight,
                                o.PanelW - 15, 130);
  buildObjectProperties(*panels_, propertiesFrame_);
  buildOptionsTab(*panels_, objectPanel_->widget(kPageOptions));
  connect(controls_.get(), &ControlSet::controlEvent, this, &MainWindow::controlEvent);
  connect(controls_.get(), &ControlSet::controlSubmitted, this, [this](int number) {
    if (timelineSubmitted) timelineSubmitted(number);
  });

  connect(toolBar_, &ToolBar::wantCanvasFocus, this, [this] { canvas_->setFocus(); });
  canvas_->tools().onToolReset = [this] { toolBar_->showTool(ed_.tools.tool); };
  connectCanvas();

  for (int i = 0; i < 3; ++i) {
    status_[i] = new QLabel(this);
    status_[i]->setObjectName(QString("status%1").arg(i));
    status_[i]->setFixedWidth(i == 0 ? 110 : 150);
    statusBar()->addWidget(status_[i]);
  }
  statusBar()->setSizeGripEnabled(false);
}

void MainWindow::showNotice(const Notice& n) {
  switch (n.what) {
    case Shown::kCanvas: redrawCanvas(); break;
    case Shown::kProperties:
      refreshProperties(*panels_);
      if (layerPanel_) layerPanel_->showObjectControls();
      break;
    case Shown::kLayerList: break;  // the layer panel listens itself
    case Shown::kShapeList: refreshShapeList(*panels_); break;
    case Shown::kFxList: refreshFxList(*panels_); break;
    case Shown::kPointPosition:
      controls_->setValue(kCtlPointX, n.x);
      controls_->setValue(kCtlPointY, n.y);
      break;
    case Shown::kTitle: setWindowTitle(QString::fromStdString(ed_.displayTitle())); break;
    case Shown::kSaved: app_.history.markSaved(); break;
  }
}

void MainWindow::controlEvent(int number) {
  if (app_.playing && number != kCtlPlay) return;
  // The timeline's own controls (its frame buttons and fields, and any it adds) are its alone.
  if (timelineEvent && timelineEvent(number)) return;
  if (number >= kCtlPlay && number <= kCtlMaxFrame) return;
  ++panelEventDepth_;
  if (!handleShapesEvent(*panels_, number)) handleStyleEvent(*panels_, number);
  --panelEventDepth_;
}

QWidget* MainWindow::controlTab() const {
  return controlPanel_ ? controlPanel_->widget(kPageControl) : nullptr;
}

void MainWindow::showPointsMenuAt(int x) {
  const int y = mapFromGlobal(QCursor::pos()).y();
  pointsMenu_->popup(mapToGlobal(QPoint(x, y)));
}

void MainWindow::applyWinState() {
  switch (ed_.options.WinState) {
    case kWinStateMaximized: setWindowState(Qt::WindowMaximized); break;
    case kWinStateMinimized: setWindowState(Qt::WindowMinimized); break;
    default: setWindowState(Qt::WindowNoState); break;
  }
}

void MainWindow::start(const std::string& scene) {
  addObject(ed_, 0);
  selectionChanged();
  startAutosave(app_, ed_.options, now(), rng_);
  // A stamp another run has would overwrite its marker, and then its autosave.
  for (int i = 0; i < 100 && stampInUse(ed_, app_.autosaveStamp); ++i)
    startAutosave(app_, ed_.options, now(), rng_);
  runMarked_ = writeRunMarker(ed_, app_.autosaveStamp);
  markedScene_ = ed_.doc.DocumentFileName;
  reportUnwritableData();
  resizeBound_ = true;

  if (offerRecovery(ed_, findCrashedRuns(ed_, app_.autosaveStamp))) {
    ed_.refreshLayerList();
    selectionChanged();
    redrawCanvas();
  }
  // A scene named on the command line opens as "Load Object" would open it.
  if (!scene.empty()) openScene(*this, scene);

  // The history starts from the document the run begins with (a recovered scene is unsaved).
  app_.history.reset(ed_.doc, ed_.sel, !ed_.modified);
  documentRestored();

  tips_ = startupTips();
  if (ed_.options.ShowTip == 1 && !tips_.empty()) {
    std::uniform_int_distribution<size_t> pick(0, tips_.size() - 1);
    ed_.prompt.info("Tips ! ", tips_[pick(rng_)]);
  }
  toolBar_->showTool(ed_.tools.tool);

  // The update check runs on its own thread; the idle work shows what it found.
  UpdateConfig update;
  update.versionPath = ed_.rootPath(update.versionPath);
  if (UpdateConfig::fromEnvironment(update)) {
    updateCheck_ = std::make_unique<UpdateCheck>();
    updateCheck_->start(update, app_.newVersion);
  }
  if (!onNewVersion) {
    onNewVersion = [this] {
      if (!updateCheck_) return;
      if (updateCheck_->outcome() == UpdateOutcome::kNetworkInit) {
        ed_.prompt.message("Error", "Unable to init the network. It's used for some features "
                                    "(like update or futur render farming");
      } else if (updateCheck_->outcome() == UpdateOutcome::kNewVersion) {
        showNewVersionWindow(this, ed_.prompt, updateCheck_->version(), updateCheck_->notes(),
                             kDownloadPageUrl);
      }
    };
  }
  idleTimer_.start();
}

int64_t MainWindow::now() const {
  return cfg_.clock ? cfg_.clock() : static_cast<int64_t>(elapsed_.elapsed());
}

void MainWindow::dispatch(int command) { runCommand(*this, command); }

void MainWindow::layoutWindow() {
  sVdOptions& o = ed_.options;
  WindowLayoutInput in;
  in.width = width();
  in.height = height();
  in.menuHeight = menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
  in.panelW = o.PanelW;
  in.toolBarH = o.ToolBarH;
  in.timeLineH = o.TimeLineH;
  const WindowLayout l = computeWindowLayout(in);
  shapePanel_->setGeometry(l.shapePanel);
  controlPanel_->setGeometry(l.controlPanel);
  canvas_->setGeometry(l.canvas);
  objectPanel_->setGeometry(l.objectPanel);
  redrawCanvas();

  if (!isMinimized() && !isMaximized()) {
    o.WinW = toI16(in.width);
    o.WinH = toI16(in.height);
  }
  o.WinState = isMaximized()   ? kWinStateMaximized
               : isMinimized() ? kWinStateMinimized
                               : kWinStateNormal;
  settingsTimer_.start();
  toolBar_->buildToolBar(in.width, o.ToolBarH);
}

bool MainWindow::flushSettings() {
  if (!settingsTimer_.isActive()) return false;
  return saveSettings();
}

bool MainWindow::saveSettings() {
  settingsTimer_.stop();
  if (cfg_.settingsPath.empty()) return false;
  std::string err;
  if (saveOptions(ed_.options, cfg_.settingsPath, &err)) return true;
  ed_.prompt.warn("Unable to save the settings " + cfg_.settingsPath + " (" + err + ")");
  return false;
}

void MainWindow::idleWork() {
  if (app_.playing) return;  // the timeline's step runs instead
  if (app_.newVersion.exchange(false, std::memory_order_acq_rel) && onNewVersion) onNewVersion();
  if (!autosaveDue(app_, ed_.options, now()) || !writeAutosave(ed_, app_.autosaveStamp)) return;
  // The marker names the scene the autosave holds, for the recovery list after a crash.
  if (runMarked_ && markedScene_ != ed_.doc.DocumentFileName &&
      writeRunMarker(ed_, app_.autosaveStamp))
    markedScene_ = ed_.doc.DocumentFileName;
}

void MainWindow::reportUnwritableData() {
  std::string folders, effects;
  if (!runMarked_) {
    app_.autosaveBlocked = true;  // this run only: the saved settings keep Autosave
    folders = ed_.rootPath(kAutosaveFolder);
    effects = "autosave is off for this run";
  }
  if (!cfg_.crashReportPath.empty()) {
    const std::string report = ed_.rootPath(cfg_.crashReportPath);
    const size_t slash = report.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : report.substr(0, slash + 1);
    if (!canWriteIn(folder)) {
      folders += (folders.empty() ? "" : " and ") + folder;
      effects += effects.empty() ? "" : ", and ";
      effects += "crash reports go to the terminal only";
    }
  }
  if (folders.empty()) return;
  ed_.prompt.message("Warning", "Unable to write in " + folders + ": " + effects + ".");
}

void MainWindow::endRun() {
  if (!runMarked_) return;
  removeRunMarker(ed_, app_.autosaveStamp);
  runMarked_ = false;
}

void MainWindow::updateEditMenu() {
  const History& h = app_.history;
  if (QAction* a = action(kCmdUndo)) {
    a->setText(editItemText(true, h.undoName()));
    a->setEnabled(h.canUndo());
  }
  if (QAction* a = action(kCmdRedo)) {
    a->setText(editItemText(false, h.redoName()));
    a->setEnabled(h.canRedo());
  }
}

QAction* MainWindow::action(int command) const {
  const auto it = menus_.actions.find(command);
  return it == menus_.actions.end() ? nullptr : it->second;
}

void MainWindow::redrawCanvas() {
  // While playing, the playback picture stands in for the scene; it draws the change next step.
  if (timeline_ && timeline_->playing()) {
    timeline_->sceneChanged();
    return;
  }
  if (canvas_) canvas_->redraw();
}

void MainWindow::documentRestored() {
  if (timeline_) timeline_->syncFromDocument();
}

int MainWindow::canvasWidth() const { return canvas_ ? canvas_->width() : 0; }
int MainWindow::canvasHeight() const { return canvas_ ? canvas_->height() : 0; }
bool MainWindow::canvasHasFocus() const {
  return popupCommand_ || (canvas_ && canvas_->hasFocus());
}

void MainWindow::mouseInWindow(int& x, int& y) const {
  const QPoint p = popupCommand_ ? popupAt_ : centralWidget()->mapFromGlobal(QCursor::pos());
  x = p.x();
  y = p.y();
}

void MainWindow::setChecked(int command, bool on) {
  if (QAction* a = action(command)) a->setChecked(on);
}

void MainWindow::setStatusText(int field, const std::string& text) {
  if (field >= 0 && field < 3 && status_[field]) status_[field]->setText(QString::fromStdString(text));
}

void MainWindow::quitNow() {
  saveFileMemory();
  quitRequested_ = true;
  emit quitRequestedSignal();
}

void MainWindow::selectionChanged() {
  if (timeline_) timeline_->selectionChanged();
  ed_.refreshShapeList();
  ed_.refreshFxList();
  ed_.refreshProperties();
  if (layerPanel_) layerPanel_->showObjectControls();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (resizeBound_) layoutWindow();
}

void MainWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && resizeBound_) layoutWindow();
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shownOnce_) return;
  shownOnce_ = true;
  enablePanelControls(*panels_, false);
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (!confirmDiscardChanges(*this)) {
    e->ignore();
    return;
  }
  idleWork();  // a due autosave is still written
  closedByUser_ = true;
  e->accept();
}

}  // namespace pw
