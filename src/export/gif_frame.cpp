#include "export/gif_frame.h"

#include <vector>

#include "export/gif_palette.h"

namespace pw {

namespace {

constexpr int kMinCodeSize = 8;
constexpr int kClear = 1 << kMinCodeSize;  // 256
constexpr int kEnd = kClear + 1;           // 257
constexpr int kMaxCode = 4095;             // codes are at most 12 bits
constexpr size_t kHashSize = 1 << 14;      // open addressing, under a third full at most

void le16(std::string& out, int v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void colourTable(std::string& out, const uint32_t* palette) {
  for (int i = 0; i < 256; ++i) {
    out += static_cast<char>((palette[i] >> 16) & 0xFF);
    out += static_cast<char>((palette[i] >> 8) & 0xFF);
    out += static_cast<char>(palette[i] & 0xFF);
  }
}

// Codes packed least significant bit first.
class BitWriter {
 public:
  void put(int code, int width) {
    acc_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      bytes_ += static_cast<char>(acc_ & 0xFF);
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  std::string finish() {
    if (bits_ > 0) bytes_ += static_cast<char>(acc_ & 0xFF);
    return std::move(bytes_);
  }

 private:
  std::string bytes_;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// The string table: (prefix code, next pixel) -> code.
class Table {
 public:
  Table() : keys_(kHashSize), codes_(kHashSize) { clear(); }
  void clear() { std::fill(keys_.begin(), keys_.end(), -1); }
  int find(int prefix, uint8_t c) const {
    const int32_t key = prefix << 8 | c;
    for (size_t h = slot(key); keys_[h] >= 0; h = (h + 1) & (kHashSize - 1))
      if (keys_[h] == key) return codes_[h];
    return -1;
  }
  void add(int prefix, uint8_t c, int code) {
    const int32_t key = prefix << 8 | c;
    size_t h = slot(key);
    while (keys_[h] >= 0) h = (h + 1) & (kHashSize - 1);
    keys_[h] = key;
    codes_[h] = static_cast<int16_t>(code);
  }

 private:
  static size_t slot(int32_t key) {
    return (static_cast<uint32_t>(key) * 2654435761u >> 8) & (kHashSize - 1);
  }
  std::vector<int32_t> keys_;
  std::vector<int16_t> codes_;
};

}  // namespace

std::string gifLzw(const uint8_t* pixels, size_t n) {
  BitWriter bits;
  Table table;
  int width = kMinCodeSize + 1;
  int last = kEnd;  // the highest code in use
  bits.put(kClear, width);
  if (n > 0) {
    int prefix = pixels[0];
    for (size_t i = 1; i < n; ++i) {
      const uint8_t c = pixels[i];
      if (const int code = table.find(prefix, c); code >= 0) {
        prefix = code;
        continue;
      }
      bits.put(prefix, width);
      table.add(prefix, c, ++last);
      if (last >= (1 << width)) ++width;  // the reader widens as its table fills
      if (last == kMaxCode) {
        bits.put(kClear, width);
        table.clear();
        width = kMinCodeSize + 1;
        last = kEnd;
      }
      prefix = c;
    }
    bits.put(prefix, width);
  }
  bits.put(kEnd, width);
  const std::string codes = bits.finish();
  std::string out;
  out.reserve(codes.size() + codes.size() / 255 + 2);
  for (size_t at = 0; at < codes.size(); at += 255) {
    const size_t len = std::min<size_t>(255, codes.size() - at);
    out += static_cast<char>(len);
    out.append(codes, at, len);
  }
  out += '\0';
  return out;
}

std::string gifFramePacket(const uint8_t* indexes, const uint32_t* palette, int w, int h,
                           bool first) {
  std::string out;
  if (first) {
    out += "GIF89a";
    le16(out, w);
    le16(out, h);
    out += static_cast<char>(0xF7);  // a global table of 256 colours
    out += static_cast<char>(kGifTransparentIndex);  // background
    out += static_cast<char>(49);    // square pixels: (49 + 15) / 64
    colourTable(out, palette);
  }
  out += "\x21\xF9\x04";
  out += static_cast<char>(2 << 2 | 1);  // cleared once shown; has a transparent entry
  le16(out, 0);                         // the delay: the muxer's
  out += static_cast<char>(kGifTransparentIndex);
  out += '\0';
  out += '\x2C';
  le16(out, 0);
  le16(out, 0);
  le16(out, w);
  le16(out, h);
  out += static_cast<char>(0x87);  // a local table of 256 colours, not interlaced
  colourTable(out, palette);
  out += static_cast<char>(kMinCodeSize);
  out += gifLzw(indexes, static_cast<size_t>(w) * static_cast<size_t>(h));
  return out;
}

}  // namespace pw
