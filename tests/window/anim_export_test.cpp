// "Export animation (frames)" and "Export animation (WebP)" from the Files menu of the window.
#include <webp/demux.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "app/command_ids.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

TEST_F(WindowTest, FilesMenuOffersTheAnimationExportsAfterTheSceneImage) {
  open();
  const QStringList texts = filesMenuTexts();
  const int at = static_cast<int>(texts.indexOf("Export Scene (image)"));
  ASSERT_GE(at, 0) << texts.join("|").toStdString();
  EXPECT_EQ(texts.value(at + 1), "Export animation (frames)");
  EXPECT_EQ(texts.value(at + 2), "Export animation (WebP)");
}

TEST_F(WindowTest, AnimationExportsWriteEveryFrameFromTheMenu) {
  MainWindow& w = open();
  keyedBox(*ed);
  const fs::path frames = dir / "frames";
  prompt.answerFile(frames.string());
  w.action(kCmdExportFrames)->trigger();
  ASSERT_EQ(prompt.dialogs.back().title, "Export animation (frames)");
  EXPECT_EQ(prompt.dialogs.back().kind, "folder");  // frames go to a folder, not a file
  for (int f = 0; f <= 4; ++f)
    EXPECT_TRUE(fs::exists(frames / ("frame_0000" + std::to_string(f) + ".png"))) << f;
  const QImage four((frames / "frame_00004.png").string().c_str());
  EXPECT_EQ(four.pixel(50, 15), qRgba(255, 0, 0, 255));  // the box moved 40 to the right
  EXPECT_EQ(qAlpha(four.pixel(49, 15)), 0);

  prompt.answerFile((dir / "movie").string());
  w.action(kCmdExportWebp)->trigger();
  EXPECT_EQ(prompt.dialogs.back().title, "Export animation (WebP)");
  EXPECT_EQ(prompt.dialogs.back().kind, "save");
  const std::string data = pw::test::readFile(dir / "movie.webp");
  WebPData wd{reinterpret_cast<const uint8_t*>(data.data()), data.size()};
  WebPDemuxer* demux = WebPDemux(&wd);
  ASSERT_NE(demux, nullptr);
  EXPECT_EQ(WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT), 5u);
  EXPECT_EQ(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH), 120u);
  WebPDemuxDelete(demux);
  EXPECT_TRUE(prompt.messages.empty());
  // Exporting changes nothing in the document.
  EXPECT_EQ(ed->doc.Objects[0].x, 0);
  EXPECT_FALSE(ed->modified);
}

TEST_F(WindowTest, AnimationExportDrawsTheSceneAsItWasWhenItStarted) {
  // The window keeps running while the frames are drawn (a playback step, an autosave, a timer):
  // what it changes meanwhile must not reach the drawing threads or the frames.
  MainWindow& w = open();
  keyedBox(*ed);
  ed->doc.MaxFrame = 60;
  QTimer meddler;
  meddler.setInterval(0);
  QObject::connect(&meddler, &QTimer::timeout, [&] {
    ed->doc.Objects[0].shapes[0].color = packRGBA(0, 255, 0, 255);
    ed->doc.Objects[0].shapes[0].y = 30;
  });
  meddler.start();
  const fs::path frames = dir / "frames";
  prompt.answerFile(frames.string());
  w.action(kCmdExportFrames)->trigger();
  meddler.stop();
  ASSERT_EQ(ed->doc.Objects[0].shapes[0].y, 30);  // the timer did run during the export
  for (int f : {0, 5, 30, 60}) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", f);
    const QImage frame((frames / name).string().c_str());
    EXPECT_EQ(frame.pixel(15 + std::min(f, 10) * 10, 15), qRgba(255, 0, 0, 255)) << f;
  }
}

TEST_F(WindowTest, AnimationExportFailureIsReportedAndCancelWritesNothing) {
  MainWindow& w = open();
  keyedBox(*ed);
  // Cancelling the dialog: nothing happens.
  prompt.answerFile("");
  w.action(kCmdExportWebp)->trigger();
  EXPECT_TRUE(prompt.messages.empty());
  // A file in the folder's way: one message box, no folder.
  std::ofstream(dir / "blocker") << "x";
  prompt.answerFile((dir / "blocker" / "frames").string());
  w.action(kCmdExportFrames)->trigger();
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].title, "Export animation");
  EXPECT_NE(prompt.messages[0].text.find("blocker"), std::string::npos)
      << prompt.messages[0].text;
}

}  // namespace
}  // namespace pwtest
