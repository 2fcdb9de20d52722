#include "services/help.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/editor.h"

namespace pw {

namespace {

// The release date: 14 April 2016, 15:33:27, written as day/month/year.
std::string releaseDate() {
  std::tm tm{};
  tm.tm_year = 2016 - 1900;
  tm.tm_mon = 3;
  tm.tm_mday = 14;
  tm.tm_hour = 15;
  tm.tm_min = 33;
  tm.tm_sec = 27;
  char buf[16];
  std::strftime(buf, sizeof buf, "%d/%m/%Y", &tm);
  return buf;
}

}  // namespace

void openHelp(Editor& ed, bool html) {
  const std::string path = ed.rootPath(html ? kHelpHtml : kHelpRtf);
  if (ed.prompt.openUrl(path)) return;
  // A document that is there but did not open wants a program for its type, not a new copy.
  std::error_code ec;
  const bool there = std::filesystem::exists(std::filesystem::path(path), ec);
  ed.prompt.message("Error", (there ? "No program could open " : "Unable to open ") + path);
}

std::string aboutText() {
  return std::string("Penwick Animation  \n") +
         "Written in C++ with Qt, one vector shape at a time.\n" +
         "Version : " + kVersionText + "\n" +
         "Date : " + releaseDate();
}

void showAbout(Editor& ed) { ed.prompt.info("Info", aboutText()); }

}  // namespace pw
