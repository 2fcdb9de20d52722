// Atomic saves keep what the user set on the file, refuse what they must not replace, and leave
// no temporary files behind; whole-file reads never block on special files.
#include "fileio/atomic_file.h"
#include "support/files.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace pw {
namespace {

namespace fs = std::filesystem;

using Folder = test::TempDir;
using test::readFile;
using test::writeFile;

mode_t modeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

TEST(AtomicWrite, ExistingFilesKeepTheirMode) {
  for (const mode_t mode : {0600, 0640, 0604, 0755}) {
    Folder dir;
    const std::string f = dir.at("scene.txt");
    writeFile(f, "old");
    ASSERT_EQ(::chmod(f.c_str(), mode), 0);
    std::string err;
    ASSERT_TRUE(writeFileAtomic(f, "new", &err)) << err;
    EXPECT_EQ(readFile(f), "new");
    EXPECT_EQ(modeOf(f), mode) << std::oct << mode;
    EXPECT_EQ(dir.names(), std::set<std::string>{"scene.txt"});
  }
}

TEST(AtomicWrite, NewFilesFollowTheUmask) {
  for (const mode_t mask : {022, 077, 027}) {
    Folder dir;
    const mode_t before = ::umask(mask);
    const bool ok = writeFileAtomic(dir.at("fresh.txt"), "x");
    ::umask(before);
    ASSERT_TRUE(ok);
    EXPECT_EQ(modeOf(dir.at("fresh.txt")), 0666 & ~mask) << std::oct << mask;
  }
}

TEST(AtomicWrite, SavesThroughASymbolicLinkToItsTarget) {
  Folder dir;
  fs::create_directory(dir.at("real"));
  writeFile(dir.at("real/scene.txt"), "old");
  ASSERT_EQ(::chmod(dir.at("real/scene.txt").c_str(), 0600), 0);
  // A relative link, and a link to that link.
  fs::create_symlink("real/scene.txt", dir.at("link.txt"));
  fs::create_symlink("link.txt", dir.at("link2.txt"));
  for (const char* name : {"link.txt", "link2.txt"}) {
    const std::string text = std::string("through ") + name;
    ASSERT_TRUE(writeFileAtomic(dir.at(name), text));
    EXPECT_TRUE(fs::is_symlink(dir.at("link.txt")));
    EXPECT_TRUE(fs::is_symlink(dir.at("link2.txt")));
    EXPECT_EQ(readFile(dir.at("real/scene.txt")), text);
    EXPECT_EQ(modeOf(dir.at("real/scene.txt")), 0600u);
  }
  EXPECT_EQ(dir.names(), (std::set<std::string>{"link.txt", "link2.txt", "real"}));

  // A dangling link creates its target.
  fs::create_symlink("real/new.txt", dir.at("dangling.txt"));
  ASSERT_TRUE(writeFileAtomic(dir.at("dangling.txt"), "born"));
  EXPECT_TRUE(fs::is_symlink(dir.at("dangling.txt")));
  EXPECT_EQ(readFile(dir.at("real/new.txt")), "born");

  // A loop of links is an error, not a hang.
  fs::create_symlink("loop-b", dir.at("loop-a"));
  fs::create_symlink("loop-a", dir.at("loop-b"));
  std::string err;
  EXPECT_FALSE(writeFileAtomic(dir.at("loop-a"), "x", &err));
  EXPECT_EQ(err, std::strerror(ELOOP));
}

TEST(AtomicWrite, HardLinksStayJoined) {
  Folder dir;
  writeFile(dir.at("a.txt"), "a much longer old text than the new one");
  ASSERT_EQ(::link(dir.at("a.txt").c_str(), dir.at("b.txt").c_str()), 0);
  ASSERT_TRUE(writeFileAtomic(dir.at("a.txt"), "new"));
  EXPECT_EQ(readFile(dir.at("a.txt")), "new");
  EXPECT_EQ(readFile(dir.at("b.txt")), "new");
  EXPECT_TRUE(fs::equivalent(dir.at("a.txt"), dir.at("b.txt")));
  EXPECT_EQ(dir.names(), (std::set<std::string>{"a.txt", "b.txt"}));
}

TEST(AtomicWrite, RefusesWhatItMustNotReplace) {
  Folder dir;
  writeFile(dir.at("locked.txt"), "keep me");
  ASSERT_EQ(::chmod(dir.at("locked.txt").c_str(), 0444), 0);
  fs::create_directory(dir.at("folder"));
  ASSERT_EQ(::mkfifo(dir.at("pipe").c_str(), 0600), 0);
  writeFile(dir.at("file"), "");
  struct Case {
    std::string path;
    std::string reason;
  } const cases[] = {
      {dir.at("locked.txt"), "the file is read-only"},
      {dir.at("folder"), "not a regular file"},
      {dir.at("pipe"), "not a regular file"},
      {dir.at("missing/scene.txt"), std::strerror(ENOENT)},
      {dir.at("file/scene.txt"), std::strerror(ENOTDIR)},
      {"", "empty file name"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_FALSE(writeFileAtomic(c.path, "new", &err)) << c.path;
    EXPECT_EQ(err, c.reason) << c.path;
  }
  EXPECT_EQ(readFile(dir.at("locked.txt")), "keep me");
  EXPECT_EQ(dir.names(), (std::set<std::string>{"file", "folder", "locked.txt", "pipe"}));
}

TEST(AtomicWrite, StaleTemporariesAreRemovedLiveOnesKept) {
  Folder dir;
  const std::string f = dir.at("out.txt");
  for (const char* name : {"out.txt.tmpAb3dE9", "out.txt.tmpZZZZZZ", "out.txt.tmp12", "out.txt.tmp-a.b.c",
                           "other.txt.tmpAAAAAA", "out.txt.tmpLIVE01"})
    writeFile(dir.at(name), "left over");
  // A save still running in another process holds the lock of its temporary file.
  const int live = ::open(dir.at("out.txt.tmpLIVE01").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);

  ASSERT_TRUE(writeFileAtomic(f, "saved"));
  EXPECT_EQ(dir.names(), (std::set<std::string>{"out.txt", "out.txt.tmp12", "out.txt.tmp-a.b.c",
                                                "other.txt.tmpAAAAAA", "out.txt.tmpLIVE01"}));
  ::close(live);
  EXPECT_EQ(removeStaleTemporaries(f), 1);
  EXPECT_FALSE(fs::exists(dir.at("out.txt.tmpLIVE01")));
}

// A long writer's temporary: a fresh locked file each time, which a sweep leaves alone while it
// is held, and a clear reason when the folder cannot take one.
TEST(AtomicWrite, LockedTemporariesAreFreshAndHeld) {
  Folder dir;
  const std::string f = dir.at("anim.webp");
  writeFile(dir.at("anim.webp.partOLD001"), "a killed export's");
  std::string a, b, why;
  const int fa = createLockedTemporary(f, ".part", false, a, &why);
  const int fb = createLockedTemporary(f, ".part", true, b, &why);
  ASSERT_GE(fa, 0) << why;
  ASSERT_GE(fb, 0) << why;
  EXPECT_NE(a, b);
  EXPECT_FALSE(fs::exists(dir.at("anim.webp.partOLD001")));  // swept on the way
  EXPECT_EQ(removeStaleTemporaries(f, ".part"), 0);
  ::close(fa);
  EXPECT_EQ(removeStaleTemporaries(f, ".part"), 1);
  ::close(fb);
  std::string none = "unset";
  EXPECT_EQ(createLockedTemporary(dir.at("missing/anim.webp"), ".part", false, none, &why), -1);
  EXPECT_EQ(why, "No such file or directory");
  EXPECT_EQ(none, "unset");
}

// Whenever the signal lands (before, during or after the save), the file is the old or the new
// one whole, and nothing else is left in the folder.
TEST(AtomicWrite, ASaveEndedBySignalLeavesNoTemporaryFile) {
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    for (const int delayUs : {0, 2000, 20000}) {
      Folder dir;
      const std::string f = dir.at("big.txt");
      writeFile(f, "old");
      const std::string data(48u << 20, 'n');
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        for (;;) writeFileAtomic(f, data);
      }
      ::usleep(static_cast<useconds_t>(delayUs));
      ASSERT_EQ(::kill(child, sig), 0);
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFSIGNALED(status));
      EXPECT_EQ(dir.names(), std::set<std::string>{"big.txt"}) << "signal " << sig;
      const auto size = fs::file_size(f);
      EXPECT_TRUE(size == 3 || size == data.size()) << size;
    }
  }
}

TEST(ReadWhole, RefusesSpecialFilesWithoutBlocking) {
  Folder dir;
  ASSERT_EQ(::mkfifo(dir.at("pipe").c_str(), 0600), 0);
  fs::create_directory(dir.at("folder"));
  writeFile(dir.at("plain.txt"), "text\r\n");
  struct Case {
    std::string path;
    bool ok;
    std::string reason;
  } const cases[] = {
      {dir.at("pipe"), false, "not a regular file"},
      {dir.at("folder"), false, "not a regular file"},
      {"/dev/null", false, "not a regular file"},
      {dir.at("missing"), false, std::strerror(ENOENT)},
      {dir.at("plain.txt"), true, ""},
  };
  for (const Case& c : cases) {
    std::string text = "stale", err;
    EXPECT_EQ(readFileWhole(c.path, text, &err), c.ok) << c.path;
    EXPECT_EQ(err, c.reason) << c.path;
    EXPECT_EQ(text, c.ok ? "text\r\n" : "") << c.path;
    EXPECT_EQ(isRegularFile(c.path), c.ok) << c.path;
  }
}

}  // namespace
}  // namespace pw
