#include "export/encoded_export.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "export/av_anim_file.h"
#include "export/export_budget.h"

namespace pw {

namespace {

namespace fs = std::filesystem;
using Status = ExportOutcome::Status;
using Cause = ExportOutcome::Cause;

// Frames the video encoders hold while they look ahead (the rate control's look-ahead and the
// frames it reorders), in 4:2:0 frames of 1.5 bytes a pixel.
constexpr uint64_t kVideoHeldFrames = 64;

ExportOutcome failed(const std::string& why, Cause cause) {
  ExportOutcome o;
  o.status = Status::kFailed;
  o.cause = cause;
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
  const int wanted = wantedThreads(job);
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

}  // namespace

ExportOutcome exportEncoded(const AnimExport& job, const std::string& file, EncodedFormat format,
                            int quality) {
  if (std::string why = jobFramesProblem(job); !why.empty()) return failed(why, Cause::kInput);
  const std::vector<int64_t> frames = jobFrames(job);
  if (std::string why = cameraProblem(job.options); !why.empty())
    return failed(why, Cause::kInput);
  const int w = job.options.CameraW, h = job.options.CameraH;
  if (std::string why = AvAnimationFile::sizeProblem(format, w, h); !why.empty())
    return failed(why, Cause::kInput);
  if (file.empty()) return failed("no file to export the animation to", Cause::kInput);
  if (quality < kMinQuality || quality > kMaxQuality)
    return failed("the quality " + std::to_string(quality) + " is not from " +
                      std::to_string(kMinQuality) + " to " + std::to_string(kMaxQuality),
                  Cause::kInput);

  std::string tooBig;
  const int threads = jobThreads(job, format, tooBig);
  if (threads == 0) return failed(tooBig, Cause::kResources);
  std::vector<std::unique_ptr<FrameRenderer>> renderers;
  std::vector<std::shared_ptr<EncoderFrameMaker>> makers;
  std::vector<FrameWork> workers;
  for (int t = 0; t < threads; ++t) {
    renderers.push_back(std::make_unique<FrameRenderer>(job.doc, job.options, job.store));
    makers.push_back(std::make_shared<EncoderFrameMaker>(format, quality));
    FrameRenderer* r = renderers.back().get();
    EncoderFrameMaker* m = makers.back().get();
    const std::string folder = job.framesDir;
    workers.push_back([r, m, folder](int64_t frame, std::string& bytes, std::string& err) {
      // The encoders take premultiplied pixels, as drawn.
      const QImage img =
          folder.empty()
              ? r->render(frame)
              : readFrameFile(folder, frame, err).convertToFormat(QImage::Format_ARGB32_Premultiplied);
      if (img.isNull()) {
        if (err.empty()) err = "not enough memory to draw frame " + std::to_string(frame);
        return false;
      }
      return m->make(img, bytes, err);
    });
  }

  AvAnimationFile anim(file, format, w, h, job.doc.Fps, quality);
  if (std::string why; !anim.open(&why))
    return failed("cannot write " + file + ": " + why, writeFailureCause(why));
  const std::string folder = fs::path(file).parent_path().empty()
                                 ? std::string(".")
                                 : fs::path(file).parent_path().string();
  const int64_t total = static_cast<int64_t>(frames.size());
  bool diskChecked = false;
  Cause sinkCause = Cause::kOther;  // the encoder's own failure
  const FrameSink sink = [&](int64_t, std::string& bytes, std::string& err) {
    std::string why;
    if (!anim.addFrame(bytes, &why)) {
      err = "cannot write " + file + ": " + why;
      sinkCause = writeFailureCause(why) == Cause::kResources ? Cause::kResources : Cause::kOther;
      return false;
    }
    // Once the encoder has handed out its first frames, the file so far tells about how much
    // a frame takes: checked once then, so that an export the disk cannot hold stops early.
    if (!diskChecked && anim.size() > 0) {
      diskChecked = true;
      const uint64_t perFrame = anim.size() / static_cast<uint64_t>(anim.frameCount()) + 1;
      const uint64_t free = job.limits.disk ? job.limits.disk : freeDiskSpace(folder);
      err = diskProblem(perFrame, total, free, folder);
      if (!err.empty()) {
        sinkCause = Cause::kResources;
        return false;
      }
    }
    return true;
  };
  ExportOutcome out = pipelineOutcome(runFramePipeline(frames, workers, sink, job.progress),
                                      sinkCause, !job.framesDir.empty());
  if (!out.done()) return out;  // the temporary file goes with `anim`
  if (std::string why; !anim.commit(&why))
    return failed("cannot write " + file + ": " + why, writeFailureCause(why));
  return out;
}

}  // namespace pw
