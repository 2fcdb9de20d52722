// Change handlers of the "Color", "FX" and "Options" tabs. Each control writes straight into the
// current shape or effect (or the editor settings), announces the edit once when it changed
// something, and redraws the canvas.
#include <algorithm>
#include <string>

#include "core/create.h"
#include "core/fx_preset.h"
#include "core/history.h"
#include "ui/panel_context.h"
#include "ui/control_ids.h"

namespace pw {

namespace {

// The name of the undo step each control makes.
const char* stepName(int number) {
  switch (number) {
    case kCtlShapeColor: return "Change the shape color";
    case kCtlShapeAlpha: return "Change the shape alpha";
    case kCtlShapeStyle: return "Change the shape style";
    case kCtlLineWidth: return "Change the line width";
    case kCtlLineHeight: return "Change the line height";
    case kCtlLineDist: return "Change the line distance";
    case kCtlText: return "Change the text";
    case kCtlFont: return "Change the text font";
    case kCtlImage: return "Change the shape image";
    case kCtlImageRepeat: return "Repeat the image";
    case kCtlImageX: return "Change the image X";
    case kCtlImageY: return "Change the image Y";
    case kCtlImageW: return "Change the image width";
    case kCtlImageH: return "Change the image height";
    case kCtlPresetList: return "Load an effect preset";
    case kCtlPresetSave: return "Save an effect preset";
    case kCtlFxAdd: return "Add an effect";
    case kCtlFxActive: return "Set the effect active";
    case kCtlFxX: return "Change the effect X";
    case kCtlFxY: return "Change the effect Y";
    case kCtlFxDepth: return "Change the effect depth";
    case kCtlFxAlpha: return "Change the effect alpha";
    case kCtlFxColor: return "Change the effect color";
    case kCtlFxType: return "Change the effect type";
    case kCtlFxWidth: return "Change the effect width";
    case kCtlFxHeight: return "Change the effect height";
    case kCtlFxDist: return "Change the effect distance";
    case kCtlFxScale: return "Change the effect scale";
    default: return "Change the shape";
  }
}

bool isShapeStyleControl(int n) {
  return n == kCtlShapeColor || n == kCtlShapeAlpha || (n >= kCtlShapeStyle && n <= kCtlImageH) ||
         (n >= kCtlPresetList && n <= kCtlFxScale);
}

Prompt::Rgb rgbOf(int64_t c) { return {redOf(c), greenOf(c), blueOf(c)}; }

// Stroke sizes are stored at least 1; the control shows what is stored at once.
int16_t storedSize(ControlSet& c, int number) {
  const int v = c.value(number);
  if (v < 1) c.setValue(number, 1);
  return toI16(std::max(v, 1));
}

// True when another shape of the document draws with font `id`.
bool fontInUse(const Document& doc, int64_t id) {
  for (const Object& o : doc.Objects)
    for (const Shape& s : o.shapes)
      if (s.fontId == id) return true;
  return false;
}

// The font dialog on the shape's font. A chosen font replaces the old one, whose handle is
// released unless another shape still draws with it; a cancelled dialog, or a font that cannot
// be loaded, leaves the shape as it was.
void changeFont(Editor& ed, Shape& s) {
  Prompt::FontChoice f{s.fontName, 20, s.fontStyle};
  if (!ed.prompt.chooseFont(f)) return;
  const int64_t id = ed.resources.loadFont(f.face, 20, f.style);
  if (id == 0) {
    ed.prompt.message("Error", "Unable to load the font " + f.face);
    return;
  }
  const int64_t old = s.fontId;
  s.fontName = f.face;
  s.fontStyle = f.style;
  s.fontId = id;
  if (old != 0 && old != id && ed.resources.isFont(old) && !fontInUse(ed.doc, old))
    ed.resources.freeFont(old);
}

// Saves the current effect as a preset under a name the user types. The effect takes the name
// only once the file is written.
void savePreset(PanelContext& ctx) {
  Editor& ed = ctx.ed;
  ShapeFx* fx = currentFx(ed.doc, ed.sel);
  if (!fx) return;
  std::string answer;
  if (!ed.prompt.inputText("Name", "Set the name for the layer FX", answer) || answer.empty())
    return;
  const std::string name = trimPresetName(answer);
  if (!isValidPresetName(name)) {
    ed.prompt.message("Error", "Invalid preset name");
    return;
  }
  const std::string path = presetPath(ed.rootPath(kPresetFolder), name);
  if (!savePresetFile(path, name, ed.sel.fx, *fx)) {
    ed.prompt.message("Error", "Unable to save the preset " + path);
    return;
  }
  fx->name = name;
  ed.refreshFxList();
  listPresets(ctx);
  ctx.controls.setText(kCtlPresetList, QString::fromStdString(name));
}

// Loads preset `name` into the current effect; a file that cannot be read or is not a preset
// changes nothing and says why.
void loadPreset(PanelContext& ctx, const std::string& name) {
  Editor& ed = ctx.ed;
  ShapeFx* fx = currentFx(ed.doc, ed.sel);
  if (!fx || name.empty()) return;
  if (!isValidPresetName(name)) {
    ed.prompt.message("Error", "Invalid preset name");
    return;
  }
  const std::string path = presetPath(ed.rootPath(kPresetFolder), name);
  FxPreset p;
  std::string why;
  if (!loadPresetFile(path, p, &why)) {
    ed.prompt.message("Error", "Unable to load the preset " + path + ": " + why);
    return;
  }
  applyPreset(p, ed.sel.fx, *fx);
  ed.refreshFxList();
  ed.refreshProperties();
}

// The settings of the "Options" tab: not part of the document, so nothing is announced.
void handleOptions(PanelContext& ctx, int number) {
  Editor& ed = ctx.ed;
  sVdOptions& o = ed.options;
  if (number == kCtlCheckerBg) {
    o.BgImg = ctx.controls.value(kCtlCheckerBg) != 0 ? 1 : 0;
  } else if (number == kCtlBgColor) {
    Prompt::Rgb c = rgbOf(o.BgColor);
    if (!ed.prompt.chooseColor(c)) return;
    o.BgColor = packRGBA(c.r, c.g, c.b, 255);
  } else {
    o.CameraCacheAlpha = toU8(ctx.controls.value(kCtlCameraCacheAlpha));
  }
  ed.redrawCanvas();
}

// Controls that edit the current effect. False when there is none.
bool handleFx(PanelContext& ctx, int number, Shape& s) {
  Editor& ed = ctx.ed;
  ControlSet& c = ctx.controls;
  if (number == kCtlFxColor && ed.sel.fx > lastIndex(s.fx)) ed.sel.fx = 0;
  ShapeFx* fx = currentFx(ed.doc, ed.sel);
  if (!fx) return false;
  switch (number) {
    case kCtlFxActive: fx->active = c.value(number) != 0 ? 1 : 0; break;
    case kCtlFxType:
      if (c.value(number) >= 0) fx->type = toU8(c.value(number));
      break;
    case kCtlFxDepth:
      if (c.value(number) >= 0) fx->depth = toU8(c.value(number));
      break;
    case kCtlFxWidth:
    case kCtlFxHeight:
    case kCtlFxDist:
      fx->width = storedSize(c, kCtlFxWidth);
      fx->height = storedSize(c, kCtlFxHeight);
      fx->dist = storedSize(c, kCtlFxDist);
      break;
    case kCtlFxX: fx->x = toI16(c.value(number)); break;
    case kCtlFxY: fx->y = toI16(c.value(number)); break;
    case kCtlFxScale: fx->scale = toI16(c.value(number)); break;
    case kCtlFxAlpha:
      fx->alpha = toU8(c.value(number));
      fx->color = packRGBA(redOf(fx->color), greenOf(fx->color), blueOf(fx->color), fx->alpha);
      break;
    case kCtlFxColor: {
      Prompt::Rgb rgb = rgbOf(fx->color);
      if (!ed.prompt.chooseColor(rgb)) return false;
      fx->color = packRGBA(rgb.r, rgb.g, rgb.b, fx->alpha);
      break;
    }
    default: return false;
  }
  return true;
}

// Controls that edit the current shape itself. False when nothing was to be drawn again.
bool handleShape(PanelContext& ctx, int number, Shape& s) {
  Editor& ed = ctx.ed;
  ControlSet& c = ctx.controls;
  switch (number) {
    case kCtlShapeAlpha:
      s.alpha = toU8(c.value(number));
      s.color = packRGBA(redOf(s.color), greenOf(s.color), blueOf(s.color), s.alpha);
      break;
    case kCtlShapeColor: {
      Prompt::Rgb rgb = rgbOf(s.color);
      if (!ed.prompt.chooseColor(rgb)) return false;
      s.color = packRGBA(rgb.r, rgb.g, rgb.b, s.alpha);
      break;
    }
    case kCtlShapeStyle:
      if (c.value(number) >= 0) s.style = toU8(c.value(number));
      break;
    case kCtlLineWidth: s.lineW = storedSize(c, number); break;
    case kCtlLineHeight: s.lineH = storedSize(c, number); break;
    case kCtlLineDist: s.lineDist = storedSize(c, number); break;
    case kCtlText: {
      std::string t = s.text;
      if (!ed.prompt.inputText("Text", "Change the text", t)) return false;
      s.text = std::move(t);
      break;
    }
    case kCtlFont: changeFont(ed, s); break;
    case kCtlImageRepeat:
      s.imageRepeat = c.value(number) != 0 ? kImageRepeated : kImageStretched;
      break;
    case kCtlImageX: s.imageX = toI16(c.value(number)); break;
    case kCtlImageY: s.imageY = toI16(c.value(number)); break;
    case kCtlImageW: s.imageW = toI16(c.value(number)); break;
    case kCtlImageH: s.imageH = toI16(c.value(number)); break;
    case kCtlPresetList: loadPreset(ctx, c.text(number).toStdString()); break;
    case kCtlPresetSave: savePreset(ctx); return false;
    case kCtlFxAdd:
      s.fx.emplace_back();
      ed.sel.fx = lastIndex(s.fx);
      addFx(ed, ed.sel.fx);
      break;
    default: return handleFx(ctx, number, s);
  }
  return true;
}

}  // namespace

bool handleStyleEvent(PanelContext& ctx, int number) {
  Editor& ed = ctx.ed;
  if (number == kCtlCheckerBg || number == kCtlBgColor || number == kCtlCameraCacheAlpha) {
    handleOptions(ctx, number);
    return true;
  }
  if (!isShapeStyleControl(number)) return false;
  if (number == kCtlPresetAdd) return true;  // the "+" beside the presets has no action
  if (number == kCtlFxList) {
    const int row = ctx.controls.value(kCtlFxList);
    if (row >= 0) {
      ed.sel.fx = row;
      ed.refreshProperties();
    }
    return true;
  }
  Shape* s = currentShape(ed.doc, ed.sel);
  if (!s) return true;
  const Shape before = *s;
  bool redraw = true;
  // The control writes into the shape; the step holds whatever that changed.
  const auto edit = [&](Document& d, Selection& sel, ChangeScope&) {
    if (number == kCtlImage) {
      changeShapeImage(ed);  // redraws when it changed the image
      redraw = false;
    } else {
      redraw = handleShape(ctx, number, *currentShape(d, sel));
    }
    const Shape* after = currentShape(d, sel);
    return after && !sameShape(before, *after);
  };
  ed.execute({stepName(number),
              ChangeScope::shapesOf(ed.sel.object, {ed.sel.shape}), number, edit});
  if (redraw) ed.redrawCanvas();
  return true;
}

}  // namespace pw
