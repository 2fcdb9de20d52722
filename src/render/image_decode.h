// Picture files held in memory: PNG, JPEG and BMP, decoded through Qt's image readers.
#pragma once

#include <QImage>
#include <string_view>

namespace pw {

// The image as premultiplied 32-bit ARGB; null when it is not a PNG, JPEG or BMP, or is damaged.
QImage decodeImage(std::string_view bytes);

// Width and height from the header, after the checks decodeImage makes short of decoding.
bool imageHeaderSize(std::string_view bytes, int& w, int& h);

// True when a PNG file holds every chunk up to IEND and each critical chunk passes its CRC. The
// decoder's own library would otherwise print its complaint about a damaged file on stderr.
bool pngChunksIntact(std::string_view bytes);

}  // namespace pw
