// Effect presets: a named copy of one effect's parameters, kept as a small two-line text file
// "<name>.sfx" in "data/shapefx/". The effect's own name and its active flag are not part of it.
//
//   gen,<name>,0.15
//   shapefx,<index>,x,y,color,alpha,depth,type,width,height,dist,scale,spareA,spareB
//
// Lines end with CR LF; numbers are decimal when written and may also be "$" hex or "%" binary
// when read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model.h"

namespace pw {

// Folder of the presets below the editor's root, and the file extension.
inline constexpr const char* kPresetFolder = "data/shapefx/";
inline constexpr const char* kPresetExt = ".sfx";
// A preset is two short lines; anything bigger is not one.
inline constexpr size_t kMaxPresetBytes = 64 * 1024;

// The values a preset file holds, as read (before they are narrowed into a ShapeFx).
struct FxPreset {
  bool hasHeader = false;  // a "gen" line was read
  std::string name;        // its name field (may be empty)
  bool hasFx = false;      // a "shapefx" line was read
  int64_t x = 0, y = 0, color = 0, alpha = 0, depth = 0, type = 0;
  int64_t width = 0, height = 0, dist = 0, scale = 0, spareA = 0, spareB = 0;
};

// The exact text a preset of effect `fx` (number `index` of its shape) is saved as.
std::string presetText(const std::string& name, int64_t index, const ShapeFx& fx);

// Reads a preset text. Lines whose first field is neither "gen" nor "shapefx" are skipped; a later
// line of a kind replaces an earlier one; missing number fields read as 0. False, with the reason
// in `err`, when the text holds no "shapefx" line, a number field that is not a whole number, or
// a zero byte.
bool parsePreset(std::string_view text, FxPreset& out, std::string* err = nullptr);

// Stores a preset into effect `fx`, number `index` of its shape: every parameter held within
// the range the "FX" tab gives it (kFxOffsetMax and the others in core/model.h; the spare values
// within 16 bits, the colour within 32), the name from the header ("fx_" + index when the header
// names none). `active` and a name without a header stay as they were.
void applyPreset(const FxPreset& p, int64_t index, ShapeFx& fx);

// Leading and trailing blanks (spaces and tabs) removed.
std::string trimPresetName(std::string_view name);

// A name that keeps its file inside the preset folder and reads back the same: not empty, no
// "/" or "\", not starting with ".", no control character, no "," (the field separator).
bool isValidPresetName(std::string_view name);

// folder + name + ".sfx".
std::string presetPath(const std::string& folder, const std::string& name);

// The presets of `folder`: every regular file named "*.sfx", its name without that last ".sfx"
// (so presetPath(folder, name) is the file itself), sorted by name. Names that are not valid
// preset names are left out. A missing folder lists nothing.
std::vector<std::string> listPresetNames(const std::string& folder);

// Writes the preset atomically (the folder is made when it is missing). False, with the reason in
// `err`, when it could not be written; the old file is then untouched.
bool savePresetFile(const std::string& path, const std::string& name, int64_t index,
                    const ShapeFx& fx, std::string* err = nullptr);

// Reads and parses a preset file. False, with the reason in `err`, when it cannot be read, is
// bigger than kMaxPresetBytes or is not a preset.
bool loadPresetFile(const std::string& path, FxPreset& out, std::string* err = nullptr);

}  // namespace pw
