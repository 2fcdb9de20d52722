// The Help menu, the About box, the source export command and the update notice in the window.
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>

#include "app/command_ids.h"
#include "services/help.h"
#include "services/new_version_window.h"
#include "services/update_check.h"
#include "support/paths.h"
#include "window_fixture.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using pwtest::WindowTest;

class HelpWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const char* old = std::getenv("PENWICK_UPDATE_URL");
    savedUrl_ = old ? old : "";
    hadUrl_ = old != nullptr;
    setenv("PENWICK_UPDATE_URL", "off", 1);
  }
  void TearDown() override {
    WindowTest::TearDown();
    if (hadUrl_) {
      setenv("PENWICK_UPDATE_URL", savedUrl_.c_str(), 1);
    } else {
      unsetenv("PENWICK_UPDATE_URL");
    }
  }
  std::string savedUrl_;
  bool hadUrl_ = false;
};

TEST(AboutText, LinesAndReleaseDate) {
  const std::string t = aboutText();
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t nl; (nl = t.find('\n', at)) != std::string::npos; at = nl + 1)
    lines.push_back(t.substr(at, nl - at));
  lines.push_back(t.substr(at));
  ASSERT_EQ(lines.size(), 4u) << t;
  EXPECT_EQ(lines[0], "Penwick Animation  ");
  EXPECT_FALSE(lines[1].empty());
  EXPECT_EQ(lines[2], "Version : 0.15");
  EXPECT_EQ(lines[3], "Date : 14/04/2016");
  EXPECT_EQ(t.find('\r'), std::string::npos);
}

TEST_F(HelpWindow, HelpItemsOpenTheirDocumentsAndAboutShowsInfo) {
  MainWindow& w = open();
  const struct {
    int command;
    std::string url;
  } cases[] = {
      {kCmdHelpHtml, (dir / "data/help/html/index.html").string()},
      {kCmdHelpRtf, (dir / "data/help/help.rtf").string()},
  };
  for (const auto& c : cases) {
    prompt.urls.clear();
    w.dispatch(c.command);
    ASSERT_EQ(prompt.urls.size(), 1u) << c.command;
    EXPECT_EQ(fs::path(prompt.urls[0]).lexically_normal(), fs::path(c.url).lexically_normal());
  }
  w.dispatch(kCmdAbout);
  ASSERT_EQ(prompt.infos.size(), 1u);
  EXPECT_EQ(prompt.infos[0].title, "Info");
  EXPECT_EQ(prompt.infos[0].text, aboutText());
  EXPECT_TRUE(prompt.messages.empty());
}

// What the "Error" box says when a help document or a web page does not open: a document that is
// there needs a program for its type; only a missing one is "Unable to open".
TEST_F(HelpWindow, ADocumentNoProgramOpensIsNamedAsSuch) {
  MainWindow& w = open();
  const std::string html = (dir / "data/help/html/index.html").string();
  const std::string rtf = (dir / "data/help/help.rtf").string();
  const struct {
    int command;
    bool present;  // the help document exists
    bool opened;   // a program opened it
    std::string message;  // "" for none
  } cases[] = {
      {kCmdHelpHtml, true, true, ""},
      {kCmdHelpHtml, true, false, "No program could open " + html},
      {kCmdHelpHtml, false, false, "Unable to open " + html},
      {kCmdHelpRtf, true, false, "No program could open " + rtf},
      {kCmdHelpRtf, false, false, "Unable to open " + rtf},
      {kCmdUpdate, false, false, "No program could open https://penwick-editor.github.io/"},
      {kCmdHelpWiki, false, false, "No program could open https://penwick-editor.github.io/wiki/"},
      {kCmdHelpWiki, false, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.command << " " << c.present << " " << c.opened);
    fs::remove_all(dir / "data" / "help");
    if (c.present) {
      fs::create_directories(dir / "data" / "help" / "html");
      pw::test::writeFile(html, "<html></html>");
      pw::test::writeFile(rtf, "{\\rtf1}");
    }
    prompt.messages.clear();
    prompt.answerOpenUrl(c.opened);
    w.dispatch(c.command);
    if (c.message.empty()) {
      EXPECT_TRUE(prompt.messages.empty());
      continue;
    }
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].title, "Error");
    EXPECT_EQ(fs::path(prompt.messages[0].text).lexically_normal(),
              fs::path(c.message).lexically_normal());
  }
}

TEST_F(HelpWindow, ExportInPurebasicWritesTheCurrentObject) {
  MainWindow& w = open();
  prompt.answerFile((dir / "mine").string());
  w.dispatch(kCmdExportSource);
  const std::string text = pw::test::readFile(dir / "mine.pb");
  EXPECT_EQ(text.rfind("; Made with Penwick ! 0.15\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("Procedure " + ed->doc.Objects[0].name + "("), std::string::npos);
  EXPECT_FALSE(ed->modified);
}

TEST_F(HelpWindow, UpdateCheckOffStartsNothing) {
  MainWindow& w = open();
  EXPECT_EQ(w.updateCheck(), nullptr);
}

TEST_F(HelpWindow, AFailedCheckAnnouncesNothing) {
  // Nothing listens on port 1 of the loopback: the check fails at once, quietly.
  setenv("PENWICK_UPDATE_URL", "https://127.0.0.1:1/version.txt", 1);
  MainWindow& w = open();
  ASSERT_NE(w.updateCheck(), nullptr);
  w.updateCheck()->wait();
  EXPECT_EQ(w.updateCheck()->outcome(), UpdateOutcome::kDownloadFailed);
  w.idleWork();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_FALSE(fs::exists(dir / "data" / "version.txt"));
}

TEST(NewVersionWindow, LayoutTextAndButtons) {
  const struct {
    bool ok;
    size_t urls;
  } cases[] = {{true, 1}, {false, 0}};
  for (const auto& c : cases) {
    ScriptedPrompt prompt;
    QPointer<QDialog> win = showNewVersionWindow(nullptr, prompt, 0.1234, "", kDownloadPageUrl);
    ASSERT_TRUE(win);
    EXPECT_EQ(win->windowTitle(), "New version available");
    EXPECT_EQ(win->size(), QSize(400, 300));
    EXPECT_TRUE(win->isVisible());
    auto* text = win->findChild<QPlainTextEdit*>("newVersionText");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->geometry(), QRect(5, 5, 390, 250));
    EXPECT_EQ(text->toPlainText(), "\nA new version is available : 0.1234\n\n");
    auto* ok = win->findChild<QPushButton*>("newVersionOk");
    auto* cancel = win->findChild<QPushButton*>("newVersionCancel");
    ASSERT_TRUE(ok && cancel);
    EXPECT_EQ(ok->geometry(), QRect(170, 270, 50, 25));
    EXPECT_EQ(cancel->geometry(), QRect(230, 270, 50, 25));
    EXPECT_EQ(cancel->text(), "Cancel");
    (c.ok ? ok : cancel)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(win.isNull());  // closed and gone
    ASSERT_EQ(prompt.urls.size(), c.urls);
    if (c.urls) {
      EXPECT_EQ(prompt.urls[0], kDownloadPageUrl);
    }
  }
}

}  // namespace
}  // namespace pw

namespace pw {
namespace {

// Menu texts without their shortcut part and surrounding blanks.
void collectItems(const QMenu* menu, std::vector<std::string>& out) {
  for (const QAction* a : menu->actions()) {
    if (a->menu()) {
      out.push_back(a->menu()->title().toStdString());
      collectItems(a->menu(), out);
    } else if (!a->isSeparator()) {
      out.push_back(a->text().split('\t').front().trimmed().toStdString());
    }
  }
}

class HelpDocuments : public HelpWindow {};

TEST_F(HelpDocuments, TheManualNamesEveryMenuItemAndItsPicturesExist) {
  MainWindow& w = open();
  const std::string html =
      pw::test::readFile(std::filesystem::path(pw::test::sourceDir()) / kHelpHtml);
  ASSERT_FALSE(html.empty());
  std::vector<std::string> items;
  for (const QAction* a : w.menuBar()->actions())
    if (a->menu()) collectItems(a->menu(), items);
  ASSERT_GT(items.size(), 40u);
  for (std::string item : items) {
    // The step name that follows "Undo" and "Redo" changes as you work.
    if (item.rfind("Undo", 0) == 0 || item.rfind("Redo", 0) == 0) item = item.substr(0, 4);
    EXPECT_NE(html.find(item), std::string::npos) << "the manual does not name " << item;
  }
  // Every picture it shows is there, and the RTF manual is an RTF document with them inside.
  size_t pictures = 0;
  for (size_t at = 0; (at = html.find("<img src=\"", at)) != std::string::npos; ++pictures) {
    at += 10;
    const std::string src = html.substr(at, html.find('"', at) - at);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(pw::test::sourceDir()) /
                                                 "data/help/html" / src))
        << src;
  }
  EXPECT_GE(pictures, 2u);
  const std::string rtf = pw::test::readFile(std::filesystem::path(pw::test::sourceDir()) / kHelpRtf);
  EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  size_t rtfPictures = 0;
  for (size_t at = 0; (at = rtf.find("\\pngblip", at)) != std::string::npos; ++at) ++rtfPictures;
  EXPECT_EQ(rtfPictures, pictures);
  for (const char* flag : {"--export-pb", "--object", "--export-png", "--dump-json", "--save-as"})
    EXPECT_NE(html.find(flag), std::string::npos) << flag;
}

}  // namespace
}  // namespace pw
