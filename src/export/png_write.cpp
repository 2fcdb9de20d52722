#include "export/png_write.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace pw {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kFilterUp = 2;
constexpr int kDeflateLevel = 1;
constexpr size_t kOutChunk = size_t{1} << 16;
constexpr int kBandRows = 32;

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

// Feeds `n` bytes to the deflater, collecting its output; false on a stream error.
bool deflateMore(z_stream& s, const unsigned char* data, size_t n, bool last,
                 std::vector<unsigned char>& buf, std::string& z) {
  s.next_in = const_cast<unsigned char*>(data);
  s.avail_in = static_cast<uInt>(n);
  const int flush = last ? Z_FINISH : Z_NO_FLUSH;
  int rc = Z_OK;
  do {
    s.next_out = buf.data();
    s.avail_out = static_cast<uInt>(buf.size());
    rc = ::deflate(&s, flush);
    if (rc == Z_STREAM_ERROR) return false;
    z.append(reinterpret_cast<const char*>(buf.data()), buf.size() - s.avail_out);
  } while (s.avail_out == 0 || (last && rc != Z_STREAM_END));
  return true;
}

// Deflates the filtered rows of the image into a zlib stream. Straight alpha is what PNG stores:
// a premultiplied image is converted a band of rows at a time, by Qt's own conversion, so the
// values match its writer's while no second full-size image is made.
bool deflateRows(const QImage& img, std::string& z) {
  z_stream s {};
  if (::deflateInit2(&s, kDeflateLevel, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  const int w = img.width(), h = img.height();
  const bool premultiplied = img.format() == QImage::Format_ARGB32_Premultiplied;
  std::vector<unsigned char> row(static_cast<size_t>(w) * 4 + 1);
  std::vector<unsigned char> buf(kOutChunk);
  std::vector<uint32_t> above;  // the last row of the previous band, straight alpha
  bool ok = true;
  for (int y0 = 0; y0 < h && ok; y0 += kBandRows) {
    const int rows = std::min(kBandRows, h - y0);
    QImage band = premultiplied ? QImage(img.constScanLine(y0), w, rows, img.bytesPerLine(),
                                         QImage::Format_ARGB32_Premultiplied)
                                      .convertToFormat(QImage::Format_ARGB32)
                                : QImage(img.constScanLine(y0), w, rows, img.bytesPerLine(),
                                         QImage::Format_ARGB32);
    if (band.isNull()) {
      ok = false;
      break;
    }
    for (int y = 0; y < rows && ok; ++y) {
      const auto* px = reinterpret_cast<const uint32_t*>(band.constScanLine(y));
      const uint32_t* up = y > 0 ? reinterpret_cast<const uint32_t*>(band.constScanLine(y - 1))
                           : above.empty() ? nullptr
                                           : above.data();
      filterRow(px, up, w, row.data());
      ok = deflateMore(s, row.data(), row.size(), y0 + y + 1 == h, buf, z);
    }
    const auto* last = reinterpret_cast<const uint32_t*>(band.constScanLine(rows - 1));
    above.assign(last, last + w);
  }
  ::deflateEnd(&s);
  return ok;
}

}  // namespace

bool encodePng(const QImage& image, std::string& out) {
  out.clear();
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return false;
  const bool direct = image.format() == QImage::Format_ARGB32_Premultiplied ||
                      image.format() == QImage::Format_ARGB32;
  const QImage img = direct ? image : image.convertToFormat(QImage::Format_ARGB32);
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

bool isCompletePng(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  unsigned char head[8];
  if (!in.read(reinterpret_cast<char*>(head), 8) || std::memcmp(head, kSignature, 8) != 0)
    return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  std::streamoff at = 8;
  bool first = true;
  while (at + 12 <= size) {
    in.seekg(at);
    unsigned char chunk[8];
    if (!in.read(reinterpret_cast<char*>(chunk), 8)) return false;
    const uint64_t length = (uint64_t{chunk[0]} << 24) | (uint64_t{chunk[1]} << 16) |
                            (uint64_t{chunk[2]} << 8) | uint64_t{chunk[3]};
    const std::string type(reinterpret_cast<const char*>(chunk + 4), 4);
    if (first && type != "IHDR") return false;
    first = false;
    const std::streamoff next = at + 12 + static_cast<std::streamoff>(length);
    if (next > size) return false;
    if (type == "IEND") return length == 0 && next == size;
    at = next;
  }
  return false;
}

}  // namespace pw
