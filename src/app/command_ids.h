// Menu and shortcut command numbers, and (from ui/control_ids.h) the numbers of the window's
// controls. They are the identities of the events: the menus, the shortcuts and the tests raise
// the same numbers.
#pragma once

#include "ui/control_ids.h"

namespace pw {

// Menu, shortcut and pop-up menu commands. The points menu's commands (60-66) are named with
// the panels' controls in ui/control_ids.h, since the panels build that menu.
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
// Edit menu: numbers of their own, clear of the others.
inline constexpr int kCmdUndo = 200;
inline constexpr int kCmdRedo = 201;
// Files menu: the animation exports.
inline constexpr int kCmdExportFrames = 202;
inline constexpr int kCmdExportWebp = 203;
inline constexpr int kCmdExportSvg = 204;
inline constexpr int kCmdExportGif = 205;
inline constexpr int kCmdExportApng = 206;
inline constexpr int kCmdExportVideo = 207;
inline constexpr int kCmdExportLottie = 208;
// Files menu: save under a new name, the recent scenes.
inline constexpr int kCmdSaveAs = 209;
inline constexpr int kCmdOpenRecent0 = 210;  // 210 ... 217: entry 0 ... 7 of the recent list
inline constexpr int kCmdClearRecent = 218;
inline constexpr int kCmdRemoveMissingRecent = 219;
// Pop-up menus of the canvas and the layer list: what no menu of the bar offers.
inline constexpr int kCmdCutShape = 220;
inline constexpr int kCmdHideShape = 221;
inline constexpr int kCmdLockShape = 222;
inline constexpr int kCmdRenameObject = 223;
inline constexpr int kCmdHideObject = 224;
inline constexpr int kCmdLockObject = 225;
inline constexpr int kCmdObjectUp = 226;
inline constexpr int kCmdObjectDown = 227;
// The merge keys of nudges with the arrow keys: a burst is one undo step, and a burst that
// follows a pause takes the other key, so that it is a step of its own.
inline constexpr int kNudgeMergeKeyA = 228;
inline constexpr int kNudgeMergeKeyB = 229;

// Windows, menus and the status bar; the controls are in ui/control_ids.h.
inline constexpr int kWinMain = 2;
inline constexpr int kMenuMain = 2;
inline constexpr int kMenuPoints = 3;
inline constexpr int kStatusBar = 0;

}  // namespace pw
