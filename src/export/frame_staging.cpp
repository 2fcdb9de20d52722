#include "export/frame_staging.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pw {

namespace fs = std::filesystem;

namespace {

constexpr char kStagePrefix[] = ".penwick-frames-";
// A staging folder is made under this name and renamed to kStagePrefix once locked: another
// export sweeping the folder at that moment must not take a folder its maker has not locked yet
// for one left behind.
constexpr char kMakingPrefix[] = ".penwick-making-";
// A folder still under kMakingPrefix after this long was left by an export that died between
// making and locking it.
constexpr auto kMakingGrace = std::chrono::minutes(1);

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
  std::string made = dir_ + "/" + kMakingPrefix + "XXXXXX";
  if (!::mkdtemp(made.data())) return setError(err, std::strerror(errno));
  lock_ = lockFolder(made);
  if (lock_ < 0) {
    std::error_code ec;
    fs::remove(made, ec);
    return setError(err, "cannot lock " + made);
  }
  // The lock stays with the folder through the rename.
  std::string named = made;
  named.replace(dir_.size() + 1, std::strlen(kMakingPrefix), kStagePrefix);
  if (::rename(made.c_str(), named.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    std::error_code ec;
    fs::remove(made, ec);
    return setError(err, "cannot name " + made + ": " + why);
  }
  stage_ = named;
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
    const bool staged = name.rfind(kStagePrefix, 0) == 0;
    if (!staged && name.rfind(kMakingPrefix, 0) != 0) continue;
    if (!e.is_directory(ec) || e.is_symlink(ec)) continue;
    if (!staged) {
      const auto made = fs::last_write_time(e.path(), ec);
      if (ec || fs::file_time_type::clock::now() - made < kMakingGrace) continue;
    }
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
