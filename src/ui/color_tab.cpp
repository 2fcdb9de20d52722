// Tab "Color" of the shape panel and tab "Options" of the object panel.
#include "ui/panel_context.h"
#include "ui/control_ids.h"
#include "ui/style_layout.h"

namespace pw {

void buildColorTab(PanelContext& ctx, QWidget* tab) {
  ControlSet& c = ctx.controls;
  const int w = panelWidth(ctx);
  constexpr int x = StyleFrame::kX;
  constexpr int h = PanelGrid::kRowH;
  int top = PanelGrid::kMargin;

  StyleFrame color(tab, "Color", top, w);
  c.makeControl(color.box(), kCtlShapeAlpha, kKindSpin, x, color.nextRow(), 45, h, "Alpha", 0, 255,
                "Change alpha of the shape.");
  c.makeControl(color.box(), kCtlShapeColor, kKindButton, x, color.nextRow(), 50, h, "Color", 0, 0,
                "");
  top = color.finish();

  StyleFrame style(tab, "Style", top, w);
  c.makeControl(style.box(), kCtlShapeStyle, kKindDropDown, x, style.nextRow(), 100, h, "", 0, 0,
                "Change the type of the shape (line, filled..).");
  c.setItems(kCtlShapeStyle, strokeStyleItems());
  c.makeControl(style.box(), kCtlLineWidth, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "Width",
                0, 1000, "Change the width of the line shape.");
  c.makeControl(style.box(), kCtlLineHeight, kKindSpin, x, style.nextRow(), kStyleSpinW, h,
                "Height", 0, 1000, "Change the Height of the line shape.");
  c.makeControl(style.box(), kCtlLineDist, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "Dist", 0,
                1000, "Change the distance for the line shape (dot line).");
  top = style.finish();

  StyleFrame text(tab, "Text", top, w);
  const int textRow = text.nextRow();
  c.makeControl(text.box(), kCtlText, kKindButton, x, textRow, 50, h, "Text", 0, 0,
                "Change the text");
  c.makeControl(text.box(), kCtlFont, kKindButton, x + 55, textRow, 50, h, "Font", 0, 0,
                "Change the text font");
  top = text.finish();

  StyleFrame image(tab, "Image", top, w);
  const int imageRow = image.nextRow();
  c.makeControl(image.box(), kCtlImage, kKindButton, x, imageRow, 50, h, "Image", 0, 0,
                "Change the Shape Image");
  c.makeControl(image.box(), kCtlImageRepeat, kKindCheck, x + 55, imageRow, 50, h, "Repeat", 0, 0,
                "Repeat the image on the shape");
  c.makeControl(image.box(), kCtlImageX, kKindSpin, x, image.nextRow(), kStyleSpinW, h, "X ",
                -100000, 100000, "Change the Image position X on the shape");
  c.makeControl(image.box(), kCtlImageY, kKindSpin, x, image.nextRow(), kStyleSpinW, h, "Y ",
                -100000, 100000, "Change the Image position Y on the shape");
  c.makeControl(image.box(), kCtlImageW, kKindSpin, x, image.nextRow(), kStyleSpinW, h, "W ", 1,
                10000, "Change the Image width.");
  c.makeControl(image.box(), kCtlImageH, kKindSpin, x, image.nextRow(), kStyleSpinW, h, "H ", 1,
                10000, "Change the Image height.");
  image.finish();
}

void buildOptionsTab(PanelContext& ctx, QWidget* tab) {
  ControlSet& c = ctx.controls;
  const sVdOptions& o = ctx.ed.options;
  constexpr int x = StyleFrame::kX;
  constexpr int h = PanelGrid::kRowH;

  StyleFrame bg(tab, "Background", PanelGrid::kMargin, panelWidth(ctx));
  c.makeControl(bg.box(), kCtlCheckerBg, kKindCheck, x, bg.nextRow(), 80, h, "Checker BG ", 0, 0,
                "Add a checker to the Background.", o.BgImg != 0 ? 1 : 0);
  c.makeControl(bg.box(), kCtlBgColor, kKindButton, x, bg.nextRow(), 80, h, "Color BG ", 0, 0,
                "Change the background color.");
  c.makeControl(bg.box(), kCtlCameraCacheAlpha, kKindSpin, x, bg.nextRow(), 45, h, "Alpha", 0, 255,
                "Change the transparency of the camera cache.", o.CameraCacheAlpha);
  bg.finish();
}

}  // namespace pw
