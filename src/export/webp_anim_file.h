// An animated WebP written frame by frame to a temporary file beside its target, so memory holds
// no more than the frame being added: each frame a picture placed on the canvas over what the
// frames before left there (never cleared), looping forever on a transparent background. The
// target appears only on commit(), whole; a writer destroyed before that removes its temporary
// file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export/webp_write.h"

namespace pw {

class WebpAnimationFile {
 public:
  WebpAnimationFile(std::string target, int width, int height);
  ~WebpAnimationFile();
  WebpAnimationFile(const WebpAnimationFile&) = delete;
  WebpAnimationFile& operator=(const WebpAnimationFile&) = delete;

  // Creates the temporary file "TARGET.partXXXXXX" and writes the headers.
  bool open(std::string* err = nullptr);
  // Appends a still image made by encodeWebpFrame, of the canvas size, shown for `durationMs`.
  bool addFrame(std::string_view webp, int durationMs, std::string* err = nullptr);
  // The same for a picture placed by `at` (made by encodeWebpChange), inside the canvas.
  bool addFrame(std::string_view webp, int durationMs, const WebpPlacement& at,
                std::string* err = nullptr);
  int frameCount() const { return frames_; }
  // Completes the headers, flushes the file to disk and renames it over the target.
  bool commit(std::string* err = nullptr);
  // The temporary file's name while one is open (for tests).
  const std::string& temporaryPath() const { return tmp_; }

 private:
  bool put(std::string_view bytes, std::string* err);
  void discard();

  std::string target_, tmp_;
  int width_, height_;
  int fd_ = -1;
  int frames_ = 0;
  uint64_t size_ = 0;  // bytes written so far
};

}  // namespace pw
