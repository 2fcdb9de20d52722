// One GIF frame as the GIF muxer takes it: the graphic control block (cleared to transparent
// once shown), the image with its own colour table, and its pixels LZW-compressed. The first
// frame carries the file's header, with its colour table as the global one.
#pragma once

#include <cstdint>
#include <string>

namespace pw {

// `indexes` holds w x h palette indexes, row after row; `palette` 256 entries of 0xAARRGGBB
// whose entry kGifTransparentIndex is the transparent one. The delay is left at 0 for the muxer
// to fill in.
std::string gifFramePacket(const uint8_t* indexes, const uint32_t* palette, int w, int h,
                           bool first);

// The LZW code stream of 8-bit pixels, in the sub-blocks GIF stores it in (the terminator
// included).
std::string gifLzw(const uint8_t* pixels, size_t n);

}  // namespace pw
