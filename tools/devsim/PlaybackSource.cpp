#include "PlaybackSource.h"

#include "MediaFrames.h"

namespace devsim {

PlaybackSource::PlaybackSource(std::shared_ptr<const VideoLoop> loop, const Recording& recording,
                               int64_t offset, uint8_t endKind)
    : loop_(std::move(loop)), recording_(recording), endKind_(endKind) {
    if (!loop_ || loop_->frames().empty()) {
        index_ = 0;
        return;
    }
    for (const auto& f : loop_->frames()) {
        loopBytes_ += static_cast<int64_t>(f.data.size() + vantor::kMediaFrameHeadBytes);
    }
    int64_t loops = loopBytes_ > 0 ? recording_.sizeBytes / loopBytes_ : 0;
    totalFrames_ = loops * static_cast<int64_t>(loop_->frames().size());
    if (offset < 0)
        offset = 0;
    int64_t loopIndex = loopBytes_ > 0 ? offset / loopBytes_ : 0;
    index_ = loopIndex * static_cast<int64_t>(loop_->frames().size());
    if (index_ > totalFrames_)
        index_ = totalFrames_;
}

int64_t PlaybackSource::position() const {
    if (!loop_ || loop_->frames().empty())
        return 0;
    int64_t n = static_cast<int64_t>(loop_->frames().size());
    int64_t pos = (index_ / n) * loopBytes_;
    for (int64_t i = 0; i < index_ % n; ++i) {
        pos += static_cast<int64_t>(loop_->frames()[static_cast<size_t>(i)].data.size() +
                                    vantor::kMediaFrameHeadBytes);
    }
    return pos;
}

std::string PlaybackSource::next() {
    if (finished_)
        return {};
    if (index_ >= totalFrames_) {
        finished_ = true;
        return MediaFrames::Notice(endKind_, seq_++);
    }
    const auto& fmt = loop_->format();
    const auto& f =
        loop_->frames()[static_cast<size_t>(index_ % static_cast<int64_t>(loop_->frames().size()))];
    int64_t ms = recording_.startSeconds * 1000 + index_ * 1000 / fmt.fps;
    ++index_;
    return MediaFrames::Build(f.key ? vantor::kFrameVideoKey : vantor::kFrameVideoInter,
                              MediaFrames::FromMillis(ms), seq_++, f.data, vantor::kCodecH264,
                              static_cast<uint8_t>(fmt.fps), static_cast<uint16_t>(fmt.width),
                              static_cast<uint16_t>(fmt.height));
}

}  // namespace devsim
