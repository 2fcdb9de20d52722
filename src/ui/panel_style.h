// The look of the 150-pixel side panels: a compact font of a fixed pixel size, so captions read
// the same whatever the desktop's default font, and tab bars that show every tab, so every
// caption, tab and drop-down item fits the control it belongs to.
#pragma once

#include <QFont>

class QTabWidget;
class QWidget;

namespace pw {

// Pixel size of the panels' font.
inline constexpr int kPanelFontPx = 11;

// DejaVu Sans Condensed at kPanelFontPx pixels (a condensed sans serif when it is missing).
QFont panelFont();

// Gives a side panel and everything made in it later the panel font; its tabs are all shown
// side by side, never scrolled or elided.
void stylePanel(QTabWidget* panel);

// A drop-down too narrow for the style's arrow and margins (the 40-pixel key kinds) gets the
// application's style with a narrow arrow. Other widgets are left alone.
void narrowDropDown(QWidget* dropDown);

}  // namespace pw
