#include "ui/panel_style.h"

#include <QComboBox>
#include <QTabBar>
#include <QTabWidget>

namespace pw {

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
  const QFont font = dropDown->font();
  dropDown->setStyleSheet(QStringLiteral(
      "QComboBox { padding: 0px 1px; } QComboBox::drop-down { width: 9px; }"));
  // A style sheet gives the widget the application's font again.
  dropDown->setFont(font);
}

}  // namespace pw
