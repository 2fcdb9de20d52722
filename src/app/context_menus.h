// The pop-up menus of the canvas (over a shape, over empty canvas) and of the layer list. Every
// item raises a command number, as the menu bar's items do, so an item does exactly what its
// menu twin does.
#pragma once

#include <QPointF>
#include <QSize>
#include <functional>

#include "app/app_state.h"
#include "core/editor.h"
#include "render/image_store.h"

class QMenu;
class QWidget;

namespace pw {

enum class PopupKind { kShape, kCanvas, kLayer };

// A menu of `kind` for the editor as it is now (check marks, greyed items), owned by `parent`
// and deleted once closed. Each item calls run(command).
QMenu* buildPopupMenu(PopupKind kind, QWidget* parent, const Editor& ed, const AppState& app,
                      const std::function<void(int)>& run);

// The right click at canvas pixel `at`: the topmost shape of the current object under it
// becomes current (the selection stays when that shape is already in it). True when a shape
// lies under the click.
bool pickForPopup(Editor& ed, ImageStore& store, QSize canvas, QPointF at);

}  // namespace pw
