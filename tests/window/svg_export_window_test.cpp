// "Export Scene (SVG)" from the Files menu: after the animation exports, asks for a file and
// writes the scene as the canvas shows it; "Export animation (Lottie)" after it.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include "app/command_ids.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

TEST_F(WindowTest, SvgExportFromTheFilesMenu) {
  MainWindow& w = open();
  const QStringList texts = filesMenuTexts();
  EXPECT_EQ(texts.indexOf("Export Scene (SVG)"), texts.indexOf("Export animation (video)") + 1);

  Object& o = ed->doc.Objects[0];
  Shape& s = o.shapes[0];
  s.type = kBox;
  s.x = 10;
  s.y = 20;
  s.w = 30;
  s.h = 40;
  s.alpha = 255;
  s.color = packRGBA(0, 0, 255, 255);
  s.points.assign(1, ShapePoint{});
  s.fx.clear();
  o.alpha = 255;
  o.w = o.h = 100;
  o.x = 5;  // the pose the canvas shows
  ed->doc.DocumentState = kDocumentHasContent;
  ed->options.CameraX = 0;
  ed->options.CameraY = 0;
  ed->options.CameraW = 120;
  ed->options.CameraH = 90;

  prompt.answerFile((dir / "scene").string());
  w.action(kCmdExportSvg)->trigger();
  EXPECT_TRUE(prompt.messages.empty());
  ASSERT_FALSE(prompt.dialogs.empty());
  EXPECT_EQ(prompt.dialogs.back().title, "Export Scene (SVG)");
  const std::string svg = pw::test::readFile(dir / "scene.svg");
  EXPECT_NE(svg.find("width=\"120\" height=\"90\" viewBox=\"0 0 120 90\""), std::string::npos);
  EXPECT_NE(svg.find("<g transform=\"matrix(1 0 0 1 5 0)\">\n"
                     "<path d=\"M10 20L40 20L40 60L10 60Z\" fill=\"#0000ff\"/>"),
            std::string::npos)
      << svg;
  EXPECT_FALSE(ed->modified);
}

// "Export animation (Lottie)" follows it and writes the animation where the prompt says.
TEST_F(WindowTest, LottieExportFromTheFilesMenu) {
  MainWindow& w = open();
  const QStringList texts = filesMenuTexts();
  EXPECT_EQ(texts.indexOf("Export animation (Lottie)"), texts.indexOf("Export Scene (SVG)") + 1);
  ed->options.CameraW = 120;
  ed->options.CameraH = 90;
  prompt.answerFile((dir / "anim").string());
  w.action(kCmdExportLottie)->trigger();
  EXPECT_TRUE(prompt.messages.empty());
  ASSERT_FALSE(prompt.dialogs.empty());
  EXPECT_EQ(prompt.dialogs.back().title, "Export animation (Lottie)");
  EXPECT_NE(pw::test::readFile(dir / "anim.json").find("\"w\":120,\"h\":90"), std::string::npos);
}

}  // namespace
}  // namespace pwtest
