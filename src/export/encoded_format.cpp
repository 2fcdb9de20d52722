#include "export/encoded_format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

namespace pw {

namespace {

std::string filePart(const std::string& out) {
  return std::filesystem::path(out).filename().string();
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

int defaultQuality(EncodedFormat f) {
  return f == EncodedFormat::kGif || f == EncodedFormat::kApng ? 100 : 60;
}

const char* formatName(EncodedFormat f) {
  switch (f) {
    case EncodedFormat::kGif: return "GIF";
    case EncodedFormat::kApng: return "APNG";
    case EncodedFormat::kMp4: return "MP4";
    case EncodedFormat::kWebm: return "WebM";
  }
  return "?";
}

std::string gifFileName(const std::string& out) {
  return endsWith(filePart(out), ".gif") ? out : out + ".gif";
}

std::string apngFileName(const std::string& out) {
  const std::string name = filePart(out);
  return endsWith(name, ".png") || endsWith(name, ".apng") ? out : out + ".png";
}

bool videoFormatFor(const std::string& out, EncodedFormat& f, std::string& why) {
  const std::string name = lower(filePart(out));
  if (endsWith(name, ".mp4")) {
    f = EncodedFormat::kMp4;
    return true;
  }
  if (endsWith(name, ".webm")) {
    f = EncodedFormat::kWebm;
    return true;
  }
  why = "a video file name ends in .mp4 or .webm, not " + out;
  return false;
}

int gifColours(int quality) {
  const int q = std::clamp(quality, kMinQuality, kMaxQuality);
  return std::max(2, static_cast<int>(std::lround(q * 255.0 / kMaxQuality)));
}

int videoCrf(int quality, int maxCrf) {
  const int q = std::clamp(quality, kMinQuality, kMaxQuality);
  // 100 maps to 1, 1 to maxCrf, linearly in between.
  return 1 + static_cast<int>(std::lround((kMaxQuality - q) * (maxCrf - 1.0) /
                                          (kMaxQuality - kMinQuality)));
}

}  // namespace pw
