// Animation and video files read back with FFmpeg's libraries, for the tests of the GIF, APNG,
// MP4 and WebM exports: the stream's timing, every packet's duration, the frames decoded, one of
// them as an image, and the loop count the file's header stores.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace pw::test {

struct AvRead {
  std::string error;  // empty when the file was read
  std::string codec;
  int width = 0, height = 0;
  AVRational timeBase{0, 1}, rFrameRate{0, 1}, avgFrameRate{0, 1};
  std::vector<int64_t> durations;  // of each packet, in the stream's time base
  std::vector<int64_t> pts;        // of each packet, in the stream's time base
  int decoded = 0;                 // frames out of the decoder
  QImage frame;                    // the frame asked for, straight ARGB32
};

// Reads `path` whole, decoding every frame and keeping frame `keep` as an image.
inline AvRead readAv(const std::string& path, int keep) {
  AvRead r;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
    r.error = "cannot open " + path;
    return r;
  }
  AVCodecContext* dec = nullptr;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const auto take = [&] {
    while (avcodec_receive_frame(dec, frame) == 0) {
      if (r.decoded++ != keep) continue;
      QImage img(frame->width, frame->height, QImage::Format_RGBA8888);
      SwsContext* sws = sws_getContext(frame->width, frame->height,
                                       static_cast<AVPixelFormat>(frame->format), frame->width,
                                       frame->height, AV_PIX_FMT_RGBA,
                                       SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
      uint8_t* dst[4] = {img.bits(), nullptr, nullptr, nullptr};
      const int stride[4] = {static_cast<int>(img.bytesPerLine()), 0, 0, 0};
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
      sws_freeContext(sws);
      r.frame = img.convertToFormat(QImage::Format_ARGB32);
    }
  };
  if (avformat_find_stream_info(fmt, nullptr) < 0 || fmt->nb_streams != 1) {
    r.error = "no single stream in " + path;
  } else {
    const AVStream* st = fmt->streams[0];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    r.codec = codec ? codec->name : "";
    r.width = st->codecpar->width;
    r.height = st->codecpar->height;
    r.timeBase = st->time_base;
    r.rFrameRate = st->r_frame_rate;
    r.avgFrameRate = st->avg_frame_rate;
    dec = avcodec_alloc_context3(codec);
    if (!codec || avcodec_parameters_to_context(dec, st->codecpar) < 0 ||
        avcodec_open2(dec, codec, nullptr) < 0) {
      r.error = "no decoder for " + path;
    } else {
      while (av_read_frame(fmt, pkt) >= 0) {
        r.durations.push_back(pkt->duration);
        r.pts.push_back(pkt->pts);
        avcodec_send_packet(dec, pkt);
        av_packet_unref(pkt);
        take();
      }
      avcodec_send_packet(dec, nullptr);
      take();
    }
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&dec);
  avformat_close_input(&fmt);
  return r;
}

// The loop count a GIF (NETSCAPE2.0 block) or an APNG (acTL chunk) stores: 0 is forever; -1
// when the file has none.
inline int storedLoops(const std::string& bytes) {
  if (const size_t at = bytes.find("NETSCAPE2.0"); at != std::string::npos &&
                                                   at + 16 <= bytes.size())
    return static_cast<uint8_t>(bytes[at + 13]) | static_cast<uint8_t>(bytes[at + 14]) << 8;
  if (const size_t at = bytes.find("acTL"); at != std::string::npos && at + 12 <= bytes.size()) {
    uint32_t plays = 0;
    for (size_t i = at + 8; i < at + 12; ++i) plays = plays << 8 | static_cast<uint8_t>(bytes[i]);
    return static_cast<int>(plays);
  }
  return -1;
}

// The delay of each APNG frame (fcTL chunks) as a fraction of a second: {numerator, denominator}.
inline std::vector<std::pair<int, int>> apngDelays(const std::string& bytes) {
  std::vector<std::pair<int, int>> delays;
  const auto u16 = [&](size_t at) {
    return static_cast<uint8_t>(bytes[at]) << 8 | static_cast<uint8_t>(bytes[at + 1]);
  };
  for (size_t at = bytes.find("fcTL"); at != std::string::npos && at + 26 <= bytes.size();
       at = bytes.find("fcTL", at + 4))
    delays.emplace_back(u16(at + 24), u16(at + 26));
  return delays;
}

}  // namespace pw::test
