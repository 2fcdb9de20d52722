// Lossless WebP frames and their timing in an animation.
#pragma once

#include <QImage>
#include <string>
#include <string_view>

namespace pw {

// Largest width or height a WebP image can have.
inline constexpr int kMaxWebpSide = 16383;

// Encodes a 32-bit image as a lossless WebP still image (the pixels of a straight-alpha copy;
// colours under fully transparent pixels may change). False, with the reason in `err`, when the
// image is null, too large for WebP or memory runs out.
bool encodeWebpFrame(const QImage& image, std::string& out, std::string* err = nullptr);

// Where the picture of an animation frame goes on the canvas: its top left corner (even
// coordinates) and whether it is drawn over the frame before (its fully transparent pixels then
// keep what was there) or replaces the pixels it covers.
struct WebpPlacement {
  int x = 0, y = 0;
  bool blend = false;
};

// `image` as a straight-alpha ARGB32 image (itself when it is one); null when memory runs out.
QImage straightArgb(const QImage& image);

// Encodes frame `image` of an animation, shown after `prev` (both straight-alpha ARGB32 images
// of one size; `prev` null for the first frame), as a lossless WebP of only the rectangle where
// they differ, placed by `at` so that the canvas shows `image` exactly: unchanged pixels of the
// rectangle become transparent and the picture is blended when every changed pixel is opaque.
// An unchanged frame is one pixel. The result depends on the two images alone. False, with the
// reason in `err`, as encodeWebpFrame.
bool encodeWebpChange(const QImage& prev, const QImage& image, std::string& out,
                      WebpPlacement& at, std::string* err = nullptr);

// A placement and an encoded picture in one string, as the frame pipeline passes them on, and
// back; unpacking is false when `packed` was not made by packWebpFrame.
std::string packWebpFrame(const WebpPlacement& at, std::string_view webp);
bool unpackWebpFrame(std::string_view packed, WebpPlacement& at, std::string_view& webp);

// `out` with ".webp" appended unless the extension of its file part is already exactly "webp".
std::string webpFileName(const std::string& out);

// How long frame `index` (from 0) stays on screen at `fps` frames per second, in whole
// milliseconds: the frame starts at round(index * 1000 / fps), so the durations add up to the
// exact running time instead of drifting. fps below 1 counts as 1.
int frameDurationMs(int64_t index, int fps);

}  // namespace pw
