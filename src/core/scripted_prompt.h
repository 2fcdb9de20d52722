// A Prompt that answers from a script and records every message: for tests, and for headless
// runs that must never block on a dialog.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/prompt.h"

namespace pw {

class ScriptedPrompt : public Prompt {
 public:
  struct Dialog {
    // "open", "save", "folder", "yesno", "savechanges", "list", "input", "color", "font"
    std::string kind;
    // For questions: title, text, label; for a list: title, text, the entries one a line.
    std::string title, initialPath, filter;
  };
  struct Message {
    std::string title, text;
  };

  // Queues the answer of the next file or folder dialog (empty = cancel).
  void answerFile(std::string path) { fileAnswers.push_back(std::move(path)); }
  // Queues the answer of the next yes/no question (unanswered: No).
  void answerYesNo(bool yes) { yesNoAnswers.push_back(yes); }
  // Queues the answer of the next unsaved-changes question (unanswered: Cancel).
  void answerSaveChanges(SaveChoice c) { saveChoices.push_back(c); }
  // Queues the answer of the next list question: the button pressed (-1: Cancel) and the entry
  // selected (unanswered: Cancel).
  void answerList(int button, int item = 0) { listAnswers.push_back({button, item}); }
  // Queues the answer of the next input dialog (nullopt or unanswered: cancelled).
  void answerInput(std::optional<std::string> text) { inputAnswers.push_back(std::move(text)); }
  // Queues whether the next openUrl finds a program to open it (unanswered: it does).
  void answerOpenUrl(bool opened) { openUrlAnswers.push_back(opened); }

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
  std::string chooseFolder(const std::string& title, const std::string& initialPath) override {
    dialogs.push_back({"folder", title, initialPath, {}});
    return next();
  }
  void message(const std::string& title, const std::string& text) override {
    messages.push_back({title, text});
  }
  void warn(const std::string& text) override { warnings.push_back(text); }
  void info(const std::string& title, const std::string& text) override {
    infos.push_back({title, text});
  }
  bool askYesNo(const std::string& title, const std::string& text) override {
    dialogs.push_back({"yesno", title, text, {}});
    if (yesNoAnswers.empty()) return false;
    const bool a = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return a;
  }
  SaveChoice askSaveChanges(const std::string& title, const std::string& text) override {
    dialogs.push_back({"savechanges", title, text, {}});
    if (saveChoices.empty()) return SaveChoice::kCancel;
    const SaveChoice c = saveChoices.front();
    saveChoices.pop_front();
    return c;
  }
  int chooseFromList(const std::string& title, const std::string& text,
                     const std::vector<std::string>& items, const std::vector<std::string>&,
                     int& item) override {
    std::string lines;
    for (const std::string& i : items) lines += i + "\n";
    dialogs.push_back({"list", title, text, lines});
    if (listAnswers.empty()) return -1;
    const std::pair<int, int> a = listAnswers.front();
    listAnswers.pop_front();
    if (a.first >= 0) item = a.second;
    return a.first;
  }
  bool inputText(const std::string& title, const std::string& label, std::string& value) override {
    dialogs.push_back({"input", title, label, value});
    if (inputAnswers.empty()) return false;
    std::optional<std::string> a = std::move(inputAnswers.front());
    inputAnswers.pop_front();
    if (!a) return false;
    value = std::move(*a);
    return true;
  }
  // Queues the answer of the next colour / font dialog (nullopt or unanswered: cancelled).
  void answerColor(std::optional<Rgb> c) { colorAnswers.push_back(c); }
  void answerFont(std::optional<FontChoice> f) { fontAnswers.push_back(std::move(f)); }

  bool chooseColor(Rgb& rgb) override {
    dialogs.push_back({"color", {}, std::to_string(rgb.r) + "," + std::to_string(rgb.g) + "," +
                                        std::to_string(rgb.b), {}});
    if (colorAnswers.empty()) return false;
    std::optional<Rgb> a = colorAnswers.front();
    colorAnswers.pop_front();
    if (!a) return false;
    rgb = *a;
    return true;
  }
  bool chooseFont(FontChoice& font) override {
    dialogs.push_back({"font", {}, font.face, std::to_string(font.size) + "," +
                                                  std::to_string(font.style)});
    if (fontAnswers.empty()) return false;
    std::optional<FontChoice> a = std::move(fontAnswers.front());
    fontAnswers.pop_front();
    if (!a) return false;
    font = std::move(*a);
    return true;
  }
  bool openUrl(const std::string& url) override {
    urls.push_back(url);
    if (openUrlAnswers.empty()) return true;
    const bool opened = openUrlAnswers.front();
    openUrlAnswers.pop_front();
    return opened;
  }

  // Number of dialogs of one kind seen so far.
  size_t count(const std::string& kind) const {
    size_t n = 0;
    for (const Dialog& d : dialogs) n += d.kind == kind;
    return n;
  }

  std::deque<std::string> fileAnswers;
  std::deque<bool> yesNoAnswers;
  std::deque<SaveChoice> saveChoices;
  std::deque<std::pair<int, int>> listAnswers;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<Rgb>> colorAnswers;
  std::deque<std::optional<FontChoice>> fontAnswers;
  std::deque<bool> openUrlAnswers;
  std::vector<Dialog> dialogs;
  std::vector<Message> messages;
  std::vector<Message> infos;
  std::vector<std::string> warnings;
  std::vector<std::string> urls;

 private:
  std::string next() {
    if (fileAnswers.empty()) return {};
    std::string s = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    return s;
  }
};

}  // namespace pw
