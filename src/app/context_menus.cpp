#include "app/context_menus.h"

#include <QMenu>
#include <initializer_list>
#include <vector>

#include "app/canvas_tools.h"
#include "app/command_ids.h"
#include "render/pick.h"

namespace pw {

namespace {

enum class Mark { kNone, kOn, kOff };

struct PopupItem {
  const char* text;  // nullptr: a separator
  int command;
  Mark mark = Mark::kNone;
  bool enabled = true;
};

Mark mark(bool on) { return on ? Mark::kOn : Mark::kOff; }

void fill(QMenu* menu, std::initializer_list<PopupItem> items,
          const std::function<void(int)>& run) {
  for (const PopupItem& it : items) {
    if (!it.text) {
      menu->addSeparator();
      continue;
    }
    QAction* a = menu->addAction(QString::fromUtf8(it.text));
    a->setObjectName(QString("popup%1").arg(it.command));
    a->setData(it.command);
    a->setEnabled(it.enabled);
    if (it.mark != Mark::kNone) {
      a->setCheckable(true);
      a->setChecked(it.mark == Mark::kOn);
    }
    const int id = it.command;
    QObject::connect(a, &QAction::triggered, menu, [run, id] { run(id); });
  }
}

}  // namespace

QMenu* buildPopupMenu(PopupKind kind, QWidget* parent, const Editor& ed, const AppState& app,
                      const std::function<void(int)>& run) {
  auto* menu = new QMenu(parent);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const PopupItem sep{nullptr, 0};
  const sVdOptions& o = ed.options;
  switch (kind) {
    case PopupKind::kShape: {
      menu->setObjectName("popupShape");
      const Shape* s = currentShape(ed.doc, ed.sel);
      fill(menu,
           {{"Cut", kCmdCutShape},
            {"Copy\tCtrl+C", kCmdCopyShape},
            {"Paste\tCtrl+V", kCmdPaste, Mark::kNone, app.hasCopy},
            {"Delete\tDel", kCmdDeleteShape},
            sep,
            {"Set Shape to top (depth)", kCmdShapeToTop},
            {"Set Shape to bottom (depth)", kCmdShapeToBottom},
            sep,
            {"Lock", kCmdLockShape, mark(s && s->locked != 0)},
            {"Hide", kCmdHideShape, mark(s && s->hidden != 0)}},
           run);
      break;
    }
    case PopupKind::kCanvas:
      menu->setObjectName("popupCanvas");
      fill(menu,
           {{"Paste\tCtrl+V", kCmdPaste, Mark::kNone, app.hasCopy},
            {"Select All\tCtrl+A", kCmdSelectAll},
            sep,
            {"View Center", kCmdViewCenter},
            {"View Reset", kCmdViewReset},
            sep,
            {"Show grid\tCtrl+G", kCmdShowGrid, mark(o.ShowGrid != 0)},
            {"Show camera border", kCmdShowCameraBorder, mark(o.ShowCameraBorder != 0)},
            {"Show camera cache", kCmdShowCameraCache, mark(o.ShowCameraCache != 0)},
            {"Hide anchor", kCmdHideAnchor, mark(o.HideAncre != 0)},
            {"Show selection (dash stroke)", kCmdShowSelection, mark(o.ShowSelection != 0)},
            {"Show only selected", kCmdShowOnlySelected, mark(o.ShowOnlySel != 0)}},
           run);
      break;
    case PopupKind::kLayer: {
      menu->setObjectName("popupLayer");
      const Object* obj = currentObject(ed.doc, ed.sel);
      const bool several = ed.doc.Objects.size() > 1;
      fill(menu,
           {{"Rename\u2026", kCmdRenameObject},
            {"Hide", kCmdHideObject, mark(obj && obj->hidden != 0)},
            {"Lock", kCmdLockObject, mark(obj && obj->locked != 0)},
            sep,
            {"Move up", kCmdObjectUp, Mark::kNone, several},
            {"Move down", kCmdObjectDown, Mark::kNone, several},
            sep,
            {"Delete", kCmdDeleteObject, Mark::kNone, several}},
           run);
      break;
    }
  }
  return menu;
}

bool pickForPopup(Editor& ed, ImageStore& store, QSize canvas, QPointF at) {
  Object* o = currentObject(ed.doc, ed.sel);
  if (!o || o->hasShape == 0 || ed.doc.DocumentState < kDocumentHasContent) return false;
  const SceneMouse m = sceneMouseOf(ed, at.x(), at.y());
  View view = canvasView(ed.sel, ed.options, ed.pan);
  view.width = canvas.width();
  view.height = canvas.height();
  const std::vector<PickEntry> picks =
      pick(ed.doc, view, ed.sel, store, static_cast<double>(m.x), static_cast<double>(m.y));
  // The last shape drawn under the mouse is the one seen there.
  int64_t hit = -1;
  for (const PickEntry& e : picks)
    if (e.inside && e.shape <= lastIndex(o->shapes)) hit = e.shape;
  if (hit < 0) return false;
  const Shape& s = o->shapes[static_cast<size_t>(hit)];
  if (hit != ed.sel.shape && !ed.sel.isSelected(s.id)) {
    ed.sel.selectAll(o->shapes, false);
    ed.sel.select(s.id);
  }
  ed.sel.shape = hit;
  return true;
}

}  // namespace pw
