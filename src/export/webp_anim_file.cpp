#include "export/webp_anim_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <webp/decode.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fileio/atomic_file.h"

namespace pw {

namespace {

constexpr const char* kPartMark = ".part";  // "OUT.partXXXXXX" while an export runs
constexpr size_t kRiffHeader = 12;      // "RIFF", size, "WEBP"
constexpr size_t kChunkHeader = 8;      // fourcc, size
constexpr uint64_t kMaxRiffSize = 0xFFFFFFFEull;
constexpr int kMaxDurationMs = (1 << 24) - 1;
constexpr uint8_t kFlagAnimation = 0x02;
constexpr uint8_t kFlagAlpha = 0x10;
constexpr uint8_t kBlendNoDispose = 0x00;
constexpr uint8_t kNoBlendNoDispose = 0x02;

void le(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool setError(std::string* err, const std::string& why) {
  if (err) *err = why;
  return false;
}

// The chunks after the RIFF header of a still WebP, when they are what an animation frame may
// hold (an image chunk, optionally after its alpha chunk); empty otherwise.
std::string_view frameChunks(std::string_view webp) {
  if (webp.size() < kRiffHeader + kChunkHeader || webp.compare(0, 4, "RIFF") != 0 ||
      webp.compare(8, 4, "WEBP") != 0)
    return {};
  const std::string_view chunks = webp.substr(kRiffHeader);
  const std::string_view first = chunks.substr(0, 4);
  if (first != "VP8L" && first != "VP8 " && first != "ALPH") return {};
  return chunks;
}

}  // namespace

WebpAnimationFile::WebpAnimationFile(std::string target, int width, int height)
    : target_(std::move(target)), width_(width), height_(height) {}

WebpAnimationFile::~WebpAnimationFile() { discard(); }

void WebpAnimationFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
  tmp_.clear();
}

bool WebpAnimationFile::put(std::string_view bytes, std::string* err) {
  if (size_ + bytes.size() > kMaxRiffSize + 8)
    return setError(err, "the animation is too large for a WebP file (4 GB)");
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return setError(err, std::strerror(errno));
    }
    bytes.remove_prefix(static_cast<size_t>(n));
    size_ += static_cast<uint64_t>(n);
  }
  return true;
}

bool WebpAnimationFile::open(std::string* err) {
  discard();
  if (width_ < 1 || height_ < 1 || width_ > (1 << 24) || height_ > (1 << 24))
    return setError(err, "the animation's size is not valid for WebP");
  fd_ = createLockedTemporary(target_, kPartMark, /*readable=*/false, tmp_, err);
  if (fd_ < 0) return false;
  size_ = 0;
  frames_ = 0;
  std::string head = "RIFF";
  le(head, 0, 4);  // the size, filled in by commit()
  head += "WEBPVP8X";
  le(head, 10, 4);
  le(head, kFlagAnimation | kFlagAlpha, 4);  // flags and 3 reserved bytes
  le(head, static_cast<uint64_t>(width_ - 1), 3);
  le(head, static_cast<uint64_t>(height_ - 1), 3);
  head += "ANIM";
  le(head, 6, 4);
  le(head, 0, 4);  // background: transparent
  le(head, 0, 2);  // loop count: forever
  if (!put(head, err)) {
    discard();
    return false;
  }
  return true;
}

bool WebpAnimationFile::addFrame(std::string_view webp, int durationMs, std::string* err) {
  int w = 0, h = 0;
  if (WebPGetInfo(reinterpret_cast<const uint8_t*>(webp.data()), webp.size(), &w, &h) &&
      (w != width_ || h != height_))
    return setError(err, "a frame is not of the animation's size");
  return addFrame(webp, durationMs, WebpPlacement{}, err);
}

bool WebpAnimationFile::addFrame(std::string_view webp, int durationMs, const WebpPlacement& at,
                                 std::string* err) {
  if (fd_ < 0) return setError(err, "the animation file is not open");
  const std::string_view chunks = frameChunks(webp);
  int w = 0, h = 0;
  if (chunks.empty() ||
      !WebPGetInfo(reinterpret_cast<const uint8_t*>(webp.data()), webp.size(), &w, &h))
    return setError(err, "a frame is not a WebP image");
  if (at.x < 0 || at.y < 0 || at.x % 2 != 0 || at.y % 2 != 0 || w > width_ - at.x ||
      h > height_ - at.y)
    return setError(err, "a frame does not fit on the animation's canvas");
  std::string head = "ANMF";
  le(head, 16 + chunks.size(), 4);
  le(head, static_cast<uint64_t>(at.x / 2), 3);
  le(head, static_cast<uint64_t>(at.y / 2), 3);
  le(head, static_cast<uint64_t>(w - 1), 3);
  le(head, static_cast<uint64_t>(h - 1), 3);
  le(head, static_cast<uint64_t>(std::clamp(durationMs, 1, kMaxDurationMs)), 3);
  head += static_cast<char>(at.blend ? kBlendNoDispose : kNoBlendNoDispose);
  // Chunks inside a RIFF file are padded to even sizes; the encoder's are already.
  if (!put(head, err) || !put(chunks, err)) return false;
  ++frames_;
  return true;
}

bool WebpAnimationFile::commit(std::string* err) {
  if (fd_ < 0) return setError(err, "the animation file is not open");
  if (frames_ == 0) return setError(err, "the animation has no frames");
  std::string riffSize;
  le(riffSize, size_ - 8, 4);
  const bool ok = ::pwrite(fd_, riffSize.data(), 4, 4) == 4 && ::fsync(fd_) == 0;
  const int writeErr = errno;
  if (!ok) {
    discard();
    return setError(err, std::strerror(writeErr));
  }
  if (::close(fd_) != 0) {
    fd_ = -1;
    const int closeErr = errno;
    discard();
    return setError(err, std::strerror(closeErr));
  }
  fd_ = -1;
  if (::rename(tmp_.c_str(), target_.c_str()) != 0) {
    const int renameErr = errno;
    discard();
    return setError(err, std::strerror(renameErr));
  }
  tmp_.clear();
  return true;
}

}  // namespace pw
