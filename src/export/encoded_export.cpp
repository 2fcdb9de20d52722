#include "export/encoded_export.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "export/av_anim_file.h"
#include "export/export_budget.h"

namespace pw {

namespace {

namespace fs = std::filesystem;
using Status = ExportOutcome::Status;

constexpr int kMaxThreads = 16;
// Frames the video encoders hold while they look ahead (the rate control's look-ahead and the
// frames it reorders), in 4:2:0 frames of 1.5 bytes a pixel.
constexpr uint64_t kVideoHeldFrames = 64;

ExportOutcome failed(const std::string& why) {
  ExportOutcome o;
  o.status = Status::kFailed;
  o.error = why;
  return o;
}

uint64_t pixels(int w, int h) {
  return static_cast<uint64_t>(std::max(w, 0)) * static_cast<uint64_t>(std::max(h, 0));
}

// Memory the encoder keeps on the writing thread besides the drawing threads.
uint64_t encoderMemory(EncodedFormat f, int w, int h) {
  switch (f) {
    case EncodedFormat::kGif: return 3 * pixels(w, h);    // the last frame and the packet
    case EncodedFormat::kApng: return 16 * pixels(w, h);  // the last frames, filtered rows
    default: return kVideoHeldFrames * pixels(w, h) * 3 / 2;
  }
}

// Threads for the job (one a core, or as many as asked; no more than there are frames or than
// the memory holds beside the encoder); 0, with the reason, when not even one fits.
int jobThreads(const AnimExport& job, EncodedFormat format, std::string& why) {
  int wanted = job.threads > 0 ? job.threads : static_cast<int>(std::thread::hardware_concurrency());
  wanted = static_cast<int>(std::min<int64_t>(std::clamp(wanted, 1, kMaxThreads),
                                              job.to - job.from + 1));
  const int w = job.options.CameraW, h = job.options.CameraH;
  const uint64_t perThread = frameThreadMemory(w, h, true);
  const uint64_t encoder = encoderMemory(format, w, h);
  const uint64_t memory = job.limits.memory ? job.limits.memory : availableMemory();
  if (memory == 0) return wanted;  // not known here: as many as asked
  if (memory <= encoder) {
    why = memoryProblem(w, h, perThread + encoder, memory);
    return 0;
  }
  why = memoryProblem(w, h, perThread, memory - encoder);
  return why.empty() ? threadsWithin(wanted, perThread, memory - encoder) : 0;
}

ExportOutcome outcomeOf(const PipelineResult& r) {
  ExportOutcome o;
  o.frames = r.delivered;
  o.status = r.status == PipelineResult::Status::kDone        ? Status::kDone
             : r.status == PipelineResult::Status::kCancelled ? Status::kCancelled
                                                              : Status::kFailed;
  o.error = r.error;
  return o;
}

}  // namespace

ExportOutcome exportEncoded(const AnimExport& job, const std::string& file, EncodedFormat format,
                            int quality) {
  if (std::string why = frameRangeProblem(job.from, job.to); !why.empty()) return failed(why);
  if (std::string why = cameraProblem(job.options); !why.empty()) return failed(why);
  const int w = job.options.CameraW, h = job.options.CameraH;
  if (std::string why = AvAnimationFile::sizeProblem(format, w, h); !why.empty())
    return failed(why);
  if (file.empty()) return failed("no file to export the animation to");
  if (quality < kMinQuality || quality > kMaxQuality)
    return failed("the quality " + std::to_string(quality) + " is not from " +
                  std::to_string(kMinQuality) + " to " + std::to_string(kMaxQuality));

  std::string tooBig;
  const int threads = jobThreads(job, format, tooBig);
  if (threads == 0) return failed(tooBig);
  std::vector<std::unique_ptr<FrameRenderer>> renderers;
  std::vector<std::shared_ptr<EncoderFrameMaker>> makers;
  std::vector<FrameWork> workers;
  for (int t = 0; t < threads; ++t) {
    renderers.push_back(std::make_unique<FrameRenderer>(job.doc, job.options, job.store));
    makers.push_back(std::make_shared<EncoderFrameMaker>(format, quality));
    FrameRenderer* r = renderers.back().get();
    EncoderFrameMaker* m = makers.back().get();
    workers.push_back([r, m](int64_t frame, std::string& bytes, std::string& err) {
      const QImage img = r->render(frame);
      if (img.isNull()) {
        err = "not enough memory to draw frame " + std::to_string(frame);
        return false;
      }
      return m->make(img, bytes, err);
    });
  }

  AvAnimationFile anim(file, format, w, h, job.doc.Fps, quality);
  if (std::string why; !anim.open(&why)) return failed("cannot write " + file + ": " + why);
  const std::string folder = fs::path(file).parent_path().empty()
                                 ? std::string(".")
                                 : fs::path(file).parent_path().string();
  const int64_t total = job.to - job.from + 1;
  bool diskChecked = false;
  const FrameSink sink = [&](int64_t, std::string& bytes, std::string& err) {
    std::string why;
    if (!anim.addFrame(bytes, &why)) {
      err = "cannot write " + file + ": " + why;
      return false;
    }
    // Once the encoder has handed out its first frames, the file so far tells about how much
    // a frame takes: checked once then, so that an export the disk cannot hold stops early.
    if (!diskChecked && anim.size() > 0) {
      diskChecked = true;
      const uint64_t perFrame = anim.size() / static_cast<uint64_t>(anim.frameCount()) + 1;
      const uint64_t free = job.limits.disk ? job.limits.disk : freeDiskSpace(folder);
      err = diskProblem(perFrame, total, free, folder);
      if (!err.empty()) return false;
    }
    return true;
  };
  ExportOutcome out = outcomeOf(runFramePipeline(job.from, job.to, workers, sink, job.progress));
  if (!out.done()) return out;  // the temporary file goes with `anim`
  if (std::string why; !anim.commit(&why)) return failed("cannot write " + file + ": " + why);
  return out;
}

}  // namespace pw
