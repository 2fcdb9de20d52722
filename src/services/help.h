// The Help menu's own services: the help documents and the About box.
#pragma once

#include <string>

namespace pw {

struct Editor;

inline constexpr const char* kHelpRtf = "data/help/help.rtf";
inline constexpr const char* kHelpHtml = "data/help/html/index.html";

// Opens the manual with the system's handler: with `html` the HTML pages (F1), else the RTF file.
// When it does not open, an "Error" box says "No program could open <path>" for a document that
// is there, "Unable to open <path>" for one that is missing.
void openHelp(Editor& ed, bool html);

// The About text, lines separated by LF.
std::string aboutText();
// The About box, titled "Info".
void showAbout(Editor& ed);

}  // namespace pw
