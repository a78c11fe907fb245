#include "VideoLoop.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <tuple>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include "DebugOut.h"
#include "MediaFrameHead.h"
#include "PatternPainter.h"

namespace devsim {

namespace {

struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

void PaintFrame(AVFrame* f, const StreamFormat& fmt, const std::string& label, int index) {
    YuvPicture pic;
    pic.width = fmt.width;
    pic.height = fmt.height;
    pic.y = f->data[0];
    pic.u = f->data[1];
    pic.v = f->data[2];
    pic.yStride = f->linesize[0];
    pic.uvStride = f->linesize[1];
    char line2[64], line3[64];
    std::snprintf(line2, sizeof line2, "%dX%d %dFPS", fmt.width, fmt.height, fmt.fps);
    int ms = index * 1000 / std::max(1, fmt.fps);
    std::snprintf(line3, sizeof line3, "T+%02d.%02d", ms / 1000, (ms % 1000) / 10);
    PatternPainter::Paint(pic, index, label, line2, line3);
}

// Drains every packet the encoder has ready into `out` (when given).
bool Drain(AVCodecContext* c, AVPacket* pkt, std::vector<VideoLoop::Frame>* out,
           std::string* jpeg) {
    for (;;) {
        int rc = avcodec_receive_packet(c, pkt);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return false;
        if (out != nullptr) {
            VideoLoop::Frame f;
            f.key = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
            f.data.assign(reinterpret_cast<const char*>(pkt->data), static_cast<size_t>(pkt->size));
            out->push_back(std::move(f));
        }
        if (jpeg != nullptr)
            jpeg->assign(reinterpret_cast<const char*>(pkt->data), static_cast<size_t>(pkt->size));
        av_packet_unref(pkt);
    }
}

}  // namespace

StreamFormat VideoLoop::Clamp(StreamFormat f) {
    // Even sizes keep the 4:2:0 planes whole.
    f.width = std::clamp(f.width, 64, kMaxWidth) & ~1;
    f.height = std::clamp(f.height, 64, kMaxHeight) & ~1;
    f.fps = std::clamp(f.fps, 1, kMaxFps);
    return f;
}

int64_t VideoLoop::bytesPerSecond() const {
    int64_t total = 0;
    for (const auto& f : frames_)
        total += static_cast<int64_t>(f.data.size() + vantor::kMediaFrameHeadBytes);
    return frames_.empty() ? 0 : total * format_.fps / static_cast<int64_t>(frames_.size());
}

std::shared_ptr<const VideoLoop> VideoLoop::Encode(StreamFormat format, const std::string& label) {
    av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics are noise in a simulator log
    format = Clamp(format);
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr)
        codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (codec == nullptr) {
        vantor::DebugOut("devsim: no H.264 encoder available");
        return nullptr;
    }
    CodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return nullptr;
    int frames = format.fps * kLoopSeconds;
    c->width = format.width;
    c->height = format.height;
    c->time_base = AVRational{1, format.fps};
    c->framerate = AVRational{format.fps, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->gop_size = frames;
    c->keyint_min = frames;
    c->max_b_frames = 0;
    c->bit_rate = static_cast<int64_t>(format.width) * format.height * format.fps / 10;
    c->thread_count = 1;
    av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    av_opt_set(c->priv_data, "tune", "zerolatency", 0);
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return nullptr;

    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    if (!frame || !pkt)
        return nullptr;
    frame->format = c->pix_fmt;
    frame->width = c->width;
    frame->height = c->height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;

    auto loop = std::make_shared<VideoLoop>();
    loop->format_ = format;
    for (int i = 0; i < frames; ++i) {
        if (av_frame_make_writable(frame.get()) < 0)
            return nullptr;
        PaintFrame(frame.get(), format, label, i);
        frame->pts = i;
        if (avcodec_send_frame(c.get(), frame.get()) < 0)
            return nullptr;
        if (!Drain(c.get(), pkt.get(), &loop->frames_, nullptr))
            return nullptr;
    }
    avcodec_send_frame(c.get(), nullptr);
    if (!Drain(c.get(), pkt.get(), &loop->frames_, nullptr))
        return nullptr;
    if (loop->frames_.empty() || !loop->frames_.front().key)
        return nullptr;
    return loop;
}

std::string VideoLoop::EncodeJpeg(StreamFormat format, const std::string& label, int frameIndex) {
    format = Clamp(format);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (codec == nullptr)
        return {};
    CodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return {};
    c->width = format.width;
    c->height = format.height;
    c->time_base = AVRational{1, 25};
    c->pix_fmt = AV_PIX_FMT_YUVJ420P;
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 4;
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return {};
    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    if (!frame || !pkt)
        return {};
    frame->format = c->pix_fmt;
    frame->width = c->width;
    frame->height = c->height;
    frame->quality = c->global_quality;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return {};
    PaintFrame(frame.get(), format, label, frameIndex);
    frame->pts = 0;
    std::string jpeg;
    if (avcodec_send_frame(c.get(), frame.get()) < 0)
        return {};
    avcodec_send_frame(c.get(), nullptr);
    if (!Drain(c.get(), pkt.get(), nullptr, &jpeg))
        return {};
    return jpeg;
}

std::shared_ptr<const VideoLoop> VideoLoopCache::get(StreamFormat format,
                                                     const std::string& label) {
    format = VideoLoop::Clamp(format);
    std::lock_guard<std::mutex> g(mutex_);
    auto key = std::make_tuple(format.width, format.height, format.fps, label);
    auto it = loops_.find(key);
    if (it != loops_.end())
        return it->second;
    auto loop = VideoLoop::Encode(format, label);
    if (loop)
        loops_.emplace(key, loop);
    return loop;
}

size_t VideoLoopCache::size() const {
    std::lock_guard<std::mutex> g(mutex_);
    return loops_.size();
}

}  // namespace devsim
