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

// `out` with ".webp" appended unless the extension of its file part is already exactly "webp".
std::string webpFileName(const std::string& out);

// How long frame `index` (from 0) stays on screen at `fps` frames per second, in whole
// milliseconds: the frame starts at round(index * 1000 / fps), so the durations add up to the
// exact running time instead of drifting. fps below 1 counts as 1.
int frameDurationMs(int64_t index, int fps);

}  // namespace pw
