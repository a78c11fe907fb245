#include "VideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace tarsil {

VideoDecoder::VideoDecoder() : packet_(av_packet_alloc()), picture_(av_frame_alloc()) {}

VideoDecoder::~VideoDecoder() {
    close();
    av_packet_free(&packet_);
    av_frame_free(&picture_);
}

void VideoDecoder::close() {
    avcodec_free_context(&context_);
}

bool VideoDecoder::open(Codec codec) {
    close();
    AVCodecID id = codec == Codec::H265    ? AV_CODEC_ID_HEVC
                   : codec == Codec::Mjpeg ? AV_CODEC_ID_MJPEG
                                           : AV_CODEC_ID_H264;
    const AVCodec* decoder = avcodec_find_decoder(id);
    if (!decoder)
        return false;
    context_ = avcodec_alloc_context3(decoder);
    if (!context_)
        return false;
    // One thread per stream: many streams run side by side, each on its own decode thread.
    context_->thread_count = 1;
    context_->max_pixels = static_cast<int64_t>(kMaxPictureSide) * kMaxPictureSide / 4;
    if (avcodec_open2(context_, decoder, nullptr) < 0) {
        close();
        return false;
    }
    codec_ = codec;
    return true;
}

void VideoDecoder::flush() {
    if (context_)
        avcodec_flush_buffers(context_);
}

bool VideoDecoder::decode(const MediaFrame& frame,
                          const std::function<void(const AVFrame*)>& sink) {
    if (!context_ || codec_ != frame.codec) {
        if (!open(frame.codec))
            return false;
    }
    if (!packet_ || !picture_)
        return false;
    packet_->data = const_cast<uint8_t*>(frame.bytes());
    packet_->size = static_cast<int>(frame.payload);
    packet_->flags = frame.key ? AV_PKT_FLAG_KEY : 0;
    packet_->pts = frame.time_ms;
    int rc = avcodec_send_packet(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    if (rc < 0 && rc != AVERROR(EAGAIN))
        return false;
    bool any = rc >= 0;
    for (;;) {
        rc = avcodec_receive_frame(context_, picture_);
        if (rc < 0)
            break;
        if (picture_->width > 0 && picture_->height > 0 && picture_->width <= kMaxPictureSide &&
            picture_->height <= kMaxPictureSide) {
            sink(picture_);
        }
        av_frame_unref(picture_);
    }
    return any;
}

}  // namespace tarsil
