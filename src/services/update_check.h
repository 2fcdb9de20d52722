// The update check: a worker thread downloads the small remote version file, keeps it as
// "data/version.txt" and, when it names a version above the program's own, publishes the number
// and the release notes through a flag the main thread polls. The worker never touches a window.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace pw {

// Where the version file and the download page live.
inline constexpr const char* kUpdateUrl =
    "https://raw.githubusercontent.com/penwick-editor/penwick/main/version.txt";
inline constexpr const char* kDownloadPageUrl = "https://penwick-editor.github.io/download/";

struct UpdateConfig {
  std::string url = kUpdateUrl;
  std::string caFile;                       // extra trusted certificates (PEM); empty: system
  std::string versionPath = "data/version.txt";
  long connectTimeoutMs = 10000;
  long totalTimeoutMs = 30000;
  size_t maxBytes = 64 * 1024;              // a longer answer is refused
  double ownVersion = 0.15;

  // The editor's configuration: the constant address unless PENWICK_UPDATE_URL names another
  // ("off" disables the check), PENWICK_UPDATE_CAFILE adds a trusted certificate file.
  // False when the check is disabled.
  static bool fromEnvironment(UpdateConfig& cfg);
};

enum class UpdateOutcome : uint8_t {
  kRunning,
  kNewVersion,    // newer version found: version() and notes() are set
  kUpToDate,      // the remote version is not newer (or not a number)
  kNetworkInit,   // the network layer could not be initialised
  kDownloadFailed,
  kTooLarge,      // the answer passed the byte cap
  kTimedOut,
  kWriteFailed,   // data/version.txt could not be written
  kAborted,       // stopped on request
};

// Line 1 as a number (0 when it is none), lines 2 to the end each followed by one LF.
struct VersionFile {
  double version = 0;
  std::string notes;
};
VersionFile parseVersionFile(const std::string& text);

// Decimals the notice writes `v` with: 2, or 3 when 2 decimals read back smaller, or 4 when 3
// decimals read back smaller too.
int versionDecimals(double v);
// `v` with versionDecimals(v) decimals.
std::string versionText(double v);
// The notice's text: an empty line, the version line, an empty line, the notes.
std::string newVersionText(double v, const std::string& notes);

// One check on its own thread. The destructor aborts a running check and joins it.
class UpdateCheck {
 public:
  UpdateCheck() = default;
  ~UpdateCheck() { stop(); }
  UpdateCheck(const UpdateCheck&) = delete;
  UpdateCheck& operator=(const UpdateCheck&) = delete;

  // Starts the worker. When it ends with a newer version or a network-layer failure, it sets
  // `flag` (release) after storing its results; the main thread reads version() and
  // notes() only after it has seen the flag (acquire).
  void start(const UpdateConfig& cfg, std::atomic<bool>& flag);
  // Aborts a running transfer and waits for the worker (it notices within about a second).
  void stop();
  // Waits for the worker to end by itself.
  void wait() {
    if (worker_.joinable()) worker_.join();
  }
  // Runs one check on the calling thread (the worker's body).
  UpdateOutcome run(const UpdateConfig& cfg);

  UpdateOutcome outcome() const { return outcome_.load(std::memory_order_acquire); }
  double version() const { return version_; }
  const std::string& notes() const { return notes_; }
  bool abortRequested() const { return abort_.load(std::memory_order_relaxed); }

 private:
  std::thread worker_;
  std::atomic<bool> abort_{false};
  std::atomic<UpdateOutcome> outcome_{UpdateOutcome::kRunning};
  double version_ = 0;
  std::string notes_;
};

// Once per process, before any thread starts: initialises the network layer (and cleans it up
// at the end of the scope).
class NetworkInit {
 public:
  NetworkInit();
  ~NetworkInit();
  NetworkInit(const NetworkInit&) = delete;
  NetworkInit& operator=(const NetworkInit&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

}  // namespace pw
