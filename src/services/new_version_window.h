// The "New version available" window: the version and the release notes, "Ok" opens the
// download page, "Cancel" or the close box closes it. Main thread only.
#pragma once

#include <string>

class QDialog;
class QWidget;

namespace pw {

class Prompt;

// Opens the window (modal, without blocking the caller) and returns it; it deletes itself when
// closed. The text area is "newVersionText", the buttons "newVersionOk" and "newVersionCancel".
QDialog* showNewVersionWindow(QWidget* parent, Prompt& prompt, double version,
                              const std::string& notes, const std::string& downloadUrl);

}  // namespace pw
