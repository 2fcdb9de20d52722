// Numbers of the controls on the "Color" and "FX" tabs of the shape panel and on the "Options"
// tab of the object panel.
#pragma once

namespace pw {

// Tab "Color".
inline constexpr int kCtlShapeColor = 56;
inline constexpr int kCtlShapeAlpha = 57;
inline constexpr int kCtlShapeStyle = 66;
inline constexpr int kCtlLineWidth = 67;
inline constexpr int kCtlLineHeight = 68;
inline constexpr int kCtlLineDist = 69;
inline constexpr int kCtlText = 70;
inline constexpr int kCtlFont = 71;
inline constexpr int kCtlImage = 72;
inline constexpr int kCtlImageRepeat = 73;
inline constexpr int kCtlImageX = 74;
inline constexpr int kCtlImageY = 75;
inline constexpr int kCtlImageW = 76;
inline constexpr int kCtlImageH = 77;

// Tab "FX".
inline constexpr int kCtlPresetList = 89;
inline constexpr int kCtlPresetAdd = 90;
inline constexpr int kCtlPresetSave = 91;
inline constexpr int kCtlFxList = 92;
inline constexpr int kCtlFxAdd = 93;
inline constexpr int kCtlFxActive = 94;
inline constexpr int kCtlFxX = 95;
inline constexpr int kCtlFxY = 96;
inline constexpr int kCtlFxDepth = 97;
inline constexpr int kCtlFxAlpha = 98;
inline constexpr int kCtlFxColor = 99;
inline constexpr int kCtlFxType = 100;
inline constexpr int kCtlFxWidth = 101;
inline constexpr int kCtlFxHeight = 102;
inline constexpr int kCtlFxDist = 103;
inline constexpr int kCtlFxScale = 104;

// Tab "Options".
inline constexpr int kCtlCheckerBg = 116;
inline constexpr int kCtlBgColor = 117;
inline constexpr int kCtlCameraCacheAlpha = 118;

}  // namespace pw
