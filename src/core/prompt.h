// Everything modal goes through Prompt: file dialogs, message boxes and, later, input, colour and
// font dialogs. The window shows real dialogs; tests answer from a script and read every message;
// the command line answers from its arguments and turns messages into stderr lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  // A folder chooser; the chosen path, or empty when cancelled. The path may name a new folder
  // that does not exist yet (its parent does): the caller makes it.
  virtual std::string chooseFolder(const std::string& title, const std::string& initialPath) = 0;
  // A modal message box.
  virtual void message(const std::string& title, const std::string& text) = 0;
  // A diagnostic that must not interrupt the user (autosave failures and the like).
  virtual void warn(const std::string& text) = 0;

  // An information requester (tips, notices).
  virtual void info(const std::string& title, const std::string& text) = 0;
  // Yes / No question; true for Yes.
  virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
  enum class SaveChoice { kSave, kDiscard, kCancel };
  // "Save", "Discard" or "Cancel" for a document with unsaved changes.
  virtual SaveChoice askSaveChanges(const std::string& title, const std::string& text) = 0;
  // A question over a list of entries (the first one selected). `buttons` are the answers besides
  // Cancel. Returns the index of the button pressed, with the selected entry in `item`; -1 when
  // cancelled (`item` untouched).
  virtual int chooseFromList(const std::string& title, const std::string& text,
                             const std::vector<std::string>& items,
                             const std::vector<std::string>& buttons, int& item) = 0;
  // One-line input preset to `value`; false (value untouched) when cancelled.
  virtual bool inputText(const std::string& title, const std::string& label, std::string& value) = 0;
  // The colour dialog preset to `rgb` (red, green, blue 0-255 each). False, and `rgb`
  // untouched, when cancelled.
  struct Rgb {
    int r = 0, g = 0, b = 0;
  };
  virtual bool chooseColor(Rgb& rgb) = 0;
  // The font dialog preset to `face`, `size` and `style` (flags: 256 bold, 512 italic,
  // 4 underline, 8 strike-out), with underline and strike-out offered. False, and nothing
  // changed, when cancelled.
  struct FontChoice {
    std::string face;
    int size = 20;
    int64_t style = 0;
  };
  virtual bool chooseFont(FontChoice& font) = 0;
  // Opens a file or web address with the system's handler; false when nothing could open it.
  virtual bool openUrl(const std::string& url) = 0;
};

}  // namespace pw
