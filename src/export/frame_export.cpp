#include "export/frame_export.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>
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

namespace {

constexpr int kMaxThreads = 16;

int threadCount(int asked, int64_t frames) {
  int n = asked > 0 ? asked : static_cast<int>(std::thread::hardware_concurrency());
  n = std::clamp(n, 1, kMaxThreads);
  return static_cast<int>(std::min<int64_t>(n, frames));
}

ExportOutcome failed(const std::string& why) {
  ExportOutcome o;
  o.status = Status::kFailed;
  o.error = why;
  return o;
}

ExportOutcome outcomeOf(const PipelineResult& r) {
  ExportOutcome o;
  o.frames = r.delivered;
  switch (r.status) {
    case PipelineResult::Status::kDone: o.status = Status::kDone; break;
    case PipelineResult::Status::kCancelled: o.status = Status::kCancelled; break;
    case PipelineResult::Status::kFailed:
      o.status = Status::kFailed;
      o.error = r.error;
      break;
  }
  return o;
}

// The checks both exports make before drawing anything.
std::string jobProblem(const AnimExport& job) {
  if (std::string why = frameRangeProblem(job.from, job.to); !why.empty()) return why;
  return cameraProblem(job.options);
}

// Threads for the job: one a core (or as many as asked), no more than there are frames, and no
// more than the memory holds. 0, with the reason, when not even one fits.
int jobThreads(const AnimExport& job, bool webp, std::string& why) {
  const int wanted = threadCount(job.threads, job.to - job.from + 1);
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
  err = diskProblem(frameBytes, job.to - job.from + 1, free, where);
  return err.empty();
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
    workers.push_back([r, encode](int64_t frame, std::string& bytes, std::string& err) {
      const QImage img = r->render(frame);
      if (img.isNull()) {
        err = "not enough memory to draw frame " + std::to_string(frame);
        return false;
      }
      return encode(img, bytes, err);
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

// The frames of `job` into the existing folder `dir`, through a staging folder inside it.
ExportOutcome exportFramesInto(const AnimExport& job, const fs::path& dir) {
  // A folder in a frame's place would stop the export at its very end: refuse it first.
  std::error_code ec;
  for (int64_t f = job.from; f <= job.to; ++f) {
    const fs::path file = dir / frameFileName(f);
    if (fs::is_directory(fs::symlink_status(file, ec)))
      return failed("cannot write " + file.string() + ": a folder of that name is in the way");
  }
  std::string tooBig;
  const int threads = jobThreads(job, false, tooBig);
  if (threads == 0) return failed(tooBig);
  FrameStaging stage(dir.string());
  if (std::string why; !stage.open(&why))
    return failed("cannot write frames into " + dir.string() + ": " + why);

  std::vector<std::unique_ptr<FrameRenderer>> renderers;
  std::vector<FrameWork> workers = makeWorkers(
      job, threads, renderers,
      [](const QImage& img, std::string& bytes, std::string& err) {
        if (encodePng(img, bytes)) return true;
        err = "not enough memory to encode a frame";
        return false;
      });
  std::vector<std::string> names;
  const FrameSink sink = [&](int64_t frame, std::string& bytes, std::string& err) {
    if (names.empty() && !diskHolds(job, bytes.size(), dir.string(), err)) return false;
    const std::string name = frameFileName(frame);
    std::string why;
    if (!writeFileAtomic(stage.pathFor(name), bytes, &why)) {
      err = "cannot write " + (dir / name).string() + ": " + why;
      return false;
    }
    names.push_back(name);
    return true;
  };
  ExportOutcome out = outcomeOf(runFramePipeline(job.from, job.to, workers, sink, job.progress));
  if (out.done()) {
    if (std::string why; !stage.commit(names, &why)) return failed(why);
  }
  return out;
}

}  // namespace

ExportOutcome exportFrames(const AnimExport& job, const std::string& dirName) {
  if (std::string why = jobProblem(job); !why.empty()) return failed(why);
  if (dirName.empty()) return failed("no folder to export the frames to");
  const fs::path dir(dirName);
  const std::vector<fs::path> made = missingFolders(dir);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir, ec))
    return failed("cannot make the folder " + dirName +
                  (ec ? ": " + ec.message() : ": a file of that name is in the way"));

  ExportOutcome out = exportFramesInto(job, dir);
  if (!out.done())
    for (const fs::path& d : made) fs::remove(d, ec);  // only while empty
  return out;
}

ExportOutcome exportWebp(const AnimExport& job, const std::string& file) {
  if (std::string why = jobProblem(job); !why.empty()) return failed(why);
  const int w = job.options.CameraW, h = job.options.CameraH;
  if (w > kMaxWebpSide || h > kMaxWebpSide)
    return failed("the camera is " + std::to_string(w) + " x " + std::to_string(h) +
                  " pixels; a WebP image has at most " + std::to_string(kMaxWebpSide) +
                  " pixels a side");
  if (file.empty()) return failed("no file to export the animation to");

  std::string tooBig;
  const int threads = jobThreads(job, true, tooBig);
  if (threads == 0) return failed(tooBig);
  std::vector<std::unique_ptr<FrameRenderer>> renderers;
  std::vector<FrameWork> workers = makeWorkers(
      job, threads, renderers, [](const QImage& img, std::string& bytes, std::string& err) {
        return encodeWebpFrame(img, bytes, &err);
      });

  WebpAnimationFile anim(file, w, h);
  if (std::string why; !anim.open(&why)) return failed("cannot write " + file + ": " + why);
  const int fps = job.doc.Fps;
  const std::string folder = fs::path(file).parent_path().empty()
                                 ? std::string(".")
                                 : fs::path(file).parent_path().string();
  const FrameSink sink = [&](int64_t frame, std::string& bytes, std::string& err) {
    if (frame == job.from && !diskHolds(job, bytes.size(), folder, err)) return false;
    std::string why;
    if (anim.addFrame(bytes, frameDurationMs(frame - job.from, fps), &why)) return true;
    err = "cannot write " + file + ": " + why;
    return false;
  };
  ExportOutcome out = outcomeOf(runFramePipeline(job.from, job.to, workers, sink, job.progress));
  if (!out.done()) return out;  // the temporary file goes with `anim`
  if (std::string why; !anim.commit(&why)) return failed("cannot write " + file + ": " + why);
  return out;
}

}  // namespace pw
