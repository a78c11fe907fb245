#include "AviWriter.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace tarsil {

AviWriter::AviWriter() : packet_(av_packet_alloc()) {}

AviWriter::~AviWriter() {
    close();
    av_packet_free(&packet_);
}

bool AviWriter::open(const std::string& path, Codec codec, int width, int height, int fps) {
    close();
    if (!packet_)
        return false;
    if (avformat_alloc_output_context2(&context_, nullptr, "avi", path.c_str()) < 0) {
        context_ = nullptr;
        return false;
    }
    AVStream* video = avformat_new_stream(context_, nullptr);
    AVStream* audio = video ? avformat_new_stream(context_, nullptr) : nullptr;
    if (!audio) {
        close();
        return false;
    }
    video->time_base = AVRational{1, fps};
    video->avg_frame_rate = AVRational{fps, 1};
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codecpar->codec_id = codec == Codec::H265    ? AV_CODEC_ID_HEVC
                                : codec == Codec::Mjpeg ? AV_CODEC_ID_MJPEG
                                                        : AV_CODEC_ID_H264;
    video->codecpar->width = width;
    video->codecpar->height = height;
    audio->time_base = AVRational{1, kAudioRate};
    audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    audio->codecpar->codec_id = AV_CODEC_ID_PCM_ALAW;
    audio->codecpar->sample_rate = kAudioRate;
    av_channel_layout_default(&audio->codecpar->ch_layout, 1);
    audio->codecpar->bits_per_coded_sample = 8;
    audio->codecpar->block_align = 1;
    audio->codecpar->bit_rate = kAudioRate * 8;
    if (avio_open(&context_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        avformat_free_context(context_);
        context_ = nullptr;
        return false;
    }
    if (avformat_write_header(context_, nullptr) < 0) {
        avio_closep(&context_->pb);
        avformat_free_context(context_);
        context_ = nullptr;
        return false;
    }
    path_ = path;
    videoFrames_ = 0;
    audioSamples_ = 0;
    return true;
}

bool AviWriter::writeVideo(const MediaFrame& frame) {
    if (!context_)
        return false;
    packet_->data = const_cast<uint8_t*>(frame.bytes());
    packet_->size = static_cast<int>(frame.payload);
    packet_->stream_index = 0;
    packet_->pts = packet_->dts = videoFrames_;
    packet_->duration = 1;
    packet_->flags = frame.key ? AV_PKT_FLAG_KEY : 0;
    // Arrival order is already interleaved; the plain write keeps memory flat.
    int rc = av_write_frame(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    if (rc < 0)
        return false;
    ++videoFrames_;
    return true;
}

bool AviWriter::writeAudio(const MediaFrame& frame) {
    if (!context_ || frame.widthOrRate != kAudioRate || frame.rateOrChannels != 1)
        return false;
    packet_->data = const_cast<uint8_t*>(frame.bytes());
    packet_->size = static_cast<int>(frame.payload);
    packet_->stream_index = 1;
    packet_->pts = packet_->dts = audioSamples_;
    packet_->duration = static_cast<int64_t>(frame.payload);
    packet_->flags = AV_PKT_FLAG_KEY;
    int rc = av_write_frame(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    if (rc < 0)
        return false;
    audioSamples_ += static_cast<int64_t>(frame.payload);
    return true;
}

uint64_t AviWriter::bytesWritten() const {
    if (!context_ || !context_->pb)
        return 0;
    int64_t at = avio_tell(context_->pb);
    return at > 0 ? static_cast<uint64_t>(at) : 0;
}

void AviWriter::close() {
    if (!context_)
        return;
    av_write_trailer(context_);
    avio_closep(&context_->pb);
    avformat_free_context(context_);
    context_ = nullptr;
}

}  // namespace tarsil
