// Scene files: one record per line ("gen", "anim", "obj", "key", "shape", "shapefx", "pt"), CR LF
// line ends. An object's "key" lines follow its "obj" line; the "anim" line (max frame, FPS)
// follows the "gen" line and is written only when some object has keys.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/editor.h"

namespace pw {

enum LoadMode : int { kLoadReplace = 0, kLoadMerge = 1, kLoadTemplate = 2 };

// Writes the document. An empty fileName asks for one with the save dialog. With keepName (an
// autosave) DocumentFileName and the window title stay as they are, and a failure is a warning
// rather than a message box. Returns true when the file was written.
bool saveScene(Editor& ed, const std::string& fileName, bool keepName);

// Reads a scene in the given mode (replace, merge or template). An empty fileName asks for one.
// Relative image paths resolve against the scene file's folder first, then the working folder.
// With refresh the canvas is redrawn after a read. Returns true when a file was read.
bool loadScene(Editor& ed, LoadMode mode, const std::string& fileName, bool refresh);

// The exact text saveScene writes for a document.
std::string sceneText(const Document& doc);

// Applies the lines of a scene text to the editor's document in the given mode (the reading
// steps after the file is opened; no dialogs, no title change). Used by loadScene and the fuzzer.
// A relative image path is looked for in `imageFolder` (the scene file's folder) first, then in
// the working folder.
void readSceneText(Editor& ed, LoadMode mode, std::string_view text,
                   const std::string& imageFolder = {});

// False for a non-empty text in which no line is a known record ("gen", "anim", "obj", "key",
// "shape", "shapefx", "pt"): it is not a scene. An empty (or blank) text reads as an empty scene.
bool looksLikeScene(std::string_view text);

// Integer field rule: optional sign, then decimal digits, "$" hex or "%" binary; stops at the first
// other character; empty or non-numeric gives 0. Overlong values wrap.
int64_t readNumber(std::string_view field);

// Text fields escape "%", ",", ";", CR and LF as %25, %2C, %3B, %0D, %0A.
std::string escapeField(std::string_view s);
std::string unescapeField(std::string_view s);

// The file saveScene writes for a chosen name: every ".txt" is removed from it, then one is
// appended ("scene" and "scene.txt" both give "scene.txt").
std::string scenePath(const std::string& name);

// File-name part of a path (after the last "/" or "\").
std::string fileNamePart(const std::string& path);

// Bytes the arrays one read grows may take for a text of `textBytes` bytes: a fixed allowance and
// a few times the text. Files as the editor writes them take about six times their size.
constexpr uint64_t sceneReadBudget(uint64_t textBytes) { return (uint64_t{1} << 20) + 16 * textBytes; }

// Largest index accepted in a "shape", "shapefx" or "pt" line.
inline constexpr int64_t kMaxRecordIndex = 1048575;

}  // namespace pw
