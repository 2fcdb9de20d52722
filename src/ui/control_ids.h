// The numbers of the window's controls. A number is a control's identity: makeControl files the
// control under it, its events carry it, the refreshes write through it and the tests find the
// widget by it ("ctl" + number). Every control is named here, once.
#pragma once

namespace pw {

// The window's parts.
inline constexpr int kCtlCanvas = 0;
inline constexpr int kCtlShapePanel = 25;
inline constexpr int kCtlControlPanel = 108;
inline constexpr int kCtlObjectPanel = 115;

// The tool bar: tool button = tool + kCtlToolFirst; then the origin list and the snap controls.
inline constexpr int kCtlToolBar = 1;
inline constexpr int kCtlToolFirst = 2;
inline constexpr int kCtlToolLast = 18;
inline constexpr int kCtlOffset = 19;
inline constexpr int kCtlSnap = 20;
inline constexpr int kCtlSnapX = 21;
inline constexpr int kCtlSnapY = 22;

// The layer panel at the top of the object panel's "Object" tab.
inline constexpr int kCtlLayerScroll = 26;
inline constexpr int kCtlLayerList = 27;
inline constexpr int kCtlLayerLock = 34;
inline constexpr int kCtlLayerAdd = 39;
inline constexpr int kCtlLayerDelete = 40;
inline constexpr int kCtlLayerUp = 41;
inline constexpr int kCtlLayerDown = 42;
inline constexpr int kCtlLayerAlpha = 44;

// The "Properties" frame of the "Object" tab.
inline constexpr int kCtlObjectX = 30;
inline constexpr int kCtlObjectY = 31;
inline constexpr int kCtlObjectW = 36;
inline constexpr int kCtlObjectH = 37;

// The controls that show the current selection are numbered within this range; they are greyed
// until the first refresh of the properties.
inline constexpr int kCtlSelectionFirst = 45;
inline constexpr int kCtlSelectionLast = 107;

// Tab "Shapes".
inline constexpr int kCtlShapeList = 46;
inline constexpr int kCtlShapeName = 47;
inline constexpr int kCtlShapeHide = 48;
inline constexpr int kCtlShapeLock = 49;
inline constexpr int kCtlShapeLink = 50;
inline constexpr int kCtlShapeClose = 51;
inline constexpr int kCtlShapeAdd = 53;  // "+": a complex shape from the chosen template
inline constexpr int kCtlTemplateList = 54;
inline constexpr int kCtlShapeDelete = 55;  // "-"
inline constexpr int kCtlShapeUp = 58;
inline constexpr int kCtlShapeDown = 59;
inline constexpr int kCtlCenterX = 60;
inline constexpr int kCtlCenterY = 61;
inline constexpr int kCtlShapeX = 62;
inline constexpr int kCtlShapeY = 63;
inline constexpr int kCtlShapeW = 64;
inline constexpr int kCtlShapeH = 65;
// The "Points" frame.
inline constexpr int kCtlPointX = 80;
inline constexpr int kCtlPointY = 81;
inline constexpr int kCtlPointsMenuButton = 82;
inline constexpr int kCtlPointHard = 83;
inline constexpr int kCtlPointSoft = 84;
inline constexpr int kCtlPointLockX = 85;
inline constexpr int kCtlPointLockY = 86;

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

// The Control panel: timeline buttons and fields, keys and the key strip.
inline constexpr int kCtlPlay = 109;
inline constexpr int kCtlFps = 110;
inline constexpr int kCtlFirstFrame = 111;
inline constexpr int kCtlLastFrame = 112;
inline constexpr int kCtlCurrentFrame = 113;
inline constexpr int kCtlMaxFrame = 114;
inline constexpr int kCtlSetKey = 119;
inline constexpr int kCtlDeleteKey = 120;
inline constexpr int kCtlKeyStrip = 121;
inline constexpr int kCtlKeyKind = 122;

// The points menu (pop-up menu 3, opened by kCtlPointsMenuButton): the command numbers of its
// items. The panels build the menu; the commands behind the numbers are the application's.
inline constexpr int kCmdDeletePoint = 60;
inline constexpr int kCmdConvertToLine = 61;
inline constexpr int kCmdConvertToCurve = 62;
inline constexpr int kCmdConvertToComplex = 63;
inline constexpr int kCmdSeparateSubShapes = 64;
inline constexpr int kCmdJoinSelected = 65;
inline constexpr int kCmdSelectAllPoints = 66;

}  // namespace pw
