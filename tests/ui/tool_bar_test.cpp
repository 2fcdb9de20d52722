#include "ui/tool_bar.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <string>

#include "ui_fixture.h"

namespace pw {
namespace {

struct ButtonCase {
  int number;
  int x;
  const char* tip;
};

constexpr ButtonCase kButtons[] = {
    {10, 5, "Add a complex shape."},    {11, 31, "Add a box."},
    {12, 57, "Add a rounded box."},     {13, 83, "Add a circle."},
    {14, 109, "Add a line."},           {15, 135, "Add a curve."},
    {16, 161, "Add a image."},          {17, 187, "Add a text."},
    {3, 218, "Select the Shape."},      {2, 244, "Move the Shape or the points."},
    {4, 270, "Scale the shape."},       {5, 296, "Rotate the shape."},
    {7, 326, "Add a point."},           {9, 352, "Delete a point."},
};

class ToolBarTest : public ::testing::Test {
 protected:
  uitest::UiEditor u;
  Editor& ed = u.ed;
  EditorIcons icons = uitest::plainIcons();

  // Numbers of the tool buttons shown pressed.
  static std::vector<int> pressed(const ToolBar& bar) {
    std::vector<int> out;
    for (int n = ToolBar::kFirstButton; n <= ToolBar::kLastButton; ++n)
      if (const QToolButton* b = bar.toolButton(n); b && b->isChecked()) out.push_back(n);
    return out;
  }
};

TEST_F(ToolBarTest, EachButtonSelectsItsToolAndIsTheOnlyOnePressed) {
  ToolBar bar(ed, icons);
  bar.show();
  QSignalSpy focus(&bar, &ToolBar::wantCanvasFocus);
  int clicks = 0;
  for (const ButtonCase& c : kButtons) {
    SCOPED_TRACE(c.number);
    auto* b = bar.findChild<QToolButton*>(QStringLiteral("ctl%1").arg(c.number));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->geometry(), QRect(c.x, 0, 25, 25));
    EXPECT_EQ(b->toolTip().toStdString(), c.tip);
    EXPECT_FALSE(b->icon().isNull());
    QTest::mouseClick(b, Qt::LeftButton);
    ++clicks;
    EXPECT_EQ(ed.tools.tool, c.number - 2);
    EXPECT_EQ(pressed(bar), std::vector<int>{c.number});
    EXPECT_EQ(focus.count(), clicks);
    // A second click on the pressed button keeps it pressed.
    QTest::mouseClick(b, Qt::LeftButton);
    ++clicks;
    EXPECT_EQ(pressed(bar), std::vector<int>{c.number});
  }
  EXPECT_EQ(u.prompt.infos.size(), 2u);  // the rounded box, clicked twice
  EXPECT_TRUE(u.changes.empty());        // choosing a tool changes no document
}

TEST_F(ToolBarTest, RoundBoxShowsTheInfoAndStillBecomesTheTool) {
  ToolBar bar(ed, icons);
  QTest::mouseClick(bar.toolButton(11), Qt::LeftButton);
  EXPECT_TRUE(u.prompt.infos.empty());
  QTest::mouseClick(bar.toolButton(12), Qt::LeftButton);
  ASSERT_EQ(u.prompt.infos.size(), 1u);
  EXPECT_EQ(u.prompt.infos[0].title, "Info");
  EXPECT_EQ(u.prompt.infos[0].text, "These tool doesn't work for the moment");
  EXPECT_EQ(ed.tools.tool, kToolRoundBox);
  EXPECT_EQ(pressed(bar), std::vector<int>{12});
}

TEST_F(ToolBarTest, RebuildShowsTheCurrentToolAndTheStoredSettings) {
  ed.options.Snap = 1;
  ed.options.SnapX = 7;
  ed.options.SnapY = 9;
  ed.options.Offset = 2;
  ToolBar bar(ed, icons);
  EXPECT_EQ(bar.objectName(), "ctl1");
  EXPECT_EQ(bar.geometry(), QRect(0, 0, ed.options.WinW, 30));
  EXPECT_EQ(bar.findChild<QComboBox*>("ctl19")->currentIndex(), 2);
  EXPECT_TRUE(bar.findChild<QCheckBox*>("ctl20")->isChecked());
  EXPECT_EQ(bar.findChild<QSpinBox*>("ctl21")->value(), 7);
  EXPECT_EQ(bar.findChild<QSpinBox*>("ctl22")->value(), 9);
  EXPECT_EQ(pressed(bar), std::vector<int>{2});  // Move at start

  QTest::mouseClick(bar.toolButton(13), Qt::LeftButton);
  bar.buildToolBar(800, 10);
  EXPECT_EQ(bar.geometry(), QRect(0, 0, 800, 20));  // never below 20 pixels high
  EXPECT_EQ(ed.tools.tool, kToolCircle);
  EXPECT_EQ(pressed(bar), std::vector<int>{13});

  // A creation drag returns to Move: the window shows it without a click.
  ed.tools.tool = kToolMove;
  bar.showTool(kToolMove);
  EXPECT_EQ(pressed(bar), std::vector<int>{2});
  bar.showTool(6);  // a reserved tool has no button
  EXPECT_TRUE(pressed(bar).empty());
}

TEST_F(ToolBarTest, OffsetAndSnapControlsStoreTheirFields) {
  ToolBar bar(ed, icons);
  auto* offset = bar.findChild<QComboBox*>("ctl19");
  auto* snap = bar.findChild<QCheckBox*>("ctl20");
  auto* sx = bar.findChild<QSpinBox*>("ctl21");
  auto* sy = bar.findChild<QSpinBox*>("ctl22");
  ASSERT_TRUE(offset && snap && sx && sy);
  ASSERT_EQ(offset->count(), 4);
  EXPECT_EQ(offset->itemText(0), "Origin");
  EXPECT_EQ(offset->itemText(1), "Cursor");
  EXPECT_EQ(offset->itemText(2), "Bounding box");
  EXPECT_EQ(offset->itemText(3), "Selected shape");
  EXPECT_EQ(offset->toolTip(), "Choose the offset for transformation.");
  EXPECT_EQ(snap->text(), "Snap");
  EXPECT_EQ(snap->toolTip(), "Set the Snap.");
  EXPECT_EQ(sx->toolTip(), "Set the Snap X.");
  EXPECT_EQ(sy->toolTip(), "Set the Snap Y.");
  EXPECT_EQ(sx->geometry(), QRect(515, 2, 45, 20));
  EXPECT_EQ(sy->geometry(), QRect(561, 2, 45, 20));
  EXPECT_EQ(sx->maximum(), 100000);

  offset->setCurrentIndex(3);
  EXPECT_EQ(ed.options.Offset, 3);
  QTest::mouseClick(snap, Qt::LeftButton);
  EXPECT_EQ(ed.options.Snap, 1);

  struct SnapCase {
    int typed;
    int16_t stored;
  };
  // Below 1 becomes 1; beyond the 16-bit field the largest step it holds is kept (and shown).
  const SnapCase cases[] = {{0, 1}, {-5, 1}, {1, 1}, {40, 40}, {32767, 32767}, {100000, 32767}};
  for (const SnapCase& c : cases) {
    SCOPED_TRACE(c.typed);
    sx->setValue(c.typed);
    sy->setValue(c.typed == 40 ? 41 : c.typed);
    EXPECT_EQ(ed.options.SnapX, c.stored);
    EXPECT_EQ(ed.options.SnapY, c.typed == 40 ? 41 : c.stored);
    EXPECT_EQ(sx->value(), c.stored);
    EXPECT_EQ(ed.options.Snap, 1);  // all three are read on every change
  }
  QTest::mouseClick(snap, Qt::LeftButton);
  EXPECT_EQ(ed.options.Snap, 0);
}

}  // namespace
}  // namespace pw
