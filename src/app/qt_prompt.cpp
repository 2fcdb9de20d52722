#include "app/qt_prompt.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>

#include "core/resources.h"

namespace pw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Qt's own folder chooser takes only folders that exist ("Directory not found"). This one also
// takes a new folder's name typed into its name field, as long as the folder it goes in exists;
// whoever asked makes the folder.
class FolderDialog : public QFileDialog {
 public:
  FolderDialog(QWidget* parent, const QString& title, const QString& dir)
      : QFileDialog(parent, title, dir) {
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly, true);
    // A desktop's own chooser has its own way to make a folder; without one, Qt's is used.
    if (qEnvironmentVariableIsEmpty("XDG_CURRENT_DESKTOP"))
      setOption(QFileDialog::DontUseNativeDialog, true);
    if (auto* box = findChild<QDialogButtonBox*>()) {
      choose_ = box->button(QDialogButtonBox::Open);
      if (choose_) choose_->installEventFilter(this);
    }
  }

  // The new folder accepted, or empty when the dialog chose an existing one.
  QString newFolder() const { return newFolder_; }

  void accept() override {
    const QString typed = typedPath();
    if (QtPrompt::isNewFolderName(typed)) {
      newFolder_ = QFileInfo(typed).absoluteFilePath();
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }

 protected:
  // The dialog greys its button for a name that does not exist yet: a new folder's stays usable.
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (choose_ && watched == choose_ && e->type() == QEvent::EnabledChange &&
        !choose_->isEnabled() && QtPrompt::isNewFolderName(typedPath()))
      choose_->setEnabled(true);
    return QFileDialog::eventFilter(watched, e);
  }

 private:
  QString typedPath() const {
    const auto* name = findChild<QLineEdit*>("fileNameEdit");
    if (!name || name->text().trimmed().isEmpty()) return {};
    const QString text = name->text().trimmed();
    return QFileInfo(text).isAbsolute() ? text : directory().absoluteFilePath(text);
  }

  QPointer<QPushButton> choose_;
  QString newFolder_;
};

}  // namespace

bool QtPrompt::isNewFolderName(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (info.exists() || info.isSymLink()) return false;
  return QFileInfo(info.absolutePath()).isDir();
}

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

int QtPrompt::chooseFromList(const std::string& title, const std::string& text,
                             const std::vector<std::string>& items,
                             const std::vector<std::string>& buttons, int& item) {
  QDialog dlg(parent_);
  dlg.setWindowTitle(qs(title));
  auto* layout = new QVBoxLayout(&dlg);
  layout->addWidget(new QLabel(qs(text), &dlg));
  auto* list = new QListWidget(&dlg);
  for (const std::string& i : items) list->addItem(qs(i));
  if (!items.empty()) list->setCurrentRow(0);
  layout->addWidget(list);
  auto* box = new QDialogButtonBox(&dlg);
  int pressed = -1;
  for (size_t b = 0; b < buttons.size(); ++b) {
    QPushButton* button = box->addButton(qs(buttons[b]), QDialogButtonBox::AcceptRole);
    if (b == 0) button->setDefault(true);
    QObject::connect(button, &QPushButton::clicked, &dlg, [&dlg, &pressed, b] {
      pressed = static_cast<int>(b);
      dlg.accept();
    });
  }
  box->addButton(QDialogButtonBox::Cancel);
  QObject::connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  // A double click answers with the first button.
  if (!buttons.empty()) {
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dlg, [&dlg, &pressed] {
      pressed = 0;
      dlg.accept();
    });
  }
  layout->addWidget(box);
  if (dlg.exec() != QDialog::Accepted || pressed < 0 || list->currentRow() < 0) return -1;
  item = list->currentRow();
  return pressed;
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
  FolderDialog dlg(parent_, qs(title), qs(initialPath));
  if (dlg.exec() != QDialog::Accepted) return {};
  if (!dlg.newFolder().isEmpty()) return dlg.newFolder().toStdString();
  const QStringList dirs = dlg.selectedFiles();
  return dirs.isEmpty() ? std::string() : dirs.front().toStdString();
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
  initial.setBold((font.style & kFontBold) != 0);
  initial.setItalic((font.style & kFontItalic) != 0);
  initial.setUnderline((font.style & kFontUnderline) != 0);
  initial.setStrikeOut((font.style & kFontStrikeOut) != 0);
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, initial, parent_);
  if (!ok) return false;
  font.face = f.family().toStdString();
  font.size = f.pixelSize() > 0 ? f.pixelSize() : f.pointSize();
  font.style = (f.bold() ? kFontBold : 0) | (f.italic() ? kFontItalic : 0) |
               (f.underline() ? kFontUnderline : 0) | (f.strikeOut() ? kFontStrikeOut : 0);
  return true;
}

bool QtPrompt::openUrl(const std::string& url) {
  QUrl u(qs(url));
  if (u.isRelative()) u = QUrl::fromLocalFile(QFileInfo(qs(url)).absoluteFilePath());
  return QDesktopServices::openUrl(u);
}

}  // namespace pw
