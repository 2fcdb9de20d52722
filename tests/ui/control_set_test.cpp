// The numbered controls: the caption rule, the "no initial state" marker, reading and writing by
// number, and that only the user's own edits raise events.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QWidget>

#include "ui/control_set.h"

namespace pw {
namespace {

struct Controls : ::testing::Test {
  QWidget parent;
  ControlSet set;
  std::vector<int> events;
  Controls() {
    QObject::connect(&set, &ControlSet::controlEvent, [this](int n) { events.push_back(n); });
  }
};

TEST_F(Controls, CaptionLabelOnlyForSpinAndTextFields) {
  struct Case {
    int kind;
    bool label;     // a 35-pixel label before the control
    bool ownText;   // the caption is the control's own text
  };
  const Case cases[] = {{kKindSpin, true, false},     {kKindText, true, false},
                        {kKindButton, false, true},   {kKindCheck, false, true},
                        {kKindDropDown, false, false}, {kKindList, false, false},
                        {kKindImageButton, false, false}};
  int n = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    QWidget* w = set.makeControl(&parent, n, c.kind, 10, 40, 50, 20, "Cap", 0, 100, "tip");
    EXPECT_EQ(w->objectName(), QString("ctl%1").arg(n));
    EXPECT_EQ(w->toolTip(), "tip");
    EXPECT_EQ(w->x(), c.label ? 45 : 10);
    EXPECT_EQ(w->width(), 50);
    QWidget* label = set.captionLabel(n);
    ASSERT_EQ(label != nullptr, c.label);
    if (label) {
      EXPECT_EQ(label->geometry(), QRect(10, 42, 35, 20));
      EXPECT_EQ(static_cast<QLabel*>(label)->text(), "Cap");
    }
    EXPECT_EQ(set.text(n) == "Cap", c.ownText);
    ++n;
  }
  // An empty caption leaves a spin field where it was put.
  QWidget* s = set.makeControl(&parent, 200, kKindSpin, 10, 0, 45, 20, "", 0, 9, "");
  EXPECT_EQ(s->x(), 10);
  EXPECT_TRUE(s->toolTip().isEmpty());
}

TEST_F(Controls, InitialStateUnlessMarker) {
  set.makeControl(&parent, 1, kKindSpin, 0, 0, 40, 20, "", -5, 300, "", 120);
  set.makeControl(&parent, 2, kKindSpin, 0, 0, 40, 20, "", -5, 300, "");
  set.makeControl(&parent, 3, kKindCheck, 0, 0, 40, 20, "c", 0, 0, "", 1);
  set.makeControl(&parent, 4, kKindCheck, 0, 0, 40, 20, "c", 0, 0, "", kNoInitialState);
  set.makeControl(&parent, 5, kKindText, 0, 0, 40, 20, "", 1, 0, "", 300);
  EXPECT_EQ(set.value(1), 120);
  EXPECT_EQ(set.value(2), 0);  // the spin box's own start inside -5 ... 300
  EXPECT_EQ(set.value(3), 1);
  EXPECT_EQ(set.value(4), 0);
  EXPECT_EQ(set.text(5), "300");
  EXPECT_TRUE(events.empty());
}

TEST_F(Controls, WritesRaiseNoEventsAndSpinsClamp) {
  set.makeControl(&parent, 1, kKindSpin, 0, 0, 40, 20, "", 0, 1000, "");
  set.makeControl(&parent, 2, kKindDropDown, 0, 0, 40, 20, "", 0, 0, "");
  set.makeControl(&parent, 3, kKindList, 0, 0, 40, 20, "", 0, 0, "");
  set.makeControl(&parent, 4, kKindText, 0, 0, 40, 20, "", 0, 0, "");
  set.setValue(1, 5000);
  EXPECT_EQ(set.value(1), 1000);
  set.setValue(1, -3);
  EXPECT_EQ(set.value(1), 0);
  set.setItems(2, {"filled", "line", "dash"});
  set.setValue(2, 2);
  EXPECT_EQ(set.text(2), "dash");
  set.setValue(2, 7);  // beyond the items: nothing selected
  EXPECT_EQ(set.value(2), -1);
  set.setItems(3, {"a", "b", "c"});
  set.selectRow(3, 1);
  EXPECT_EQ(set.value(3), 1);
  EXPECT_EQ(set.selectedRows(3), std::vector<int>{1});
  set.setText(4, "abc");
  EXPECT_TRUE(events.empty());

  // The user's edits do.
  auto* spin = set.widget(1)->findChild<QLineEdit*>();
  ASSERT_NE(spin, nullptr);
  static_cast<QSpinBox*>(set.widget(1))->stepUp();
  QTest::keyClicks(set.widget(4), "x");
  EXPECT_EQ(events, (std::vector<int>{1, 4}));
}

TEST_F(Controls, ListClickTogglesRowsAndDigitsOnlyField) {
  set.makeControl(&parent, 46, kKindList, 0, 0, 130, 100, "", 0, 0, "");
  set.makeControl(&parent, 113, kKindText, 0, 0, 40, 20, "", 1, 0, "");
  auto* list = static_cast<QListWidget*>(set.widget(46));
  list->setSelectionMode(QAbstractItemView::MultiSelection);
  set.setItems(46, {"a", "b", "c"});
  parent.show();
  auto click = [&](int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  };
  click(0);
  click(2);
  EXPECT_EQ(set.selectedRows(46), (std::vector<int>{0, 2}));
  EXPECT_EQ(set.value(46), 2);
  click(0);
  EXPECT_EQ(set.selectedRows(46), std::vector<int>{2});
  EXPECT_EQ(events, (std::vector<int>{46, 46, 46}));

  QSignalSpy submitted(&set, &ControlSet::controlSubmitted);
  QTest::keyClicks(set.widget(113), "4a2");
  EXPECT_EQ(set.text(113), "42");
  EXPECT_EQ(set.value(113), 42);
  QTest::keyClick(set.widget(113), Qt::Key_Return);
  EXPECT_EQ(submitted.count(), 1);
}

}  // namespace
}  // namespace pw
