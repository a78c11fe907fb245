#include "FilePlayback.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace tarsil {

FilePlayback::FilePlayback(uint32_t handle, FrameSink sink, Flush flush)
    : handle_(handle), sink_(std::move(sink)), flush_(std::move(flush)) {}

FilePlayback::~FilePlayback() {
    close();
}

bool FilePlayback::open(const std::string& path) {
    close();
    std::lock_guard<std::mutex> control(controlLock_);
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return false;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return false;
    }
    int video = -1, audio = -1;
    Codec codec = Codec::H264;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* par = format->streams[i]->codecpar;
        if (video < 0 && par->codec_type == AVMEDIA_TYPE_VIDEO) {
            if (par->codec_id == AV_CODEC_ID_H264) {
                codec = Codec::H264;
            } else if (par->codec_id == AV_CODEC_ID_HEVC) {
                codec = Codec::H265;
            } else if (par->codec_id == AV_CODEC_ID_MJPEG) {
                codec = Codec::Mjpeg;
            } else {
                continue;
            }
            video = static_cast<int>(i);
        } else if (audio < 0 && par->codec_type == AVMEDIA_TYPE_AUDIO &&
                   par->codec_id == AV_CODEC_ID_PCM_ALAW && par->sample_rate > 0) {
            audio = static_cast<int>(i);
        }
    }
    if (video < 0) {
        avformat_close_input(&format);
        return false;
    }
    format_ = format;
    videoStream_ = video;
    audioStream_ = audio;
    videoCodec_ = codec;
    {
        std::lock_guard<std::mutex> guard(lock_);
        state_ = Paused;
        stop_ = false;
        seekTarget_ms_ = -1;
        position_ms_ = 0;
        anchored_ = false;
        duration_ms_ = format->duration > 0 ? format->duration / (AV_TIME_BASE / 1000) : 0;
    }
    thread_ = std::thread(&FilePlayback::run, this);
    return true;
}

void FilePlayback::close() {
    std::lock_guard<std::mutex> control(controlLock_);
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        wake_.notify_all();
    }
    flush_();  // releases a sink waiting for room
    if (thread_.joinable())
        thread_.join();
    if (format_)
        avformat_close_input(&format_);
    std::lock_guard<std::mutex> guard(lock_);
    state_ = Closed;
    videoStream_ = audioStream_ = -1;
}

bool FilePlayback::play() {
    std::lock_guard<std::mutex> guard(lock_);
    if (state_ == Closed)
        return false;
    if (state_ == Ended)
        seekTarget_ms_ = 0;  // play again from the start
    state_ = Playing;
    anchored_ = false;
    wake_.notify_all();
    return true;
}

bool FilePlayback::pause() {
    std::lock_guard<std::mutex> guard(lock_);
    if (state_ != Playing)
        return state_ == Paused;
    state_ = Paused;
    wake_.notify_all();
    return true;
}

bool FilePlayback::seek(int seconds) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (state_ == Closed)
            return false;
        int64_t target = seconds < 0 ? 0 : static_cast<int64_t>(seconds) * 1000;
        if (duration_ms_ > 0 && target > duration_ms_)
            target = duration_ms_;
        seekTarget_ms_ = target;
        if (state_ == Ended)
            state_ = Paused;
        wake_.notify_all();
    }
    flush_();
    return true;
}

bool FilePlayback::time(int64_t* position_ms, int64_t* duration_ms) {
    std::lock_guard<std::mutex> guard(lock_);
    if (state_ == Closed)
        return false;
    if (position_ms)
        *position_ms = position_ms_;
    if (duration_ms)
        *duration_ms = duration_ms_;
    return true;
}

int FilePlayback::state() {
    std::lock_guard<std::mutex> guard(lock_);
    return state_;
}

void FilePlayback::setEndCallback(FileEndCallback callback, void* user) {
    std::lock_guard<std::mutex> guard(lock_);
    endCallback_ = callback;
    endUser_ = user;
}

bool FilePlayback::waitUntilDue(std::unique_lock<std::mutex>& guard, int64_t pts_ms) {
    for (;;) {
        if (stop_ || seekTarget_ms_ >= 0)
            return false;
        if (state_ != Playing) {
            wake_.wait(guard);
            continue;
        }
        auto now = std::chrono::steady_clock::now();
        if (!anchored_) {
            anchor_ = now - std::chrono::milliseconds(pts_ms);
            anchored_ = true;
        }
        auto due = anchor_ + std::chrono::milliseconds(pts_ms);
        if (due <= now)
            return true;
        wake_.wait_until(guard, due);
    }
}

void FilePlayback::run() {
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        return;
    const AVStream* video = format_->streams[videoStream_];
    const int64_t start = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [&] { return stop_ || seekTarget_ms_ >= 0 || state_ == Playing; });
            if (stop_)
                break;
            if (seekTarget_ms_ >= 0) {
                const int64_t target = seekTarget_ms_;
                seekTarget_ms_ = -1;
                guard.unlock();
                const int64_t ts =
                    av_rescale_q(target, AVRational{1, 1000}, video->time_base) + start;
                av_seek_frame(format_, videoStream_, ts, AVSEEK_FLAG_BACKWARD);
                flush_();
                guard.lock();
                position_ms_ = target;
                anchored_ = false;
                continue;
            }
        }
        int rc = av_read_frame(format_, packet);
        if (rc < 0) {
            FileEndCallback callback = nullptr;
            void* user = nullptr;
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (seekTarget_ms_ >= 0 || stop_)
                    continue;
                state_ = Ended;
                position_ms_ = duration_ms_ > position_ms_ ? duration_ms_ : position_ms_;
                callback = endCallback_;
                user = endUser_;
            }
            if (callback)
                callback(handle_, user);
            continue;
        }
        const int index = packet->stream_index;
        if ((index != videoStream_ && index != audioStream_) || packet->size <= 0 ||
            static_cast<uint32_t>(packet->size) > kMaxFrameDataBytes) {
            av_packet_unref(packet);
            continue;
        }
        const AVStream* stream = format_->streams[index];
        int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (pts == AV_NOPTS_VALUE)
            pts = 0;
        const int64_t streamStart = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        const int64_t pts_ms =
            av_rescale_q(pts - streamStart, stream->time_base, AVRational{1, 1000});
        MediaFrame frame;
        if (index == videoStream_) {
            frame.kind =
                (packet->flags & AV_PKT_FLAG_KEY) ? FrameKind::VideoKey : FrameKind::VideoInter;
            frame.codec = videoCodec_;
            frame.key = (packet->flags & AV_PKT_FLAG_KEY) || videoCodec_ == Codec::Mjpeg;
            frame.widthOrRate = static_cast<uint16_t>(stream->codecpar->width);
            frame.heightOrBits = static_cast<uint16_t>(stream->codecpar->height);
        } else {
            frame.kind = FrameKind::CameraAudio;
            frame.codec = Codec::G711A;
            frame.key = true;
            frame.widthOrRate = static_cast<uint16_t>(stream->codecpar->sample_rate);
            frame.rateOrChannels =
                static_cast<uint8_t>(stream->codecpar->ch_layout.nb_channels > 0
                                         ? stream->codecpar->ch_layout.nb_channels
                                         : 1);
        }
        frame.time_ms = pts_ms;
        frame.assignPayload(packet->data, static_cast<size_t>(packet->size));
        av_packet_unref(packet);
        {
            std::unique_lock<std::mutex> guard(lock_);
            if (!waitUntilDue(guard, pts_ms))
                continue;  // stopped or seeking: drop it
        }
        if (!sink_(std::move(frame)))
            continue;
        std::lock_guard<std::mutex> guard(lock_);
        if (index == videoStream_)
            position_ms_ = pts_ms;
    }
    av_packet_free(&packet);
}

}  // namespace tarsil
