#include "ui/panel_style.h"

#include <QComboBox>
#include <QProxyStyle>
#include <QTabBar>
#include <QTabWidget>

namespace pw {

namespace {

// The application's style with a drop-down arrow kArrowW pixels wide and the item's text
// beside it, two pixels in from the frame.
class NarrowArrowStyle : public QProxyStyle {
 public:
  static constexpr int kArrowW = 11;

  QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                       const QWidget* w) const override {
    if (cc == CC_ComboBox && (sc == SC_ComboBoxArrow || sc == SC_ComboBoxEditField)) {
      const QRect r = opt->rect;
      const QRect arrow(r.right() - kArrowW + 1, r.top(), kArrowW, r.height());
      const QRect field(r.left() + 2, r.top() + 2, r.width() - kArrowW - 3, r.height() - 4);
      return visualRect(opt->direction, r, sc == SC_ComboBoxArrow ? arrow : field);
    }
    return QProxyStyle::subControlRect(cc, opt, sc, w);
  }
};

}  // namespace

QFont panelFont() {
  QFont f;
  f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                 QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Liberation Sans")});
  f.setStretch(QFont::Condensed);
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(kPanelFontPx);
  return f;
}

void stylePanel(QTabWidget* panel) {
  QTabBar* bar = panel->tabBar();
  bar->setUsesScrollButtons(false);
  bar->setElideMode(Qt::ElideNone);
  bar->setExpanding(false);
  // The pages are set too, so that the controls made on them later take the font.
  panel->setFont(panelFont());
  for (int i = 0; i < panel->count(); ++i) panel->widget(i)->setFont(panelFont());
}

void narrowDropDown(QWidget* dropDown) {
  if (!qobject_cast<QComboBox*>(dropDown)) return;
  auto* style = new NarrowArrowStyle;
  style->setParent(dropDown);
  dropDown->setStyle(style);
}

}  // namespace pw
