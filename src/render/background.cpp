#include "render/background.h"

#include "render/scene_draw.h"

namespace pw {

namespace {

constexpr int kCheckerSquare = 32;
constexpr int kCheckerDark = 120;
constexpr int kCheckerLight = 192;
constexpr int64_t kCameraBorderColor = packRGBA(255, 120, 120, 255);

// Adds the checker squares of one grey. The grey starts at the dark one in the top-left square
// and switches after every square; after each row it switches once more when a row holds an
// even number of squares, so that each row starts with the other grey. Squares of one grey touch
// only at their corners, so one even-odd fill per grey paints them exactly.
bool addCheckerSquares(VectorCanvas& vg, int rows, int columns, int grey) {
  int c = kCheckerDark;
  bool any = false;
  for (int r = 0; r <= rows; ++r) {
    for (int k = 0; k <= columns; ++k) {
      if (c == grey) {
        vg.addRect(kCheckerSquare * k, kCheckerSquare * r, kCheckerSquare, kCheckerSquare);
        any = true;
      }
      c = c == kCheckerDark ? kCheckerLight : kCheckerDark;
    }
    if (columns % 2 != 0) c = c == kCheckerDark ? kCheckerLight : kCheckerDark;
  }
  return any;
}

}  // namespace

void drawBackground(RenderCtx& rc) {
  VectorCanvas& vg = rc.vg;
  const sVdOptions& opt = rc.options;
  const int w = vg.outputWidth();
  const int h = vg.outputHeight();
  vg.addRect(0, 0, w, h);
  vg.setSourceColor(opt.BgColor);
  vg.fill();
  if (opt.BgImg == 0) return;
  const int rows = (h + kCheckerSquare - 1) / kCheckerSquare;
  const int columns = (w + kCheckerSquare - 1) / kCheckerSquare;
  for (int grey : {kCheckerDark, kCheckerLight}) {
    if (!addCheckerSquares(vg, rows, columns, grey)) continue;
    vg.setSourceColor(packRGBA(grey, grey, grey, 255));
    vg.fill();
  }
}

void drawOverlays(RenderCtx& rc) {
  VectorCanvas& vg = rc.vg;
  const sVdOptions& opt = rc.options;
  const double ox = rc.view.originX;
  const double oy = rc.view.originY;
  vg.clearPath();
  const double zoom = rc.view.zoom;
  // A zero zoom maps the whole view onto one point: there is nothing to overlay.
  if (zoom == 0) return;
  applyViewTransform(rc);

  if (opt.ShowGrid == 1 && opt.GridW > 0 && opt.GridH > 0) {
    const int rows = opt.CameraH / opt.GridH;
    const int columns = opt.CameraW / opt.GridW;
    for (int r = 0; r <= rows; ++r) {
      const double y = oy + r * opt.GridH;
      vg.moveTo(ox, y);
      vg.lineTo(ox + opt.CameraW, y);
    }
    for (int k = 0; k <= columns; ++k) {
      const double x = ox + k * opt.GridW;
      vg.moveTo(x, oy);
      vg.lineTo(x, oy + opt.CameraH);
    }
    vg.setSourceColor(opt.GridColor);
    vg.stroke(1, false);
  }

  const double camX = ox + opt.CameraX;
  const double camY = oy + opt.CameraY;
  if (opt.ShowCameraBorder != 0) {
    vg.addRect(camX, camY, opt.CameraW, opt.CameraH);
    vg.setSourceColor(kCameraBorderColor);
    vg.stroke(2, false);
  }

  if (opt.ShowCameraCache != 0) {
    // The whole canvas around the camera; even-odd leaves the camera rectangle clear.
    vg.addRect(0, -1, vg.outputWidth() / zoom, vg.outputHeight() / zoom + 2);
    vg.addRect(camX, camY, opt.CameraW, opt.CameraH);
    vg.setSourceColor(packRGBA(0, 0, 0, opt.CameraCacheAlpha));
    vg.fill();
  }
}

}  // namespace pw
