// GIF, APNG, MP4 and WebM animations encoded and written with FFmpeg's libraries, frame by frame
// to a temporary file beside the target: constant frame rate (time base 1/fps, one tick a
// frame), GIF and APNG looping forever. The target appears only on commit(), whole; a writer
// destroyed before that removes its temporary file. Frames come from EncoderFrameMaker, made on
// the drawing threads, so the writer only encodes and writes.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "export/encoded_format.h"

extern "C" {
#include <libavutil/rational.h>
}

namespace pw {

// Turns drawn frames into the pixels the format's encoder takes: palette indexes for GIF, straight
// RGBA for APNG, and for video the frame over black as 4:2:0 YUV (BT.601, limited range). Holds
// its own converter state: one maker a thread.
class EncoderFrameMaker {
 public:
  EncoderFrameMaker(EncodedFormat format, int quality);
  ~EncoderFrameMaker();
  EncoderFrameMaker(const EncoderFrameMaker&) = delete;
  EncoderFrameMaker& operator=(const EncoderFrameMaker&) = delete;
  // `image` is ARGB32_Premultiplied, of the animation's size.
  bool make(const QImage& image, std::string& raw, std::string& err);

 private:
  struct Scaler;
  EncodedFormat format_;
  int quality_;
  std::unique_ptr<Scaler> scaler_;
};

class AvAnimationFile {
 public:
  AvAnimationFile(std::string target, EncodedFormat format, int width, int height, int fps,
                  int quality);
  ~AvAnimationFile();
  AvAnimationFile(const AvAnimationFile&) = delete;
  AvAnimationFile& operator=(const AvAnimationFile&) = delete;

  // Why a width x height animation cannot be written in `format`; empty when it can.
  static std::string sizeProblem(EncodedFormat format, int width, int height);

  // Creates the temporary file "TARGET.partXXXXXX", sets up the encoder and writes the header.
  bool open(std::string* err = nullptr);
  // Encodes the next frame (made by EncoderFrameMaker for this format and size).
  bool addFrame(std::string_view raw, std::string* err = nullptr);
  int64_t frameCount() const { return frames_; }
  // Bytes of the file so far (the header and every packet out of the encoder).
  uint64_t size() const;
  // The encoder in use ("gif": this program's own, "apng", "libx264", "libvpx-vp9"...); empty
  // before open().
  const std::string& encoderName() const { return encoder_; }
  // Drains the encoder, completes the file, flushes it to disk and renames it over the target.
  bool commit(std::string* err = nullptr);
  // The temporary file's name while one is open (for tests).
  const std::string& temporaryPath() const { return tmp_; }

 private:
  struct Av;
  bool openFile(std::string* err);
  bool setUp(std::string* err);
  bool writeHeader(std::string* err);
  bool addGifFrame(std::string_view raw, std::string* err);
  bool writePacket(AVRational from, std::string* err);  // the packet in av_->pkt
  bool drain(std::string* err);  // writes the packets the encoder has ready
  bool failWith(std::string* err, const std::string& why);
  void discard();

  std::string target_, tmp_, encoder_;
  EncodedFormat format_;
  int width_, height_, fps_, quality_;
  int fd_ = -1;
  int writeErrno_ = 0;  // the last failed write's errno, for the message
  int64_t frames_ = 0;
  std::unique_ptr<Av> av_;
};

}  // namespace pw
