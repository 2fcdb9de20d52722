#include <gtest/gtest.h>

#include <QAction>
#include <QImageReader>
#include <QMenu>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/paths.h"
#include "ui/editor_icons.h"
#include "ui/points_menu.h"
#include "ui_fixture.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

TEST(PointsMenuTest, ItemsIdsAndDispatch) {
  std::vector<int> got;
  QWidget parent;
  QMenu* menu = buildPointsMenu(&parent, [&](int id) { got.push_back(id); });
  ASSERT_NE(menu, nullptr);
  struct Item {
    int id;  // 0: separator
    const char* text;
  };
  const Item expected[] = {
      {66, "Select all the points of the shape"},
      {0, ""},
      {60, "Delete this point"},
      {0, ""},
      {61, "Convert to line"},
      {62, "Convert to curve"},
      {63, "Convert to complexe shape"},
      {0, ""},
      {64, "Separate all sub-shape to shape"},
      {65, "Joint selected shape"},
  };
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(expected)));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    QAction* a = actions[static_cast<qsizetype>(i)];
    EXPECT_EQ(a->isSeparator(), expected[i].id == 0);
    if (expected[i].id == 0) continue;
    EXPECT_EQ(a->text().toStdString(), expected[i].text);
    EXPECT_EQ(a->data().toInt(), expected[i].id);
    EXPECT_EQ(a->objectName(), QStringLiteral("cmd%1").arg(expected[i].id));
    a->trigger();
    EXPECT_EQ(got.back(), expected[i].id);
  }
  EXPECT_EQ(got.size(), 7u);
}

class EditorIconsTest : public ::testing::Test {
 protected:
  uitest::UiEditor u;
  fs::path tmp;

  void SetUp() override {
    tmp = fs::temp_directory_path() /
          ("penwick_icons_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(tmp);
    fs::create_directories(tmp / "data/editor");
  }
  void TearDown() override { fs::remove_all(tmp); }
};

TEST_F(EditorIconsTest, MissingAndBrokenToolImagesAreReported) {
  // box.png holds no picture, circle.png is empty, a layer image is broken too.
  std::ofstream(tmp / "data/editor/box.png") << "not a picture";
  std::ofstream(tmp / "data/editor/circle.png");
  std::ofstream(tmp / "data/editor/layer.jpg") << "not a picture";
  u.ed.root = tmp.string();
  EditorIcons icons;
  loadEditorIcons(u.ed, icons);

  const std::string dir = tmp.string() + "/data/editor/";
  std::vector<std::string> expected;
  for (const char* f : kToolIconFiles) {
    if (!f) continue;
    const std::string name = f;
    expected.push_back(name == "box.png" ? "Unable to load the image file " + dir + name
                                         : "The Image file doesn't exists :  " + dir + name);
  }
  ASSERT_EQ(u.prompt.messages.size(), expected.size());
  EXPECT_EQ(expected.size(), 19u);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(u.prompt.messages[i].title, "Error");
    EXPECT_EQ(u.prompt.messages[i].text, expected[i]);
  }
  for (const QImage& img : icons.toolIcons) EXPECT_TRUE(img.isNull());
  for (const QImage& img : icons.layerIcons) EXPECT_TRUE(img.isNull());
  EXPECT_TRUE(icons.toolIcon(kIconBox).isNull());
  EXPECT_NE(icons.font, 0);  // font 0 is loaded all the same
}

TEST_F(EditorIconsTest, ShippedIconsLoadQuietlyAtTheirSizes) {
  u.ed.root = pw::test::sourceDir();
  EditorIcons icons;
  loadEditorIcons(u.ed, icons);
  EXPECT_TRUE(u.prompt.messages.empty());
  for (size_t i = 0; i < kToolIconFiles.size(); ++i) {
    SCOPED_TRACE(i);
    if (!kToolIconFiles[i]) {
      EXPECT_TRUE(icons.toolIcons[i].isNull());
      continue;
    }
    EXPECT_EQ(icons.toolIcons[i].size(), QSize(25, 25));
    // Drawn on a clear ground: the corner is transparent, the middle is not.
    EXPECT_EQ(qAlpha(icons.toolIcons[i].pixel(0, 0)), 0);
  }
  const QSize layerSizes[] = {{150, 25}, {150, 25}, {20, 20}, {20, 20},
                              {15, 9},   {12, 14},  {20, 20}, {20, 20}};
  for (size_t i = 0; i < std::size(layerSizes); ++i) {
    SCOPED_TRACE(kLayerIconFiles[i]);
    EXPECT_EQ(icons.layerIcons[i].size(), layerSizes[i]);
    // The files are of the kind their names say.
    QImageReader reader(QString::fromStdString(std::string(pw::test::sourceDir()) + "/data/editor/" +
                                               kLayerIconFiles[i]));
    reader.setDecideFormatFromContent(true);
    const std::string name = kLayerIconFiles[i];
    EXPECT_EQ(reader.format().toStdString(), name.ends_with(".jpg") ? "jpeg" : "png");
  }
  for (size_t i = std::size(layerSizes); i < kLayerIconFiles.size(); ++i)
    EXPECT_TRUE(icons.layerIcons[i].isNull());
  // The icons are the window's: the image store keeps none of them.
  EXPECT_EQ(u.store.image(1), nullptr);
  EXPECT_FALSE(icons.toolIcon(kIconMove).isNull());
}

}  // namespace
}  // namespace pw
