// What an animation export may take of the machine: memory per drawing thread, threads that
// fit, and the disk estimate from the first frame.
#include "export/export_budget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace pw {
namespace {

constexpr uint64_t kMB = 1024 * 1024;
constexpr uint64_t kGB = 1024 * kMB;

TEST(ExportBudget, ThreadsAreCappedByMemory) {
  // A 16384 x 16384 camera: 1 GB an image, 3 GB a PNG thread, 6 GB a WebP thread.
  EXPECT_EQ(frameThreadMemory(16384, 16384, false), 3 * kGB);
  EXPECT_EQ(frameThreadMemory(16384, 16384, true), 6 * kGB);
  EXPECT_EQ(frameThreadMemory(-5, 10, false), 0u);
  const struct {
    int wanted;
    uint64_t perThread, memory;
    int threads;
  } cases[] = {
      {8, 3 * kGB, 24 * kGB, 8},  {8, 3 * kGB, 10 * kGB, 3},    {8, 3 * kGB, 3 * kGB, 1},
      {8, 3 * kGB, 2 * kGB, 0},   {0, 3 * kGB, 24 * kGB, 1},    {4, 0, 0, 4},
      {2, std::numeric_limits<uint64_t>::max(), std::numeric_limits<uint64_t>::max(), 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(threadsWithin(c.wanted, c.perThread, c.memory), c.threads)
        << c.wanted << " " << c.perThread << " " << c.memory;
  EXPECT_EQ(memoryProblem(16384, 16384, 3 * kGB, 3 * kGB), "");
  EXPECT_EQ(memoryProblem(16384, 16384, 3 * kGB, 2 * kGB),
            "a frame of 16384 x 16384 pixels needs about 3.0 GB of memory to draw and encode, "
            "and 2.0 GB is available");
}

TEST(ExportBudget, TheDiskMustHoldEveryFrameLikeTheFirst) {
  const struct {
    uint64_t frameBytes;
    int64_t frames;
    uint64_t free;
    const char* problem;  // empty: it fits
  } cases[] = {
      {5 * kMB, 32768, 80 * kGB, "the 32768 frames would take about 160 GB, and /out has 80 GB free"},
      {5 * kMB, 100, 80 * kGB, ""},
      {kMB, 10, 10 * kMB, ""},
      {kMB, 11, 10 * kMB, "the 11 frames would take about 11 MB, and /out has 10 MB free"},
      {kMB, 11, 0, ""},  // free space not known: no estimate
      {std::numeric_limits<uint64_t>::max(), 2, kGB,
       "the 2 frames would take about 17179869183 GB, and /out has 1.0 GB free"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(diskProblem(c.frameBytes, c.frames, c.free, "/out"), c.problem) << c.frames;
}

TEST(ExportBudget, TheMachineIsAsked) {
  EXPECT_GT(availableMemory(), 0u);
  EXPECT_GT(freeDiskSpace("."), 0u);
  EXPECT_EQ(freeDiskSpace("/no/such/folder"), 0u);
}

TEST(ExportBudget, CoresFollowTheAffinityAndTheCgroupQuota) {
  const struct {
    int affinity;
    const char* cpuMax;
    int cores;
  } cases[] = {
      {64, "", 64},                    // no cgroup file
      {64, "max 100000", 64},          // no limit
      {64, "400000 100000", 4},        // a 4-CPU slot on a 64-core node
      {64, "150000 100000", 2},        // 1.5 CPUs: rounded up
      {64, "50000 100000", 1},         // half a CPU: one thread
      {2, "800000 100000", 2},         // the affinity is tighter
      {0, "max 100000", 1},            // never below one
      {8, "garbage", 8},  {8, "-5 100000", 8},  {8, "400000 0", 8},  {8, "400000", 8},
  };
  for (const auto& c : cases)
    EXPECT_EQ(coresWithin(c.affinity, c.cpuMax), c.cores) << c.affinity << " " << c.cpuMax;
  EXPECT_GE(usableCores(), 1);
}

}  // namespace
}  // namespace pw
