// "Export the object as image" and "Export Scene (image)": the scene is drawn at one scene unit
// per pixel, with the view origin at 0 and without zoom, into a transparent image; a rectangle
// of it (the drawn content, or the camera) is saved as PNG.
#include "export/image_export.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "export/png_write.h"
#include "fileio/atomic_file.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace {

constexpr uint32_t kAlphaMask = 0xFF000000u;
// Pixels are tested a block at a time: OR-ing a block has no early exit and vectorises.
constexpr int kBlock = 32;

bool blockHasAlpha(const uint32_t* p) {
  uint32_t acc = 0;
  for (int k = 0; k < kBlock; ++k) acc |= p[k];
  return (acc & kAlphaMask) != 0;
}

bool anyAlpha(const uint32_t* p, int n) {
  int x = 0;
  for (; x + kBlock <= n; x += kBlock) {
    if (blockHasAlpha(p + x)) return true;
  }
  uint32_t acc = 0;
  for (; x < n; ++x) acc |= p[x];
  return (acc & kAlphaMask) != 0;
}

// Index of the first pixel with alpha in p[0, n), or n.
int firstAlpha(const uint32_t* p, int n) {
  int x = 0;
  while (x + kBlock <= n && !blockHasAlpha(p + x)) x += kBlock;
  for (; x < n; ++x) {
    if (p[x] & kAlphaMask) return x;
  }
  return n;
}

// Index of the last pixel with alpha in p[from, n), or from - 1.
int lastAlpha(const uint32_t* p, int from, int n) {
  int x = n;
  while (x - kBlock >= from && !blockHasAlpha(p + x - kBlock)) x -= kBlock;
  while (x > from) {
    --x;
    if (p[x] & kAlphaMask) return x;
  }
  return from - 1;
}

const uint32_t* row(const QImage& img, int y) {
  return reinterpret_cast<const uint32_t*>(img.constScanLine(y));
}

// The text after the last "." of the file part of a path; empty when there is none.
std::string_view extensionOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = file.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view{} : file.substr(dot + 1);
}

// The scene at one unit per pixel from the scene's origin, without the objects' own transforms.
void drawExportScene(const Editor& ed, ImageStore& store, QImage& target) {
  VectorCanvas vg(store);
  if (!vg.beginDrawing(target)) return;
  View view;
  view.objectTransforms = false;
  RenderCtx rc(ed.doc, ed.options, view, vg);
  drawScene(rc, {});
  vg.endDrawing();
}

std::string imageTooLarge(int w, int h) {
  return "not enough memory for an image of " + std::to_string(w) + " x " + std::to_string(h) +
         " pixels";
}

}  // namespace

QRect contentBounds(const QImage& image) {
  if (image.isNull()) return {};
  QImage converted;
  const QImage* img = &image;
  if (image.format() != QImage::Format_ARGB32 &&
      image.format() != QImage::Format_ARGB32_Premultiplied) {
    converted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    img = &converted;
  }
  const int w = img->width();
  const int h = img->height();

  // First and last rows with any alpha: a row is read whole only while it is empty.
  int top = 0;
  while (top < h && !anyAlpha(row(*img, top), w)) ++top;
  if (top == h) return {};
  int bottom = h - 1;
  while (bottom > top && !anyAlpha(row(*img, bottom), w)) --bottom;

  // Between them, each row is read only outside the columns already known to hold content.
  int minX = w, maxX = -1;
  for (int y = top; y <= bottom; ++y) {
    const uint32_t* p = row(*img, y);
    if (minX > 0) minX = std::min(minX, firstAlpha(p, minX));
    if (maxX < w - 1) maxX = std::max(maxX, lastAlpha(p, maxX + 1, w));
  }
  return QRect(QPoint(minX, top), QPoint(maxX, bottom));
}

bool exportImage(Editor& ed, ImageStore& store, int canvasW, int canvasH, int mode) {
  std::string name = ed.prompt.saveFile("Save Image...", "", "png Images|*.png|All Files|*.*");
  if (name.empty()) return false;
  if (extensionOf(name) != "png") name += ".png";

  auto cannotSave = [&](const std::string& why) {
    ed.prompt.message("Save image", "Cannot save image: " + name + ": " + why);
    return false;
  };
  auto nothingToExport = [&] {
    ed.prompt.message("Save image", "Nothing to export");
    return false;
  };

  const sVdOptions& opt = ed.options;
  const int w = std::max(canvasW, static_cast<int>(opt.CameraW));
  const int h = std::max(canvasH, static_cast<int>(opt.CameraH));
  if (w <= 0 || h <= 0) return nothingToExport();

  QImage full(w, h, QImage::Format_ARGB32_Premultiplied);
  if (full.isNull()) return cannotSave(imageTooLarge(w, h));
  full.fill(Qt::transparent);
  drawExportScene(ed, store, full);

  // The camera rectangle may reach past the render; what lies outside it comes out transparent.
  const QRect cut = mode == kExportCamera
                        ? QRect(opt.CameraX, opt.CameraY, opt.CameraW, opt.CameraH)
                        : contentBounds(full);
  if (cut.isEmpty() || !cut.intersects(full.rect())) return nothingToExport();
  // A cut that is the whole render is saved as it is.
  QImage out = cut == full.rect() ? std::move(full) : full.copy(cut);
  full = QImage();
  if (out.isNull()) return cannotSave(imageTooLarge(cut.width(), cut.height()));

  std::string png;
  if (!encodePng(out, png)) return cannotSave("the PNG encoder failed");
  std::string why;
  if (!writeFileAtomic(name, png, &why))
    return cannotSave(why);
  return true;
}

}  // namespace pw
