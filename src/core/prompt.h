// Everything modal goes through Prompt: file dialogs, message boxes and, later, input, colour and
// font dialogs. The window shows real dialogs; tests answer from a script and read every message;
// the command line answers from its arguments and turns messages into stderr lines.
#pragma once

#include <string>

namespace pw {

class Prompt {
 public:
  virtual ~Prompt() = default;
  // Returns the chosen path, or an empty string when cancelled. `filter` is a "|"-separated list
  // of label and pattern pairs.
  virtual std::string openFile(const std::string& title, const std::string& initialPath,
                               const std::string& filter) = 0;
  virtual std::string saveFile(const std::string& title, const std::string& initialPath,
                               const std::string& filter) = 0;
  // A modal message box.
  virtual void message(const std::string& title, const std::string& text) = 0;
  // A diagnostic that must not interrupt the user (autosave failures and the like).
  virtual void warn(const std::string& text) = 0;
};

}  // namespace pw
