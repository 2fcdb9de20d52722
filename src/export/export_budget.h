// What an animation export may take of the machine: memory for its drawing threads, and disk
// for what it writes. Estimates, made before the first frame is drawn (memory) and from the
// first encoded frame (disk), so that an export the machine cannot hold is refused at once
// instead of failing hours later.
#pragma once

#include <cstdint>
#include <string>

namespace pw {

struct ExportLimits {
  uint64_t memory = 0;  // bytes the export may use; 0: what the system has available
  uint64_t disk = 0;    // free bytes where the output goes; 0: what the file system reports
};

// Memory one thread needs to draw and encode a frame of w x h pixels: the image itself and the
// encoder's work on it (about twice the image for PNG, five times for lossless WebP).
uint64_t frameThreadMemory(int w, int h, bool webp);

// How many of `wanted` threads fit in `memory` at `perThread` each; 0 when not even one does.
int threadsWithin(int wanted, uint64_t perThread, uint64_t memory);

// Why a frame of w x h pixels cannot be drawn in `memory`; empty when one thread fits.
std::string memoryProblem(int w, int h, uint64_t perThread, uint64_t memory);

// Why `frames` frames of about `frameBytes` each (the first one's size) will not fit in `free`
// bytes at `where`; empty when they fit, or when the free space is not known (0).
std::string diskProblem(uint64_t frameBytes, int64_t frames, uint64_t free, const std::string& where);

// The memory the system can give without swapping (MemAvailable), or 0 when unknown.
uint64_t availableMemory();
// Free bytes for an unprivileged writer on the file system holding `path`, or 0 when unknown.
uint64_t freeDiskSpace(const std::string& path);

// Cores a process may use, from the number its CPU affinity allows and the text of a cgroup v2
// "cpu.max" file ("max 100000" or "QUOTA PERIOD", QUOTA microseconds of CPU time each PERIOD):
// the affinity count, lowered to the quota rounded up to whole cores. An empty or unreadable
// text leaves the affinity count. At least 1.
int coresWithin(int affinityCores, const std::string& cpuMax);

// The cores this process may use: its CPU affinity (sched_getaffinity) and the tightest
// "cpu.max" of its cgroup v2 and the cgroups above it. What a 4-CPU slot of a scheduler gives,
// not the 64 cores of the node it runs on.
int usableCores();

// "12 MB", "3.5 GB": a size for messages.
std::string sizeText(uint64_t bytes);

}  // namespace pw
