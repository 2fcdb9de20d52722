// Files menu: new, load, merge, save, save a copy, the image and animation exports and quit.
#include <QApplication>
#include <array>
#include <vector>

#include "app/anim_encode_command.h"
#include "app/anim_export_command.h"
#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/commands.h"
#include "core/create.h"
#include "core/scene_file.h"
#include "export/image_export.h"
#include "export/lottie_export.h"
#include "export/source_export.h"
#include "export/svg_export.h"

namespace pw {

namespace {

// After the document was replaced: every view of it starts over.
void documentReplaced(Shell& shell) {
  Editor& ed = shell.editor();
  ed.tools.dragState = DragState::kNone;
  ed.tools.dragStarted = false;
  ed.tools.shapeHit = false;
  // A new history starts with the new document.
  shell.app().history.reset(ed.doc, ed.sel, !ed.modified);
  ed.refreshLayerList();
  shell.documentRestored();
  shell.selectionChanged();
  shell.redrawCanvas();
}

void cmdNew(Shell& shell) {
  if (!confirmDiscardChanges(shell)) return;
  newDocument(shell.editor(), kFreshDocument, /*quiet=*/false, /*refresh=*/true);
  documentReplaced(shell);
}

void cmdLoad(Shell& shell) {
  if (!confirmDiscardChanges(shell)) return;
  if (loadScene(shell.editor(), kLoadReplace, "", /*refresh=*/true)) documentReplaced(shell);
}

void cmdMerge(Shell& shell) {
  Editor& ed = shell.editor();
  if (!ed.execute({"Merge", {}, 0, [&ed](Document&, Selection&, ChangeScope&) {
                     return loadScene(ed, kLoadMerge, "", /*refresh=*/true);
                   }}))
    return;
  shell.documentRestored();
  ed.refreshLayerList();
  shell.selectionChanged();
  shell.redrawCanvas();
}

void cmdSave(Shell& shell) { saveDocument(shell); }

void cmdSaveCopy(Shell& shell) { saveScene(shell.editor(), "", /*keepName=*/false); }

void exportImageMode(Shell& shell, ImageExportMode mode) {
  exportImage(shell.editor(), shell.images(), shell.canvasWidth(), shell.canvasHeight(), mode);
}

void cmdExportObject(Shell& shell) { exportImageMode(shell, kExportContent); }
void cmdExportScene(Shell& shell) { exportImageMode(shell, kExportCamera); }

void cmdExportFrames(Shell& shell) {
  exportAnimation(shell.editor(), shell.images(), false, QApplication::activeWindow());
}
void cmdExportWebp(Shell& shell) {
  exportAnimation(shell.editor(), shell.images(), true, QApplication::activeWindow());
}

void cmdExportSvg(Shell& shell) { exportSvgCommand(shell.editor(), shell.images()); }
void cmdExportLottie(Shell& shell) { exportLottieCommand(shell.editor(), shell.images()); }
void exportEncodedItem(Shell& shell, EncodedMenuItem item) {
  exportEncodedAnimation(shell.editor(), shell.images(), item, QApplication::activeWindow());
}
void cmdExportGif(Shell& shell) { exportEncodedItem(shell, EncodedMenuItem::kGif); }
void cmdExportApng(Shell& shell) { exportEncodedItem(shell, EncodedMenuItem::kApng); }
void cmdExportVideo(Shell& shell) { exportEncodedItem(shell, EncodedMenuItem::kVideo); }

void cmdExportSource(Shell& shell) { exportSourceCode(shell.editor()); }

void cmdQuit(Shell& shell) {
  if (!confirmDiscardChanges(shell)) return;
  shell.quitNow();
}

const std::array kFileCommands = {
    CommandDef{kCmdNew, "New", cmdNew},
    CommandDef{kCmdLoad, "Load Object", cmdLoad},
    CommandDef{kCmdMerge, "Merge", cmdMerge},
    CommandDef{kCmdSave, "Save", cmdSave},
    CommandDef{kCmdSaveCopy, "Save a copy", cmdSaveCopy},
    CommandDef{kCmdExportObjectImage, "Export the object as image", cmdExportObject},
    CommandDef{kCmdExportSceneImage, "Export Scene (image)", cmdExportScene},
    CommandDef{kCmdExportFrames, "Export animation (frames)", cmdExportFrames},
    CommandDef{kCmdExportWebp, "Export animation (WebP)", cmdExportWebp},
    CommandDef{kCmdExportSvg, "Export Scene (SVG)", cmdExportSvg},
    CommandDef{kCmdExportGif, "Export animation (GIF)", cmdExportGif},
    CommandDef{kCmdExportApng, "Export animation (APNG)", cmdExportApng},
    CommandDef{kCmdExportVideo, "Export animation (video)", cmdExportVideo},
    CommandDef{kCmdExportLottie, "Export animation (Lottie)", cmdExportLottie},
    CommandDef{kCmdExportSource, "Export in purebasic", cmdExportSource},
    CommandDef{kCmdQuit, "Quit", cmdQuit},
};

}  // namespace

bool saveDocument(Shell& shell) {
  Editor& ed = shell.editor();
  return saveScene(ed, ed.doc.DocumentFileName, /*keepName=*/false);
}

std::span<const CommandDef> fileCommands() { return kFileCommands; }

std::span<const CommandDef> commandTable() {
  static const std::vector<CommandDef> all = [] {
    std::vector<CommandDef> v;
    for (auto part : {fileCommands(), editCommands(), shapeCommands(), viewCommands()})
      v.insert(v.end(), part.begin(), part.end());
    return v;
  }();
  return all;
}

}  // namespace pw
