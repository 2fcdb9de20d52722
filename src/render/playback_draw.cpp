#include "render/playback_draw.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "render/draw_thread.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace {

// At most this many animated objects keep pictures; more are drawn again at every frame.
constexpr long kMaxKeptLayers = 8;
// A moving object's picture holds at most this many camera areas, and this many pixels.
constexpr double kSpriteCameraAreas = 4;
constexpr double kSpritePixels = 16.0 * 1024 * 1024;

PlaybackPainter::Pose poseFrom(const Object& o) {
  return {o.x, o.y, o.w, o.h, o.rotX, o.rotY, o.angle, o.alpha, o.hidden, !o.keys.empty()};
}

std::vector<PlaybackPainter::Pose> posesOf(const Document& doc) {
  std::vector<PlaybackPainter::Pose> poses;
  poses.reserve(doc.Objects.size());
  for (const Object& o : doc.Objects) poses.push_back(poseFrom(o));
  return poses;
}

// Still objects keep their pictures across frames: the poses differ only in animated objects.
bool sameStill(const std::vector<PlaybackPainter::Pose>& a,
               const std::vector<PlaybackPainter::Pose>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].keyed != b[i].keyed || (!a[i].keyed && !(a[i] == b[i]))) return false;
  }
  return true;
}

// The smallest rectangle holding every pixel with some alpha; empty when there is none.
QRect paintedBounds(const QImage& img) {
  int top = -1, bottom = -1, left = img.width(), right = -1;
  for (int y = 0; y < img.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    int x0 = 0;
    while (x0 < img.width() && qAlpha(row[x0]) == 0) ++x0;
    if (x0 == img.width()) continue;
    int x1 = img.width() - 1;
    while (qAlpha(row[x1]) == 0) --x1;
    if (top < 0) top = y;
    bottom = y;
    left = std::min(left, x0);
    right = std::max(right, x1);
  }
  return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QColor colorOf(int64_t rgba) {
  return QColor(redOf(rgba), greenOf(rgba), blueOf(rgba), alphaOf(rgba));
}

}  // namespace

// A moved picture shows the object when nothing but the place changed, within the keys' reach.
bool PlaybackPainter::spriteShows(const Layer& l, const Pose& now) {
  Pose at = now;
  at.x = l.ref.x;
  at.y = l.ref.y;
  return at == l.ref && now.x >= l.minX && now.x <= l.maxX && now.y >= l.minY && now.y <= l.maxY;
}

std::string playbackCounterText(int64_t frame, int64_t maxFrame, int64_t rate) {
  return "Frame : " + std::to_string(frame) + " / End : " + std::to_string(maxFrame) +
         " | FPS : " + std::to_string(rate);
}

void PlaybackPainter::drawObjects(Editor& ed, ImageStore& store, QImage& image, int64_t from,
                                  int64_t to) {
  if (from >= to || ed.doc.DocumentState < kDocumentHasContent) return;
  drawOnWorker([&] {
    VectorCanvas vg(store);
    if (!vg.beginDrawing(image)) return;
    RenderCtx rc(ed.doc, ed.options, cameraView(ed.options), vg);
    drawScene(rc, {}, [from, to](int64_t i, int64_t) { return i >= from && i < to; });
    vg.endDrawing();
  });
}

void PlaybackPainter::rebuildLayers(Editor& ed, ImageStore& store, int w, int h,
                                    const std::vector<Pose>& poses) {
  layers_.clear();
  layersValid_ = false;
  const auto count = static_cast<int64_t>(poses.size());
  int64_t split = 0;
  while (split < count && !poses[static_cast<size_t>(split)].keyed) ++split;
  underlay_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
  if (underlay_.isNull()) return;
  underlay_.fill(colorOf(ed.options.BgColor));
  drawObjects(ed, store, underlay_, 0, split);
  ++underlayDraws_;

  const auto keyed = std::count_if(poses.begin() + split, poses.end(),
                                   [](const Pose& p) { return p.keyed; });
  if (keyed > kMaxKeptLayers) {
    // Too many pictures to keep: everything from the first animated object up is drawn again.
    if (split < count) layers_.push_back({Layer::kLive, split, count, {}, {}, {}, 0, 0, 0, 0});
  } else {
    for (int64_t i = split; i < count;) {
      if (poses[static_cast<size_t>(i)].keyed) {
        layers_.push_back(makeSprite(ed, store, i, w, h));
        ++i;
        continue;
      }
      int64_t j = i;
      while (j < count && !poses[static_cast<size_t>(j)].keyed) ++j;
      Layer run{Layer::kRun, i, j, QImage(w, h, QImage::Format_ARGB32_Premultiplied),
                {}, {}, 0, 0, 0, 0};
      if (run.image.isNull()) return;
      run.image.fill(Qt::transparent);
      drawObjects(ed, store, run.image, i, j);
      ++underlayDraws_;
      run.bounds = paintedBounds(run.image);
      layers_.push_back(std::move(run));
      i = j;
    }
  }
  layersPoses_ = poses;
  layersValid_ = true;
}

PlaybackPainter::Layer PlaybackPainter::makeSprite(Editor& ed, ImageStore& store, int64_t i,
                                                   int w, int h) {
  Layer l{Layer::kLive, i, i + 1, {}, {}, {}, 0, 0, 0, 0};
  Object& o = ed.doc.Objects[static_cast<size_t>(i)];
  // Only a move is a shift of the picture: at 100 % and unturned, one unit is one pixel.
  if (o.keys.empty() || o.w != 100 || o.h != 100 || o.angle != 0) return l;
  const auto byX = [](const ObjectKey& a, const ObjectKey& b) { return a.x < b.x; };
  const auto byY = [](const ObjectKey& a, const ObjectKey& b) { return a.y < b.y; };
  const auto [minX, maxX] = std::minmax_element(o.keys.begin(), o.keys.end(), byX);
  const auto [minY, maxY] = std::minmax_element(o.keys.begin(), o.keys.end(), byY);
  l.minX = minX->x;
  l.maxX = maxX->x;
  l.minY = minY->y;
  l.maxY = maxY->y;
  // Drawn where the keys take it farthest right and down, the picture reaches every part of the
  // object that any place between the keys shows in the camera.
  const double sw = static_cast<double>(w) + static_cast<double>(l.maxX - l.minX);
  const double sh = static_cast<double>(h) + static_cast<double>(l.maxY - l.minY);
  const double budget = std::min(kSpriteCameraAreas * w * static_cast<double>(h), kSpritePixels);
  if (!(sw * sh <= budget)) return l;
  l.image = QImage(static_cast<int>(sw), static_cast<int>(sh), QImage::Format_ARGB32_Premultiplied);
  if (l.image.isNull()) return l;
  l.image.fill(Qt::transparent);
  const int64_t x = o.x, y = o.y;
  o.x = l.maxX;
  o.y = l.maxY;
  drawObjects(ed, store, l.image, i, i + 1);
  l.ref = poseFrom(o);
  o.x = x;
  o.y = y;
  ++underlayDraws_;
  l.bounds = paintedBounds(l.image);
  l.kind = Layer::kSprite;
  return l;
}

void PlaybackPainter::updateCamera(Editor& ed, ImageStore& store, int w, int h) {
  const Document& doc = ed.doc;
  const sVdOptions& opt = ed.options;
  const SceneKey key{generation_, store.generation(), opt.CameraX,      opt.CameraY,
                     w,           h,                  opt.BgColor, doc.DocumentState};
  std::vector<Pose> poses = posesOf(doc);
  if (key == cameraKey_ && poses == cameraPoses_ && !camera_.isNull()) return;

  if (!layersValid_ || !(key == layersKey_) || !sameStill(poses, layersPoses_)) {
    rebuildLayers(ed, store, w, h, poses);
    layersKey_ = key;
    if (!layersValid_) {
      camera_ = QImage();
      cameraPoses_.clear();
      return;
    }
  }
  camera_ = underlay_;  // shared while nothing is laid over it
  for (const Layer& l : layers_) {
    const Pose& now = poses[static_cast<size_t>(l.from)];
    camera_.detach();
    if (l.kind == Layer::kRun || (l.kind == Layer::kSprite && spriteShows(l, now))) {
      if (l.bounds.isEmpty()) continue;
      const QPoint shift = l.kind == Layer::kRun
                               ? QPoint()
                               : QPoint(static_cast<int>(now.x - l.ref.x),
                                        static_cast<int>(now.y - l.ref.y));
      QPainter p(&camera_);
      p.drawImage(l.bounds.topLeft() + shift, l.image, l.bounds);
    } else {
      drawObjects(ed, store, camera_, l.from, l.to);
      ++sceneDraws_;
    }
  }
  cameraKey_ = key;
  cameraPoses_ = std::move(poses);
}

void PlaybackPainter::paint(Editor& ed, ImageStore& store, QImage& target,
                            const std::string& counter, int64_t fontId) {
  if (target.isNull()) return;
  if (target.format() != QImage::Format_ARGB32_Premultiplied) {
    target = target.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  const int tw = target.width();
  const int th = target.height();
  // Only the part of the camera that lies on the canvas is drawn.
  const int cw = std::clamp<int>(ed.options.CameraW, 0, tw);
  const int ch = std::clamp<int>(ed.options.CameraH, 0, th);
  if (cw > 0 && ch > 0) {
    updateCamera(ed, store, cw, ch);
  } else {
    camera_ = QImage();
  }
  const bool haveCamera = !camera_.isNull();

  for (int y = 0; y < th; ++y) {
    auto* row = reinterpret_cast<QRgb*>(target.scanLine(y));
    int x = 0;
    if (haveCamera && y < ch) {
      std::memcpy(row, camera_.constScanLine(y), static_cast<size_t>(cw) * sizeof(QRgb));
      x = cw;
    }
    std::fill(row + x, row + tw, kPlaybackSurround);
  }

  if (counter.empty()) return;
  QPainter p(&target);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  QFont f = store.fontOrDefault(fontId);
  f.setPixelSize(kPlaybackCounterSize);
  p.setFont(f);
  p.setPen(QColor(0, 0, 0, 255));
  p.drawText(QRect(0, 0, tw, th), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
             QString::fromStdString(counter));
}

}  // namespace pw
