// The animation formats written through FFmpeg's libraries: looping GIF and APNG, and MP4 and
// WebM videos. What each is called, the file names it takes and what its quality number means.
// Plain declarations, so that the command line and the menus need no FFmpeg headers.
#pragma once

#include <string>

namespace pw {

enum class EncodedFormat { kGif, kApng, kMp4, kWebm };

// The --quality range, the same for every format.
inline constexpr int kMinQuality = 1;
inline constexpr int kMaxQuality = 100;

// What the quality number does when not given: every colour a GIF palette holds (100), and a
// video that looks like its frames at a moderate size (60).
int defaultQuality(EncodedFormat f);

// "GIF", "APNG", "MP4", "WebM": the format in messages.
const char* formatName(EncodedFormat f);

// The GIF target for `out`: ".gif" appended unless its file part already ends in exactly ".gif".
std::string gifFileName(const std::string& out);
// The APNG target: ".png" appended unless the file part ends in exactly ".png" or ".apng".
std::string apngFileName(const std::string& out);
// The video format a file name asks for by its extension (".mp4" or ".webm", any case). False,
// with the reason, for any other name.
bool videoFormatFor(const std::string& out, EncodedFormat& f, std::string& why);

// Colours of a GIF frame's palette at quality q (1..100): 2 at the lowest, 255 at 100. The
// palette's 256th entry is the transparent one.
int gifColours(int quality);
// The constant rate factor an encoder of crf range 0..maxCrf gets at quality q: 100 is the
// best (a crf of 1 step above lossless), 1 the smallest file.
int videoCrf(int quality, int maxCrf);

}  // namespace pw
