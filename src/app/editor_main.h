// The editor run of the penwick binary: codec check, settings, the main window and the loop.
#pragma once

#include <string>

namespace pw {

// Opens the editor (with `scene` loaded when not empty) and runs until the window is closed or
// "Quit" is chosen. Returns the process exit status.
int runEditorWindow(const std::string& scene, int argc, char** argv);

// True when a window can be shown: a display or a Qt platform was named.
bool displayAvailable();

// True when Qt can read and write both PNG and JPEG.
bool imageCodecsPresent();

// When the working folder has no "data/" but the executable's folder has, changes to the
// executable's folder (so icons and templates are found however the program is started).
// Returns the folder changed to, or an empty string.
std::string enterProgramFolder(const std::string& exeDir);

}  // namespace pw
