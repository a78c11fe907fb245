#include "PlayInstance.h"

#include <cstring>

#include "BmpWriter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace tarsil {

namespace {

void copyRows(uint8_t* dst, int dstStride, const uint8_t* src, int srcStride, int width,
              int height) {
    for (int row = 0; row < height; ++row) {
        std::memcpy(dst + static_cast<size_t>(row) * dstStride,
                    src + static_cast<size_t>(row) * srcStride, width);
    }
}

bool is420(int format) {
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

}  // namespace

PlayInstance::PlayInstance(uint32_t handle)
    : handle_(handle),
      file_(
          handle, [this](MediaFrame&& f) { return queue_.pushWait(std::move(f)); },
          [this] { flushForSeek(); }) {
    last_ = av_frame_alloc();
}

void PlayInstance::shutdown() {
    shutDown_ = true;
    file_.close();
    recorder_.stop();
    stopPlay();
    sound_.close();
}

PlayInstance::~PlayInstance() {
    shutdown();
    std::lock_guard<std::mutex> guard(presentLock_);
    av_frame_free(&last_);
    sws_freeContext(converter_);
}

bool PlayInstance::setWindow(unsigned long window) {
    std::lock_guard<std::mutex> guard(presentLock_);
    view_.setWindow(window);
    // The last picture shows in the new window at once and stays until the next.
    if (window && last_ && last_->width > 1 && last_->height > 1) {
        const int w = last_->width & ~1;
        const int h = last_->height & ~1;
        if (pack(last_, w, h)) {
            const size_t luma = static_cast<size_t>(w) * h;
            osd_.draw(packed_.data(), packed_.data() + luma, packed_.data() + luma + luma / 4, w,
                      h);
            view_.show(packed_.data(), packed_.data() + luma, packed_.data() + luma + luma / 4, w,
                       h);
        }
    }
    return true;
}

bool PlayInstance::startPlay() {
    std::lock_guard<std::mutex> guard(controlLock_);
    if (shutDown_)
        return false;
    if (playing_)
        return true;
    queue_.reopen();
    playing_ = true;
    try {
        decodeThread_ = std::thread(&PlayInstance::decodeLoop, this);
    } catch (const std::system_error&) {
        playing_ = false;
        return false;
    }
    return true;
}

void PlayInstance::stopPlay() {
    std::lock_guard<std::mutex> guard(controlLock_);
    playing_ = false;
    queue_.close();
    if (decodeThread_.joinable())
        decodeThread_.join();
    queue_.clear();
    flushDecoder_ = true;
}

void PlayInstance::flushForSeek() {
    queue_.clear();
    flushDecoder_ = true;
}

bool PlayInstance::inputNetFrame(const uint8_t* data, size_t length) {
    MediaFrame frame;
    if (MediaFrame::parse(data, length, frame) != ParseResult::Ok) {
        ++refused_;
        return false;
    }
    bool taken = false;
    if (recorder_.recording()) {
        recorder_.feed(frame);
        taken = true;
    }
    if (!playing_) {
        ++refused_;
    } else if (queue_.push(std::move(frame))) {  // the queue counts what it drops
        taken = true;
        ++accepted_;
    }
    return taken;
}

void PlayInstance::decodeLoop() {
    MediaFrame frame;
    auto sink = [this](const AVFrame* picture) { present(picture); };
    while (playing_) {
        if (flushDecoder_.exchange(false))
            decoder_.flush();
        if (!queue_.pop(frame, kPopWait_ms))
            continue;
        if (frame.isVideo()) {
            decoder_.decode(frame, sink);
        } else if (sound_.isOpen()) {
            sound_.play(frame.bytes(), frame.payload, frame.widthOrRate,
                        frame.rateOrChannels ? frame.rateOrChannels : 1);
        }
    }
}

bool PlayInstance::pack(const AVFrame* picture, int width, int height) {
    const size_t luma = static_cast<size_t>(width) * height;
    packed_.resize(luma + 2 * (luma / 4));
    uint8_t* y = packed_.data();
    uint8_t* u = y + luma;
    uint8_t* v = u + luma / 4;
    if (is420(picture->format)) {
        copyRows(y, width, picture->data[0], picture->linesize[0], width, height);
        copyRows(u, width / 2, picture->data[1], picture->linesize[1], width / 2, height / 2);
        copyRows(v, width / 2, picture->data[2], picture->linesize[2], width / 2, height / 2);
        return true;
    }
    // Keyed by ourselves: libswscale's cached-context check rebuilds after its own flag changes.
    if (!converter_ || converterKey_[0] != width || converterKey_[1] != height ||
        converterKey_[2] != picture->format) {
        sws_freeContext(converter_);
        converter_ = sws_getContext(width, height, static_cast<AVPixelFormat>(picture->format),
                                    width, height, AV_PIX_FMT_YUV420P, SWS_FAST_BILINEAR, nullptr,
                                    nullptr, nullptr);
        converterKey_[0] = width;
        converterKey_[1] = height;
        converterKey_[2] = picture->format;
    }
    if (!converter_)
        return false;
    uint8_t* dst[4] = {y, u, v, nullptr};
    int dstStride[4] = {width, width / 2, width / 2, 0};
    sws_scale(converter_, picture->data, picture->linesize, 0, height, dst, dstStride);
    return true;
}

void PlayInstance::present(const AVFrame* picture) {
    // Odd sizes lose their last column or row: the display takes chroma as (w/2) x (h/2).
    const int w = picture->width & ~1;
    const int h = picture->height & ~1;
    if (w < 2 || h < 2)
        return;
    recorder_.setPictureSize(picture->width, picture->height);
    std::lock_guard<std::mutex> guard(presentLock_);
    av_frame_unref(last_);
    if (av_frame_ref(last_, picture) < 0)
        return;
    if (view_.window() == 0) {
        ++shown_;
        return;
    }
    const bool direct = is420(picture->format) && !osd_.active() && picture->linesize[0] == w &&
                        picture->linesize[1] == w / 2 && picture->linesize[2] == w / 2;
    if (direct) {
        view_.show(picture->data[0], picture->data[1], picture->data[2], w, h);
    } else {
        if (!pack(picture, w, h))
            return;
        const size_t luma = static_cast<size_t>(w) * h;
        uint8_t* y = packed_.data();
        osd_.draw(y, y + luma, y + luma + luma / 4, w, h);
        view_.show(y, y + luma, y + luma + luma / 4, w, h);
    }
    ++shown_;
}

bool PlayInstance::capturePicture(const char* path) {
    AVFrame* copy = av_frame_alloc();
    if (!copy)
        return false;
    {
        std::lock_guard<std::mutex> guard(presentLock_);
        if (!last_ || last_->width <= 0 || av_frame_ref(copy, last_) < 0) {
            av_frame_free(&copy);
            return false;
        }
    }
    bool ok = BmpWriter::write(copy, path);
    av_frame_free(&copy);
    return ok;
}

void PlayInstance::setOsd(const OsdTextItem& item) {
    std::lock_guard<std::mutex> guard(presentLock_);
    osd_.set(item);
}

void PlayInstance::removeOsd() {
    std::lock_guard<std::mutex> guard(presentLock_);
    osd_.clear();
}

void PlayInstance::stats(TarsilStats& out) {
    out.framesAccepted = accepted_;
    out.framesDropped = refused_ + queue_.dropped();
    out.picturesShown = shown_;
    out.framesQueued = static_cast<uint32_t>(queue_.size());
    out.reserved = 0;
}

}  // namespace tarsil
