// Tab "FX" of the shape panel and its preset list.
#include "core/fx_preset.h"
#include "ui/panel_context.h"
#include "ui/control_ids.h"
#include "ui/style_layout.h"

namespace pw {

void buildFxTab(PanelContext& ctx, QWidget* tab) {
  ControlSet& c = ctx.controls;
  const int w = panelWidth(ctx);
  constexpr int x = StyleFrame::kX;
  constexpr int h = PanelGrid::kRowH;
  int top = PanelGrid::kMargin;

  StyleFrame presets(tab, "Presets", top, w);
  const int presetRow = presets.nextRow();
  c.makeControl(presets.box(), kCtlPresetList, kKindDropDown, x, presetRow, 60, h, "", 0, 0,
                "Select a preset for the Fx, if you prefer ;).");
  c.makeControl(presets.box(), kCtlPresetAdd, kKindButton, x + 63, presetRow, 20, h, "+", 0, 0,
                "Add a new preset.");
  c.makeControl(presets.box(), kCtlPresetSave, kKindButton, x + 86, presetRow, 30, h, "Save", 0, 0,
                "Save the current parameter of the preset.");
  top = presets.finish();

  StyleFrame params(tab, "Parameters", top, w);
  const int fxRow = params.nextRow();
  c.makeControl(params.box(), kCtlFxList, kKindDropDown, x, fxRow, 100, h, "", 0, 0,
                "Select the Fx to change.");
  c.makeControl(params.box(), kCtlFxAdd, kKindButton, x + 103, fxRow, 20, h, "+", 0, 0,
                "Add a new Fx for the shape.");
  c.makeControl(params.box(), kCtlFxActive, kKindCheck, x, params.nextRow(), 50, h, "Actif", 0, 0,
                "Set the Fx actif.");
  top = params.finish();

  StyleFrame style(tab, "Style", top, w);
  c.makeControl(style.box(), kCtlFxType, kKindDropDown, x, style.nextRow(), 100, h, "", 0, 0,
                "Set the type of the Fx.");
  c.setItems(kCtlFxType, strokeStyleItems());
  c.makeControl(style.box(), kCtlFxWidth, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "Width", 0,
                kFxSizeMax, "Change the width of the line Fx.");
  c.makeControl(style.box(), kCtlFxHeight, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "Height",
                0, kFxSizeMax, "Change the height of the line Fx.");
  c.makeControl(style.box(), kCtlFxDist, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "Dist", 0,
                kFxSizeMax, "Change the distance for the line Fx (dot line).");
  c.makeControl(style.box(), kCtlFxX, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "X : ",
                -kFxOffsetMax, kFxOffsetMax, "Set the X of the Fx.");
  c.makeControl(style.box(), kCtlFxY, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "Y : ",
                -kFxOffsetMax, kFxOffsetMax, "Set the Y of the Fx.");
  const int alphaRow = style.nextRow();
  c.makeControl(style.box(), kCtlFxAlpha, kKindSpin, x, alphaRow, 45, h, "Alpha", 0, kFxAlphaMax,
                "Set the alpha of the Fx.");
  c.makeControl(style.box(), kCtlFxColor, kKindButton, x + 83, alphaRow, 30, h, "Color", 0, 0,
                "Set the color of the Fx.");
  c.makeControl(style.box(), kCtlFxScale, kKindSpin, x, style.nextRow(), kStyleSpinW, h, "Scale",
                -kFxScaleMax, kFxScaleMax, "Set the scale of the Fx.");
  c.makeControl(style.box(), kCtlFxDepth, kKindDropDown, x, style.nextRow(), 100, h, "", 0, 0,
                "Set the depth of the Fx.");
  c.setItems(kCtlFxDepth, {"Back", "Front", "All back", "All front"});
  style.finish();

  listPresets(ctx);
}

void listPresets(PanelContext& ctx) {
  QStringList items;
  for (const std::string& name : listPresetNames(ctx.ed.rootPath(kPresetFolder)))
    items << QString::fromStdString(name);
  ctx.controls.setItems(kCtlPresetList, items);
}

}  // namespace pw
