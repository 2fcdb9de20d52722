// "Export animation (GIF)", "Export animation (APNG)" and "Export animation (video)" from the
// Files menu of the window.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include "app/command_ids.h"
#include "support/av_read.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

TEST_F(WindowTest, EncodedExportsFollowTheWebpInTheFilesMenu) {
  open();
  const QStringList texts = filesMenuTexts();
  const int at = static_cast<int>(texts.indexOf("Export animation (WebP)"));
  ASSERT_GE(at, 0) << texts.join("|").toStdString();
  EXPECT_EQ(texts.mid(at + 1, 3), QStringList({"Export animation (GIF)", "Export animation (APNG)",
                                               "Export animation (video)"}));
}

TEST_F(WindowTest, EncodedExportsWriteEveryFrameUnderTheNameRules) {
  MainWindow& w = open();
  keyedBox(*ed);
  struct Case {
    int command;
    const char* typed;
    const char* written;
    const char* title;
    const char* codec;
  } const cases[] = {
      {kCmdExportGif, "movie", "movie.gif", "Export animation (GIF)", "gif"},
      {kCmdExportApng, "movie", "movie.png", "Export animation (APNG)", "apng"},
      {kCmdExportVideo, "clip", "clip.mp4", "Export animation (video)", "h264"},
      {kCmdExportVideo, "clip.webm", "clip.webm", "Export animation (video)", "vp9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    prompt.answerFile((dir / c.typed).string());
    w.action(c.command)->trigger();
    EXPECT_EQ(prompt.dialogs.back().title, c.title);
    EXPECT_EQ(prompt.dialogs.back().kind, "save");
    const pw::test::AvRead r = pw::test::readAv((dir / c.written).string(), 0);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.codec, c.codec);
    EXPECT_EQ(r.decoded, 5);
    EXPECT_EQ(r.width, 120);
  }
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_FALSE(ed->modified);

  // A camera a video cannot hold: one message, no file.
  ed->options.CameraW = 121;
  prompt.answerFile((dir / "odd.mp4").string());
  w.action(kCmdExportVideo)->trigger();
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_NE(prompt.messages[0].text.find("even width"), std::string::npos)
      << prompt.messages[0].text;
  EXPECT_FALSE(fs::exists(dir / "odd.mp4"));
}

}  // namespace
}  // namespace pwtest
