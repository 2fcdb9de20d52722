// The Prompt of a command-line run. No dialog ever opens: file dialogs take their answers from a
// queue filled from the command line (a dialog nobody expected is cancelled), and message boxes
// become stderr lines. A box about an image that could not be loaded is a warning, printed at
// once; any other box is an error, kept for the command to report and fail on.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "core/prompt.h"

namespace pw {

class HeadlessPrompt : public Prompt {
 public:
  // Warnings go to `err` (stderr by default) as "penwick: warning: ..." lines.
  explicit HeadlessPrompt(std::FILE* err = stderr) : err_(err) {}

  // Queues the answer of the next file dialog.
  void answerFile(std::string path) { answers_.push_back(std::move(path)); }

  std::string openFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override;
  std::string saveFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override;
  void message(const std::string& title, const std::string& text) override;
  void warn(const std::string& text) override;
  // A headless run asks nothing: notices are dropped, questions get their safe answer.
  void info(const std::string&, const std::string&) override {}
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  SaveChoice askSaveChanges(const std::string&, const std::string&) override {
    return SaveChoice::kCancel;
  }
  int chooseFromList(const std::string&, const std::string&, const std::vector<std::string>&,
                     const std::vector<std::string>&, int&) override {
    return -1;
  }
  bool inputText(const std::string&, const std::string&, std::string&) override { return false; }
  std::string chooseFolder(const std::string&, const std::string&) override { return {}; }
  bool chooseColor(Rgb&) override { return false; }
  bool chooseFont(FontChoice&) override { return false; }
  bool openUrl(const std::string&) override { return false; }

  // Error messages seen so far, in order (already made single-line).
  const std::vector<std::string>& errors() const { return errors_; }
  bool failed() const { return !errors_.empty(); }
  int warningCount() const { return warnings_; }
  // Dialogs that found no queued answer and were cancelled.
  int unansweredDialogs() const { return unanswered_; }

  // True for the boxes that report an image file that could not be loaded.
  static bool isImageWarning(const std::string& title, const std::string& text);
  // text on one line: CR, LF and tabs become spaces, other control characters are dropped.
  static std::string oneLine(const std::string& text);

 private:
  std::string nextAnswer();

  std::FILE* err_;
  std::deque<std::string> answers_;
  std::vector<std::string> errors_;
  int warnings_ = 0;
  int unanswered_ = 0;
};

}  // namespace pw
