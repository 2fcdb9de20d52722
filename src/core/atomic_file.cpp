#include "core/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pw {

namespace {

void setErr(std::string* err, const std::string& what) {
  if (err) *err = what + ": " + std::strerror(errno);
}

std::string dirOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool writeFileAtomic(const std::string& path, std::string_view data, std::string* err) {
  if (path.empty()) {
    if (err) *err = "empty path";
    return false;
  }
  std::string tmpl = path + ".tmpXXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    setErr(err, "cannot create a temporary file beside " + path);
    return false;
  }
  bool ok = true;
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      setErr(err, "cannot write " + path);
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (ok && ::fchmod(fd, 0644) != 0) {
    // Permissions are cosmetic; keep going.
  }
  if (ok && ::fsync(fd) != 0) {
    setErr(err, "cannot flush " + path);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    setErr(err, "cannot close " + path);
    ok = false;
  }
  if (ok && ::rename(tmpl.c_str(), path.c_str()) != 0) {
    setErr(err, "cannot replace " + path);
    ok = false;
  }
  if (!ok) {
    ::unlink(tmpl.c_str());
    return false;
  }
  // Make the rename itself durable.
  const int dfd = ::open(dirOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool readFileWhole(const std::string& path, std::string& out) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      out.clear();
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace pw
