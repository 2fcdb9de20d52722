// Frames made side by side on several threads and handed on strictly in order: the exports of
// an animation draw and encode on every core while their files are written one after another.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pw {

// Makes frame `frame` into `bytes` on a worker thread; false with `err` on failure. Each thread
// has its own work function, so each can keep its own document copy and drawing resources.
using FrameWork = std::function<bool(int64_t frame, std::string& bytes, std::string& err)>;
// The same told the frame's place in the list too (0 for the first).
using IndexedFrameWork =
    std::function<bool(int64_t index, int64_t frame, std::string& bytes, std::string& err)>;
// Takes the frames in order on the calling thread; false with `err` stops the run.
using FrameSink = std::function<bool(int64_t frame, std::string& bytes, std::string& err)>;
// Called on the calling thread after each frame handed on and at least every tenth of a second
// while waiting: frames done so far and the total. False cancels the run.
using FrameProgress = std::function<bool(int64_t done, int64_t total)>;

struct PipelineResult {
  enum class Status { kDone, kCancelled, kFailed };
  Status status = Status::kDone;
  std::string error;      // when failed
  int64_t delivered = 0;  // frames the sink took
  bool failedInSink = false;  // failed: the sink refused a frame (not a worker's failure)
};

// Runs the frames of `frames`, in that order, with one thread per work function (at least one).
// At most twice as many frames as there are threads are made ahead of the sink, so memory stays
// flat however long the animation. Returns once every thread has ended.
PipelineResult runFramePipeline(const std::vector<int64_t>& frames,
                                std::vector<FrameWork>& workers, const FrameSink& sink,
                                const FrameProgress& progress);
// The same with work functions that are told each frame's place in the list.
PipelineResult runFramePipeline(const std::vector<int64_t>& frames,
                                std::vector<IndexedFrameWork>& workers, const FrameSink& sink,
                                const FrameProgress& progress);
// The same for every frame from..to (nothing when from > to).
PipelineResult runFramePipeline(int64_t from, int64_t to, std::vector<FrameWork>& workers,
                                const FrameSink& sink, const FrameProgress& progress);

// Frames from..to in order; empty when from > to.
std::vector<int64_t> frameRange(int64_t from, int64_t to);

}  // namespace pw
