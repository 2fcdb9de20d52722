// The update check against a local https server (127.0.0.1, a certificate made for the test),
// and the version file's reading and writing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "services/update_check.h"
#include "support/files.h"
#include "support/paths.h"

namespace pw {
namespace {

using test::readFile;
using test::writeFile;

namespace fs = std::filesystem;

TEST(VersionFile, FirstLineIsTheVersionTheRestTheNotes) {
  const struct {
    const char* text;
    double version;
    const char* notes;
  } cases[] = {
      {"0.16\nFaster\nFixes\n", 0.16, "Faster\nFixes\n"},
      {"0.16\r\nFaster\r\n", 0.16, "Faster\n"},
      {"0.2", 0.2, ""},
      {"0.2\n", 0.2, ""},
      {"1.5 beta\nx", 1.5, "x\n"},
      {"  0.3\n\nafter a blank\n", 0.3, "\nafter a blank\n"},
      {"abc\nnotes\n", 0, "notes\n"},
      {"", 0, ""},
      {"nan\n", 0, ""},
      {"inf\n", 0, ""},
      {"1e999\n", 0, ""},
      {"-0.5\n", -0.5, ""},
  };
  for (const auto& c : cases) {
    const VersionFile f = parseVersionFile(c.text);
    EXPECT_DOUBLE_EQ(f.version, c.version) << c.text;
    EXPECT_EQ(f.notes, c.notes) << c.text;
  }
}

TEST(VersionFile, DecimalsOfTheNotice) {
  const struct {
    double v;
    int decimals;
    const char* text;
  } cases[] = {
      {0.16, 2, "0.16"}, {0.2, 2, "0.20"},     {0.123, 3, "0.123"},
      {0.1234, 4, "0.1234"}, {0.12345, 4, "0.1235"}, {0.129, 2, "0.13"},
      {1.0, 2, "1.00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(versionDecimals(c.v), c.decimals) << c.v;
    EXPECT_EQ(versionText(c.v), c.text) << c.v;
  }
  EXPECT_EQ(newVersionText(0.16, "Faster\n"), "\nA new version is available : 0.16\n\nFaster\n");
  EXPECT_EQ(newVersionText(0.1234, ""), "\nA new version is available : 0.1234\n\n");
}

TEST(UpdateConfigEnv, OffDisablesOtherAddressesOverride) {
  const char* old = std::getenv("PENWICK_UPDATE_URL");
  const std::string saved = old ? old : "";
  UpdateConfig cfg;
  setenv("PENWICK_UPDATE_URL", "off", 1);
  EXPECT_FALSE(UpdateConfig::fromEnvironment(cfg));
  setenv("PENWICK_UPDATE_URL", "https://127.0.0.1:1/v", 1);
  setenv("PENWICK_UPDATE_CAFILE", "/x/ca.pem", 1);
  EXPECT_TRUE(UpdateConfig::fromEnvironment(cfg));
  EXPECT_EQ(cfg.url, "https://127.0.0.1:1/v");
  EXPECT_EQ(cfg.caFile, "/x/ca.pem");
  unsetenv("PENWICK_UPDATE_URL");
  unsetenv("PENWICK_UPDATE_CAFILE");
  UpdateConfig plain;
  EXPECT_TRUE(UpdateConfig::fromEnvironment(plain));
  EXPECT_EQ(plain.url, kUpdateUrl);
  EXPECT_EQ(plain.url.rfind("https://", 0), 0u);
  EXPECT_EQ(plain.connectTimeoutMs, 10000);
  EXPECT_EQ(plain.totalTimeoutMs, 30000);
  EXPECT_EQ(plain.maxBytes, 64u * 1024u);
  if (old) setenv("PENWICK_UPDATE_URL", saved.c_str(), 1);
}

// One https server for the whole suite, with its certificate and the files it serves.
class UpdateCheckServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char tmpl[] = "/tmp/penwick-update-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = new fs::path(tmpl);
    const fs::path root = *dir_ / "www";
    fs::create_directories(root);
    writeFile(root / "v16", "0.16\nFaster drawing\nFewer bugs\n");
    writeFile(root / "v15", "0.15\nSame\n");
    writeFile(root / "v1", "0.1\nOld\n");
    writeFile(root / "v1234", "0.1234\nNotes\n");
    writeFile(root / "v11234", "1.1234\nNotes\n");
    writeFile(root / "one", "0.17");
    writeFile(root / "word", "latest\nNotes\n");
    const std::string cmd =
        "cd '" + dir_->string() +
        "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
        "-keyout key.pem -out cert.pem -days 2 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "openssl could not make a certificate";

    int toChild[2], fromChild[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(fromChild), 0);
    const std::string script = std::string(pw::test::sourceDir()) + "/tests/services/https_server.py";
    const std::string cert = (*dir_ / "cert.pem").string(), key = (*dir_ / "key.pem").string();
    const std::string rootDir = root.string();
    server_ = fork();
    ASSERT_GE(server_, 0);
    if (server_ == 0) {
      dup2(toChild[0], 0);
      dup2(fromChild[1], 1);
      close(toChild[1]);
      close(fromChild[0]);
      execlp("python3", "python3", script.c_str(), cert.c_str(), key.c_str(), rootDir.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    serverIn_ = toChild[1];
    FILE* out = fdopen(fromChild[0], "r");
    ASSERT_NE(out, nullptr);
    char line[32] = {};
    ASSERT_NE(fgets(line, sizeof line, out), nullptr) << "the test server did not start";
    fclose(out);
    port_ = std::atoi(line);
    ASSERT_GT(port_, 0);
  }

  static void TearDownTestSuite() {
    if (serverIn_ >= 0) close(serverIn_);  // the server ends when its input closes
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
    if (dir_) fs::remove_all(*dir_);
    delete dir_;
    dir_ = nullptr;
  }

  void SetUp() override {
    cfg_.caFile = (*dir_ / "cert.pem").string();
    cfg_.versionPath = (*dir_ / "version.txt").string();
    fs::remove(cfg_.versionPath);
  }

  static std::string url(const std::string& path) {
    return "https://127.0.0.1:" + std::to_string(port_) + path;
  }

  // One check on a worker thread, waited out; returns the flag the worker left.
  bool check(const std::string& path, UpdateCheck& uc) {
    cfg_.url = path.rfind("http", 0) == 0 ? path : url(path);
    std::atomic<bool> flag{false};
    uc.start(cfg_, flag);
    uc.wait();
    return flag.load(std::memory_order_acquire);
  }

  UpdateConfig cfg_;
  static inline fs::path* dir_ = nullptr;
  static inline pid_t server_ = -1;
  static inline int serverIn_ = -1;
  static inline int port_ = 0;
};

TEST_F(UpdateCheckServer, AnnouncesOnlyANewerVersion) {
  const struct {
    const char* path;
    UpdateOutcome outcome;
    const char* shown;  // the notice's version text; null: no notice
    const char* notes;
  } cases[] = {
      {"/file/v16", UpdateOutcome::kNewVersion, "0.16", "Faster drawing\nFewer bugs\n"},
      {"/file/v15", UpdateOutcome::kUpToDate, nullptr, nullptr},
      {"/file/v1", UpdateOutcome::kUpToDate, nullptr, nullptr},
      {"/file/word", UpdateOutcome::kUpToDate, nullptr, nullptr},
      {"/file/v1234", UpdateOutcome::kUpToDate, nullptr, nullptr},
      {"/file/v11234", UpdateOutcome::kNewVersion, "1.1234", "Notes\n"},
      {"/file/one", UpdateOutcome::kNewVersion, "0.17", ""},
      {"/to-https", UpdateOutcome::kNewVersion, "0.16", "Faster drawing\nFewer bugs\n"},
  };
  for (const auto& c : cases) {
    UpdateCheck uc;
    const bool flag = check(c.path, uc);
    EXPECT_EQ(uc.outcome(), c.outcome) << c.path;
    EXPECT_EQ(flag, c.shown != nullptr) << c.path;
    if (c.shown) {
      EXPECT_EQ(versionText(uc.version()), c.shown) << c.path;
      EXPECT_EQ(uc.notes(), c.notes) << c.path;
    }
    // Every complete download is kept as the local version file.
    const std::string expect = c.path == std::string("/to-https") ? "v16" : fs::path(c.path).filename().string();
    EXPECT_EQ(readFile(cfg_.versionPath), readFile(*dir_ / "www" / expect)) << c.path;
  }
}

TEST_F(UpdateCheckServer, RefusedAnswersLeaveNoTraceAndNoNotice) {
  const std::string plain = "http://127.0.0.1:" + std::to_string(port_) + "/file/v16";
  const struct {
    const char* what;
    std::string path;
    bool trusted;
    UpdateOutcome outcome;
  } cases[] = {
      {"plain http", plain, true, UpdateOutcome::kDownloadFailed},
      {"redirect to http", "/to-http", true, UpdateOutcome::kDownloadFailed},
      {"certificate not trusted", "/file/v16", false, UpdateOutcome::kDownloadFailed},
      {"missing file", "/file/nothing", true, UpdateOutcome::kDownloadFailed},
      {"endless body", "/endless", true, UpdateOutcome::kTooLarge},
  };
  for (const auto& c : cases) {
    writeFile(cfg_.versionPath, "0.15\nprevious\n");
    cfg_.caFile = c.trusted ? (*dir_ / "cert.pem").string() : std::string();
    UpdateCheck uc;
    EXPECT_EQ(check(c.path, uc), 0) << c.what;
    EXPECT_EQ(uc.outcome(), c.outcome) << c.what;
    // The previous copy stays; no partial file is left beside it.
    EXPECT_EQ(readFile(cfg_.versionPath), "0.15\nprevious\n") << c.what;
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(*dir_)) files += e.is_regular_file();
    EXPECT_EQ(files, 3u) << c.what;  // cert, key, version file
  }
}

TEST_F(UpdateCheckServer, ASilentServerTimesOut) {
  cfg_.connectTimeoutMs = 1000;
  cfg_.totalTimeoutMs = 1500;
  UpdateCheck uc;
  EXPECT_EQ(check("/silent", uc), 0);
  EXPECT_EQ(uc.outcome(), UpdateOutcome::kTimedOut);
  EXPECT_FALSE(fs::exists(cfg_.versionPath));
}

TEST_F(UpdateCheckServer, StoppingAbortsARunningCheck) {
  // Full time-outs: only the abort can end this transfer before half a minute.
  cfg_.url = url("/silent");
  std::atomic<bool> flag{false};
  UpdateCheck uc;
  uc.start(cfg_, flag);
  uc.stop();
  EXPECT_EQ(uc.outcome(), UpdateOutcome::kAborted);
  EXPECT_FALSE(flag.load());
}

}  // namespace
}  // namespace pw
