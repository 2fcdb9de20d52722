#include "export/webp_write.h"

#include <webp/encode.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pw {

namespace {

// Lossless effort (0 ... 9): on rendered scenes level 1 makes files about a fifth of level 0's
// in about the same time; the higher levels cost more time for a few percent.
constexpr int kLosslessLevel = 1;
// WebP frame durations are 24-bit.
constexpr int kMaxDurationMs = (1 << 24) - 1;

void setError(std::string* err, const std::string& why) {
  if (err) *err = why;
}

const char* encodeErrorText(WebPEncodingError e) {
  switch (e) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
      return "not enough memory to encode the frame";
    case VP8_ENC_ERROR_BAD_DIMENSION:
      return "the frame is too large for WebP";
    default:
      return "the WebP encoder failed";
  }
}

int muxWrite(const uint8_t* data, size_t size, const WebPPicture* pic) {
  auto* out = static_cast<std::string*>(pic->custom_ptr);
  out->append(reinterpret_cast<const char*>(data), size);
  return 1;
}

}  // namespace

bool encodeWebpFrame(const QImage& image, std::string& out, std::string* err) {
  out.clear();
  if (image.isNull()) {
    setError(err, "no image to encode");
    return false;
  }
  if (image.width() > kMaxWebpSide || image.height() > kMaxWebpSide) {
    setError(err, "the frame is too large for WebP (at most " + std::to_string(kMaxWebpSide) +
                      " pixels a side)");
    return false;
  }
  // Straight alpha in memory order B, G, R, A (a little-endian 0xAARRGGBB word).
  const QImage src = image.format() == QImage::Format_ARGB32
                         ? image
                         : image.convertToFormat(QImage::Format_ARGB32);
  if (src.isNull()) {
    setError(err, "not enough memory to encode the frame");
    return false;
  }
  WebPConfig config;
  WebPPicture pic;
  if (!WebPConfigInit(&config) || !WebPConfigLosslessPreset(&config, kLosslessLevel) ||
      !WebPPictureInit(&pic)) {
    setError(err, "the WebP library does not match its headers");
    return false;
  }
  config.thread_level = 0;  // frames are encoded side by side already
  pic.use_argb = 1;
  pic.width = src.width();
  pic.height = src.height();
  bool ok = false;
  static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "BGRA import assumes little-endian pixels");
  if (WebPPictureImportBGRA(&pic, src.constBits(), static_cast<int>(src.bytesPerLine()))) {
    pic.writer = muxWrite;
    pic.custom_ptr = &out;
    ok = WebPEncode(&config, &pic) != 0;
    if (!ok) setError(err, encodeErrorText(pic.error_code));
  } else {
    setError(err, "not enough memory to encode the frame");
  }
  WebPPictureFree(&pic);
  if (!ok) out.clear();
  return ok;
}

std::string webpFileName(const std::string& out) {
  const size_t slash = out.find_last_of('/');
  const size_t dot = out.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return hasExt && out.compare(dot + 1, std::string::npos, "webp") == 0 ? out : out + ".webp";
}

int frameDurationMs(int64_t index, int fps) {
  const int64_t f = std::max(fps, 1);
  const auto start = [f](int64_t i) { return (i * 2000 + f) / (2 * f); };  // round half up
  const int64_t d = start(index + 1) - start(index);
  return static_cast<int>(std::clamp<int64_t>(d, 1, kMaxDurationMs));
}

}  // namespace pw
