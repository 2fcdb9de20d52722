// Menu and shortcut command numbers, and the numbers of the window's controls. They are the
// identities of the events: the menus, the shortcuts and the tests raise the same numbers.
#pragma once

namespace pw {

// Menu, shortcut and pop-up menu commands.
inline constexpr int kCmdNew = 0;
inline constexpr int kCmdLoad = 5;
inline constexpr int kCmdMerge = 7;
inline constexpr int kCmdSave = 8;
inline constexpr int kCmdSaveCopy = 9;
inline constexpr int kCmdExportObjectImage = 10;
inline constexpr int kCmdExportSceneImage = 11;
inline constexpr int kCmdExportSource = 12;
inline constexpr int kCmdQuit = 13;
inline constexpr int kCmdSelectAll = 14;
inline constexpr int kCmdDeselectAll = 15;
inline constexpr int kCmdCopyShape = 16;
inline constexpr int kCmdPaste = 17;
inline constexpr int kCmdPasteToShape = 18;
inline constexpr int kCmdLockSelection = 19;
inline constexpr int kCmdDeleteShape = 20;
inline constexpr int kCmdShapeToBottom = 21;
inline constexpr int kCmdShapeToTop = 22;
inline constexpr int kCmdShapeToOrigin = 23;
inline constexpr int kCmdOriginToShape = 25;
inline constexpr int kCmdDeleteObject = 26;
inline constexpr int kCmdAddObject = 27;
inline constexpr int kCmdZoomIn = 31;
inline constexpr int kCmdZoomOut = 32;
inline constexpr int kCmdZoom100 = 33;
inline constexpr int kCmdZoom500 = 34;
inline constexpr int kCmdZoom200 = 35;
inline constexpr int kCmdZoom50 = 36;
inline constexpr int kCmdHideAnchor = 37;
inline constexpr int kCmdShowOnlySelected = 38;
inline constexpr int kCmdShowSelection = 39;
inline constexpr int kCmdViewReset = 40;
inline constexpr int kCmdViewCenter = 41;
inline constexpr int kCmdShowGrid = 42;
inline constexpr int kCmdShowCameraBorder = 43;
inline constexpr int kCmdShowCameraCache = 44;
inline constexpr int kCmdWindowScene = 48;
inline constexpr int kCmdAbout = 50;
inline constexpr int kCmdUpdate = 51;
inline constexpr int kCmdHelpRtf = 52;
inline constexpr int kCmdHelpHtml = 53;
inline constexpr int kCmdHelpWiki = 54;
inline constexpr int kCmdDeletePoint = 60;
inline constexpr int kCmdConvertToLine = 61;
inline constexpr int kCmdConvertToCurve = 62;
inline constexpr int kCmdConvertToComplex = 63;
inline constexpr int kCmdSeparateSubShapes = 64;
inline constexpr int kCmdJoinSelected = 65;
inline constexpr int kCmdSelectAllPoints = 66;
// Edit menu: numbers of their own, clear of the others.
inline constexpr int kCmdUndo = 200;
inline constexpr int kCmdRedo = 201;
// Files menu: the animation exports.
inline constexpr int kCmdExportFrames = 202;
inline constexpr int kCmdExportWebp = 203;

// Windows, menus and controls.
inline constexpr int kWinMain = 2;
inline constexpr int kMenuMain = 2;
inline constexpr int kMenuPoints = 3;
inline constexpr int kCtlCanvas = 0;
inline constexpr int kCtlToolBar = 1;
inline constexpr int kCtlToolFirst = 2;   // tool button = Tool + 2
inline constexpr int kCtlToolLast = 18;
inline constexpr int kCtlOffset = 19;
inline constexpr int kCtlSnap = 20;
inline constexpr int kCtlSnapX = 21;
inline constexpr int kCtlSnapY = 22;
inline constexpr int kCtlShapePanel = 25;
inline constexpr int kCtlLayerScroll = 26;
inline constexpr int kCtlLayerList = 27;
inline constexpr int kCtlLayerLock = 34;
inline constexpr int kCtlLayerAdd = 39;
inline constexpr int kCtlLayerDelete = 40;
inline constexpr int kCtlLayerUp = 41;
inline constexpr int kCtlLayerDown = 42;
inline constexpr int kCtlLayerAlpha = 44;
inline constexpr int kCtlPointsMenuButton = 82;
inline constexpr int kCtlControlPanel = 108;
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
inline constexpr int kCtlObjectPanel = 115;
inline constexpr int kStatusBar = 0;

}  // namespace pw
