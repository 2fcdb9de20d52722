// Every control of the side panels, as built: number, kind, caption, tooltip, range, width,
// the tab or frame that holds it, the fixed items of the drop-downs and the shared rows.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "panel_fixture.h"

namespace pw::uitest {
namespace {

enum Where { kShapesTab, kColorTab, kFxTab, kPropertiesFrame, kOptionsTab };

struct ControlRow {
  int number;
  int kind;
  const char* caption;  // label of a spin or text field, text of a button or check box
  const char* tooltip;
  int min = 0, max = 0;  // spin fields only
  int width = 0;         // 0: not fixed
  Where where = kShapesTab;
};

constexpr const char* kPointX =
    "Position X of the point (or the shape for box, ellipse, image, text).";
constexpr const char* kPointY =
    "Position Y of the point (or the shape for box, ellipse, image, text).";

std::vector<ControlRow> allControls() {
  return {
      // Tab "Shapes".
      {47, kKindText, "", "", 0, 0, 100},
      {54, kKindDropDown, "", "Select the shape to add.", 0, 0, 80},
      {53, kKindButton, "+", "Add a new complexe Shape.", 0, 0, 20},
      {55, kKindButton, "-", "Delete the selected shape.", 0, 0, 20},
      {46, kKindList, "", "", 0, 0, 130},
      {58, kKindButton, "Up", "Move the shape up.", 0, 0, 50},
      {59, kKindButton, "Down", "Move the shape down.", 0, 0, 50},
      {48, kKindCheck, "Hide ", "Hide the selected shape.", 0, 0, 50},
      {49, kKindCheck, "Lock ", "Lock the selected shape.", 0, 0, 50},
      {50, kKindCheck, "Link ",
       "To link the shape with the next shape and get 'hole' in shape if intersection instead "
       "of filled color.", 0, 0, 50},
      {51, kKindCheck, "Close ", "Close the path (line, curve, complexe shape)", 0, 0, 50},
      {62, kKindSpin, "X ", "Set the X position of the shape.", -100000, 100000},
      {63, kKindSpin, "Y ", "Set the Y position of the shape.", -100000, 100000},
      {64, kKindSpin, "W ", "Set the width of the shape.", 0, 10000},
      {65, kKindSpin, "H ", "Set the height of the shape.", 0, 10000},
      {60, kKindSpin, "CX", "Change the center X (offset)", -10000, 10000},
      {61, kKindSpin, "Cy", "Change the center Y (offset)", -10000, 10000},
      {82, kKindImageButton, "", "Open the properties menu for the points", 0, 0, 20},
      {83, kKindImageButton, "", "Set the point hard", 0, 0, 20},
      {84, kKindImageButton, "", "Set the point soft", 0, 0, 20},
      {80, kKindSpin, "X: ", kPointX, -100000, 100000, 45},
      {85, kKindCheck, "Lock", "Lock X.", 0, 0, 40},
      {81, kKindSpin, "Y: ", kPointY, -100000, 100000, 45},
      {86, kKindCheck, "Lock", "Lock Y.", 0, 0, 40},
      // Tab "Color".
      {57, kKindSpin, "Alpha", "Change alpha of the shape.", 0, 255, 45, kColorTab},
      {56, kKindButton, "Color", "", 0, 0, 50, kColorTab},
      {66, kKindDropDown, "", "Change the type of the shape (line, filled..).", 0, 0, 100,
       kColorTab},
      {67, kKindSpin, "Width", "Change the width of the line shape.", 0, 1000, 0, kColorTab},
      {68, kKindSpin, "Height", "Change the Height of the line shape.", 0, 1000, 0, kColorTab},
      {69, kKindSpin, "Dist", "Change the distance for the line shape (dot line).", 0, 1000, 0,
       kColorTab},
      {70, kKindButton, "Text", "Change the text", 0, 0, 50, kColorTab},
      {71, kKindButton, "Font", "Change the text font", 0, 0, 50, kColorTab},
      {72, kKindButton, "Image", "Change the Shape Image", 0, 0, 50, kColorTab},
      {73, kKindCheck, "Repeat", "Repeat the image on the shape", 0, 0, 50, kColorTab},
      {74, kKindSpin, "X ", "Change the Image position X on the shape", -100000, 100000, 0,
       kColorTab},
      {75, kKindSpin, "Y ", "Change the Image position Y on the shape", -100000, 100000, 0,
       kColorTab},
      {76, kKindSpin, "W ", "Change the Image width.", 1, 10000, 0, kColorTab},
      {77, kKindSpin, "H ", "Change the Image height.", 1, 10000, 0, kColorTab},
      // Tab "FX".
      {89, kKindDropDown, "", "Select a preset for the Fx, if you prefer ;).", 0, 0, 60, kFxTab},
      {90, kKindButton, "+", "Add a new preset.", 0, 0, 20, kFxTab},
      {91, kKindButton, "Save", "Save the current parameter of the preset.", 0, 0, 30, kFxTab},
      {92, kKindDropDown, "", "Select the Fx to change.", 0, 0, 100, kFxTab},
      {93, kKindButton, "+", "Add a new Fx for the shape.", 0, 0, 20, kFxTab},
      {94, kKindCheck, "Actif", "Set the Fx actif.", 0, 0, 50, kFxTab},
      {100, kKindDropDown, "", "Set the type of the Fx.", 0, 0, 100, kFxTab},
      {101, kKindSpin, "Width", "Change the width of the line Fx.", 0, 1000, 0, kFxTab},
      {102, kKindSpin, "Height", "Change the height of the line Fx.", 0, 1000, 0, kFxTab},
      {103, kKindSpin, "Dist", "Change the distance for the line Fx (dot line).", 0, 1000, 0,
       kFxTab},
      {95, kKindSpin, "X : ", "Set the X of the Fx.", -10000, 10000, 0, kFxTab},
      {96, kKindSpin, "Y : ", "Set the Y of the Fx.", -10000, 10000, 0, kFxTab},
      {98, kKindSpin, "Alpha", "Set the alpha of the Fx.", 0, 255, 0, kFxTab},
      {99, kKindButton, "Color", "Set the color of the Fx.", 0, 0, 30, kFxTab},
      {104, kKindSpin, "Scale", "Set the scale of the Fx.", -10000, 10000, 0, kFxTab},
      {97, kKindDropDown, "", "Set the depth of the Fx.", 0, 0, 100, kFxTab},
      // Object panel.
      {30, kKindSpin, "X ", "Change the X of the objet.", -10000, 10000, 80, kPropertiesFrame},
      {31, kKindSpin, "Y ", "Change the Y of the objet.", -10000, 10000, 80, kPropertiesFrame},
      {36, kKindSpin, "W ", "Change the width of the objet.", 0, 100000, 80, kPropertiesFrame},
      {37, kKindSpin, "H ", "Change the height of the objet.", 0, 100000, 80, kPropertiesFrame},
      {116, kKindCheck, "Checker BG ", "Add a checker to the Background.", 0, 0, 80, kOptionsTab},
      {117, kKindButton, "Color BG ", "Change the background color.", 0, 0, 80, kOptionsTab},
      {118, kKindSpin, "Alpha", "Change the transparency of the camera cache.", 0, 255, 45,
       kOptionsTab},
  };
}

QWidget* container(PanelFixture& f, Where w) {
  switch (w) {
    case kShapesTab: return f.shapePanel->widget(0);
    case kColorTab: return f.shapePanel->widget(1);
    case kFxTab: return f.shapePanel->widget(2);
    case kPropertiesFrame: return f.propertiesFrame;
    case kOptionsTab: return f.objectPanel->widget(1);
  }
  return nullptr;
}

TEST(PanelTable, EveryControlHasItsNumberKindCaptionTooltipRangeAndPlace) {
  PanelFixture f;
  for (const ControlRow& r : allControls()) {
    SCOPED_TRACE(r.number);
    ASSERT_TRUE(f.controls.exists(r.number));
    QWidget* w = f.controls.widget(r.number);
    EXPECT_EQ(w->objectName(), QString("ctl%1").arg(r.number));
    EXPECT_EQ(f.controls.kind(r.number), r.kind);
    EXPECT_EQ(w->toolTip(), QString::fromUtf8(r.tooltip));
    EXPECT_TRUE(container(f, r.where)->isAncestorOf(w));
    if (r.width) {
      EXPECT_EQ(w->width(), r.width);
    }
    EXPECT_EQ(w->height(), r.number == 46 ? 100 : 20);
    QWidget* label = f.controls.captionLabel(r.number);
    if (r.kind == kKindSpin || r.kind == kKindText) {
      // The caption is a 35-pixel label in front of the field.
      if (*r.caption) {
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(static_cast<QLabel*>(label)->text(), QString::fromUtf8(r.caption));
        EXPECT_EQ(label->width(), 35);
        EXPECT_EQ(label->x() + 35, w->x());
        EXPECT_EQ(label->y(), w->y() + 2);
      } else {
        EXPECT_EQ(label, nullptr);
      }
    } else {
      EXPECT_EQ(label, nullptr);
      if (r.kind == kKindButton || r.kind == kKindCheck) {
        EXPECT_EQ(static_cast<QAbstractButton*>(w)->text(), QString::fromUtf8(r.caption));
      }
    }
    if (r.kind == kKindSpin) {
      auto* s = static_cast<QSpinBox*>(w);
      EXPECT_EQ(s->minimum(), r.min);
      EXPECT_EQ(s->maximum(), r.max);
    }
  }
}

TEST(PanelTable, DropDownsHoldTheirFixedItems) {
  PanelFixture f;
  const std::vector<std::pair<int, QStringList>> lists = {
      {66, {"filled", "line", "dash", "dot"}},
      {100, {"filled", "line", "dash", "dot"}},
      {97, {"Back", "Front", "All back", "All front"}},
  };
  for (const auto& [n, items] : lists) {
    SCOPED_TRACE(n);
    QStringList got;
    for (int i = 0; i < f.controls.itemCount(n); ++i) got << f.controls.itemText(n, i);
    EXPECT_EQ(got, items);
  }
  // The Options tab starts from the settings.
  EXPECT_EQ(f.controls.value(116), f.ed.options.BgImg ? 1 : 0);
  EXPECT_EQ(f.controls.value(118), f.ed.options.CameraCacheAlpha);
}

TEST(PanelTable, ControlsThatShareARowShareItsTop) {
  PanelFixture f;
  const std::vector<std::vector<int>> rows = {
      {54, 53, 55}, {58, 59}, {48, 49}, {50, 51}, {80, 85}, {81, 86}, {82, 83, 84},
      {98, 99},     {92, 93}, {89, 90, 91},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.front());
    const QWidget* first = f.controls.widget(row.front());
    ASSERT_NE(first, nullptr);
    for (size_t k = 1; k < row.size(); ++k) {
      const QWidget* w = f.controls.widget(row[k]);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->y(), first->y()) << row[k];
      // Left to right, without overlapping.
      const QWidget* before = f.controls.widget(row[k - 1]);
      EXPECT_GE(w->x(), before->x() + before->width()) << row[k];
    }
  }
}

TEST(PanelTable, ShapesTabRowsRunDownTheGridInsideThePanel) {
  PanelFixture f;
  QWidget* tab = f.shapePanel->widget(0);
  // Top of each row in the tab, in the order of the tab.
  const std::vector<int> order = {47, 54, 46, 58, 48, 50, 62, 63, 64, 65, 60, 61, 82, 80, 81};
  int lastBottom = 0;
  for (int n : order) {
    SCOPED_TRACE(n);
    const QWidget* w = f.controls.widget(n);
    const QPoint top = w->mapTo(tab, QPoint(0, 0));
    EXPECT_GE(top.y(), lastBottom + PanelGrid::kRowGap);
    EXPECT_GE(top.x(), PanelGrid::kMargin);
    EXPECT_LE(top.x() + w->width(), 150 - 5);  // inside the 150-pixel panel
    lastBottom = top.y() + w->height();
  }
  EXPECT_EQ(f.controls.widget(47)->y(), PanelGrid::kMargin);
  // The frames and the "Name" label.
  for (const char* title : {"Center", "Points"}) {
    auto* frame = tab->findChild<QGroupBox*>(QString("frame") + title);
    ASSERT_NE(frame, nullptr) << title;
    EXPECT_EQ(frame->title(), title);
    EXPECT_EQ(frame->width(), 150 - 15);
  }
  auto* name = tab->findChild<QLabel*>("lblName");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text(), "Name");
  // The object's "Properties" frame holds its four rows.
  const QWidget* h = f.controls.widget(37);
  EXPECT_LE(h->y() + h->height(), f.propertiesFrame->height());
}

}  // namespace
}  // namespace pw::uitest
