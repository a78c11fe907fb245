// libavcodec decoder for the video codecs of the media frame head. The decoder is (re)opened
// when the codec byte changes. Pictures larger than kMaxPictureSide are refused.
// Thread: the owning player's decode thread only.
#pragma once

#include <functional>

#include "MediaFrame.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace tarsil {

class VideoDecoder {
  public:
    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Decodes one frame and hands each finished picture to sink (valid during the call).
    // False when the data could not be decoded (the frame is then just dropped).
    bool decode(const MediaFrame& frame, const std::function<void(const AVFrame*)>& sink);
    void flush();

  private:
    bool open(Codec codec);
    void close();

    AVCodecContext* context_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* picture_ = nullptr;
    Codec codec_ = Codec::H264;
};

}  // namespace tarsil
