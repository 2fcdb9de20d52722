#include "export/png_write.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace pw {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kFilterUp = 2;
constexpr int kDeflateLevel = 1;
constexpr size_t kOutChunk = size_t{1} << 16;

void put32(std::string& out, uint32_t v) {
  const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 8), static_cast<char>(v)};
  out.append(b, 4);
}

// Appends a chunk: length, type, data and the CRC of type and data.
void chunk(std::string& out, const char* type, const std::string& data) {
  put32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.append(type, 4);
  out += data;
  const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0),
                            reinterpret_cast<const Bytef*>(out.data() + typeAt),
                            static_cast<uInt>(data.size() + 4));
  put32(out, static_cast<uint32_t>(crc));
}

// RGBA bytes of a straight-alpha pixel.
inline void rgba(uint32_t p, unsigned char* o) {
  o[0] = static_cast<unsigned char>(p >> 16);
  o[1] = static_cast<unsigned char>(p >> 8);
  o[2] = static_cast<unsigned char>(p);
  o[3] = static_cast<unsigned char>(p >> 24);
}

// One row as filter byte and "Up"-filtered RGBA bytes (the difference to the row above; the
// first row has none above it).
void filterRow(const uint32_t* px, const uint32_t* above, int w, unsigned char* row) {
  row[0] = kFilterUp;
  unsigned char* o = row + 1;
  unsigned char up[4] = {0, 0, 0, 0};
  for (int x = 0; x < w; ++x, o += 4) {
    rgba(px[x], o);
    if (above) {
      rgba(above[x], up);
      for (int k = 0; k < 4; ++k) o[k] = static_cast<unsigned char>(o[k] - up[k]);
    }
  }
}

// Deflates the filtered rows of the image into a zlib stream.
bool deflateRows(const QImage& img, std::string& z) {
  z_stream s {};
  if (::deflateInit2(&s, kDeflateLevel, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  const int w = img.width(), h = img.height();
  std::vector<unsigned char> row(static_cast<size_t>(w) * 4 + 1);
  std::vector<unsigned char> buf(kOutChunk);
  bool ok = true;
  for (int y = 0; y < h && ok; ++y) {
    const auto* above =
        y > 0 ? reinterpret_cast<const uint32_t*>(img.constScanLine(y - 1)) : nullptr;
    filterRow(reinterpret_cast<const uint32_t*>(img.constScanLine(y)), above, w, row.data());
    s.next_in = row.data();
    s.avail_in = static_cast<uInt>(row.size());
    const int flush = y + 1 == h ? Z_FINISH : Z_NO_FLUSH;
    int rc = Z_OK;
    do {
      s.next_out = buf.data();
      s.avail_out = static_cast<uInt>(buf.size());
      rc = ::deflate(&s, flush);
      if (rc == Z_STREAM_ERROR) {
        ok = false;
        break;
      }
      z.append(reinterpret_cast<const char*>(buf.data()), buf.size() - s.avail_out);
    } while (s.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
  }
  ::deflateEnd(&s);
  return ok;
}

}  // namespace

bool encodePng(const QImage& image, std::string& out) {
  out.clear();
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return false;
  // Straight alpha, as PNG stores it: Qt's conversion, so the values match its own writer's.
  const QImage img = image.format() == QImage::Format_ARGB32
                         ? image
                         : image.convertToFormat(QImage::Format_ARGB32);
  if (img.isNull()) return false;
  std::string z;
  if (!deflateRows(img, z)) return false;

  out.reserve(z.size() + 64);
  out.append(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
  std::string ihdr;
  put32(ihdr, static_cast<uint32_t>(img.width()));
  put32(ihdr, static_cast<uint32_t>(img.height()));
  ihdr += '\x08';  // bits per channel
  ihdr += '\x06';  // RGBA
  ihdr.append(3, '\0');  // deflate, adaptive filtering, no interlace
  chunk(out, "IHDR", ihdr);
  chunk(out, "IDAT", z);
  chunk(out, "IEND", std::string());
  return true;
}

}  // namespace pw
