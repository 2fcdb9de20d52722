// Files menu: new, load, merge, the recent scenes, save, save a copy, save as, the image and
// animation exports and quit.
#include <QApplication>
#include <array>
#include <filesystem>
#include <system_error>
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

// A scene read or written goes first in the recent list, by its full path.
void noteRecentScene(Editor& ed, const std::string& path) {
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(path, ec);
  addRecentFile(ed.options, ec ? path : abs.lexically_normal().string());
}

void cmdLoad(Shell& shell) { openScene(shell, ""); }

template <int kEntry>
void cmdOpenRecent(Shell& shell) {
  const std::vector<std::string>& list = shell.editor().options.RecentFiles;
  if (kEntry >= static_cast<int>(list.size())) return;
  const std::string path = list[kEntry];  // the list changes with the opening
  openScene(shell, path);
}

void cmdClearRecent(Shell& shell) { shell.editor().options.RecentFiles.clear(); }

void cmdRemoveMissingRecent(Shell& shell) {
  std::erase_if(shell.editor().options.RecentFiles, [](const std::string& p) {
    std::error_code ec;
    return !std::filesystem::exists(p, ec);
  });
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

void cmdSaveCopy(Shell& shell) {
  Editor& ed = shell.editor();
  if (saveScene(ed, "", /*keepName=*/false)) noteRecentScene(ed, scenePath(ed.doc.DocumentFileName));
}

// Asks for a name, writes the scene there and makes that file the document's.
void cmdSaveAs(Shell& shell) {
  Editor& ed = shell.editor();
  if (saveScene(ed, "", /*keepName=*/false)) noteRecentScene(ed, scenePath(ed.doc.DocumentFileName));
}

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
    CommandDef{kCmdSaveAs, "Save as", cmdSaveAs},
    CommandDef{kCmdOpenRecent0, "Open recent", cmdOpenRecent<0>},
    CommandDef{kCmdOpenRecent0 + 1, "Open recent", cmdOpenRecent<1>},
    CommandDef{kCmdOpenRecent0 + 2, "Open recent", cmdOpenRecent<2>},
    CommandDef{kCmdOpenRecent0 + 3, "Open recent", cmdOpenRecent<3>},
    CommandDef{kCmdOpenRecent0 + 4, "Open recent", cmdOpenRecent<4>},
    CommandDef{kCmdOpenRecent0 + 5, "Open recent", cmdOpenRecent<5>},
    CommandDef{kCmdOpenRecent0 + 6, "Open recent", cmdOpenRecent<6>},
    CommandDef{kCmdOpenRecent0 + 7, "Open recent", cmdOpenRecent<7>},
    CommandDef{kCmdClearRecent, "Clear the list", cmdClearRecent},
    CommandDef{kCmdRemoveMissingRecent, "Remove missing files", cmdRemoveMissingRecent},
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
  if (!saveScene(ed, ed.doc.DocumentFileName, /*keepName=*/false)) return false;
  noteRecentScene(ed, scenePath(ed.doc.DocumentFileName));
  return true;
}

bool openScene(Shell& shell, const std::string& path) {
  if (!confirmDiscardChanges(shell)) return false;
  Editor& ed = shell.editor();
  if (!loadScene(ed, kLoadReplace, path, /*refresh=*/true)) return false;
  noteRecentScene(ed, ed.doc.DocumentFileName);
  documentReplaced(shell);
  return true;
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
