#include "export/export_budget.h"

#include <sched.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

namespace pw {

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kGiB = 1024 * kMiB;

// a * b, held at the largest value instead of wrapping.
uint64_t mulSat(uint64_t a, uint64_t b) {
  if (a != 0 && b > std::numeric_limits<uint64_t>::max() / a)
    return std::numeric_limits<uint64_t>::max();
  return a * b;
}

}  // namespace

int coresWithin(int affinityCores, const std::string& cpuMax) {
  int cores = std::max(affinityCores, 1);
  std::istringstream in(cpuMax);
  std::string quota;
  long long period = 0;
  if (!(in >> quota >> period) || quota == "max" || period <= 0) return cores;
  long long q = 0;
  for (char c : quota) {
    if (c < '0' || c > '9' || q > (1LL << 40)) return cores;
    q = q * 10 + (c - '0');
  }
  if (q <= 0) return cores;
  const long long limit = std::max<long long>((q + period - 1) / period, 1);
  return static_cast<int>(std::min<long long>(cores, limit));
}

int usableCores() {
  int cores = static_cast<int>(std::thread::hardware_concurrency());
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) cores = CPU_COUNT(&set);
  // cgroup v2: one line "0::/PATH"; each cgroup from PATH up to the root may cap the CPU time.
  std::ifstream self("/proc/self/cgroup");
  std::string line, path;
  while (std::getline(self, line))
    if (line.rfind("0::", 0) == 0) path = line.substr(3);
  if (path.empty() || path[0] != '/') return std::max(cores, 1);
  for (;;) {
    std::ifstream f("/sys/fs/cgroup" + (path == "/" ? std::string() : path) + "/cpu.max");
    std::string text;
    if (f && std::getline(f, text)) cores = coresWithin(cores, text);
    if (path == "/" || path.empty()) break;
    const size_t slash = path.find_last_of('/');
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
  return std::max(cores, 1);
}

uint64_t frameThreadMemory(int w, int h, bool webp) {
  const uint64_t image = mulSat(mulSat(static_cast<uint64_t>(std::max(w, 0)),
                                       static_cast<uint64_t>(std::max(h, 0))),
                                4);
  return mulSat(image, webp ? 6 : 3);
}

int threadsWithin(int wanted, uint64_t perThread, uint64_t memory) {
  if (perThread == 0) return std::max(wanted, 1);
  const uint64_t fit = memory / perThread;
  return static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(std::max(wanted, 1)), fit));
}

std::string memoryProblem(int w, int h, uint64_t perThread, uint64_t memory) {
  if (threadsWithin(1, perThread, memory) >= 1) return {};
  return "a frame of " + std::to_string(w) + " x " + std::to_string(h) + " pixels needs about " +
         sizeText(perThread) + " of memory to draw and encode, and " + sizeText(memory) +
         " is available";
}

std::string diskProblem(uint64_t frameBytes, int64_t frames, uint64_t free, const std::string& where) {
  if (free == 0 || frames <= 0) return {};
  const uint64_t need = mulSat(frameBytes, static_cast<uint64_t>(frames));
  if (need <= free) return {};
  return "the " + std::to_string(frames) + " frames would take about " + sizeText(need) +
         ", and " + where + " has " + sizeText(free) + " free";
}

uint64_t availableMemory() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  uint64_t kb = 0;
  std::string unit;
  while (in >> key >> kb >> unit)
    if (key == "MemAvailable:") return mulSat(kb, 1024);
  return 0;
}

uint64_t freeDiskSpace(const std::string& path) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return 0;
  return mulSat(static_cast<uint64_t>(st.f_bavail), static_cast<uint64_t>(st.f_frsize));
}

std::string sizeText(uint64_t bytes) {
  char buf[32];
  if (bytes >= 10 * kGiB) {
    std::snprintf(buf, sizeof buf, "%llu GB", static_cast<unsigned long long>(bytes / kGiB));
  } else if (bytes >= kGiB) {
    std::snprintf(buf, sizeof buf, "%.1f GB", static_cast<double>(bytes) / static_cast<double>(kGiB));
  } else {
    std::snprintf(buf, sizeof buf, "%llu MB",
                  static_cast<unsigned long long>((bytes + kMiB - 1) / kMiB));
  }
  return buf;
}

}  // namespace pw
