#include "export/gif_palette.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace pw {

namespace {

constexpr int kBinBits = 5;              // per channel, for the median cut
constexpr int kKeyBits = 6;              // per channel, for the nearest-colour cache
constexpr uint32_t kOpaqueFrom = 128;    // alpha from which a pixel shows

uint32_t rgbOf(uint32_t argb) { return argb & 0xFFFFFFu; }
int chan(uint32_t rgb, int c) { return static_cast<int>((rgb >> (16 - 8 * c)) & 0xFF); }

// The pixels of one colour bin: how many and the sum of their channels.
struct Bin {
  uint64_t count = 0;
  std::array<uint64_t, 3> sum{};
  std::array<int, 3> mean() const {
    std::array<int, 3> m{};
    for (int c = 0; c < 3; ++c) m[c] = static_cast<int>((sum[c] + count / 2) / count);
    return m;
  }
};

// A run [begin, end) of the bins, one colour of the palette in the end.
struct Box {
  size_t begin, end;
};

// The channel over which a box's bin means spread most, and that spread.
std::pair<int, int> widest(const std::vector<Bin>& bins, const Box& b) {
  std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
  for (size_t i = b.begin; i < b.end; ++i) {
    const auto m = bins[i].mean();
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], m[c]);
      hi[c] = std::max(hi[c], m[c]);
    }
  }
  int best = 0;
  for (int c = 1; c < 3; ++c)
    if (hi[c] - lo[c] > hi[best] - lo[best]) best = c;
  return {best, hi[best] - lo[best]};
}

// Median cut over the opaque pixels' colours: at most `colours` palette entries.
std::vector<uint32_t> medianCut(const uint32_t* px, size_t n, int colours) {
  constexpr int kSide = 1 << kBinBits;
  std::vector<Bin> all(static_cast<size_t>(kSide) * kSide * kSide);
  for (size_t i = 0; i < n; ++i) {
    if ((px[i] >> 24) < kOpaqueFrom) continue;
    const uint32_t rgb = rgbOf(px[i]);
    size_t key = 0;
    for (int c = 0; c < 3; ++c) key = key * kSide + (chan(rgb, c) >> (8 - kBinBits));
    Bin& b = all[key];
    ++b.count;
    for (int c = 0; c < 3; ++c) b.sum[c] += static_cast<uint64_t>(chan(rgb, c));
  }
  std::vector<Bin> bins;
  for (const Bin& b : all)
    if (b.count) bins.push_back(b);
  std::vector<Box> boxes{{0, bins.size()}};
  while (static_cast<int>(boxes.size()) < colours) {
    int pick = -1, pickSpread = 0, pickChannel = 0;
    for (size_t k = 0; k < boxes.size(); ++k) {
      if (boxes[k].end - boxes[k].begin < 2) continue;
      const auto [c, spread] = widest(bins, boxes[k]);
      if (spread > pickSpread) {
        pick = static_cast<int>(k);
        pickSpread = spread;
        pickChannel = c;
      }
    }
    if (pick < 0) break;
    Box& b = boxes[static_cast<size_t>(pick)];
    const auto first = bins.begin() + static_cast<std::ptrdiff_t>(b.begin);
    const auto last = bins.begin() + static_cast<std::ptrdiff_t>(b.end);
    std::sort(first, last, [c = pickChannel](const Bin& x, const Bin& y) {
      return x.mean()[c] < y.mean()[c];
    });
    uint64_t total = 0, seen = 0;
    for (auto it = first; it != last; ++it) total += it->count;
    size_t cut = b.begin + 1;
    for (size_t i = b.begin; i + 1 < b.end; ++i) {
      seen += bins[i].count;
      cut = i + 1;
      if (2 * seen >= total) break;
    }
    const Box upper{cut, b.end};
    b.end = cut;
    boxes.push_back(upper);
  }
  std::vector<uint32_t> palette;
  for (const Box& b : boxes) {
    Bin merged;
    for (size_t i = b.begin; i < b.end; ++i) {
      merged.count += bins[i].count;
      for (int c = 0; c < 3; ++c) merged.sum[c] += bins[i].sum[c];
    }
    if (merged.count == 0) continue;
    const auto m = merged.mean();
    palette.push_back(static_cast<uint32_t>(m[0] << 16 | m[1] << 8 | m[2]));
  }
  return palette;
}

uint8_t nearest(const std::vector<uint32_t>& palette, int r, int g, int b) {
  int best = 0;
  int bestDist = 1 << 30;
  for (size_t k = 0; k < palette.size(); ++k) {
    const int dr = chan(palette[k], 0) - r, dg = chan(palette[k], 1) - g,
              db = chan(palette[k], 2) - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) {
      bestDist = d;
      best = static_cast<int>(k);
    }
  }
  return static_cast<uint8_t>(best);
}

}  // namespace

bool paletteFrame(const QImage& image, int colours, std::string& out, std::string& err) {
  if (image.isNull()) {
    err = "not enough memory to make a GIF frame";
    return false;
  }
  colours = std::clamp(colours, 2, 255);
  const QImage img = image.convertToFormat(QImage::Format_ARGB32);  // straight alpha
  if (img.isNull()) {
    err = "not enough memory to make a GIF frame";
    return false;
  }
  const int w = img.width(), h = img.height();
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  out.assign(n + kGifPaletteBytes, '\0');
  auto* index = reinterpret_cast<uint8_t*>(out.data());
  std::array<uint32_t, 256> palette{};  // entry 255 stays 0: transparent

  // The image's own colours when there are few enough of them.
  std::unordered_map<uint32_t, uint8_t> exact;
  bool fits = true;
  for (int y = 0; y < h && fits; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
    uint32_t last = 0xFFFFFFFFu;
    for (int x = 0; x < w; ++x) {
      if ((row[x] >> 24) < kOpaqueFrom || rgbOf(row[x]) == last) continue;
      last = rgbOf(row[x]);
      if (exact.count(last)) continue;
      if (static_cast<int>(exact.size()) == colours) {
        fits = false;
        break;
      }
      const auto k = static_cast<uint8_t>(exact.size());
      exact.emplace(last, k);
      palette[k] = 0xFF000000u | last;
    }
  }
  std::vector<uint32_t> cut;
  std::vector<int16_t> cache;
  if (!fits) {
    // Rows of a QImage are contiguous apart from padding, which ARGB32 never has.
    cut = medianCut(reinterpret_cast<const uint32_t*>(img.constBits()), n, colours);
    for (size_t k = 0; k < cut.size(); ++k) palette[k] = 0xFF000000u | cut[k];
    cache.assign(size_t{1} << (3 * kKeyBits), -1);
  }
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
    uint8_t* dst = index + static_cast<size_t>(y) * static_cast<size_t>(w);
    for (int x = 0; x < w; ++x) {
      if ((row[x] >> 24) < kOpaqueFrom) {
        dst[x] = kGifTransparentIndex;
      } else if (fits) {
        dst[x] = exact.at(rgbOf(row[x]));
      } else {
        const uint32_t rgb = rgbOf(row[x]);
        const int r = chan(rgb, 0), g = chan(rgb, 1), b = chan(rgb, 2);
        constexpr int kDrop = 8 - kKeyBits;
        const size_t key = static_cast<size_t>((r >> kDrop) << (2 * kKeyBits) |
                                               (g >> kDrop) << kKeyBits | (b >> kDrop));
        if (cache[key] < 0) cache[key] = nearest(cut, r, g, b);
        dst[x] = static_cast<uint8_t>(cache[key]);
      }
    }
  }
  std::memcpy(out.data() + n, palette.data(), kGifPaletteBytes);
  return true;
}

}  // namespace pw
