#include "app/headless_prompt.h"

namespace pw {

namespace {

bool startsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

}  // namespace

std::string HeadlessPrompt::nextAnswer() {
  if (answers_.empty()) {
    ++unanswered_;
    return {};
  }
  std::string s = std::move(answers_.front());
  answers_.pop_front();
  return s;
}

std::string HeadlessPrompt::openFile(const std::string&, const std::string&, const std::string&) {
  return nextAnswer();
}

std::string HeadlessPrompt::saveFile(const std::string&, const std::string&, const std::string&) {
  return nextAnswer();
}

bool HeadlessPrompt::isImageWarning(const std::string& title, const std::string& text) {
  return title == "Error" && (startsWith(text, "The Image file doesn't exists") ||
                              startsWith(text, "Unable to load the image"));
}

std::string HeadlessPrompt::oneLine(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\r' || c == '\n' || c == '\t') {
      out += ' ';
    } else if (c >= 0x20 && c != 0x7F) {
      out += ch;
    }
  }
  return out;
}

void HeadlessPrompt::message(const std::string& title, const std::string& text) {
  if (isImageWarning(title, text)) {
    warn(text);
    return;
  }
  errors_.push_back(oneLine(text.empty() ? title : text));
}

void HeadlessPrompt::warn(const std::string& text) {
  ++warnings_;
  if (err_) {
    std::fprintf(err_, "penwick: warning: %s\n", oneLine(text).c_str());
    std::fflush(err_);
  }
}

}  // namespace pw
