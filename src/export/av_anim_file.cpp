#include "export/av_anim_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "export/gif_frame.h"
#include "export/gif_palette.h"
#include "fileio/atomic_file.h"

namespace pw {

namespace {

constexpr const char* kPartMark = ".part";  // "OUT.partXXXXXX" while an export runs
constexpr int kIoBuffer = 1 << 16;
constexpr int kMaxGifSide = 65535;

bool setError(std::string* err, const std::string& why) {
  if (err) *err = why;
  return false;
}

std::string avError(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

bool isVideo(EncodedFormat f) { return f == EncodedFormat::kMp4 || f == EncodedFormat::kWebm; }

AVPixelFormat pixelFormat(EncodedFormat f) {
  switch (f) {
    case EncodedFormat::kGif: return AV_PIX_FMT_PAL8;
    case EncodedFormat::kApng: return AV_PIX_FMT_RGBA;
    default: return AV_PIX_FMT_YUV420P;
  }
}

const char* muxerName(EncodedFormat f) {
  switch (f) {
    case EncodedFormat::kGif: return "gif";
    case EncodedFormat::kApng: return "apng";
    case EncodedFormat::kMp4: return "mp4";
    case EncodedFormat::kWebm: return "webm";
  }
  return "";
}

// The encoders a format can use, the preferred first.
std::vector<const char*> encoderNames(EncodedFormat f) {
  switch (f) {
    case EncodedFormat::kGif: return {};  // written here: see gif_frame.h
    case EncodedFormat::kApng: return {"apng"};
    case EncodedFormat::kMp4: return {"libx264", "mpeg4"};
    case EncodedFormat::kWebm: return {"libvpx-vp9", "libvpx"};
  }
  return {};
}

// Bytes of one raw frame of the format at w x h.
size_t rawSize(EncodedFormat f, int w, int h) {
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  switch (f) {
    case EncodedFormat::kGif: return n + kGifPaletteBytes;
    case EncodedFormat::kApng: return 4 * n;
    default: return n + 2 * (n / 4);
  }
}

// The quality settings of each encoder. Video quality is constant (a rate factor or a fixed
// quantiser), never a bit rate, so that a still part of the scene stays sharp.
void setQuality(AVCodecContext* enc, const std::string& name, int quality) {
  if (name == "libx264") {
    av_opt_set_int(enc->priv_data, "crf", videoCrf(quality, 51), 0);
    av_opt_set(enc->priv_data, "preset", "medium", 0);
  } else if (name == "mpeg4") {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = FF_QP2LAMBDA * std::clamp(videoCrf(quality, 31), 2, 31);
  } else if (name == "libvpx-vp9") {
    enc->bit_rate = 0;
    av_opt_set_int(enc->priv_data, "crf", videoCrf(quality, 63), 0);
    av_opt_set(enc->priv_data, "deadline", "good", 0);
    av_opt_set_int(enc->priv_data, "cpu-used", 4, 0);
    av_opt_set_int(enc->priv_data, "row-mt", 1, 0);
  } else if (name == "libvpx") {
    enc->bit_rate = 100'000'000;  // a ceiling only: the rate factor decides
    av_opt_set_int(enc->priv_data, "crf", std::max(4, videoCrf(quality, 63)), 0);
  }
}

}  // namespace

// ---- frames -------------------------------------------------------------------------------

struct EncoderFrameMaker::Scaler {
  SwsContext* sws = nullptr;
  ~Scaler() { sws_freeContext(sws); }
};

EncoderFrameMaker::EncoderFrameMaker(EncodedFormat format, int quality)
    : format_(format), quality_(quality), scaler_(std::make_unique<Scaler>()) {}

EncoderFrameMaker::~EncoderFrameMaker() = default;

bool EncoderFrameMaker::make(const QImage& image, std::string& raw, std::string& err) {
  if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied) {
    err = "a frame could not be drawn";
    return false;
  }
  const int w = image.width(), h = image.height();
  if (format_ == EncodedFormat::kGif) return paletteFrame(image, gifColours(quality_), raw, err);
  raw.assign(rawSize(format_, w, h), '\0');
  auto* dst = reinterpret_cast<uint8_t*>(raw.data());
  if (format_ == EncodedFormat::kApng) {
    // Straight alpha by Qt's own conversion, as the PNG frames have it.
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    if (straight.isNull()) {
      err = "not enough memory to convert a frame";
      return false;
    }
    for (int y = 0; y < h; ++y) {
      const auto* px = reinterpret_cast<const uint32_t*>(straight.constScanLine(y));
      for (int x = 0; x < w; ++x, dst += 4) {
        dst[0] = static_cast<uint8_t>(qRed(px[x]));
        dst[1] = static_cast<uint8_t>(qGreen(px[x]));
        dst[2] = static_cast<uint8_t>(qBlue(px[x]));
        dst[3] = static_cast<uint8_t>(qAlpha(px[x]));
      }
    }
    return true;
  }
  // Premultiplied colour is the colour over black: the alpha is simply left out.
  scaler_->sws = sws_getCachedContext(scaler_->sws, w, h, AV_PIX_FMT_BGR0, w, h,
                                      AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND,
                                      nullptr, nullptr, nullptr);
  if (!scaler_->sws) {
    err = "cannot convert a frame for the video encoder";
    return false;
  }
  const uint8_t* src[4] = {image.constBits(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
  const size_t luma = static_cast<size_t>(w) * static_cast<size_t>(h);
  uint8_t* planes[4] = {dst, dst + luma, dst + luma + luma / 4, nullptr};
  const int strides[4] = {w, w / 2, w / 2, 0};
  if (sws_scale(scaler_->sws, src, srcStride, 0, h, planes, strides) != h) {
    err = "cannot convert a frame for the video encoder";
    return false;
  }
  return true;
}

// ---- the file -----------------------------------------------------------------------------

struct AvAnimationFile::Av {
  int fd = -1;
  int writeErrno = 0;
  AVFormatContext* fmt = nullptr;
  AVCodecContext* enc = nullptr;
  AVStream* st = nullptr;
  AVIOContext* io = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* pkt = nullptr;
  // The header is written and the trailer not yet: the muxer may hold a packet back (the GIF and
  // APNG muxers keep the last one to give it the next one's delay), freed only by the trailer.
  bool open = false;

  ~Av() {
    // A stopped or failed export: the file is thrown away, but the muxer lets go of what it holds.
    if (open) av_write_trailer(fmt);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&enc);
    if (fmt) avformat_free_context(fmt);
    if (io) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
  }

  static int write(void* opaque, uint8_t* buf, int size) {
    Av* av = static_cast<Av*>(opaque);
    for (int done = 0; done < size;) {
      const ssize_t n = ::write(av->fd, buf + done, static_cast<size_t>(size - done));
      if (n < 0) {
        if (errno == EINTR) continue;
        av->writeErrno = errno;
        return AVERROR(errno);
      }
      done += static_cast<int>(n);
    }
    return size;
  }
  static int64_t seek(void* opaque, int64_t offset, int whence) {
    Av* av = static_cast<Av*>(opaque);
    if (whence & AVSEEK_SIZE) {
      struct stat s {};
      return ::fstat(av->fd, &s) == 0 ? static_cast<int64_t>(s.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(av->fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
  }
};

AvAnimationFile::AvAnimationFile(std::string target, EncodedFormat format, int width, int height,
                                 int fps, int quality)
    : target_(std::move(target)),
      format_(format),
      width_(width),
      height_(height),
      fps_(std::max(fps, 1)),
      quality_(std::clamp(quality, kMinQuality, kMaxQuality)) {}

AvAnimationFile::~AvAnimationFile() { discard(); }

std::string AvAnimationFile::sizeProblem(EncodedFormat format, int width, int height) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width < 1 || height < 1) return "the camera is " + size;
  if (format == EncodedFormat::kGif && (width > kMaxGifSide || height > kMaxGifSide))
    return "the camera is " + size + "; a GIF image has at most " + std::to_string(kMaxGifSide) +
           " pixels a side";
  if (isVideo(format) && (width % 2 != 0 || height % 2 != 0))
    return "the camera is " + size + "; " + formatName(format) +
           " video needs an even width and height";
  return {};
}

void AvAnimationFile::discard() {
  av_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
  tmp_.clear();
}

bool AvAnimationFile::failWith(std::string* err, const std::string& why) {
  discard();
  return setError(err, why);
}

uint64_t AvAnimationFile::size() const {
  return av_ && av_->io ? static_cast<uint64_t>(std::max<int64_t>(avio_tell(av_->io), 0)) : 0;
}

bool AvAnimationFile::openFile(std::string* err) {
  fd_ = createLockedTemporary(target_, kPartMark, /*readable=*/true, tmp_, err);
  return fd_ >= 0;
}

bool AvAnimationFile::setUp(std::string* err) {
  av_ = std::make_unique<Av>();
  Av& av = *av_;
  av.fd = fd_;
  const AVOutputFormat* muxer = av_guess_format(muxerName(format_), nullptr, nullptr);
  const AVCodec* codec = nullptr;
  for (const char* name : encoderNames(format_))
    if ((codec = avcodec_find_encoder_by_name(name))) break;
  if (!muxer || (!codec && format_ != EncodedFormat::kGif))
    return failWith(err, std::string("this build of FFmpeg cannot write ") +
                             formatName(format_));
  encoder_ = codec ? codec->name : "gif";
  if (avformat_alloc_output_context2(&av.fmt, muxer, nullptr, nullptr) < 0 || !av.fmt)
    return failWith(err, "out of memory");
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
  if (buffer) av.io = avio_alloc_context(buffer, kIoBuffer, 1, &av, nullptr, &Av::write, &Av::seek);
  if (!av.io) {
    av_free(buffer);
    return failWith(err, "out of memory");
  }
  av.fmt->pb = av.io;
  av.fmt->flags |= AVFMT_FLAG_CUSTOM_IO;

  av.st = avformat_new_stream(av.fmt, nullptr);
  av.pkt = av_packet_alloc();
  if (!av.st || !av.pkt) return failWith(err, "out of memory");
  if (format_ == EncodedFormat::kGif) {
    // FFmpeg's GIF encoder keeps a frame's transparent pixels showing the frame before (it
    // leaves frames in place to crop them); the frames are made whole here (gif_frame.h) and
    // only muxed by FFmpeg.
    AVCodecParameters* par = av.st->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_GIF;
    par->format = AV_PIX_FMT_PAL8;
    par->width = width_;
    par->height = height_;
    par->sample_aspect_ratio = AVRational{1, 1};
    av.st->time_base = AVRational{1, fps_};
    av.st->avg_frame_rate = av.st->r_frame_rate = AVRational{fps_, 1};
    return writeHeader(err);
  }
  av.enc = avcodec_alloc_context3(codec);
  av.frame = av_frame_alloc();
  if (!av.enc || !av.frame) return failWith(err, "out of memory");
  AVCodecContext* enc = av.enc;
  enc->width = width_;
  enc->height = height_;
  enc->pix_fmt = pixelFormat(format_);
  enc->time_base = AVRational{1, fps_};
  enc->framerate = AVRational{fps_, 1};
  enc->sample_aspect_ratio = AVRational{1, 1};
  if (isVideo(format_)) {
    enc->gop_size = 2 * fps_;  // a key frame every two seconds, to seek to
    enc->color_range = AVCOL_RANGE_MPEG;
    enc->colorspace = AVCOL_SPC_SMPTE170M;
    enc->color_primaries = AVCOL_PRI_SMPTE170M;
    enc->color_trc = AVCOL_TRC_SMPTE170M;
    setQuality(enc, encoder_, quality_);
  }
  if (av.fmt->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (const int r = avcodec_open2(enc, codec, nullptr); r < 0)
    return failWith(err, std::string("the ") + formatName(format_) + " encoder (" + encoder_ +
                             ") refused a " + std::to_string(width_) + " x " +
                             std::to_string(height_) + " picture: " + avError(r));
  av.st->time_base = enc->time_base;
  av.st->avg_frame_rate = enc->framerate;
  av.st->r_frame_rate = enc->framerate;
  if (avcodec_parameters_from_context(av.st->codecpar, enc) < 0)
    return failWith(err, "out of memory");

  av.frame->format = enc->pix_fmt;
  av.frame->width = width_;
  av.frame->height = height_;
  if (av_frame_get_buffer(av.frame, 0) < 0) return failWith(err, "out of memory");
  return writeHeader(err);
}

bool AvAnimationFile::writeHeader(std::string* err) {
  Av& av = *av_;
  AVDictionary* opts = nullptr;
  if (format_ == EncodedFormat::kGif) av_dict_set(&opts, "loop", "0", 0);    // forever
  if (format_ == EncodedFormat::kApng) av_dict_set(&opts, "plays", "0", 0);  // forever
  const int r = avformat_write_header(av.fmt, &opts);
  av_dict_free(&opts);
  if (r < 0) return failWith(err, av.writeErrno ? std::strerror(av.writeErrno) : avError(r));
  av.open = true;
  return true;
}

bool AvAnimationFile::open(std::string* err) {
  discard();
  frames_ = 0;
  if (std::string why = sizeProblem(format_, width_, height_); !why.empty())
    return setError(err, why);
  av_log_set_level(AV_LOG_QUIET);  // failures come back as codes; the libraries' chatter stays out
  return openFile(err) && setUp(err);
}

bool AvAnimationFile::drain(std::string* err) {
  Av& av = *av_;
  for (;;) {
    int r = avcodec_receive_packet(av.enc, av.pkt);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return failWith(err, "the " + encoder_ + " encoder failed: " + avError(r));
    if (av.pkt->duration <= 0) av.pkt->duration = 1;  // every frame lasts one tick
    if (!writePacket(av.enc->time_base, err)) return false;
  }
}

bool AvAnimationFile::addFrame(std::string_view raw, std::string* err) {
  if (!av_) return setError(err, "the animation file is not open");
  if (raw.size() != rawSize(format_, width_, height_))
    return setError(err, "a frame is not of the animation's size");
  Av& av = *av_;
  if (format_ == EncodedFormat::kGif) return addGifFrame(raw, err);
  AVFrame* f = av.frame;
  if (av_frame_make_writable(f) < 0) return failWith(err, "out of memory");
  const auto* src = reinterpret_cast<const uint8_t*>(raw.data());
  const int planes = format_ == EncodedFormat::kGif || format_ == EncodedFormat::kApng ? 1 : 3;
  for (int p = 0; p < planes; ++p) {
    const int w = format_ == EncodedFormat::kApng ? 4 * width_ : p == 0 ? width_ : width_ / 2;
    const int h = p == 0 ? height_ : height_ / 2;
    av_image_copy_plane(f->data[p], f->linesize[p], src, w, w, h);
    src += static_cast<size_t>(w) * static_cast<size_t>(h);
  }
  f->pts = frames_;
  if (const int r = avcodec_send_frame(av.enc, f); r < 0)
    return failWith(err, "the " + encoder_ + " encoder failed: " + avError(r));
  if (!drain(err)) return false;
  ++frames_;
  return true;
}

bool AvAnimationFile::addGifFrame(std::string_view raw, std::string* err) {
  Av& av = *av_;
  const auto* indexes = reinterpret_cast<const uint8_t*>(raw.data());
  std::vector<uint32_t> palette(256);
  std::memcpy(palette.data(), raw.data() + raw.size() - kGifPaletteBytes, kGifPaletteBytes);
  const std::string packet = gifFramePacket(indexes, palette.data(), width_, height_, frames_ == 0);
  if (packet.size() > static_cast<size_t>(INT32_MAX / 2) ||
      av_new_packet(av.pkt, static_cast<int>(packet.size())) < 0)
    return failWith(err, "out of memory");
  std::memcpy(av.pkt->data, packet.data(), packet.size());
  av.pkt->pts = av.pkt->dts = frames_;
  av.pkt->duration = 1;
  av.pkt->flags |= AV_PKT_FLAG_KEY;
  if (!writePacket(AVRational{1, fps_}, err)) return false;
  ++frames_;
  return true;
}

bool AvAnimationFile::writePacket(AVRational from, std::string* err) {
  Av& av = *av_;
  av_packet_rescale_ts(av.pkt, from, av.st->time_base);
  av.pkt->stream_index = av.st->index;
  const int r = av_interleaved_write_frame(av.fmt, av.pkt);
  if (r < 0) return failWith(err, av.writeErrno ? std::strerror(av.writeErrno) : avError(r));
  return true;
}

bool AvAnimationFile::commit(std::string* err) {
  if (!av_) return setError(err, "the animation file is not open");
  if (frames_ == 0) return setError(err, "the animation has no frames");
  Av& av = *av_;
  if (av.enc) {
    if (const int r = avcodec_send_frame(av.enc, nullptr); r < 0)
      return failWith(err, "the " + encoder_ + " encoder failed: " + avError(r));
    if (!drain(err)) return false;
  }
  av.open = false;
  if (const int r = av_write_trailer(av.fmt); r < 0)
    return failWith(err, av.writeErrno ? std::strerror(av.writeErrno) : avError(r));
  avio_flush(av.io);
  if (av.io->error < 0)
    return failWith(err, av.writeErrno ? std::strerror(av.writeErrno) : avError(av.io->error));
  av_.reset();
  // failWith() removes the temporary file: the reason is taken before it can change errno.
  const auto failed = [&] {
    const int e = errno;
    return failWith(err, std::strerror(e));
  };
  if (::fsync(fd_) != 0) return failed();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 || ::rename(tmp_.c_str(), target_.c_str()) != 0) return failed();
  tmp_.clear();
  return true;
}

}  // namespace pw
