#include "export/webp_write.h"

#include <webp/encode.h>

#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

namespace pw {

namespace {

// Lossless effort (0 ... 9): on rendered scenes level 1 makes files about a fifth of level 0's
// in about the same time; the higher levels cost more time for a few percent.
constexpr int kLosslessLevel = 1;
// WebP frame durations are 24-bit.
constexpr int kMaxDurationMs = (1 << 24) - 1;
// A packed frame starts with x and y as 32-bit words, then the blend flag.
constexpr size_t kPlacementBytes = 9;

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

namespace {

// Encodes w x h pixels of straight-alpha B, G, R, A words (`stride` bytes a row) into `out`.
bool encodeBgra(const uchar* bits, int stride, int w, int h, std::string& out,
                std::string* err) {
  WebPConfig config;
  WebPPicture pic;
  if (!WebPConfigInit(&config) || !WebPConfigLosslessPreset(&config, kLosslessLevel) ||
      !WebPPictureInit(&pic)) {
    setError(err, "the WebP library does not match its headers");
    return false;
  }
  config.thread_level = 0;  // frames are encoded side by side already
  pic.use_argb = 1;
  pic.width = w;
  pic.height = h;
  bool ok = false;
  static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "BGRA import assumes little-endian pixels");
  if (WebPPictureImportBGRA(&pic, bits, stride)) {
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

bool checkFrame(const QImage& image, std::string* err) {
  if (image.isNull()) {
    setError(err, "no image to encode");
    return false;
  }
  if (image.width() > kMaxWebpSide || image.height() > kMaxWebpSide) {
    setError(err, "the frame is too large for WebP (at most " + std::to_string(kMaxWebpSide) +
                      " pixels a side)");
    return false;
  }
  return true;
}

const uint32_t* row(const QImage& img, int y) {
  return reinterpret_cast<const uint32_t*>(img.constScanLine(y));
}

// The smallest rectangle holding every pixel where `a` and `b` (same size and format) differ;
// empty when they are the same.
QRect changedRect(const QImage& a, const QImage& b) {
  const int w = a.width();
  int left = w, right = -1, top = -1, bottom = -1;
  for (int y = 0; y < a.height(); ++y) {
    const uint32_t *pa = row(a, y), *pb = row(b, y);
    if (std::equal(pa, pa + w, pb)) continue;
    if (top < 0) top = y;
    bottom = y;
    int x0 = 0, x1 = w - 1;
    while (pa[x0] == pb[x0]) ++x0;
    while (pa[x1] == pb[x1]) --x1;
    left = std::min(left, x0);
    right = std::max(right, x1);
  }
  return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Whether every pixel of `r` that differs between `prev` and `cur` is opaque in `cur`: drawn
// with alpha blending, an opaque pixel replaces the one under it exactly.
bool changesAreOpaque(const QImage& prev, const QImage& cur, const QRect& r) {
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const uint32_t *p = row(prev, y), *c = row(cur, y);
    for (int x = r.left(); x <= r.right(); ++x)
      if (c[x] != p[x] && (c[x] >> 24) != 0xFF) return false;
  }
  return true;
}

}  // namespace

QImage straightArgb(const QImage& image) {
  return image.format() == QImage::Format_ARGB32 ? image
                                                 : image.convertToFormat(QImage::Format_ARGB32);
}

bool encodeWebpFrame(const QImage& image, std::string& out, std::string* err) {
  out.clear();
  if (!checkFrame(image, err)) return false;
  // Straight alpha in memory order B, G, R, A (a little-endian 0xAARRGGBB word).
  const QImage src = straightArgb(image);
  if (src.isNull()) {
    setError(err, "not enough memory to encode the frame");
    return false;
  }
  return encodeBgra(src.constBits(), static_cast<int>(src.bytesPerLine()), src.width(),
                    src.height(), out, err);
}

bool encodeWebpChange(const QImage& prev, const QImage& image, std::string& out,
                      WebpPlacement& at, std::string* err) {
  at = WebpPlacement{};
  out.clear();
  if (!checkFrame(image, err)) return false;
  const QImage cur = straightArgb(image);
  if (cur.isNull()) {
    setError(err, "not enough memory to encode the frame");
    return false;
  }
  if (prev.isNull() || prev.size() != cur.size() || prev.format() != QImage::Format_ARGB32)
    return encodeWebpFrame(cur, out, err);
  const int stride = static_cast<int>(cur.bytesPerLine());
  const QRect changed = changedRect(prev, cur);
  if (changed.isEmpty())  // the first pixel, as it is
    return encodeBgra(cur.constBits(), stride, 1, 1, out, err);
  // Frame offsets are stored halved: the rectangle starts at even coordinates.
  const QRect r(QPoint(changed.left() & ~1, changed.top() & ~1), changed.bottomRight());
  at.x = r.left();
  at.y = r.top();
  at.blend = changesAreOpaque(prev, cur, r);
  if (!at.blend) {
    const uchar* corner = cur.constScanLine(r.top()) + 4 * static_cast<ptrdiff_t>(r.left());
    return encodeBgra(corner, stride, r.width(), r.height(), out, err);
  }
  // Blended: what did not change is left clear, which also packs far smaller.
  std::vector<uint32_t> patch;
  try {
    patch.resize(static_cast<size_t>(r.width()) * static_cast<size_t>(r.height()));
  } catch (const std::bad_alloc&) {
    setError(err, "not enough memory to encode the frame");
    return false;
  }
  uint32_t* dst = patch.data();
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const uint32_t *p = row(prev, y), *c = row(cur, y);
    for (int x = r.left(); x <= r.right(); ++x) *dst++ = c[x] == p[x] ? 0u : c[x];
  }
  return encodeBgra(reinterpret_cast<const uchar*>(patch.data()), 4 * r.width(), r.width(),
                    r.height(), out, err);
}

std::string packWebpFrame(const WebpPlacement& at, std::string_view webp) {
  std::string packed;
  packed.reserve(kPlacementBytes + webp.size());
  for (const int v : {at.x, at.y})
    for (int i = 0; i < 4; ++i)
      packed += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  packed += at.blend ? '\1' : '\0';
  packed.append(webp);
  return packed;
}

bool unpackWebpFrame(std::string_view packed, WebpPlacement& at, std::string_view& webp) {
  if (packed.size() < kPlacementBytes || static_cast<uint8_t>(packed[8]) > 1) return false;
  const auto word = [&](size_t at0) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(static_cast<uint8_t>(packed[at0 + i])) << (8 * i);
    return static_cast<int>(v);
  };
  at.x = word(0);
  at.y = word(4);
  at.blend = packed[8] == 1;
  webp = packed.substr(kPlacementBytes);
  return true;
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
