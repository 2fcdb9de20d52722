// The images of the tool bar, the layer list and the point buttons, loaded once from
// "data/editor/" beside the program and kept by the window for the whole run.
#pragma once

#include <QIcon>
#include <QImage>
#include <array>
#include <cstdint>

#include "core/editor.h"

namespace pw {

inline constexpr int kToolIconCount = 24;
inline constexpr int kLayerIconCount = 12;

// File names below "data/editor/" per slot; nullptr marks a slot without a file.
inline constexpr std::array<const char*, kToolIconCount> kToolIconFiles = {
    "move.png",  "rotate.png", "scale.png",    "addpt.png",  "delpt.png",  "select.png",
    "zoom.png",  "pan.png",    "shape.png",    "box.png",    "boxround.png", "circle.png",
    "line.png",  "curve.png",  "image.png",    "text.png",   nullptr,      nullptr,
    nullptr,     "properties.png", "hard.png", "soft.png",   nullptr,      nullptr};
inline constexpr std::array<const char*, kLayerIconCount> kLayerIconFiles = {
    "layer.jpg", "layerSel.jpg", "layerbtn1.jpg", "layerbtn2.jpg", "layerEye.jpg", "locked.png",
    "up.png",    "down.png",     nullptr,         nullptr,         nullptr,        nullptr};

// Named slots.
enum ToolIcon : int {
  kIconMove = 0, kIconRotate = 1, kIconScale = 2, kIconAddPoint = 3, kIconDeletePoint = 4,
  kIconSelect = 5, kIconZoom = 6, kIconPan = 7, kIconComplex = 8, kIconBox = 9,
  kIconRoundBox = 10, kIconCircle = 11, kIconLine = 12, kIconCurve = 13, kIconImage = 14,
  kIconText = 15, kIconProperties = 19, kIconHard = 20, kIconSoft = 21,
};
enum LayerIcon : int {
  kLayerRow = 0, kLayerRowSelected = 1, kLayerAdd = 2, kLayerDelete = 3, kLayerEye = 4,
  kLayerLock = 5, kLayerUp = 6, kLayerDown = 7,
};

struct EditorIcons {
  std::array<QImage, kToolIconCount> toolIcons;    // null image = empty slot
  std::array<QImage, kLayerIconCount> layerIcons;
  int64_t font = 0;  // font 0: "arial" at 30 points (0 when it could not be had)

  // An icon for a button; an empty icon for an empty or unknown slot.
  QIcon toolIcon(int slot) const;
  QIcon layerIcon(int slot) const;
};

// Loads every slot from ed.rootPath("data/editor/"). Tool and point images that are missing or
// cannot be decoded are reported through ed.prompt ("The Image file doesn't exists :  " + path,
// "Unable to load the image file " + path) and leave their slot empty; layer images fail
// silently. Then loads font 0.
void loadEditorIcons(Editor& ed, EditorIcons& icons);

}  // namespace pw
