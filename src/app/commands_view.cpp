// View, Object, Window and Help menus: zoom, view origin, display toggles, layers, help.
#include <array>
#include <cmath>

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
    CommandDef{kCmdWindowScene, "Scene", nullptr},
    CommandDef{kCmdAbout, "About", cmdAbout},
    CommandDef{kCmdUpdate, "Update", cmdUpdate},
    CommandDef{kCmdHelpRtf, "Help (rtf)", cmdHelpRtf},
    CommandDef{kCmdHelpHtml, "Help", cmdHelpHtml},
    CommandDef{kCmdHelpWiki, "Help (Wiki)", cmdWiki},
};

}  // namespace

std::span<const CommandDef> viewCommands() { return kViewCommands; }

}  // namespace pw
