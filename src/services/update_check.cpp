#include "services/update_check.h"

#include <curl/curl.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fileio/atomic_file.h"

namespace pw {

namespace {

struct Transfer {
  std::string body;
  size_t maxBytes = 0;
  bool tooLarge = false;
  const std::atomic<bool>* abort = nullptr;
};

size_t onData(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (n > t->maxBytes - t->body.size()) {  // never buffer past the cap
    t->tooLarge = true;
    return 0;  // a short count ends the transfer
  }
  t->body.append(data, n);
  return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* t = static_cast<const Transfer*>(user);
  return t->abort->load(std::memory_order_relaxed) ? 1 : 0;
}

double leadingNumber(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return 0;
  return v;
}

double readBack(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return leadingNumber(buf);
}

}  // namespace

bool UpdateConfig::fromEnvironment(UpdateConfig& cfg) {
  if (const char* url = std::getenv("PENWICK_UPDATE_URL"); url && *url) {
    if (std::strcmp(url, "off") == 0) return false;
    cfg.url = url;
  }
  if (const char* ca = std::getenv("PENWICK_UPDATE_CAFILE"); ca && *ca) cfg.caFile = ca;
  return true;
}

VersionFile parseVersionFile(const std::string& text) {
  VersionFile f;
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    const size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      f.version = leadingNumber(line);
      first = false;
    } else {
      f.notes.append(line);
      f.notes += '\n';
    }
    at = next;
  }
  return f;
}

int versionDecimals(double v) {
  if (readBack(v, 2) >= v) return 2;
  if (readBack(v, 3) >= v) return 3;
  return 4;
}

std::string versionText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", versionDecimals(v), v);
  return buf;
}

std::string newVersionText(double v, const std::string& notes) {
  return "\nA new version is available : " + versionText(v) + "\n\n" + notes;
}

UpdateOutcome UpdateCheck::run(const UpdateConfig& cfg) {
  CURL* curl = curl_easy_init();
  if (!curl) return UpdateOutcome::kNetworkInit;

  Transfer t;
  t.maxBytes = cfg.maxBytes;
  t.abort = &abort_;
  curl_easy_setopt(curl, CURLOPT_URL, cfg.url.c_str());
  // Secure requests only, also after a redirect.
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!cfg.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, cfg.caFile.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, cfg.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, cfg.totalTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  // A server that announces more than the cap is refused before anything arrives.
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(cfg.maxBytes));
  const CURLcode rc = curl_easy_perform(curl);
  curl_easy_cleanup(curl);

  if (rc != CURLE_OK) {
    if (abort_.load(std::memory_order_relaxed)) return UpdateOutcome::kAborted;
    if (t.tooLarge || rc == CURLE_FILESIZE_EXCEEDED) return UpdateOutcome::kTooLarge;
    if (rc == CURLE_OPERATION_TIMEDOUT) return UpdateOutcome::kTimedOut;
    return UpdateOutcome::kDownloadFailed;
  }
  // The local copy is replaced only by a complete download.
  if (!writeFileAtomic(cfg.versionPath, t.body)) return UpdateOutcome::kWriteFailed;

  const VersionFile f = parseVersionFile(t.body);
  if (!(f.version > cfg.ownVersion)) return UpdateOutcome::kUpToDate;
  version_ = f.version;
  notes_ = f.notes;
  return UpdateOutcome::kNewVersion;
}

void UpdateCheck::start(const UpdateConfig& cfg, std::atomic<bool>& flag) {
  stop();
  abort_.store(false, std::memory_order_relaxed);
  outcome_.store(UpdateOutcome::kRunning, std::memory_order_relaxed);
  worker_ = std::thread([this, cfg, &flag] {
    const UpdateOutcome o = run(cfg);
    outcome_.store(o, std::memory_order_release);
    if (o == UpdateOutcome::kNewVersion || o == UpdateOutcome::kNetworkInit)
      flag.store(true, std::memory_order_release);
  });
}

void UpdateCheck::stop() {
  if (!worker_.joinable()) return;
  abort_.store(true, std::memory_order_relaxed);
  worker_.join();
}

NetworkInit::NetworkInit() : ok_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

NetworkInit::~NetworkInit() {
  if (ok_) curl_global_cleanup();
}

}  // namespace pw
