// A Prompt that opens every file dialog in the folder the same kind of dialog was last left in,
// across runs: scenes, images and exports each have their folder in the settings record
// (SceneFolder, ImageFolder, ExportFolder). It passes everything to the prompt it wraps.
//
// What a dialog is for is told by the files it offers: a dialog for "*.txt" is a scene's; an open
// dialog for PNG, JPEG or BMP files is an image's; any other save dialog and the folder chooser
// are an export's. Other dialogs keep the folder their caller gives.
#pragma once

#include <string>

#include "core/prompt.h"
#include "settings/options.h"

namespace pw {

enum class DialogKind { kScene, kImage, kExport, kOther };

// The kind of a file dialog (`save`: a save dialog) offering `filter` ("label|pattern|...").
DialogKind dialogKind(bool save, const std::string& filter);

class RememberingPrompt final : public Prompt {
 public:
  explicit RememberingPrompt(Prompt& inner) : inner_(inner) {}
  // The record whose folders are read and written; until set, nothing is remembered.
  void remember(sVdOptions* options) { options_ = options; }

  std::string openFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override;
  std::string saveFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override;
  std::string chooseFolder(const std::string& title, const std::string& initialPath) override;

  void message(const std::string& title, const std::string& text) override {
    inner_.message(title, text);
  }
  void warn(const std::string& text) override { inner_.warn(text); }
  void info(const std::string& title, const std::string& text) override {
    inner_.info(title, text);
  }
  bool askYesNo(const std::string& title, const std::string& text) override {
    return inner_.askYesNo(title, text);
  }
  SaveChoice askSaveChanges(const std::string& title, const std::string& text) override {
    return inner_.askSaveChanges(title, text);
  }
  int chooseFromList(const std::string& title, const std::string& text,
                     const std::vector<std::string>& items,
                     const std::vector<std::string>& buttons, int& item) override {
    return inner_.chooseFromList(title, text, items, buttons, item);
  }
  bool inputText(const std::string& title, const std::string& label, std::string& value) override {
    return inner_.inputText(title, label, value);
  }
  bool chooseColor(Rgb& rgb) override { return inner_.chooseColor(rgb); }
  bool chooseFont(FontChoice& font) override { return inner_.chooseFont(font); }
  bool openUrl(const std::string& url) override { return inner_.openUrl(url); }

 private:
  std::string* folderOf(DialogKind kind) const;
  // The caller's initial path, or the remembered folder when the caller names no file and the
  // folder still exists.
  std::string startAt(DialogKind kind, const std::string& initialPath) const;
  // Keeps the folder holding `chosen` (nothing when cancelled).
  void keep(DialogKind kind, const std::string& chosen);

  Prompt& inner_;
  sVdOptions* options_ = nullptr;
};

}  // namespace pw
