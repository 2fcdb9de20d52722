#include "export/lottie_export.h"

#include <QBuffer>
#include <QPainter>
#include <QByteArray>
#include <QRectF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "core/keyframes.h"
#include "core/view.h"
#include "export/frame_export.h"
#include "export/lottie_sink.h"
#include "fileio/atomic_file.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace {

constexpr const char* kMenuTitle = "Export animation (Lottie)";
// Poses sampled between from and to when finding what of an object the camera can show.
constexpr int64_t kPoseSamples = 512;
// Largest side of the rectangle an object is recorded in, in its own units.
constexpr double kMaxRecordSide = 65536;
// Most tiles a path painted with a picture is cut from.
constexpr double kMaxTiles = 4096;

// The object's scale, rotation and offset as the scene walk composes them.
QTransform poseTransform(const ObjectPose& p) {
  QTransform t;
  t.scale(p.w * 0.01, p.h * 0.01);
  t.translate(p.rotX, p.rotY);
  t.rotate(p.angle);
  t.translate(-p.rotX, -p.rotY);
  t.translate(static_cast<double>(p.x), static_cast<double>(p.y));
  return t;
}

// The object's pose at `from`, `to`, its keys and frames sampled between them.
void forEachPose(const Object& o, int64_t from, int64_t to,
                 const std::function<void(const ObjectPose&)>& fn) {
  const int64_t step = std::max<int64_t>(1, (to - from) / kPoseSamples);
  for (int64_t f = from; f <= to; f += step) fn(poseAt(o, f));
  fn(poseAt(o, to));
  for (const ObjectKey& k : o.keys) fn(poseAt(o, k.frame));
}

// `box` widened by a tenth each way, for the poses between the samples.
QRectF widened(const QRectF& box) {
  return box.adjusted(-box.width() * 0.1, -box.height() * 0.1, box.width() * 0.1,
                      box.height() * 0.1);
}

// What of the object's own plane the camera shows at some frame from ... to (and at its keys),
// widened a little for the poses between the samples; empty when no pose shows anything.
QRectF reachOf(const Object& o, const QRectF& camera, int64_t from, int64_t to) {
  QRectF box;
  forEachPose(o, from, to, [&](const ObjectPose& p) {
    bool invertible = false;
    const QTransform inv = poseTransform(p).inverted(&invertible);
    if (invertible) box |= inv.mapRect(camera);
  });
  if (box.isEmpty()) return box;
  box = widened(box);
  // Far-reaching poses (tiny scales) are held to a bounded rectangle around its middle.
  const QPointF mid = box.center();
  const double w = std::min(box.width(), kMaxRecordSide), h = std::min(box.height(), kMaxRecordSide);
  return QRectF(mid.x() - w / 2, mid.y() - h / 2, w, h);
}

// The tiles a path painted with a picture is cut from.
struct Tiles {
  int64_t col0 = 0, row0 = 0, cols = 0, rows = 0;
};

// The tiles under the path of a tiled picture in every pose, within what the camera can show of
// the object: the raster lays the path in the object's scale alone, while the tiles move and
// turn with the object, so the path crosses other tiles at each pose. False when more than
// kMaxTiles would be needed.
bool tilesOf(const Object& o, const LottieSink::Run& run, const QRectF& reach, int64_t from,
             int64_t to, Tiles& tiles) {
  const QRectF path = run.xf.mapRect(run.area);
  QRectF box;
  forEachPose(o, from, to, [&](ObjectPose p) {
    p.w = p.h = 100;
    bool invertible = false;
    const QTransform inv = poseTransform(p).inverted(&invertible);
    if (invertible) box |= inv.mapRect(path);
  });
  bool invertible = false;
  const QTransform back = run.xf.inverted(&invertible);
  box = widened(box) & reach;
  if (!invertible || box.isEmpty()) return false;
  box = back.mapRect(box);
  const double col0 = std::floor(box.left() / run.tileW), row0 = std::floor(box.top() / run.tileH);
  const double cols = std::max(1.0, std::ceil(box.right() / run.tileW) - col0);
  const double rows = std::max(1.0, std::ceil(box.bottom() / run.tileH) - row0);
  if (!(cols * rows <= kMaxTiles) || !std::isfinite(col0) || !std::isfinite(row0)) return false;
  tiles = {static_cast<int64_t>(col0), static_cast<int64_t>(row0), static_cast<int64_t>(cols),
           static_cast<int64_t>(rows)};
  return true;
}

std::string numbers(const std::vector<double>& v) {
  if (v.size() == 1) return lottieNumber(v[0]);
  std::string out = "[";
  for (size_t k = 0; k < v.size(); ++k) out += (k ? "," : "") + lottieNumber(v[k]);
  return out + ']';
}

using PoseValues = std::function<std::vector<double>(const ObjectPose&)>;

// A property of the object's pose: constant without keys (or with one), else a keyframe per key
// shaped by its kind: linear, hold, or the smoothstep ease, which the bezier (1/3, 0) (2/3, 1)
// draws exactly.
std::string animated(const Object& o, const PoseValues& values) {
  if (o.keys.size() <= 1) {
    const ObjectPose p = o.keys.empty() ? poseOf(o) : poseAt(o, o.keys[0].frame);
    return R"({"a":0,"k":)" + numbers(values(p)) + '}';
  }
  std::string out = R"({"a":1,"k":[)";
  for (size_t k = 0; k < o.keys.size(); ++k) {
    const ObjectKey& key = o.keys[k];
    if (k > 0) out += ',';
    std::vector<double> v = values(poseAt(o, key.frame));
    out += R"({"t":)" + std::to_string(key.frame) + R"(,"s":)";
    out += v.size() == 1 ? '[' + numbers(v) + ']' : numbers(v);
    if (k + 1 < o.keys.size()) {
      switch (key.kind) {
        case kKeyHold:
          out += R"(,"h":1)";
          break;
        case kKeyEase:
          out += R"(,"o":{"x":[0.333],"y":[0]},"i":{"x":[0.667],"y":[1]})";
          break;
        default:
          out += R"(,"o":{"x":[0],"y":[0]},"i":{"x":[1],"y":[1]})";
          break;
      }
    }
    out += '}';
  }
  return out + "]}";
}

std::vector<double> pivotOf(const ObjectPose& p) {
  return {static_cast<double>(p.rotX), static_cast<double>(p.rotY)};
}
std::vector<double> offsetOf(const ObjectPose& p) {
  return {static_cast<double>(p.x), static_cast<double>(p.y)};
}
std::vector<double> angleOf(const ObjectPose& p) { return {static_cast<double>(p.angle)}; }
std::vector<double> scaleOf(const ObjectPose& p) {
  return {static_cast<double>(p.w), static_cast<double>(p.h)};
}

std::string cameraPosition(const sVdOptions& options) {
  return R"({"a":0,"k":[)" + lottieNumber(-double(options.CameraX)) + ',' +
         lottieNumber(-double(options.CameraY)) + "]}";
}

// The label of a layer: only plain printable characters, the JSON stays valid whatever the name
// holds.
std::string labelOf(const std::string& name) {
  std::string out;
  for (const char c : name.substr(0, 200))
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') out += c;
  return out;
}

// The fields every layer ends with.
std::string layerTail(int64_t from, int64_t to) {
  return R"(,"ao":0,"ip":)" + std::to_string(from) + R"(,"op":)" + std::to_string(to + 1) +
         R"(,"st":0,"bm":0})";
}

// One shape layer: the camera and the object's scale on the layer, its rotation about its pivot
// on an outer group, its offset on the inner group holding the recorded paintings. A matte
// (`matte` true) cuts the tiles of a picture out of the layer below it: it is opaque whatever the
// object's opacity, and only scaled, as the raster lays the path of a tiled picture in the
// object's scale alone (its tiles take the whole transform).
std::string shapeLayerJson(const Object& o, const sVdOptions& options, const std::string& items,
                           int64_t index, int64_t from, int64_t to, bool matte = false) {
  const std::string offsetTr =
      R"({"ty":"tr","a":{"a":0,"k":[0,0]},"p":)" + animated(o, offsetOf) +
      R"(,"s":{"a":0,"k":[100,100]},"r":{"a":0,"k":0},"o":{"a":0,"k":100}})";
  const std::string rotateTr =
      R"({"ty":"tr","a":)" + animated(o, pivotOf) + R"(,"p":)" + animated(o, pivotOf) +
      R"(,"s":{"a":0,"k":[100,100]},"r":)" + animated(o, angleOf) + R"(,"o":{"a":0,"k":100}})";
  std::string out = R"({"ddd":0,"ind":)" + std::to_string(index) + R"(,"ty":4,"nm":")" +
                    labelOf(o.name) + (matte ? R"( matte","td":1)" : "\"") + R"(,"sr":1,"ks":{"o":)";
  if (matte)
    out += R"({"a":0,"k":100})";
  else
    out += animated(o, [](const ObjectPose& p) { return std::vector<double>{p.alpha * 100.0 / 255}; });
  out += R"(,"r":{"a":0,"k":0},"p":)" + cameraPosition(options) + R"(,"a":{"a":0,"k":[0,0]},"s":)";
  out += animated(o, scaleOf);
  if (matte) return out + R"(},"shapes":[)" + items + ']' + layerTail(from, to);
  out += R"(},"shapes":[{"ty":"gr","nm":"rotation","it":[{"ty":"gr","nm":"offset","it":[)";
  out += items + ',' + offsetTr + "]}," + rotateTr + "]}]";
  return out + layerTail(from, to);
}

// The three null layers that carry an object's transform for its image layers, which cannot
// hold groups: camera and scale, rotation about the pivot, offset (the last the images' parent).
std::string nullLayersJson(const Object& o, const sVdOptions& options, int64_t first,
                           int64_t from, int64_t to) {
  const auto head = [&](int64_t index, const char* what) {
    std::string out = R"({"ddd":0,"ind":)" + std::to_string(index) + R"(,"ty":3,"nm":")" +
                      labelOf(o.name) + ' ' + what + '"';
    if (index > first) out += R"(,"parent":)" + std::to_string(index - 1);
    return out + R"(,"sr":1,"ks":{"o":{"a":0,"k":100},)";
  };
  std::string out = head(first, "scale") + R"("r":{"a":0,"k":0},"p":)" + cameraPosition(options) +
                    R"(,"a":{"a":0,"k":[0,0]},"s":)" + animated(o, scaleOf) + '}' +
                    layerTail(from, to);
  out += ',' + head(first + 1, "rotation") + R"("r":)" + animated(o, angleOf) + R"(,"p":)" +
         animated(o, pivotOf) + R"(,"a":)" + animated(o, pivotOf) +
         R"(,"s":{"a":0,"k":[100,100]}})" + layerTail(from, to);
  out += ',' + head(first + 2, "offset") + R"("r":{"a":0,"k":0},"p":)" + animated(o, offsetOf) +
         R"(,"a":{"a":0,"k":[0,0]},"s":{"a":0,"k":[100,100]}})" + layerTail(from, to);
  return out;
}

// The transform of a layer at a constant pose, opacity in percent.
std::string poseKs(const LottiePose& p, double opacity) {
  return R"("ks":{"o":{"a":0,"k":)" + lottieNumber(opacity) + R"(},"r":{"a":0,"k":)" +
         lottieNumber(p.degrees) + R"(},"p":{"a":0,"k":[)" + lottieNumber(p.x) + ',' +
         lottieNumber(p.y) + R"(]},"a":{"a":0,"k":[0,0]},"s":{"a":0,"k":[)" +
         lottieNumber(p.sx * 100) + ',' + lottieNumber(p.sy * 100) + "]}}";
}

// The head of a layer: index, kind, label and parent (none when 0).
std::string layerHead(int64_t index, int kind, const std::string& label, int64_t parent) {
  std::string out = R"({"ddd":0,"ind":)" + std::to_string(index) + R"(,"ty":)" +
                    std::to_string(kind) + R"(,"nm":")" + label + '"';
  if (parent > 0) out += R"(,"parent":)" + std::to_string(parent);
  return out + R"(,"sr":1,)";
}

// One image layer; its opacity is the picture's own (the object's opacity leaves pictures as
// they are, as in the frames).
std::string imageLayerJson(const std::string& label, const std::string& asset,
                           const LottiePose& pose, double opacity, int64_t index, int64_t parent,
                           int64_t from, int64_t to) {
  return layerHead(index, 2, label, parent) + R"("refId":")" + asset + "\"," +
         poseKs(pose, opacity * 100) + layerTail(from, to);
}

// The tiles of a picture painted through a path: a composition asset of cols x rows image layers
// of the picture, each tile (tileW x tileH) where the raster lays it.
std::string tilesAssetJson(const std::string& id, const std::string& picture,
                           const LottieSink::Run& run, const Tiles& tiles, int64_t from,
                           int64_t to) {
  std::string out = R"({"id":")" + id + R"(","layers":[)";
  LottiePose tile;
  tile.sx = run.tileW / run.picture.width();
  tile.sy = run.tileH / run.picture.height();
  int64_t index = 0;
  for (int64_t r = 0; r < tiles.rows; ++r) {
    for (int64_t c = 0; c < tiles.cols; ++c) {
      tile.x = static_cast<double>(c) * run.tileW;
      tile.y = static_cast<double>(r) * run.tileH;
      if (index > 0) out += ',';
      out += layerHead(++index, 2, "tile", 0) + R"("refId":")" + picture + "\"," +
             poseKs(tile, 100) + layerTail(from, to);
    }
  }
  return out + "]}";
}

// A tile's picture with its next column and row, those of the tiles right of and below it: each
// tile covers the anti-aliased edge of the one before, which would otherwise show as a seam.
QImage withBleed(const QImage& image) {
  if (image.isNull()) return {};
  QImage out(image.width() + 1, image.height() + 1, QImage::Format_ARGB32);
  if (out.isNull()) return {};
  out.fill(Qt::transparent);
  QPainter p(&out);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  for (const int x : {0, image.width()})
    for (const int y : {0, image.height()}) p.drawImage(x, y, image);
  return out;
}

// An embedded PNG; empty when the picture cannot be encoded.
std::string assetJson(const std::string& id, const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG")) return {};
  return R"({"id":")" + id + R"(","w":)" + std::to_string(image.width()) + R"(,"h":)" +
         std::to_string(image.height()) + R"(,"u":"","p":"data:image/png;base64,)" +
         png.toBase64().toStdString() + R"(","e":1})";
}

}  // namespace

std::string lottieFileName(const std::string& out) {
  constexpr std::string_view kExt = ".json";
  const size_t slash = out.find_last_of('/');
  const std::string_view base = std::string_view(out).substr(slash == std::string::npos ? 0 : slash + 1);
  return base.size() > kExt.size() && base.ends_with(kExt) ? out : out + ".json";
}

bool renderLottie(const Document& doc, const sVdOptions& options, ImageStore& store,
                  int64_t from, int64_t to, std::string& json, std::string* why,
                  LottieStats* stats) {
  if (std::string problem = cameraProblem(options); !problem.empty()) {
    if (why) *why = problem;
    return false;
  }
  if (from < 0 || from > to) {
    if (why) *why = "frame " + std::to_string(from) + " comes after frame " + std::to_string(to);
    return false;
  }
  const QRectF camera(options.CameraX, options.CameraY, options.CameraW, options.CameraH);
  // Each object is recorded alone, in its own plane: a copy with every other object hidden,
  // drawn without object transforms, unscaled and at full opacity (the layer carries them).
  Document work = doc;
  std::vector<uint8_t> wasHidden;
  for (Object& o : work.Objects) {
    wasHidden.push_back(o.hidden);
    o.hidden = 1;
  }
  struct Content {
    size_t object;
    LottieSink::Run run;
    QRectF reach;
  };
  std::vector<Content> contents;  // bottom first
  std::vector<size_t> withImages;  // objects whose transform null layers carry
  LottieStats counts;
  for (size_t i = 0; i < work.Objects.size() && doc.DocumentState >= kDocumentHasContent; ++i) {
    if (wasHidden[i] == 1) continue;
    const Object& original = doc.Objects[i];
    const QRectF reach = reachOf(original, camera, from, to);
    if (reach.isEmpty()) continue;
    Object& o = work.Objects[i];
    o.hidden = 0;
    o.alpha = 255;
    o.w = o.h = 100;
    View view = cameraView(options);
    view.shiftX = -reach.left();
    view.shiftY = -reach.top();
    view.objectTransforms = false;
    LottieSink sink(QTransform::fromTranslate(reach.left(), reach.top()), store);
    VectorCanvas vg(store);
    if (vg.beginRecording(sink, static_cast<int>(std::ceil(reach.width())),
                          static_cast<int>(std::ceil(reach.height())))) {
      RenderCtx rc(work, options, view, vg);
      drawScene(rc, {});
      vg.endDrawing();
    }
    o.hidden = 1;
    counts.skipped += sink.skipped();
    bool images = false;
    for (LottieSink::Run& run : sink.takeRuns()) {
      images = images || run.image;
      contents.push_back({i, std::move(run), reach});
    }
    if (images) withImages.push_back(i);
  }
  // Lottie lists the topmost layer first; the null layers follow the visible ones. A tiled
  // picture takes two: its matte above the tiles.
  int64_t visible = 0;
  for (const Content& c : contents) visible += c.run.matte.empty() ? 1 : 2;
  std::map<size_t, int64_t> firstNull;
  for (size_t k = 0; k < withImages.size(); ++k)
    firstNull[withImages[k]] = visible + 1 + 3 * static_cast<int64_t>(k);
  // Null layers carrying a shear of a picture come last.
  int64_t shearIndex = visible + 3 * static_cast<int64_t>(withImages.size());
  std::string shearLayers;
  // Picture assets by picture and use (placed, or laid as tiles).
  std::map<std::pair<int64_t, bool>, std::string> assetIds;
  std::string assets, layers;
  const auto add = [&](std::string& list, const std::string& layer) {
    if (layer.empty()) return;
    if (!list.empty()) list += ',';
    list += layer;
  };
  int64_t index = 0;
  for (auto it = contents.rbegin(); it != contents.rend(); ++it) {
    const Object& o = doc.Objects[it->object];
    const LottieSink::Run& run = it->run;
    if (!run.image) {
      add(layers, shapeLayerJson(o, options, lottieItems(run.groups), ++index, from, to));
      ++counts.layers;
      continue;
    }
    const int64_t first = index + 1;
    index += run.matte.empty() ? 1 : 2;
    const bool tiled = !run.matte.empty();
    auto asset = assetIds.find({run.imageId, tiled});
    if (asset == assetIds.end()) {
      const std::string id = "image_" + std::to_string(assetIds.size());
      const std::string json = assetJson(id, tiled ? withBleed(run.picture) : run.picture);
      if (!json.empty()) add(assets, json);
      asset = assetIds.emplace(std::pair(run.imageId, tiled), json.empty() ? std::string() : id)
                  .first;
    }
    // Tiles are drawn from their first one's corner; a placed picture from its own.
    Tiles tiles;
    const bool usable = !asset->second.empty() &&
                        (!tiled || tilesOf(o, run, it->reach, from, to, tiles));
    const QTransform placed =
        tiled ? QTransform::fromTranslate(double(tiles.col0) * run.tileW,
                                          double(tiles.row0) * run.tileH) * run.xf
              : run.xf;
    LottiePose inner, outer;
    bool sheared = false;
    if (!usable || !lottiePlacement(placed, inner, outer, sheared)) {
      ++counts.skipped;
      continue;
    }
    int64_t parent = firstNull[it->object] + 2;
    const std::string label = labelOf(o.name) + " image";
    if (sheared) {
      add(shearLayers, layerHead(++shearIndex, 3, labelOf(o.name) + " shear", parent) +
                           poseKs(outer, 100) + layerTail(from, to));
      parent = shearIndex;
    }
    if (run.matte.empty()) {
      add(layers, imageLayerJson(label, asset->second, inner, run.opacity, first, parent, from,
                                 to));
      ++counts.layers;
      continue;
    }
    const std::string comp = "tiles_" + std::to_string(first);
    add(assets, tilesAssetJson(comp, asset->second, run, tiles, from, to));
    add(layers, shapeLayerJson(o, options, run.matte, first, from, to, true));
    add(layers, layerHead(first + 1, 0, label, parent) + R"("refId":")" + comp + R"(","tt":1,)" +
                    poseKs(inner, run.opacity * 100) + R"(,"w":)" +
                    std::to_string(std::llround(std::ceil(double(tiles.cols) * run.tileW))) +
                    R"(,"h":)" +
                    std::to_string(std::llround(std::ceil(double(tiles.rows) * run.tileH))) +
                    layerTail(from, to));
    counts.layers += 2;
  }
  for (const size_t i : withImages)
    add(layers, nullLayersJson(doc.Objects[i], options, firstNull[i], from, to));
  add(layers, shearLayers);
  std::string out = R"({"v":"5.7.0","fr":)" + std::to_string(doc.Fps) + R"(,"ip":)" +
                    std::to_string(from) + R"(,"op":)" + std::to_string(to + 1) + R"(,"w":)" +
                    std::to_string(options.CameraW) + R"(,"h":)" + std::to_string(options.CameraH) +
                    R"(,"nm":"Penwick","ddd":0,"assets":[)";
  out.reserve(out.size() + assets.size() + layers.size() + 16);
  out += assets;
  out += R"(],"layers":[)";
  out += layers;
  out += "]}";
  json = std::move(out);
  if (stats) *stats = counts;
  return true;
}

std::string lottieSkippedWarning(const LottieStats& stats) {
  if (stats.skipped <= 0) return {};
  return std::to_string(stats.skipped) +
         (stats.skipped == 1 ? " picture could not be written and is missing from the animation"
                             : " pictures could not be written and are missing from the animation");
}

bool exportLottie(const Document& doc, const sVdOptions& options, ImageStore& store,
                  int64_t from, int64_t to, const std::string& file, std::string* why,
                  LottieStats* stats) {
  std::string json, problem;
  if (!renderLottie(doc, options, store, from, to, json, &problem, stats)) {
    if (why) *why = "cannot export " + file + ": " + problem;
    return false;
  }
  if (!writeFileAtomic(file, json, &problem)) {
    if (why) *why = "cannot write " + file + ": " + problem;
    return false;
  }
  return true;
}

bool exportLottieCommand(Editor& ed, ImageStore& store) {
  std::string name = ed.prompt.saveFile(kMenuTitle, "", "Lottie Animations|*.json|All Files|*.*");
  if (name.empty()) return false;
  name = lottieFileName(name);
  std::string why;
  LottieStats stats;
  if (exportLottie(ed.doc, ed.options, store, 0, lastExportFrame(ed.doc), name, &why, &stats)) {
    if (const std::string warning = lottieSkippedWarning(stats); !warning.empty())
      ed.prompt.message(kMenuTitle, "The animation was exported, but " + warning + ".");
    return true;
  }
  ed.prompt.message(kMenuTitle, "Cannot export the animation: " + why);
  return false;
}

}  // namespace pw
