#include "app/remembering_prompt.h"

#include <filesystem>
#include <system_error>

namespace pw {

namespace fs = std::filesystem;

namespace {

// The patterns of a filter: every second field.
bool offers(const std::string& filter, const char* const* patterns) {
  size_t start = 0;
  for (int field = 0; start <= filter.size(); ++field) {
    const size_t bar = filter.find('|', start);
    const std::string f =
        filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    if (field % 2 == 1) {
      for (const char* const* p = patterns; *p; ++p)
        if (f.find(*p) != std::string::npos) return true;
    }
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return false;
}

}  // namespace

DialogKind dialogKind(bool save, const std::string& filter) {
  static const char* const kScene[] = {"*.txt", nullptr};
  static const char* const kImages[] = {"*.png", "*.jpg", "*.jpeg", "*.bmp", nullptr};
  if (offers(filter, kScene)) return DialogKind::kScene;
  if (save) return DialogKind::kExport;
  return offers(filter, kImages) ? DialogKind::kImage : DialogKind::kOther;
}

std::string* RememberingPrompt::folderOf(DialogKind kind) const {
  if (!options_) return nullptr;
  switch (kind) {
    case DialogKind::kScene: return &options_->SceneFolder;
    case DialogKind::kImage: return &options_->ImageFolder;
    case DialogKind::kExport: return &options_->ExportFolder;
    case DialogKind::kOther: break;
  }
  return nullptr;
}

std::string RememberingPrompt::startAt(DialogKind kind, const std::string& initialPath) const {
  const std::string* folder = folderOf(kind);
  if (!folder || folder->empty()) return initialPath;
  // A caller that proposes a file name keeps it.
  if (!initialPath.empty() && initialPath.back() != '/') return initialPath;
  std::error_code ec;
  if (!fs::is_directory(*folder, ec)) return initialPath;
  return folder->back() == '/' ? *folder : *folder + "/";
}

void RememberingPrompt::keep(DialogKind kind, const std::string& chosen) {
  std::string* folder = folderOf(kind);
  if (!folder || chosen.empty()) return;
  std::error_code ec;
  fs::path p = fs::absolute(chosen, ec);
  if (ec) return;
  p = p.lexically_normal();
  if (!p.has_filename()) p = p.parent_path();  // "/a/b/" names folder b
  const fs::path parent = p.parent_path();
  if (!parent.empty()) *folder = parent.string();
}

std::string RememberingPrompt::openFile(const std::string& title, const std::string& initialPath,
                                        const std::string& filter) {
  const DialogKind kind = dialogKind(false, filter);
  std::string chosen = inner_.openFile(title, startAt(kind, initialPath), filter);
  keep(kind, chosen);
  return chosen;
}

std::string RememberingPrompt::saveFile(const std::string& title, const std::string& initialPath,
                                        const std::string& filter) {
  const DialogKind kind = dialogKind(true, filter);
  std::string chosen = inner_.saveFile(title, startAt(kind, initialPath), filter);
  keep(kind, chosen);
  return chosen;
}

std::string RememberingPrompt::chooseFolder(const std::string& title,
                                            const std::string& initialPath) {
  std::string chosen = inner_.chooseFolder(title, startAt(DialogKind::kExport, initialPath));
  keep(DialogKind::kExport, chosen);
  return chosen;
}

}  // namespace pw
