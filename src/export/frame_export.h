// Exports of an animation: every frame of a range as a PNG file in a folder, or all of them as
// one looping animated WebP. Frames are drawn and encoded on every core, each thread with its
// own copy of the document and of the drawing resources, and handed on in order.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "core/editor.h"
#include "core/keyframes.h"
#include "core/scripted_prompt.h"
#include "export/export_budget.h"
#include "export/frame_pipeline.h"
#include "render/image_store.h"

namespace pw {

// Draws frames of an animation: the camera rectangle of the settings, one scene unit per pixel,
// keyed objects at their pose of the frame, the shapes the canvas would show (linked runs with
// their holes; "Show only selected" does not apply), on a transparent background. Not
// thread-safe: one renderer per thread.
class FrameRenderer {
 public:
  FrameRenderer(const Document& doc, const sVdOptions& options, const ImageStore& store);
  FrameRenderer(const FrameRenderer&) = delete;
  FrameRenderer& operator=(const FrameRenderer&) = delete;

  // A CameraW x CameraH ARGB32_Premultiplied image; null when memory runs out.
  QImage render(int64_t frame);
  // Whether frames a and b are the same picture: every keyed object has one pose at both.
  bool drawsAlike(int64_t a, int64_t b) const { return samePoses(ed_.doc, a, b); }

 private:
  ImageStore store_;
  ScriptedPrompt prompt_;
  Editor ed_;
};

// "frame_00012.png" for frame 12.
std::string frameFileName(int64_t frame);

// Why frames from..to cannot be exported ("--from"/"--to" style wording left to the caller);
// empty when 0 <= from <= to <= 32767.
std::string frameRangeProblem(int64_t from, int64_t to);

// The frames an export covers by default: 0 to the document's max frame (kept in range).
int64_t lastExportFrame(const Document& doc);

struct AnimExport {
  const Document& doc;
  const sVdOptions& options;  // camera rectangle
  const ImageStore& store;    // the images and fonts the document's handles name
  int64_t from = 0, to = 0;
  int threads = 0;            // 0: one a core (fewer when memory is short)
  FrameProgress progress;     // may be empty
  ExportLimits limits;        // what the machine can give; zeros: ask the system
  // The frames to make, in this order, each from 0 to 32767; empty: every frame from..to.
  std::vector<int64_t> frames;
  // Not empty: the frames are not drawn but read from FRAMES_DIR/frame_NNNNN.png, made earlier
  // by exportFrames (the camera size of `options` must be theirs).
  std::string framesDir;
  // exportFrames only: each frame moves into the folder as soon as it is written (atomically),
  // so an export that stops keeps the frames it finished, instead of all of them at the end.
  bool keepEachFrame = false;
};

// The frames a job makes, in order: job.frames, or from..to when that is empty.
std::vector<int64_t> jobFrames(const AnimExport& job);

// Threads a job asks for: job.threads (at most 256), or when 0 the cores the process may use
// (usableCores, at most 16); no more than it has frames, at least 1. Memory may allow fewer.
int wantedThreads(const AnimExport& job);

// Why the frames of a job cannot be exported (see frameRangeProblem); empty when they can.
std::string jobFramesProblem(const AnimExport& job);

struct ExportOutcome {
  enum class Status { kDone, kCancelled, kFailed };
  // What a failure was about, for a caller that tells them apart (a scheduler retries some).
  enum class Cause {
    kInput,      // the range, the camera, the frames to read: the job itself is wrong
    kOutput,     // the target cannot be written (permissions, something in the way, I/O)
    kResources,  // out of memory or disk space: worth trying again elsewhere
    kOther,      // an encoder's own failure
  };
  Status status = Status::kDone;
  Cause cause = Cause::kOther;  // when failed
  std::string error;   // when failed: one line, with the file named
  int64_t frames = 0;  // frames written (done) or made before the end
  bool done() const { return status == Status::kDone; }
};

// Shared by the exports of this folder.
// The cause of a failed write from its reason (strerror text): a full disk or quota, or memory,
// is kResources; anything else kOutput.
ExportOutcome::Cause writeFailureCause(const std::string& why);
// The outcome of a pipeline run: a sink's failure has `sinkCause`, a worker's kResources (memory)
// or, when `reading` frame files, kInput.
ExportOutcome pipelineOutcome(const PipelineResult& r, ExportOutcome::Cause sinkCause,
                              bool reading);
// DIR/frame_NNNNN.png as a straight-alpha ARGB32 image; null, with `err`, when it cannot be read.
QImage readFrameFile(const std::string& dir, int64_t frame, std::string& err);

// Writes DIR/frame_NNNNN.png for each frame (NNNNN the frame number); DIR and its missing
// parents are created. The frames move into DIR only once all are written: cancelled or failed,
// DIR keeps the files it had (earlier frames included) and the folders made are removed again.
// With job.keepEachFrame each frame moves in as soon as it is written instead.
ExportOutcome exportFrames(const AnimExport& job, const std::string& dir);

// Writes one lossless animated WebP at the document's frames per second, looping forever; each
// frame after the first stores only the rectangle that changed since the one before it. The
// frames are streamed to a temporary file beside the target that is renamed over it once every
// frame is in; cancelled or failed, the temporary file is removed and the target untouched.
ExportOutcome exportWebp(const AnimExport& job, const std::string& file);

}  // namespace pw
