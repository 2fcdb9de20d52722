#include "fileio/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace pw {

namespace {

constexpr int kMaxLinks = 40;           // symbolic links followed before giving up (as the kernel)
constexpr size_t kSuffixLength = 6;     // "XXXXXX" of "PATH.tmpXXXXXX"
constexpr int kNameAttempts = 100;
constexpr const char* kTempMark = ".tmp";
constexpr const char* kReadOnly = "the file is read-only";
constexpr const char* kNotRegular = "not a regular file";

bool fail(std::string* err, int error) {
  if (err) *err = std::strerror(error);
  return false;
}

bool failText(std::string* err, const char* text) {
  if (err) *err = text;
  return false;
}

std::string dirOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isSuffixChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string randomSuffix() {
  static constexpr char kChars[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kSuffixLength] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy yet (very early boot): the clock and the process id are enough, as names are
    // claimed with O_EXCL anyway.
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    unsigned long long mix = static_cast<unsigned long long>(ts.tv_nsec) * 2654435761ull ^
                             static_cast<unsigned long long>(::getpid()) << 20;
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(mix);
      mix = mix * 6364136223846793005ull + 1442695040888963407ull;
    }
  }
  std::string s(kSuffixLength, 'A');
  for (size_t k = 0; k < kSuffixLength; ++k) s[k] = kChars[bytes[k] % (sizeof kChars - 1)];
  return s;
}

// The file a path stands for once symbolic links are followed; it need not exist yet.
bool resolveLinks(const std::string& path, std::string& out, int& error) {
  std::string cur = path;
  for (int n = 0; n < kMaxLinks; ++n) {
    struct stat st {};
    if (::lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      out = cur;
      return true;
    }
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t len = ::readlink(cur.c_str(), buf.data(), buf.size());
    if (len <= 0 || static_cast<size_t>(len) >= buf.size()) {
      error = len < 0 ? errno : EINVAL;
      return false;
    }
    const std::string target(buf.data(), static_cast<size_t>(len));
    cur = target.front() == '/' ? target : dirOf(cur) + "/" + target;
  }
  error = ELOOP;
  return false;
}

bool writeAll(int fd, std::string_view data, int& error) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool readOnly(const std::string& path, const struct stat& st) {
  // The superuser may write anything; a file that nobody may write is still read-only to it.
  if (::geteuid() == 0) return (st.st_mode & 0222) == 0;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 &&
         (errno == EACCES || errno == EPERM || errno == EROFS);
}

void keepOwnerAndMode(int fd, const struct stat& old) {
  // Owner and group where the process may set them (the group alone for an ordinary user who
  // belongs to it); the mode last, as a change of owner clears the set-id bits.
  if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
    // Neither may be kept: the file gets the saving user's group, like any new file.
  }
  if (::fchmod(fd, old.st_mode & 07777) != 0) {
    // The mode of a file the process owns can always be set; nothing else to try.
  }
}

void syncDir(const std::string& dir) {
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

// Holds back the signals that end a process from the terminal or a service manager while a
// temporary file carries a name, so the rename that follows completes first.
class QuitSignalsHeld {
 public:
  QuitSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    held_ = ::pthread_sigmask(SIG_BLOCK, &set, &old_) == 0;
  }
  ~QuitSignalsHeld() {
    if (held_) ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  QuitSignalsHeld(const QuitSignalsHeld&) = delete;
  QuitSignalsHeld& operator=(const QuitSignalsHeld&) = delete;

 private:
  sigset_t old_ {};
  bool held_ = false;
};

// The temporary file of one save: unnamed where the file system allows it, else named and
// locked. Whatever is left of it is removed on destruction.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlink(name_.c_str());
  }

  bool open(const std::string& target, bool allowUnnamed, int& error) {
    if (allowUnnamed) {
      fd_ = ::open(dirOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        ::flock(fd_, LOCK_EX | LOCK_NB);
        return true;
      }
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error = errno;
        return false;
      }
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      std::string name = target + kTempMark + randomSuffix();
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        error = errno;
        return false;
      }
      struct stat st {};
      // Another save may have taken the fresh, not yet locked file for a stale one.
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
        ::close(fd);
        continue;
      }
      fd_ = fd;
      name_ = std::move(name);
      return true;
    }
    error = EEXIST;
    return false;
  }

  int fd() const { return fd_; }
  const std::string& name() const { return name_; }

  // Gives an unnamed file its name beside the target; a named one has it already.
  bool nameBeside(const std::string& target, int& error) {
    if (!name_.empty()) return true;
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd_);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      std::string name = target + kTempMark + randomSuffix();
      if (::linkat(AT_FDCWD, proc, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
          (errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)) {
        name_ = std::move(name);
        return true;
      }
      if (errno != EEXIST) break;
    }
    error = errno;
    return false;
  }

  // The name now belongs to the file that replaced the target.
  void renamed() { name_.clear(); }

 private:
  int fd_ = -1;
  std::string name_;
};

// Writes `data` over the existing file in place (it has further hard links that a rename would
// split). Only called once the same data is safely in a temporary file.
bool rewriteInPlace(const std::string& target, const struct stat& old, std::string_view data) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st {};
  int error = 0;
  const bool ok = ::fstat(fd, &st) == 0 && st.st_ino == old.st_ino && st.st_dev == old.st_dev &&
                  writeAll(fd, data, error) &&
                  ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

}  // namespace

bool writeFileAtomic(const std::string& path, std::string_view data, std::string* err) {
  if (path.empty()) return failText(err, "empty file name");
  std::string target;
  int error = 0;
  if (!resolveLinks(path, target, error)) return fail(err, error);

  struct stat old {};
  const bool existed = ::stat(target.c_str(), &old) == 0;
  if (!existed && errno != ENOENT) return fail(err, errno);
  if (existed && !S_ISREG(old.st_mode)) return failText(err, kNotRegular);
  if (existed && readOnly(target, old)) return failText(err, kReadOnly);

  removeStaleTemporaries(target);

  // Two rounds: an unnamed file first; a named one when the unnamed file cannot be given a name.
  for (const bool unnamed : {true, false}) {
    TempFile tmp;
    if (!tmp.open(target, unnamed, error)) return fail(err, error);
    if (existed) keepOwnerAndMode(tmp.fd(), old);
    if (!writeAll(tmp.fd(), data, error)) return fail(err, error);
    if (::fsync(tmp.fd()) != 0) return fail(err, errno);

    if (existed && old.st_nlink > 1 && rewriteInPlace(target, old, data)) return true;

    const QuitSignalsHeld held;
    if (!tmp.nameBeside(target, error)) {
      if (unnamed) continue;
      return fail(err, error);
    }
    if (::rename(tmp.name().c_str(), target.c_str()) != 0) return fail(err, errno);
    tmp.renamed();
    break;
  }
  // Make the rename itself durable.
  syncDir(dirOf(target));
  return true;
}

bool readFileWhole(const std::string& path, std::string& out, std::string* err) {
  out.clear();
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return fail(err, errno);
  struct stat st {};
  const bool stated = ::fstat(fd, &st) == 0;
  const int statError = errno;
  if (!stated || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return stated ? failText(err, kNotRegular) : fail(err, statError);
  }
  if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::close(fd);
      out.clear();
      return fail(err, e);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int removeStaleTemporaries(const std::string& path, const std::string& mark) {
  const std::string prefix = baseOf(path) + mark;
  DIR* dir = ::opendir(dirOf(path).c_str());
  if (!dir) return 0;
  std::vector<std::string> candidates;
  while (const dirent* ent = ::readdir(dir)) {
    const std::string_view name(ent->d_name);
    if (name.size() != prefix.size() + kSuffixLength || name.substr(0, prefix.size()) != prefix)
      continue;
    bool suffixOk = true;
    for (const char c : name.substr(prefix.size())) suffixOk = suffixOk && isSuffixChar(c);
    if (suffixOk) candidates.emplace_back(name);
  }
  int removed = 0;
  const int dfd = ::dirfd(dir);
  for (const std::string& name : candidates) {
    const int fd = ::openat(dfd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) continue;
    struct stat st {};
    // A writer in progress holds its lock until it renames the file; a lock that can be had
    // belongs to nobody.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlinkat(dfd, name.c_str(), 0) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

int createLockedTemporary(const std::string& path, const std::string& mark, bool readable,
                          std::string& name, std::string* err) {
  // Temporaries of writers that were killed; a running writer holds its own locked.
  removeStaleTemporaries(path, mark);
  const int mode = (readable ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_CLOEXEC;
  int fd = -1;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    const std::string candidate = path + mark + randomSuffix();
    fd = ::open(candidate.c_str(), mode, 0666);
    if (fd >= 0) {
      name = candidate;
    } else if (errno != EEXIST) {
      fail(err, errno);
      return -1;
    }
  }
  if (fd < 0) {
    failText(err, "no free name for a temporary file");
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    fail(err, errno);
    ::close(fd);
    ::unlink(name.c_str());
    name.clear();
    return -1;
  }
  return fd;
}

}  // namespace pw
