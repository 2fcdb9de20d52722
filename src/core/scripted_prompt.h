// A Prompt that answers from a script and records every message: for tests, and for headless
// runs that must never block on a dialog.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/prompt.h"

namespace pw {

class ScriptedPrompt : public Prompt {
 public:
  struct Dialog {
    std::string kind;  // "open" or "save"
    std::string title, initialPath, filter;
  };
  struct Message {
    std::string title, text;
  };

  // Queues the answer of the next file dialog (empty = cancel).
  void answerFile(std::string path) { fileAnswers.push_back(std::move(path)); }

  std::string openFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override {
    dialogs.push_back({"open", title, initialPath, filter});
    return next();
  }
  std::string saveFile(const std::string& title, const std::string& initialPath,
                       const std::string& filter) override {
    dialogs.push_back({"save", title, initialPath, filter});
    return next();
  }
  void message(const std::string& title, const std::string& text) override {
    messages.push_back({title, text});
  }
  void warn(const std::string& text) override { warnings.push_back(text); }

  std::deque<std::string> fileAnswers;
  std::vector<Dialog> dialogs;
  std::vector<Message> messages;
  std::vector<std::string> warnings;

 private:
  std::string next() {
    if (fileAnswers.empty()) return {};
    std::string s = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    return s;
  }
};

}  // namespace pw
