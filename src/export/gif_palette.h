// GIF frames: a drawn frame reduced to at most 255 colours and one transparent entry. Each frame
// gets its own palette, so a scene whose frames hold few colours keeps them exactly.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

namespace pw {

// The palette entry that stands for transparent pixels.
inline constexpr uint8_t kGifTransparentIndex = 255;
// Bytes of the palette after the indexes: 256 entries of 0xAARRGGBB in the machine's order.
inline constexpr size_t kGifPaletteBytes = 256 * 4;

// Writes one palette index a pixel, row after row, then the palette, into `out`. A pixel less
// than half opaque becomes the transparent entry; the others keep their colour (without their
// alpha). When the opaque pixels hold at most `colours` (2..255) distinct colours, each keeps its
// own exactly; otherwise the colours are split into `colours` groups by median cut and each pixel
// takes the nearest group's mean. False, with the reason, when the image is null or memory runs
// out.
bool paletteFrame(const QImage& image, int colours, std::string& out, std::string& err);

}  // namespace pw
