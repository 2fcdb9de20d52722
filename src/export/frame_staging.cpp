#include "export/frame_staging.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pw {

namespace fs = std::filesystem;

namespace {

constexpr char kStagePrefix[] = ".penwick-frames-";

bool setError(std::string* err, const std::string& why) {
  if (err) *err = why;
  return false;
}

// An open, exclusively locked folder, or -1 when it cannot be opened or another process holds it.
int lockFolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

FrameStaging::FrameStaging(std::string dir) : dir_(std::move(dir)) {}

FrameStaging::~FrameStaging() {
  std::error_code ec;
  if (!stage_.empty()) fs::remove_all(stage_, ec);
  if (lock_ >= 0) ::close(lock_);
}

bool FrameStaging::open(std::string* err) {
  removeStaleFrameStaging(dir_);
  std::string tmpl = dir_ + "/" + kStagePrefix + "XXXXXX";
  if (!::mkdtemp(tmpl.data())) return setError(err, std::strerror(errno));
  stage_ = tmpl;
  lock_ = lockFolder(stage_);
  if (lock_ < 0) return setError(err, "cannot lock " + stage_);
  return true;
}

bool FrameStaging::commit(const std::vector<std::string>& names, std::string* err) {
  for (const std::string& name : names) {
    const std::string to = dir_ + "/" + name;
    if (::rename(pathFor(name).c_str(), to.c_str()) != 0)
      return setError(err, "cannot move " + name + " into " + dir_ + ": " + std::strerror(errno));
  }
  // Make the renames durable.
  const int fd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

int removeStaleFrameStaging(const std::string& dir) {
  std::error_code ec;
  int removed = 0;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(kStagePrefix, 0) != 0 || !e.is_directory(ec) || e.is_symlink(ec)) continue;
    // A running export holds its folder's lock until it ends; a lock that can be had belongs
    // to nobody.
    const int fd = lockFolder(e.path().string());
    if (fd < 0) continue;
    if (fs::remove_all(e.path(), ec) > 0 && !ec) ++removed;
    ::close(fd);
  }
  return removed;
}

}  // namespace pw
