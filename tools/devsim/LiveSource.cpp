#include "LiveSource.h"

#include <cstdint>

#include "MediaFrames.h"

namespace devsim {

LiveSource::LiveSource(std::shared_ptr<const VideoLoop> loop, int64_t start_ms, uint8_t audioKind)
    : loop_(std::move(loop)),
      start_ms_(start_ms),
      audioStart_ms_(start_ms),
      audioKind_(audioKind) {}

int64_t LiveSource::nextVideoDue_ms() const {
    if (!loop_)
        return INT64_MAX;
    return start_ms_ + index_ * 1000 / loop_->format().fps;
}

void LiveSource::catchUp(int64_t now_ms) {
    // After a stall, jump to the frame that is due now rather than bursting the backlog.
    if (now_ms - nextVideoDue_ms() > kMaxLag_ms) {
        index_ = (now_ms - start_ms_) * loop_->format().fps / 1000;
        waitKey_ = true;
    }
}

std::string LiveSource::takeVideo(int64_t now_ms) {
    catchUp(now_ms);
    const auto& frames = loop_->frames();
    const auto& fmt = loop_->format();
    for (;;) {
        const auto& f = frames[static_cast<size_t>(index_ % static_cast<int64_t>(frames.size()))];
        ++index_;
        if (waitKey_ && !f.key) {
            if (nextVideoDue_ms() > now_ms)
                return {};
            continue;
        }
        waitKey_ = false;
        return MediaFrames::Build(f.key ? vantor::kFrameVideoKey : vantor::kFrameVideoInter,
                                  MediaFrames::Now(), videoSeq_++, f.data, vantor::kCodecH264,
                                  static_cast<uint8_t>(fmt.fps), static_cast<uint16_t>(fmt.width),
                                  static_cast<uint16_t>(fmt.height));
    }
}

void LiveSource::skipVideo() {
    ++index_;
    waitKey_ = true;
}

std::string LiveSource::takeAudio() {
    ++audioCount_;
    return MediaFrames::Build(audioKind_, MediaFrames::Now(), audioSeq_++, MediaFrames::ToneBlock(),
                              vantor::kCodecG711A, 1, MediaFrames::kAudioSampleRate, 8);
}

}  // namespace devsim
