#include "export/lottie_export.h"

#include <QBuffer>
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

// What of the object's own plane the camera shows at some frame from ... to (and at its keys),
// widened a little for the poses between the samples; empty when no pose shows anything.
QRectF reachOf(const Object& o, const QRectF& camera, int64_t from, int64_t to) {
  QRectF box;
  const auto add = [&](int64_t frame) {
    bool invertible = false;
    const QTransform inv = poseTransform(poseAt(o, frame)).inverted(&invertible);
    if (invertible) box |= inv.mapRect(camera);
  };
  const int64_t step = std::max<int64_t>(1, (to - from) / kPoseSamples);
  for (int64_t f = from; f <= to; f += step) add(f);
  add(to);
  for (const ObjectKey& k : o.keys) add(k.frame);
  if (box.isEmpty()) return box;
  box.adjust(-box.width() * 0.1, -box.height() * 0.1, box.width() * 0.1, box.height() * 0.1);
  // Far-reaching poses (tiny scales) are held to a bounded rectangle around its middle.
  const QPointF mid = box.center();
  const double w = std::min(box.width(), kMaxRecordSide), h = std::min(box.height(), kMaxRecordSide);
  return QRectF(mid.x() - w / 2, mid.y() - h / 2, w, h);
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
// on an outer group, its offset on the inner group holding the recorded paintings.
std::string shapeLayerJson(const Object& o, const sVdOptions& options, const std::string& items,
                           int64_t index, int64_t from, int64_t to) {
  const std::string offsetTr =
      R"({"ty":"tr","a":{"a":0,"k":[0,0]},"p":)" + animated(o, offsetOf) +
      R"(,"s":{"a":0,"k":[100,100]},"r":{"a":0,"k":0},"o":{"a":0,"k":100}})";
  const std::string rotateTr =
      R"({"ty":"tr","a":)" + animated(o, pivotOf) + R"(,"p":)" + animated(o, pivotOf) +
      R"(,"s":{"a":0,"k":[100,100]},"r":)" + animated(o, angleOf) + R"(,"o":{"a":0,"k":100}})";
  std::string out = R"({"ddd":0,"ind":)" + std::to_string(index) + R"(,"ty":4,"nm":")" +
                    labelOf(o.name) + R"(","sr":1,"ks":{"o":)";
  out += animated(o, [](const ObjectPose& p) { return std::vector<double>{p.alpha * 100.0 / 255}; });
  out += R"(,"r":{"a":0,"k":0},"p":)" + cameraPosition(options) + R"(,"a":{"a":0,"k":[0,0]},"s":)";
  out += animated(o, scaleOf);
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

// One image layer under the object's null layers; empty when the picture's placement has a
// shear, which a layer transform cannot say.
std::string imageLayerJson(const Object& o, const LottieSink::Run& run, const std::string& asset,
                           int64_t index, int64_t parent, int64_t from, int64_t to) {
  double sx = 1, sy = 1, degrees = 0;
  if (!lottieSimilarity(run.xf, sx, sy, degrees)) return {};
  const double opacity = run.opacity;
  std::string out = R"({"ddd":0,"ind":)" + std::to_string(index) + R"(,"ty":2,"nm":")" +
                    labelOf(o.name) + R"( image","refId":")" + asset + R"(","parent":)" +
                    std::to_string(parent) + R"(,"sr":1,"ks":{"o":)";
  out += animated(o, [opacity](const ObjectPose& p) {
    return std::vector<double>{p.alpha * 100.0 / 255 * opacity};
  });
  out += R"(,"r":{"a":0,"k":)" + lottieNumber(degrees) + R"(},"p":{"a":0,"k":[)" +
         lottieNumber(run.xf.dx()) + ',' + lottieNumber(run.xf.dy()) +
         R"(]},"a":{"a":0,"k":[0,0]},"s":{"a":0,"k":[)" + lottieNumber(sx * 100) + ',' +
         lottieNumber(sy * 100) + "]}}";
  return out + layerTail(from, to);
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
  // drawn without object transforms and at full opacity (the layer carries both).
  Document work = doc;
  std::vector<uint8_t> wasHidden;
  for (Object& o : work.Objects) {
    wasHidden.push_back(o.hidden);
    o.hidden = 1;
  }
  struct Content {
    size_t object;
    LottieSink::Run run;
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
    View view = cameraView(options);
    view.shiftX = -reach.left();
    view.shiftY = -reach.top();
    view.objectTransforms = false;
    LottieSink sink(QTransform::fromTranslate(reach.left(), reach.top()));
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
    for (const LottieSink::Run& run : sink.runs()) {
      contents.push_back({i, run});
      images = images || run.image;
    }
    if (images) withImages.push_back(i);
  }
  // Lottie lists the topmost layer first; the null layers follow the visible ones.
  const int64_t visible = static_cast<int64_t>(contents.size());
  std::map<size_t, int64_t> firstNull;
  for (size_t k = 0; k < withImages.size(); ++k)
    firstNull[withImages[k]] = visible + 1 + 3 * static_cast<int64_t>(k);
  std::map<int64_t, std::string> assetIds;
  std::string assets, layers;
  const auto add = [&](const std::string& layer) {
    if (layer.empty()) return;
    if (!layers.empty()) layers += ',';
    layers += layer;
  };
  int64_t index = 0;
  for (auto it = contents.rbegin(); it != contents.rend(); ++it) {
    ++index;
    const Object& o = doc.Objects[it->object];
    if (!it->run.image) {
      add(shapeLayerJson(o, options, lottieItems(it->run.groups), index, from, to));
      ++counts.layers;
      continue;
    }
    auto asset = assetIds.find(it->run.imageId);
    if (asset == assetIds.end()) {
      const std::string id = "image_" + std::to_string(assetIds.size());
      const std::string json = assetJson(id, it->run.picture);
      if (!json.empty()) assets += (assets.empty() ? "" : ",") + json;
      asset = assetIds.emplace(it->run.imageId, json.empty() ? std::string() : id).first;
    }
    const std::string layer =
        asset->second.empty() ? std::string()
                              : imageLayerJson(o, it->run, asset->second, index,
                                               firstNull[it->object] + 2, from, to);
    if (layer.empty()) ++counts.skipped;
    counts.layers += !layer.empty();
    add(layer);
  }
  for (const size_t i : withImages)
    add(nullLayersJson(doc.Objects[i], options, firstNull[i], from, to));
  std::string out = R"({"v":"5.7.0","fr":)" + std::to_string(doc.Fps) + R"(,"ip":)" +
                    std::to_string(from) + R"(,"op":)" + std::to_string(to + 1) + R"(,"w":)" +
                    std::to_string(options.CameraW) + R"(,"h":)" + std::to_string(options.CameraH) +
                    R"(,"nm":"Penwick","ddd":0,"assets":[)" + assets + R"(],"layers":[)" + layers;
  json = out + "]}";
  if (stats) *stats = counts;
  return true;
}

bool exportLottie(const Document& doc, const sVdOptions& options, ImageStore& store,
                  int64_t from, int64_t to, const std::string& file, std::string* why) {
  std::string json, problem;
  if (!renderLottie(doc, options, store, from, to, json, &problem)) {
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
  if (exportLottie(ed.doc, ed.options, store, 0, lastExportFrame(ed.doc), name, &why)) return true;
  ed.prompt.message(kMenuTitle, "Cannot export the animation: " + why);
  return false;
}

}  // namespace pw
