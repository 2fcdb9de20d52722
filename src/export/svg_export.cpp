#include "export/svg_export.h"

#include <QRectF>
#include <QTransform>
#include <optional>

#include "core/keyframes.h"
#include "core/view.h"
#include "export/svg_sink.h"
#include "fileio/atomic_file.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace {

constexpr const char* kMenuTitle = "Export Scene (SVG)";

}  // namespace

std::string svgFileName(const std::string& out) {
  const size_t slash = out.find_last_of('/');
  const size_t dot = out.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return hasExt && out.compare(dot + 1, std::string::npos, "svg") == 0 ? out : out + ".svg";
}

bool renderSvg(const Document& doc, const sVdOptions& options, ImageStore& store, int64_t frame,
               std::string& svg, std::string* why) {
  if (std::string problem = cameraProblem(options); !problem.empty()) {
    if (why) *why = problem;
    return false;
  }
  // Posing changes the objects' fields: a frame is drawn from a copy.
  std::optional<Document> posed;
  if (frame >= 0) {
    posed.emplace(doc);
    applyFrame(*posed, frame);
  }
  const Document& shown = posed ? *posed : doc;
  const View view = cameraView(options);
  // The canvas draws the camera at its output's corner; the file shows it where it lies.
  SvgSink sink(store, QTransform::fromTranslate(-view.shiftX, -view.shiftY));
  sink.setOutput(QRectF(0, 0, options.CameraW, options.CameraH));
  VectorCanvas vg(store);
  if (vg.beginRecording(sink, options.CameraW, options.CameraH)) {
    RenderCtx rc(shown, options, view, vg);
    drawScene(rc, {});
    vg.endDrawing();
  }
  svg = sink.document(options.CameraW, options.CameraH,
                      QRectF(options.CameraX, options.CameraY, options.CameraW, options.CameraH));
  return true;
}

bool exportSvg(const Document& doc, const sVdOptions& options, ImageStore& store, int64_t frame,
               const std::string& file, std::string* why) {
  std::string svg, problem;
  if (!renderSvg(doc, options, store, frame, svg, &problem)) {
    if (why) *why = "cannot export " + file + ": " + problem;
    return false;
  }
  if (!writeFileAtomic(file, svg, &problem)) {
    if (why) *why = "cannot write " + file + ": " + problem;
    return false;
  }
  return true;
}

bool exportSvgCommand(Editor& ed, ImageStore& store) {
  std::string name = ed.prompt.saveFile(kMenuTitle, "", "SVG Images|*.svg|All Files|*.*");
  if (name.empty()) return false;
  name = svgFileName(name);
  std::string why;
  if (exportSvg(ed.doc, ed.options, store, -1, name, &why)) return true;
  ed.prompt.message(kMenuTitle, "Cannot export the scene: " + why);
  return false;
}

}  // namespace pw
