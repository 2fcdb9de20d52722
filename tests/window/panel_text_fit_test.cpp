// The side panels are 150 pixels wide: every caption, button text, check box text, drop-down
// item and tab must be readable whole in its control, measured in the control's own font with
// the margins the style draws around it.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>

#include "app/command_ids.h"
#include "ui/control_set.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

// Width the style leaves for the text of a control; -1 when the control shows no text.
int textRoomOf(QWidget* w) {
  if (auto* b = qobject_cast<QPushButton*>(w)) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    if (b->isDefault() || b->autoDefault()) opt.features |= QStyleOptionButton::AutoDefaultButton;
    return b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
  }
  if (auto* c = qobject_cast<QCheckBox*>(w)) {
    QStyleOptionButton opt;
    opt.initFrom(c);
    opt.text = c->text();
    return c->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, c).width();
  }
  if (auto* c = qobject_cast<QComboBox*>(w)) {
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = false;
    opt.frame = c->hasFrame();
    // The item's text is drawn one pixel in from either side of the edit field.
    return c->style()
               ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c)
               .width() -
           2;
  }
  return -1;
}

struct Fit {
  QString where;
  QString text;
  int needed;
  int room;
};

// Every text of the numbered controls that does not fit its control.
std::vector<Fit> unfitTexts(ControlSet& controls) {
  std::vector<Fit> bad;
  for (int n : controls.numbers()) {
    QWidget* w = controls.widget(n);
    const QString where = QString("ctl%1").arg(n);
    if (auto* label = qobject_cast<QLabel*>(controls.captionLabel(n))) {
      const int needed = label->fontMetrics().horizontalAdvance(label->text());
      const int room = label->contentsRect().width() - 2 * label->margin();
      if (needed > room) bad.push_back({"lbl" + where.mid(3), label->text(), needed, room});
    }
    const int room = textRoomOf(w);
    if (room < 0) continue;
    QStringList texts;
    if (auto* c = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
    } else {
      texts << static_cast<QAbstractButton*>(w)->text();
    }
    for (const QString& t : texts) {
      const int needed = w->fontMetrics().horizontalAdvance(t.trimmed());
      if (needed > room) bad.push_back({where, t, needed, room});
    }
  }
  return bad;
}

class PanelTextFit : public WindowTest {};

TEST_F(PanelTextFit, EveryCaptionAndDropDownItemFitsItsControl) {
  MainWindow& w = open();
  QApplication::processEvents();
  // The template and preset drop-downs are filled from the data folder; an empty one would
  // make the table pass without looking at it.
  ASSERT_GT(w.controls().itemCount(54), 0);
  ASSERT_GT(w.controls().itemCount(kCtlKeyKind), 0);
  for (const Fit& f : unfitTexts(w.controls())) {
    ADD_FAILURE() << f.where.toStdString() << " \"" << f.text.toStdString() << "\" needs "
                  << f.needed << " px, has " << f.room;
  }
}

TEST_F(PanelTextFit, EveryPanelShowsAllItsTabsWhole) {
  open();
  QApplication::processEvents();
  const struct {
    int control;
    int tabs;
  } panels[] = {{kCtlShapePanel, 3}, {kCtlControlPanel, 1}, {kCtlObjectPanel, 2}};
  for (const auto& p : panels) {
    SCOPED_TRACE(p.control);
    auto* tw = win->findChild<QTabWidget*>(QString("ctl%1").arg(p.control));
    ASSERT_TRUE(tw);
    ASSERT_EQ(tw->count(), p.tabs);
    QTabBar* bar = tw->tabBar();
    EXPECT_LE(bar->sizeHint().width(), tw->width());
    for (int i = 0; i < bar->count(); ++i) {
      SCOPED_TRACE(bar->tabText(i).toStdString());
      // Shown whole: not scrolled out of sight, not elided, the text inside its tab.
      const QRect r = bar->tabRect(i);
      EXPECT_GE(r.left(), 0);
      EXPECT_LE(r.right(), bar->width() - 1);
      EXPECT_GE(r.width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i)) +
                               bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar));
    }
  }
}

}  // namespace
}  // namespace pwtest
