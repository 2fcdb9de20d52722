// The window's folder chooser on Qt's own dialog (offscreen): a typed name of a folder that does
// not exist yet is taken when the folder it goes in exists.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/qt_prompt.h"
#include "support/files.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

TEST(FolderChooser, NewFolderNames) {
  test::TempDir tmp;
  const fs::path d = tmp.path();
  fs::create_directories(d / "old");
  test::writeFile(d / "file", "x");
  const struct {
    fs::path path;
    bool taken;
  } cases[] = {
      {d / "new", true},           {d / "old", false},   // an existing folder is no new one
      {d / "file", false},         {d / "file" / "new", false},
      {d / "no" / "new", false},  // its parent is missing too
      {d / "old" / "new", true},   {fs::path(), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(QtPrompt::isNewFolderName(QString::fromStdString(c.path.string())), c.taken)
        << c.path;
}

// Runs chooseFolder on `start`; once the dialog shows, `typed` goes into its name field and its
// button is pressed (a dialog still open afterwards is cancelled).
std::string chooseTyping(const fs::path& start, const QString& typed, bool* stayedOpen) {
  *stayedOpen = false;
  auto* poll = new QTimer;
  bool pressed = false;
  QObject::connect(poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dlg = qobject_cast<QFileDialog*>(modal);
    if (!dlg) {
      // A message box over the chooser ("Directory not found"): the name was refused.
      if (auto* other = qobject_cast<QDialog*>(modal)) other->reject();
      return;
    }
    if (pressed) {
      *stayedOpen = true;
      dlg->reject();
      return;
    }
    pressed = true;
    auto* name = dlg->findChild<QLineEdit*>("fileNameEdit");
    auto* box = dlg->findChild<QDialogButtonBox*>();
    if (!name || !box) return dlg->reject();
    name->setText(typed);
    QPushButton* choose = box->button(QDialogButtonBox::Open);
    if (choose && choose->isEnabled()) choose->click();
  });
  poll->start(20);
  QtPrompt prompt;
  const std::string chosen = prompt.chooseFolder("Export animation (frames)", start.string());
  delete poll;
  return chosen;
}

TEST(FolderChooser, TakesATypedNewFolderAndExistingOnes) {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  const std::string savedDesktop = desktop ? desktop : "";
  unsetenv("XDG_CURRENT_DESKTOP");  // Qt's own dialog, whatever desktop runs the tests
  test::TempDir tmp;
  const fs::path d = fs::canonical(tmp.path());
  fs::create_directories(d / "old");
  const struct {
    QString typed;
    fs::path chosen;  // empty: nothing chosen
    bool stayedOpen;
  } cases[] = {
      {"frames", d / "frames", false},  // a new folder: named, not made
      {"old", d / "old", false},
      {"", d, false},                    // nothing typed: the folder shown
      {"missing/frames", {}, true},      // its parent does not exist either
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    bool stayedOpen = false;
    const std::string chosen = chooseTyping(d, c.typed, &stayedOpen);
    EXPECT_EQ(fs::path(chosen).lexically_normal(), c.chosen.lexically_normal());
    EXPECT_EQ(stayedOpen, c.stayedOpen);
  }
  EXPECT_FALSE(fs::exists(d / "frames"));
  if (desktop) setenv("XDG_CURRENT_DESKTOP", savedDesktop.c_str(), 1);
}

}  // namespace
}  // namespace pw
