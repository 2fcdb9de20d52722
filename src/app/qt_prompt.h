// The Prompt of the editor window: real Qt dialogs, modal to the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/prompt.h"

namespace pw {

class QtPrompt final : public Prompt {
 public:
  explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  std::string openFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override;
  std::string saveFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override;
  void message(const std::string& title, const std::string& text) override;
  void warn(const std::string& text) override;
  void info(const std::string& title, const std::string& text) override;
  bool askYesNo(const std::string& title, const std::string& text) override;
  SaveChoice askSaveChanges(const std::string& title, const std::string& text) override;
  int chooseFromList(const std::string& title, const std::string& text,
                     const std::vector<std::string>& items,
                     const std::vector<std::string>& buttons, int& item) override;
  bool inputText(const std::string& title, const std::string& label, std::string& value) override;
  std::string chooseFolder(const std::string& title, const std::string& initialPath) override;
  bool chooseColor(Rgb& rgb) override;
  bool chooseFont(FontChoice& font) override;
  bool openUrl(const std::string& url) override;

  // Whether the folder chooser takes `path` as a new folder: nothing of that name exists yet and
  // the folder it would go in does.
  static bool isNewFolderName(const QString& path);

  // "txt|*.txt|all|*.*" -> "txt (*.txt);;all (*.*)".
  static QString qtFilter(const std::string& filter);

 private:
  std::string fileDialog(bool save, const std::string& title, const std::string& initialPath,
                         const std::string& filter);
  QPointer<QWidget> parent_;
};

}  // namespace pw
