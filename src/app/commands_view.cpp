// View, Object, Window and Help menus: zoom, view origin, display toggles, layers, help.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/commands.h"
#include "core/create.h"
#include "core/history.h"
#include "core/layer_ops.h"
#include "services/help.h"

namespace pw {

namespace {

constexpr const char* kHomePageUrl = "https://penwick-editor.github.io/";
constexpr const char* kWikiUrl = "https://penwick-editor.github.io/wiki/";

void zoomTo(Shell& shell, int64_t zoom) {
  setZoom(shell, zoom);
  shell.redrawCanvas();
}

void cmdZoomIn(Shell& shell) { zoomTo(shell, shell.editor().options.Zoom + 1); }

void cmdZoomOut(Shell& shell) {
  const int64_t z = shell.editor().options.Zoom;
  if (z > 1) {
    zoomTo(shell, z - 1);
  } else {
    setZoom(shell, z);  // the status text is rewritten all the same
  }
}

void cmdZoom100(Shell& shell) { zoomTo(shell, 100); }
void cmdZoom50(Shell& shell) { zoomTo(shell, 50); }
void cmdZoom200(Shell& shell) { zoomTo(shell, 200); }
void cmdZoom500(Shell& shell) { zoomTo(shell, 500); }

void cmdViewReset(Shell& shell) {
  shell.editor().pan = Pan{};
  shell.redrawCanvas();
}

void cmdViewCenter(Shell& shell) {
  Editor& ed = shell.editor();
  const double zoom = static_cast<double>(ed.options.Zoom) * 0.01;
  ed.pan.x = toI16(std::llround(shell.canvasWidth() * 0.5 - ed.options.CameraW * 0.5 * zoom));
  ed.pan.y = toI16(std::llround(shell.canvasHeight() * 0.5 - ed.options.CameraH * 0.5 * zoom));
  shell.redrawCanvas();
}

// The pan is 16-bit: a wheel or a zoom that would carry it further stops at the end of the range
// rather than wrapping to the other side.
int16_t clampPan(double v) {
  return static_cast<int16_t>(std::clamp(std::round(v),
                                         double{std::numeric_limits<int16_t>::min()},
                                         double{std::numeric_limits<int16_t>::max()}));
}

void toggle(Shell& shell, int command, uint8_t& field) {
  field = static_cast<uint8_t>(1 - field);
  shell.setChecked(command, field != 0);
  shell.redrawCanvas();
}

void cmdShowGrid(Shell& s) { toggle(s, kCmdShowGrid, s.editor().options.ShowGrid); }
void cmdShowBorder(Shell& s) {
  toggle(s, kCmdShowCameraBorder, s.editor().options.ShowCameraBorder);
}
void cmdShowCache(Shell& s) { toggle(s, kCmdShowCameraCache, s.editor().options.ShowCameraCache); }
void cmdHideAnchor(Shell& s) { toggle(s, kCmdHideAnchor, s.editor().options.HideAncre); }
void cmdShowSelection(Shell& s) {
  toggle(s, kCmdShowSelection, s.editor().options.ShowSelection);
}
void cmdShowOnlySel(Shell& s) { toggle(s, kCmdShowOnlySelected, s.editor().options.ShowOnlySel); }

void cmdDeleteObject(Shell& shell) {
  Editor& ed = shell.editor();
  deleteCurrentObject(ed);  // announces the change when an object went
  ed.sel.object = 0;
  ed.refreshLayerList();
  shell.selectionChanged();
  shell.redrawCanvas();
}

void cmdAddObject(Shell& shell) {
  Editor& ed = shell.editor();
  if (addNewObject(ed)) refreshViews(ed);
  ed.refreshLayerList();
  shell.selectionChanged();
}

// The layer list's pop-up menu: what its buttons and clicks do, for the current object.
void layersChanged(Shell& shell) {
  shell.editor().refreshLayerList();
  shell.selectionChanged();
  shell.redrawCanvas();
}
void cmdRenameObject(Shell& shell) {
  if (askRenameCurrentObject(shell.editor())) layersChanged(shell);
}
void cmdHideObject(Shell& shell) {
  Editor& ed = shell.editor();
  if (toggleObjectHidden(ed, ed.sel.object)) layersChanged(shell);
}
void cmdLockObject(Shell& shell) {
  Editor& ed = shell.editor();
  const Object* o = currentObject(ed.doc, ed.sel);
  if (o && setCurrentObjectLocked(ed, o->locked == 0)) layersChanged(shell);
}
void cmdObjectUp(Shell& shell) {
  if (moveCurrentObject(shell.editor(), 1)) layersChanged(shell);
}
void cmdObjectDown(Shell& shell) {
  if (moveCurrentObject(shell.editor(), -1)) layersChanged(shell);
}

void openLink(Shell& shell, const std::string& url) {
  Editor& ed = shell.editor();
  if (!ed.prompt.openUrl(url)) ed.prompt.message("Error", "No program could open " + url);
}

void cmdUpdate(Shell& shell) { openLink(shell, kHomePageUrl); }
void cmdWiki(Shell& shell) { openLink(shell, kWikiUrl); }
void cmdHelpRtf(Shell& shell) { openHelp(shell.editor(), /*html=*/false); }
void cmdHelpHtml(Shell& shell) { openHelp(shell.editor(), /*html=*/true); }
void cmdAbout(Shell& shell) { showAbout(shell.editor()); }

const std::array kViewCommands = {
    CommandDef{kCmdZoomIn, "Zoom +", cmdZoomIn},
    CommandDef{kCmdZoomOut, "Zoom -", cmdZoomOut},
    CommandDef{kCmdZoom100, "Zoom 100%", cmdZoom100},
    CommandDef{kCmdZoom500, "Zoom 500%", cmdZoom500},
    CommandDef{kCmdZoom200, "Zoom 200%", cmdZoom200},
    CommandDef{kCmdZoom50, "Zoom 50%", cmdZoom50},
    CommandDef{kCmdViewReset, "View Reset", cmdViewReset},
    CommandDef{kCmdViewCenter, "View Center", cmdViewCenter},
    CommandDef{kCmdShowGrid, "Show grid", cmdShowGrid},
    CommandDef{kCmdShowCameraBorder, "Show camera border", cmdShowBorder},
    CommandDef{kCmdShowCameraCache, "Show camera cache", cmdShowCache},
    CommandDef{kCmdHideAnchor, "Hide anchor", cmdHideAnchor},
    CommandDef{kCmdShowSelection, "Show selection (dash stroke)", cmdShowSelection},
    CommandDef{kCmdShowOnlySelected, "Show only selected", cmdShowOnlySel},
    CommandDef{kCmdDeleteObject, "Delete the current object", cmdDeleteObject},
    CommandDef{kCmdAddObject, "Add a new object", cmdAddObject},
    CommandDef{kCmdRenameObject, "Rename the object", cmdRenameObject},
    CommandDef{kCmdHideObject, "Hide the object", cmdHideObject},
    CommandDef{kCmdLockObject, "Lock the object", cmdLockObject},
    CommandDef{kCmdObjectUp, "Move the object up", cmdObjectUp},
    CommandDef{kCmdObjectDown, "Move the object down", cmdObjectDown},
    CommandDef{kCmdWindowScene, "Scene", nullptr},
    CommandDef{kCmdAbout, "About", cmdAbout},
    CommandDef{kCmdUpdate, "Update", cmdUpdate},
    CommandDef{kCmdHelpRtf, "Help (rtf)", cmdHelpRtf},
    CommandDef{kCmdHelpHtml, "Help", cmdHelpHtml},
    CommandDef{kCmdHelpWiki, "Help (Wiki)", cmdWiki},
};

}  // namespace

std::span<const CommandDef> viewCommands() { return kViewCommands; }

int64_t wheelZoomStep(int64_t zoom, double notches) {
  if (notches == 0 || !std::isfinite(notches)) return zoom;
  const bool in = notches > 0;
  // A zoom set above the wheel's range by other means is not pulled down by zooming in.
  if (in && zoom >= kMaxWheelZoom) return zoom;
  const int64_t hi = std::max(zoom, kMaxWheelZoom);
  const double target = static_cast<double>(zoom) * std::pow(kWheelZoomFactor, notches);
  auto next = static_cast<int64_t>(std::llround(std::clamp(target, 1.0, static_cast<double>(hi))));
  // A whole notch always moves, however small the zoom.
  if (next == zoom && std::abs(notches) >= 1) next = in ? zoom + 1 : zoom - 1;
  return std::clamp<int64_t>(next, 1, hi);
}

void zoomAbout(Shell& shell, int64_t zoom, double px, double py) {
  Editor& ed = shell.editor();
  const double before = static_cast<double>(ed.options.Zoom) * 0.01;
  const double after = static_cast<double>(zoom) * 0.01;
  if (zoom < 1 || !(before > 0)) return;
  // Pixel p shows local point p / zoom - pan - object offset: the pan takes up the difference.
  ed.pan.x = clampPan(ed.pan.x + px / after - px / before);
  ed.pan.y = clampPan(ed.pan.y + py / after - py / before);
  zoomTo(shell, zoom);
}

void panView(Shell& shell, int64_t dx, int64_t dy) {
  if (dx == 0 && dy == 0) return;
  Editor& ed = shell.editor();
  ed.pan.x = clampPan(static_cast<double>(ed.pan.x) + static_cast<double>(dx));
  ed.pan.y = clampPan(static_cast<double>(ed.pan.y) + static_cast<double>(dy));
  shell.redrawCanvas();
}

}  // namespace pw
