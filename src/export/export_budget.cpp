#include "export/export_budget.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>

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
