#include "app/qt_prompt.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFontDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <cstdio>

namespace pw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QString QtPrompt::qtFilter(const std::string& filter) {
  const QStringList parts = qs(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

std::string QtPrompt::fileDialog(bool save, const std::string& title,
                                 const std::string& initialPath, const std::string& filter) {
  QFileDialog dlg(parent_, qs(title), qs(initialPath), qtFilter(filter));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The scene code asks before overwriting where it matters; the dialog stays out of it, as the
  // editor always did.
  dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  // Qt's own dialog unless the desktop offers a native one; the name field has the focus, so
  // typing a whole path and Return is enough.
  if (qEnvironmentVariableIsEmpty("XDG_CURRENT_DESKTOP")) {
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    if (QLineEdit* name = dlg.findChild<QLineEdit*>("fileNameEdit")) name->setFocus();
  }
  if (dlg.exec() != QDialog::Accepted) return {};
  const QStringList files = dlg.selectedFiles();
  if (files.isEmpty()) return {};
  return files.front().toStdString();
}

std::string QtPrompt::openFile(const std::string& title, const std::string& initialPath,
                               const std::string& filter) {
  return fileDialog(false, title, initialPath, filter);
}

std::string QtPrompt::saveFile(const std::string& title, const std::string& initialPath,
                               const std::string& filter) {
  return fileDialog(true, title, initialPath, filter);
}

void QtPrompt::message(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, qs(title), qs(text), QMessageBox::Ok, parent_);
  box.exec();
}

void QtPrompt::warn(const std::string& text) {
  std::fprintf(stderr, "penwick: warning: %s\n", text.c_str());
}

void QtPrompt::info(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Information, qs(title), qs(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtPrompt::askYesNo(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Question, qs(title), qs(text), QMessageBox::Yes | QMessageBox::No,
                  parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

Prompt::SaveChoice QtPrompt::askSaveChanges(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Warning, qs(title), qs(text), QMessageBox::NoButton, parent_);
  QPushButton* save = box.addButton("&Save", QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton("&Discard", QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton("Cancel", QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return SaveChoice::kSave;
  if (box.clickedButton() == discard) return SaveChoice::kDiscard;
  return SaveChoice::kCancel;
}

bool QtPrompt::inputText(const std::string& title, const std::string& label, std::string& value) {
  bool ok = false;
  const QString answer =
      QInputDialog::getText(parent_, qs(title), qs(label), QLineEdit::Normal, qs(value), &ok);
  if (!ok) return false;
  value = answer.toStdString();
  return true;
}

std::string QtPrompt::chooseFolder(const std::string& title, const std::string& initialPath) {
  return QFileDialog::getExistingDirectory(parent_, qs(title), qs(initialPath)).toStdString();
}

bool QtPrompt::chooseColor(Rgb& rgb) {
  const QColor c = QColorDialog::getColor(QColor(rgb.r, rgb.g, rgb.b), parent_);
  if (!c.isValid()) return false;
  rgb = {c.red(), c.green(), c.blue()};
  return true;
}

bool QtPrompt::chooseFont(FontChoice& font) {
  QFont initial(qs(font.face));
  initial.setPixelSize(font.size > 0 ? font.size : 20);
  initial.setBold((font.style & 256) != 0);
  initial.setItalic((font.style & 512) != 0);
  initial.setUnderline((font.style & 4) != 0);
  initial.setStrikeOut((font.style & 8) != 0);
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, initial, parent_);
  if (!ok) return false;
  font.face = f.family().toStdString();
  font.size = f.pixelSize() > 0 ? f.pixelSize() : f.pointSize();
  font.style = (f.bold() ? 256 : 0) | (f.italic() ? 512 : 0) | (f.underline() ? 4 : 0) |
               (f.strikeOut() ? 8 : 0);
  return true;
}

bool QtPrompt::openUrl(const std::string& url) {
  QUrl u(qs(url));
  if (u.isRelative()) u = QUrl::fromLocalFile(QFileInfo(qs(url)).absoluteFilePath());
  return QDesktopServices::openUrl(u);
}

}  // namespace pw
