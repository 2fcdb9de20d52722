#include "render/image_decode.h"

#include <zlib.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstdint>

namespace pw {

namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFFu;  // the PNG limit

uint32_t bigEndian32(const char* p) {
  const auto b = [p](int k) { return static_cast<uint32_t>(static_cast<unsigned char>(p[k])); };
  return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

// A reader over the bytes that settles the format from the content; null format when unknown.
class MemoryReader {
 public:
  explicit MemoryReader(std::string_view bytes)
      : data_(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))),
        buffer_(&data_) {
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
    reader_.setDecideFormatFromContent(true);
    const QByteArray fmt = reader_.format().toLower();
    known_ = fmt == "png" || fmt == "jpeg" || fmt == "jpg" || fmt == "bmp";
    if (fmt == "png" && !pngChunksIntact(bytes)) known_ = false;
  }
  MemoryReader(const MemoryReader&) = delete;
  MemoryReader& operator=(const MemoryReader&) = delete;

  bool usable() const { return known_; }
  QImageReader& reader() { return reader_; }

 private:
  QByteArray data_;
  QBuffer buffer_;
  QImageReader reader_;
  bool known_ = false;
};

}  // namespace

bool pngChunksIntact(std::string_view bytes) {
  if (bytes.substr(0, kPngSignature.size()) != kPngSignature) return false;
  size_t pos = kPngSignature.size();
  while (bytes.size() - pos >= 12) {
    const uint32_t length = bigEndian32(bytes.data() + pos);
    if (length > kMaxChunkLength || bytes.size() - pos - 12 < length) return false;
    const char* type = bytes.data() + pos + 4;
    // Ancillary chunks (lower-case first letter) with a bad CRC are skipped by the decoder.
    const bool critical = (static_cast<unsigned char>(type[0]) & 0x20) == 0;
    if (critical) {
      const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(type),
                                static_cast<uInt>(length + 4));
      if (crc != bigEndian32(type + 4 + length)) return false;
    }
    if (std::string_view(type, 4) == "IEND") return true;
    pos += 12 + length;
  }
  return false;
}

QImage decodeImage(std::string_view bytes) {
  MemoryReader m(bytes);
  if (!m.usable()) return {};
  QImage img = m.reader().read();
  if (img.isNull()) return {};
  if (img.format() != QImage::Format_ARGB32_Premultiplied)
    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  return img;
}

bool imageHeaderSize(std::string_view bytes, int& w, int& h) {
  MemoryReader m(bytes);
  if (!m.usable()) return false;
  const QSize size = m.reader().size();
  if (size.width() <= 0 || size.height() <= 0) return false;
  w = size.width();
  h = size.height();
  return true;
}

}  // namespace pw
