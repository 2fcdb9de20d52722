// The selection copied into the panel controls, and their enabled state.
#include <QItemSelection>
#include <QListWidget>
#include <QSignalBlocker>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "ui/panel_context.h"
#include "ui/shape_list.h"

namespace pw {

namespace {

QListWidget* shapeList(PanelContext& ctx) {
  return qobject_cast<QListWidget*>(ctx.controls.widget(kCtlShapeList));
}

// The list holds one row per shape of the current object.
bool listMatches(const QListWidget* list, const Object* o) {
  return list && o && o->hasShape > 0 && list->count() == static_cast<int>(o->shapes.size());
}

bool endsWithTxt(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return ext == ".txt";
}

void showEffect(PanelContext& ctx, Shape& s) {
  Selection& sel = ctx.ed.sel;
  ControlSet& c = ctx.controls;
  if (s.fx.empty()) return;
  if (sel.fx > lastIndex(s.fx) || sel.fx < 0) sel.fx = 0;
  ShapeFx& f = s.fx[static_cast<size_t>(sel.fx)];
  f.width = std::max<int64_t>(f.width, 1);
  f.height = std::max<int64_t>(f.height, 1);
  f.dist = std::max<int64_t>(f.dist, 1);
  // The effect list belongs to this shape (a click on the canvas changes the shape alone).
  bool fxListMatches = c.itemCount(kCtlFxList) == static_cast<int>(s.fx.size());
  for (size_t k = 0; fxListMatches && k < s.fx.size(); ++k)
    fxListMatches =
        c.itemText(kCtlFxList, static_cast<int>(k)) == QString::fromStdString(s.fx[k].name);
  if (!fxListMatches) refreshFxList(ctx);
  c.setValue(kCtlFxList, sel.fx);
  c.setValue(kCtlFxActive, f.active);
  c.setValue(kCtlFxAlpha, f.alpha);
  c.setValue(kCtlFxDepth, f.depth);
  c.setValue(kCtlFxType, f.type);
  c.setValue(kCtlFxWidth, f.width);
  c.setValue(kCtlFxHeight, f.height);
  c.setValue(kCtlFxDist, f.dist);
  c.setValue(kCtlFxX, f.x);
  c.setValue(kCtlFxY, f.y);
  c.setValue(kCtlFxScale, f.scale);
}

}  // namespace

bool setShapeListRow(PanelContext& ctx, int64_t row, const std::string& text) {
  QListWidget* list = shapeList(ctx);
  if (!listMatches(list, currentObject(ctx.ed.doc, ctx.ed.sel)) || row < 0 || row >= list->count())
    return false;
  const QSignalBlocker block(list);
  list->item(static_cast<int>(row))->setText(QString::fromStdString(text));
  return true;
}

std::vector<uint8_t> selectedShapeRows(PanelContext& ctx) {
  QListWidget* list = shapeList(ctx);
  std::vector<uint8_t> rows(list ? static_cast<size_t>(list->count()) : 0, 0);
  if (!list) return rows;
  for (const QItemSelectionRange& r : list->selectionModel()->selection()) {
    const int top = std::max(r.top(), 0);
    const int bottom = std::min(r.bottom(), static_cast<int>(rows.size()) - 1);
    for (int row = top; row <= bottom; ++row) rows[static_cast<size_t>(row)] = 1;
  }
  return rows;
}

void showShapeSelection(PanelContext& ctx) {
  QListWidget* list = shapeList(ctx);
  const Document& doc = ctx.ed.doc;
  const Selection& sel = ctx.ed.sel;
  const Object* o = currentObject(doc, sel);
  if (!listMatches(list, o)) return;
  QAbstractItemModel* model = list->model();
  const int n = list->count();
  // Rows already selected as the selection says stay as they are.
  const std::vector<uint8_t> shown = selectedShapeRows(ctx);
  bool differs = false;
  const auto selected = [&](int j) {
    return sel.isSelected(o->shapes[static_cast<size_t>(j)].id);
  };
  for (int j = 0; j < n && !differs; ++j)
    differs = (shown[static_cast<size_t>(j)] != 0) != selected(j);
  QItemSelection rows;
  for (int j = 0; differs && j < n;) {
    if (!selected(j)) {
      ++j;
      continue;
    }
    const int first = j;
    while (j < n && selected(j)) ++j;
    rows.select(model->index(first, 0), model->index(j - 1, 0));
  }
  const QSignalBlocker block(list);
  QItemSelectionModel* sm = list->selectionModel();
  if (differs) sm->select(rows, QItemSelectionModel::ClearAndSelect);
  const int cur = sel.shape >= 0 && sel.shape < n ? static_cast<int>(sel.shape) : -1;
  if (list->currentRow() != cur) {
    sm->setCurrentIndex(cur >= 0 ? model->index(cur, 0) : QModelIndex(),
                        QItemSelectionModel::NoUpdate);
    if (cur >= 0) list->scrollTo(model->index(cur, 0));
  }
}

void enablePanelControls(PanelContext& ctx, bool enabled) {
  ControlSet& c = ctx.controls;
  for (int n = kCtlSelectionFirst; n <= kCtlSelectionLast; ++n)
    if (c.exists(n)) c.setEnabled(n, enabled);
  Document& doc = ctx.ed.doc;
  Selection& sel = ctx.ed.sel;
  if (sel.shape <= -1) return;
  const Object* o = currentObject(doc, sel);
  if (!o) return;
  if (sel.shape > lastIndex(o->shapes)) sel.shape = lastIndex(o->shapes);
  if (sel.shape < 0) return;
  const uint8_t type = o->shapes[static_cast<size_t>(sel.shape)].type;
  // Text and font for text shapes, the image group for image shapes, neither for the others.
  for (int n = kCtlText; n <= kCtlFont; ++n)
    if (c.exists(n)) c.setEnabled(n, enabled && type == kText);
  for (int n = kCtlImage; n <= kCtlImageH; ++n)
    if (c.exists(n)) c.setEnabled(n, enabled && type == kImage);
}

void refreshProperties(PanelContext& ctx) {
  enablePanelControls(ctx, true);
  Document& doc = ctx.ed.doc;
  Selection& sel = ctx.ed.sel;
  ControlSet& c = ctx.controls;
  Object* o = currentObject(doc, sel);
  if (!o || sel.shape < 0 || sel.shape > lastIndex(o->shapes)) return;
  Shape& s = o->shapes[static_cast<size_t>(sel.shape)];

  c.setValue(kCtlLayerAlpha, o->alpha);
  c.setValue(kCtlLayerLock, o->locked);
  c.setValue(kCtlObjectX, o->x);
  c.setValue(kCtlObjectY, o->y);
  c.setValue(kCtlObjectH, o->h);
  c.setValue(kCtlObjectW, o->w);

  c.setText(kCtlShapeName, QString::fromStdString(s.name));
  c.setValue(kCtlShapeAlpha, s.alpha);
  c.setValue(kCtlShapeStyle, s.style);
  c.setValue(kCtlShapeW, s.w);
  c.setValue(kCtlShapeH, s.h);
  c.setValue(kCtlLineWidth, s.lineW);
  c.setValue(kCtlLineHeight, s.lineH);
  c.setValue(kCtlLineDist, s.lineDist);
  c.setValue(kCtlCenterX, s.cx);
  c.setValue(kCtlCenterY, s.cy);
  c.setValue(kCtlShapeX, s.x);
  c.setValue(kCtlShapeY, s.y);
  c.setValue(kCtlShapeLink, s.link);
  c.setValue(kCtlShapeLock, s.locked);
  c.setValue(kCtlShapeHide, s.hidden);
  // The other controls of the shape show what is stored too: a handler that reads them all
  // must never write back another shape's values.
  c.setValue(kCtlShapeClose, s.closed);
  c.setValue(kCtlImageRepeat, s.imageRepeat != kImageStretched);
  c.setValue(kCtlImageX, s.imageX);
  c.setValue(kCtlImageY, s.imageY);
  c.setValue(kCtlImageW, s.imageW);
  c.setValue(kCtlImageH, s.imageH);

  // Without a current point in this shape the point fields are cleared: left alone they would
  // go on showing a point of the shape selected before.
  const ShapePoint* p = currentPoint(doc, sel);
  c.setValue(kCtlPointX, p ? p->x : 0);
  c.setValue(kCtlPointY, p ? p->y : 0);
  c.setValue(kCtlPointLockX, p ? p->lockX : 0);
  c.setValue(kCtlPointLockY, p ? p->lockY : 0);
  showEffect(ctx, s);
  showShapeSelection(ctx);
}

void refreshShapeList(PanelContext& ctx) {
  QListWidget* list = shapeList(ctx);
  if (!list) return;
  const Document& doc = ctx.ed.doc;
  const Selection& sel = ctx.ed.sel;
  const Object* o = currentObject(doc, sel);
  QStringList names;
  // An object without shapes keeps only its empty placeholder slot: no row for it.
  if (doc.DocumentState == kDocumentHasContent && o && o->hasShape > 0) {
    names.reserve(static_cast<qsizetype>(o->shapes.size()));
    for (const Shape& s : o->shapes) names.append(QString::fromStdString(s.name));
  }
  // Most refreshes follow a selection change: rows that already read the same stay (a refill of
  // many thousand rows costs more than comparing them).
  bool same = list->count() == names.size();
  for (int i = 0; same && i < names.size(); ++i) same = list->item(i)->text() == names[i];
  list->setUpdatesEnabled(false);
  if (!same) ctx.controls.setItems(kCtlShapeList, names);
  showShapeSelection(ctx);
  list->setUpdatesEnabled(true);
}

void refreshFxList(PanelContext& ctx) {
  const Document& doc = ctx.ed.doc;
  const Selection& sel = ctx.ed.sel;
  if (sel.shape < 0) return;
  const Shape* s = currentShape(doc, sel);
  if (!s) return;
  QStringList names;
  names.reserve(static_cast<qsizetype>(s->fx.size()));
  for (const ShapeFx& f : s->fx) names.append(QString::fromStdString(f.name));
  ctx.controls.setItems(kCtlFxList, names);
  ctx.controls.setValue(kCtlFxList, sel.fx);
}

void fillTemplateList(PanelContext& ctx) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  const fs::path dir = fs::path(ctx.ed.rootPath("data/shapes/"));
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fec;
    if (!it->is_regular_file(fec) || fec) continue;
    const std::string name = it->path().filename().string();
    if (endsWithTxt(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  QStringList items;
  for (const std::string& n : names) items.append(QString::fromStdString(n));
  ctx.controls.setItems(kCtlTemplateList, items);
  ctx.controls.setText(kCtlTemplateList, QString::fromStdString(ctx.ed.doc.TemplateFileName));
}

}  // namespace pw
