#include "export/frame_export.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "core/keyframes.h"
#include "export/frame_staging.h"
#include "export/png_write.h"
#include "export/webp_anim_file.h"
#include "export/webp_write.h"
#include "fileio/atomic_file.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace fs = std::filesystem;
using Status = ExportOutcome::Status;
using Cause = ExportOutcome::Cause;

namespace {

ExportOutcome failed(const std::string& why, Cause cause) {
  ExportOutcome o;
  o.status = Status::kFailed;
  o.cause = cause;
  o.error = why;
  return o;
}

// The checks both exports make before drawing anything.
std::string jobProblem(const AnimExport& job) {
  if (std::string why = jobFramesProblem(job); !why.empty()) return why;
  return cameraProblem(job.options);
}

// Threads for the job: one a core (or as many as asked), no more than there are frames, and no
// more than the memory holds. 0, with the reason, when not even one fits.
int jobThreads(const AnimExport& job, bool webp, std::string& why) {
  const int wanted = wantedThreads(job);
  const int w = job.options.CameraW, h = job.options.CameraH;
  const uint64_t perThread = frameThreadMemory(w, h, webp);
  const uint64_t memory = job.limits.memory ? job.limits.memory : availableMemory();
  if (memory == 0) return wanted;  // not known here: as many as asked
  why = memoryProblem(w, h, perThread, memory);
  return why.empty() ? threadsWithin(wanted, perThread, memory) : 0;
}

// Checked on the first encoded frame: whether all the frames, each about its size, will fit on
// the disk holding `where`.
bool diskHolds(const AnimExport& job, size_t frameBytes, const std::string& where,
               std::string& err) {
  const uint64_t free = job.limits.disk ? job.limits.disk : freeDiskSpace(where);
  err = diskProblem(frameBytes, static_cast<int64_t>(jobFrames(job).size()), free, where);
  return err.empty();
}

// Frame `frame` drawn by `r`, or read from `folder` when that is not empty; null, with `err`
// (or with it empty when memory ran out), when it cannot be had.
QImage frameImage(FrameRenderer& r, const std::string& folder, int64_t frame, std::string& err) {
  return folder.empty() ? r.render(frame) : readFrameFile(folder, frame, err);
}

bool missingFrame(int64_t frame, std::string& err) {
  if (err.empty()) err = "not enough memory to draw frame " + std::to_string(frame);
  return false;
}

// One renderer per thread, and the work function that draws a frame and encodes it.
template <class Encode>
std::vector<FrameWork> makeWorkers(const AnimExport& job, int threads,
                                   std::vector<std::unique_ptr<FrameRenderer>>& renderers,
                                   Encode encode) {
  std::vector<FrameWork> workers;
  for (int t = 0; t < threads; ++t) {
    renderers.push_back(std::make_unique<FrameRenderer>(job.doc, job.options, job.store));
    FrameRenderer* r = renderers.back().get();
    const std::string folder = job.framesDir;
    workers.push_back([r, encode, folder](int64_t frame, std::string& bytes, std::string& err) {
      const QImage img = frameImage(*r, folder, frame, err);
      if (img.isNull()) return missingFrame(frame, err);
      return encode(img, bytes, err);
    });
  }
  return workers;
}

// Each frame's straight-alpha image, handed from its worker to the worker of the next frame of
// the list, which encodes only what changed. Frames are claimed in list order and a worker hands
// its image on before it waits for the one before, so every wait ends.
class ImageRelay {
 public:
  // The image of list place k; null when it could not be made.
  void give(int64_t k, QImage img) {
    {
      const std::lock_guard lock(m_);
      images_[k] = std::move(img);
    }
    cv_.notify_all();
  }
  QImage take(int64_t k) {
    std::unique_lock lock(m_);
    cv_.wait(lock, [&] { return images_.count(k) != 0; });
    const auto it = images_.find(k);
    QImage img = std::move(it->second);
    images_.erase(it);
    return img;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::map<int64_t, QImage> images_;
};

// The WebP workers: each draws (or reads) its frame, hands it on and encodes the change from
// the frame before, with the picture's placement packed in front (packWebpFrame). A frame posed
// as the one before it is that picture again: it is taken over instead of drawn.
std::vector<IndexedFrameWork> makeWebpWorkers(
    const AnimExport& job, int threads, const std::vector<int64_t>& frames,
    std::vector<std::unique_ptr<FrameRenderer>>& renderers, ImageRelay& relay) {
  std::vector<IndexedFrameWork> workers;
  const int64_t count = static_cast<int64_t>(frames.size());
  for (int t = 0; t < threads; ++t) {
    renderers.push_back(std::make_unique<FrameRenderer>(job.doc, job.options, job.store));
    FrameRenderer* r = renderers.back().get();
    const std::string folder = job.framesDir;
    workers.push_back([r, folder, count, &frames, &relay](int64_t k, int64_t frame,
                                                          std::string& bytes, std::string& err) {
      QImage img, prev;
      bool handedOn = k + 1 >= count;  // the last frame's image is nobody's
      // Handed on however this ends, a failure included: the next worker waits for it.
      const auto handOn = [&] {
        if (!handedOn) relay.give(k, img);
        handedOn = true;
      };
      struct Guard {
        decltype(handOn)& f;
        ~Guard() { f(); }
      } guard{handOn};
      const bool repeat =
          folder.empty() && k > 0 && r->drawsAlike(frames[static_cast<size_t>(k - 1)], frame);
      if (repeat) {
        img = prev = relay.take(k - 1);
      } else {
        img = frameImage(*r, folder, frame, err);
        if (!img.isNull()) img = straightArgb(img);
      }
      handOn();
      if (!repeat && k > 0) prev = relay.take(k - 1);
      if (k > 0 && prev.isNull()) {
        if (err.empty())
          err = "the frame before frame " + std::to_string(frame) + " could not be made";
        return false;
      }
      if (img.isNull()) return missingFrame(frame, err);
      std::string webp;
      WebpPlacement at;
      if (!encodeWebpChange(prev, img, webp, at, &err)) return false;
      bytes = packWebpFrame(at, webp);
      return true;
    });
  }
  return workers;
}

// Folders of `dir` that do not exist yet, the deepest first.
std::vector<fs::path> missingFolders(const fs::path& dir) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path p = dir; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  return missing;
}

}  // namespace

ExportOutcome::Cause writeFailureCause(const std::string& why) {
  for (const int e : {ENOSPC, EDQUOT, ENOMEM, EFBIG})
    if (why.find(std::strerror(e)) != std::string::npos) return Cause::kResources;
  return Cause::kOutput;
}

ExportOutcome pipelineOutcome(const PipelineResult& r, Cause sinkCause, bool reading) {
  ExportOutcome o;
  o.frames = r.delivered;
  switch (r.status) {
    case PipelineResult::Status::kDone: o.status = Status::kDone; break;
    case PipelineResult::Status::kCancelled: o.status = Status::kCancelled; break;
    case PipelineResult::Status::kFailed:
      o.status = Status::kFailed;
      o.error = r.error;
      // A worker fails when memory runs out (or, reading frames, on a frame it cannot use).
      o.cause = r.failedInSink ? sinkCause : reading ? Cause::kInput : Cause::kResources;
      break;
  }
  return o;
}

QImage readFrameFile(const std::string& dir, int64_t frame, std::string& err) {
  const std::string path = (fs::path(dir) / frameFileName(frame)).string();
  QImage img(QString::fromStdString(path), "PNG");
  if (img.isNull()) {
    err = "cannot read the frame " + path;
    return img;
  }
  if (img.format() != QImage::Format_ARGB32) img = img.convertToFormat(QImage::Format_ARGB32);
  if (img.isNull()) err = "not enough memory to read the frame " + path;
  return img;
}

std::vector<int64_t> jobFrames(const AnimExport& job) {
  return job.frames.empty() ? frameRange(job.from, job.to) : job.frames;
}

int wantedThreads(const AnimExport& job) {
  constexpr int kMaxDefaultThreads = 16, kMaxThreads = 256;
  const int asked = job.threads > 0 ? std::min(job.threads, kMaxThreads)
                                    : std::clamp(usableCores(), 1, kMaxDefaultThreads);
  return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(jobFrames(job).size()), 1, asked));
}

std::string jobFramesProblem(const AnimExport& job) {
  if (std::string why = frameRangeProblem(job.from, job.to); !why.empty()) return why;
  for (const int64_t f : job.frames)
    if (std::string why = frameRangeProblem(f, f); !why.empty()) return why;
  return {};
}

FrameRenderer::FrameRenderer(const Document& doc, const sVdOptions& options,
                             const ImageStore& store)
    : store_(store), ed_(prompt_, store_) {
  ed_.doc = doc;
  ed_.options = options;
}

QImage FrameRenderer::render(int64_t frame) {
  const sVdOptions& opt = ed_.options;
  QImage img(opt.CameraW, opt.CameraH, QImage::Format_ARGB32_Premultiplied);
  if (img.isNull()) return img;
  img.fill(Qt::transparent);
  applyFrame(ed_.doc, frame);

  VectorCanvas vg(store_);
  if (!vg.beginDrawing(img)) return img;
  RenderCtx rc(ed_.doc, opt, cameraView(opt), vg);
  drawScene(rc, {});
  vg.endDrawing();
  return img;
}

std::string frameFileName(int64_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05lld.png", static_cast<long long>(frame));
  return name;
}

std::string frameRangeProblem(int64_t from, int64_t to) {
  const auto outside = [](int64_t f) { return f < 0 || f > kMaxKeyFrame; };
  const std::string range = " (frames run from 0 to " + std::to_string(kMaxKeyFrame) + ")";
  if (outside(from)) return "the first frame " + std::to_string(from) + " is out of range" + range;
  if (outside(to)) return "the last frame " + std::to_string(to) + " is out of range" + range;
  if (from > to)
    return "the first frame " + std::to_string(from) + " comes after the last frame " +
           std::to_string(to);
  return {};
}

int64_t lastExportFrame(const Document& doc) {
  return std::clamp<int64_t>(doc.MaxFrame, 0, kMaxKeyFrame);
}

namespace {

// The frames of `job` into the existing folder `dir`, through a staging folder inside it (or
// straight in, each on its own, with keepEachFrame).
ExportOutcome exportFramesInto(const AnimExport& job, const fs::path& dir) {
  const std::vector<int64_t> frames = jobFrames(job);
  // A folder in a frame's place would stop the export at its very end: refuse it first.
  std::error_code ec;
  for (const int64_t f : frames) {
    const fs::path file = dir / frameFileName(f);
    if (fs::is_directory(fs::symlink_status(file, ec)))
      return failed("cannot write " + file.string() + ": a folder of that name is in the way",
                    Cause::kOutput);
  }
  std::string tooBig;
  const int threads = jobThreads(job, false, tooBig);
  if (threads == 0) return failed(tooBig, Cause::kResources);
  FrameStaging stage(dir.string());
  if (std::string why; !job.keepEachFrame && !stage.open(&why))
    return failed("cannot write frames into " + dir.string() + ": " + why,
                  writeFailureCause(why));

  std::vector<std::unique_ptr<FrameRenderer>> renderers;
  std::vector<FrameWork> workers = makeWorkers(
      job, threads, renderers,
      [](const QImage& img, std::string& bytes, std::string& err) {
        if (encodePng(img, bytes)) return true;
        err = "not enough memory to encode a frame";
        return false;
      });
  std::vector<std::string> names;
  Cause sinkCause = Cause::kOutput;
  const FrameSink sink = [&](int64_t frame, std::string& bytes, std::string& err) {
    if (names.empty() && !diskHolds(job, bytes.size(), dir.string(), err)) {
      sinkCause = Cause::kResources;
      return false;
    }
    const std::string name = frameFileName(frame);
    std::string why;
    const std::string path = job.keepEachFrame ? (dir / name).string() : stage.pathFor(name);
    if (!writeFileAtomic(path, bytes, &why)) {
      err = "cannot write " + (dir / name).string() + ": " + why;
      sinkCause = writeFailureCause(why);
      return false;
    }
    names.push_back(name);
    return true;
  };
  ExportOutcome out =
      pipelineOutcome(runFramePipeline(frames, workers, sink, job.progress), sinkCause,
                      !job.framesDir.empty());
  if (out.done() && !job.keepEachFrame) {
    if (std::string why; !stage.commit(names, &why)) return failed(why, writeFailureCause(why));
  }
  return out;
}

}  // namespace

ExportOutcome exportFrames(const AnimExport& job, const std::string& dirName) {
  if (std::string why = jobProblem(job); !why.empty()) return failed(why, Cause::kInput);
  if (dirName.empty()) return failed("no folder to export the frames to", Cause::kInput);
  const fs::path dir(dirName);
  const std::vector<fs::path> made = missingFolders(dir);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir, ec))
    return failed("cannot make the folder " + dirName +
                      (ec ? ": " + ec.message() : ": a file of that name is in the way"),
                  ec ? writeFailureCause(ec.message()) : Cause::kOutput);

  ExportOutcome out = exportFramesInto(job, dir);
  if (!out.done())
    for (const fs::path& d : made) fs::remove(d, ec);  // only while empty
  return out;
}

ExportOutcome exportWebp(const AnimExport& job, const std::string& file) {
  if (std::string why = jobProblem(job); !why.empty()) return failed(why, Cause::kInput);
  const int w = job.options.CameraW, h = job.options.CameraH;
  if (w > kMaxWebpSide || h > kMaxWebpSide)
    return failed("the camera is " + std::to_string(w) + " x " + std::to_string(h) +
                      " pixels; a WebP image has at most " + std::to_string(kMaxWebpSide) +
                      " pixels a side",
                  Cause::kInput);
  if (file.empty()) return failed("no file to export the animation to", Cause::kInput);

  std::string tooBig;
  const int threads = jobThreads(job, true, tooBig);
  if (threads == 0) return failed(tooBig, Cause::kResources);
  const std::vector<int64_t> frames = jobFrames(job);
  std::vector<std::unique_ptr<FrameRenderer>> renderers;
  ImageRelay relay;
  std::vector<IndexedFrameWork> workers =
      makeWebpWorkers(job, threads, frames, renderers, relay);

  WebpAnimationFile anim(file, w, h);
  if (std::string why; !anim.open(&why))
    return failed("cannot write " + file + ": " + why, writeFailureCause(why));
  const int fps = job.doc.Fps;
  const std::string folder = fs::path(file).parent_path().empty()
                                 ? std::string(".")
                                 : fs::path(file).parent_path().string();
  // Each frame of the list shows for one frame's time, the list played from its start.
  int64_t index = 0;
  Cause sinkCause = Cause::kOutput;
  const FrameSink sink = [&](int64_t, std::string& bytes, std::string& err) {
    if (index == 0 && !diskHolds(job, bytes.size(), folder, err)) {
      sinkCause = Cause::kResources;
      return false;
    }
    std::string why = "a frame came with no placement";
    WebpPlacement at;
    std::string_view webp;
    if (unpackWebpFrame(bytes, at, webp) &&
        anim.addFrame(webp, frameDurationMs(index++, fps), at, &why))
      return true;
    err = "cannot write " + file + ": " + why;
    sinkCause = writeFailureCause(why);
    return false;
  };
  ExportOutcome out = pipelineOutcome(
      runFramePipeline(frames, workers, sink, job.progress), sinkCause,
      !job.framesDir.empty());
  if (!out.done()) return out;  // the temporary file goes with `anim`
  if (std::string why; !anim.commit(&why))
    return failed("cannot write " + file + ": " + why, writeFailureCause(why));
  return out;
}

}  // namespace pw
