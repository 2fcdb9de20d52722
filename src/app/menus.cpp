#include "app/menus.h"

#include <QMenu>

#include "app/command_ids.h"

namespace pw {

namespace {

struct ItemDef {
  const char* text;  // nullptr: a separator
  int command;
};

QAction* addItem(QMenu* menu, MenuSet& set, const ItemDef& item,
                 const std::function<void(int)>& dispatch) {
  if (!item.text) {
    menu->addSeparator();
    return nullptr;
  }
  QAction* a = menu->addAction(QString::fromUtf8(item.text));
  a->setObjectName(QString("cmd%1").arg(item.command));
  a->setData(item.command);
  const int id = item.command;
  QObject::connect(a, &QAction::triggered, a, [dispatch, id] { dispatch(id); });
  set.actions[id] = a;
  return a;
}

void addItems(QMenu* menu, MenuSet& set, std::initializer_list<ItemDef> items,
              const std::function<void(int)>& dispatch) {
  for (const ItemDef& it : items) addItem(menu, set, it, dispatch);
}

void checkable(MenuSet& set, int command, bool on) {
  QAction* a = set.actions.at(command);
  a->setCheckable(true);
  a->setChecked(on);
}

}  // namespace

QString editItemText(bool undo, const std::string& stepName) {
  QString t = undo ? "Undo" : "Redo";
  if (!stepName.empty()) t += " " + QString::fromStdString(stepName);
  return t + (undo ? "\tCtrl+Z" : "\tCtrl+Y");
}

const std::vector<ShortcutDef>& shortcutTable() {
  static const std::vector<ShortcutDef> table = {
      {QKeyCombination(Qt::ControlModifier, Qt::Key_O), kCmdLoad},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_N), kCmdNew},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_S), kCmdSave},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_E), kCmdExportObjectImage},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_C), kCmdCopyShape},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_V), kCmdPaste},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_D), kCmdDeselectAll},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_A), kCmdSelectAll},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus), kCmdZoomIn},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus), kCmdZoomOut},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_5), kCmdZoom50},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_2), kCmdZoom200},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_8), kCmdZoom500},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_1), kCmdZoom100},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_0), kCmdViewReset},
      {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_4), kCmdViewCenter},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_G), kCmdShowGrid},
      {QKeyCombination(Qt::Key_Delete), kCmdDeleteShape},
      {QKeyCombination(Qt::Key_F1), kCmdHelpHtml},
  };
  return table;
}

const std::vector<ShortcutDef>& extraShortcutTable() {
  static const std::vector<ShortcutDef> table = {
      {QKeyCombination(Qt::ControlModifier, Qt::Key_Equal), kCmdZoomIn},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_Plus), kCmdZoomIn},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_Minus), kCmdZoomOut},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_0), kCmdZoom100},
      {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_S), kCmdSaveAs},
      {QKeyCombination(Qt::ControlModifier, Qt::Key_Q), kCmdQuit},
  };
  return table;
}

MenuSet buildMenus(QMenuBar* bar, QWidget* window, const sVdOptions& o,
                   const std::function<void(int)>& dispatch) {
  MenuSet set;
  if (!bar) return set;  // no menu bar: no shortcuts either
  const ItemDef sep{nullptr, 0};

  QMenu* files = bar->addMenu("Files");
  files->setObjectName("menuFiles");
  addItems(files, set,
           {sep, {"New \tCtrl+N", kCmdNew}, {"Load Object\tCtrl+O", kCmdLoad},
            {"Merge", kCmdMerge}},
           dispatch);
  set.recent = files->addMenu("Open recent");
  set.recent->setObjectName("menuRecent");
  addItems(files, set,
           {sep, {"Save\tCtrl+S", kCmdSave}, {"Save a copy", kCmdSaveCopy},
            {kSaveAsText, kCmdSaveAs}, sep,
            {"Export the object as image\tCtrl+E", kCmdExportObjectImage},
            {"Export Scene (image)", kCmdExportSceneImage},
            {"Export animation (frames)", kCmdExportFrames},
            {"Export animation (WebP)", kCmdExportWebp},
            {"Export animation (GIF)", kCmdExportGif},
            {"Export animation (APNG)", kCmdExportApng},
            {"Export animation (video)", kCmdExportVideo},
            {"Export Scene (SVG)", kCmdExportSvg},
            {"Export animation (Lottie)", kCmdExportLottie}, sep,
            {"Export in purebasic", kCmdExportSource}, sep, {"Quit", kCmdQuit}},
           dispatch);

  // Undo and redo: greyed until there is a step; the window names the step in their texts.
  // Their keys are the actions' own (Ctrl+Shift+Z redoes too), so a text field keeps its own
  // undo while it has the focus.
  QMenu* edit = bar->addMenu("Edit");
  edit->setObjectName("menuEdit");
  addItems(edit, set, {{kUndoText, kCmdUndo}, {kRedoText, kCmdRedo}}, dispatch);
  QAction* undo = set.actions.at(kCmdUndo);
  QAction* redo = set.actions.at(kCmdRedo);
  undo->setObjectName("cmdUndo");
  redo->setObjectName("cmdRedo");
  undo->setShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Z)));
  redo->setShortcuts({QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Y)),
                      QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier,
                                                   Qt::Key_Z))});
  for (QAction* a : {undo, redo}) {
    a->setShortcutContext(Qt::WindowShortcut);
    a->setEnabled(false);
    window->addAction(a);
  }

  QMenu* view = bar->addMenu("View");
  view->setObjectName("menuView");
  QMenu* zoom = view->addMenu("Zoom");
  zoom->setObjectName("menuZoom");
  addItems(zoom, set,
           {{"Zoom +\tCtrl + ", kCmdZoomIn}, {"Zoom -\tCtrl - ", kCmdZoomOut},
            {"Zoom 50%\tCtrl+Pad5", kCmdZoom50}, {"Zoom 100%\tCtrl+Pad1", kCmdZoom100},
            {"Zoom 200%\tCtrl+Pad2", kCmdZoom200}, {"Zoom 500%\tCtrl+Pad8", kCmdZoom500}},
           dispatch);
  addItems(view, set,
           {sep, {"View Center\tCtrl+Pad4", kCmdViewCenter},
            {"View Reset\tCtrl+Pad0", kCmdViewReset}, sep, {"Show grid\tCtrl+G", kCmdShowGrid},
            {"Show camera border", kCmdShowCameraBorder},
            {"Show camera cache", kCmdShowCameraCache}, sep, {"Hide anchor", kCmdHideAnchor},
            {"Show selection (dash stroke)", kCmdShowSelection},
            {"Show only selected", kCmdShowOnlySelected}},
           dispatch);

  QMenu* object = bar->addMenu("Object");
  object->setObjectName("menuObject");
  addItems(object, set,
           {{"Add a new object", kCmdAddObject}, {"Delete the current object", kCmdDeleteObject}},
           dispatch);

  QMenu* shape = bar->addMenu("Shape");
  shape->setObjectName("menuShape");
  addItems(shape, set,
           {{"Select All\tCtrl+A", kCmdSelectAll}, {"Deselect All\tCtrl+D", kCmdDeselectAll},
            {"Lock selection", kCmdLockSelection}, sep,
            {"Copy current shape\tCtrl+C", kCmdCopyShape}, {"Paste\tCtrl+V", kCmdPaste},
            {"Paste to shape ", kCmdPasteToShape}, sep,
            {"Delete the current shape\tSuppr", kCmdDeleteShape}, sep,
            {"Set shape to origin (position x,y)", kCmdShapeToOrigin},
            {"Set origin to shape (position x,y)", kCmdOriginToShape}, sep,
            {"Set Shape to bottom (depth)", kCmdShapeToBottom},
            {"Set Shape to top (depth)", kCmdShapeToTop}},
           dispatch);

  QMenu* win = bar->addMenu("Window");
  win->setObjectName("menuWindow");
  addItems(win, set, {{"Scene", kCmdWindowScene}}, dispatch);

  QMenu* help = bar->addMenu("Help");
  help->setObjectName("menuHelp");
  addItems(help, set,
           {{"About", kCmdAbout}, {"Update", kCmdUpdate}, sep, {"Help (rtf)", kCmdHelpRtf},
            {"Help (Wiki)", kCmdHelpWiki}},
           dispatch);

  checkable(set, kCmdShowGrid, o.ShowGrid != 0);
  checkable(set, kCmdShowCameraBorder, o.ShowCameraBorder != 0);
  checkable(set, kCmdShowCameraCache, o.ShowCameraCache != 0);
  checkable(set, kCmdHideAnchor, o.HideAncre != 0);
  checkable(set, kCmdShowSelection, o.ShowSelection != 0);
  checkable(set, kCmdShowOnlySelected, o.ShowOnlySel != 0);
  checkable(set, kCmdLockSelection, false);
  checkable(set, kCmdWindowScene, true);
  // "Scene" stays checked whatever happens to it.
  QAction* scene = set.actions.at(kCmdWindowScene);
  QObject::connect(scene, &QAction::toggled, scene, [scene](bool on) {
    if (!on) scene->setChecked(true);
  });
  // A checkable item flips its own mark when chosen; the command sets the mark from the field,
  // so the field stays the one truth.
  for (auto& [id, action] : set.actions) {
    if (!action->isCheckable() || id == kCmdWindowScene) continue;
    QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
    QObject::connect(action, &QAction::triggered, action, [dispatch, id, action] {
      action->setChecked(!action->isChecked());  // undo Qt's own flip
      dispatch(id);
    });
  }

  std::vector<ShortcutDef> keys = shortcutTable();
  keys.insert(keys.end(), extraShortcutTable().begin(), extraShortcutTable().end());
  for (const ShortcutDef& s : keys) {
    auto* sc = new QShortcut(QKeySequence(s.key), window);
    sc->setObjectName(QString("shortcut%1").arg(s.command));
    sc->setContext(Qt::WindowShortcut);
    const int id = s.command;
    QObject::connect(sc, &QShortcut::activated, sc, [dispatch, id] { dispatch(id); });
    set.shortcuts.push_back(sc);
  }
  return set;
}

}  // namespace pw

