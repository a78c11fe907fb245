// The frames of one recording on the simulated card, from a byte offset to the end, followed
// by the end-of-recording notice. Playback starts at the key frame of the loop that holds the
// offset, so the first frame is always decodable; an offset at or past the end yields only
// the end notice.
// Thread: owned by one sender thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "MediaFrameHead.h"
#include "RecordCard.h"
#include "VideoLoop.h"

namespace devsim {

class PlaybackSource {
  public:
    // endKind: the frame kind of the end notice (cameras and recorders differ).
    PlaybackSource(std::shared_ptr<const VideoLoop> loop, const Recording& recording,
                   int64_t offset, uint8_t endKind = vantor::kFramePlaybackEnd);

    bool finished() const { return finished_; }
    // Byte position in the file of the next frame (for tests and logs).
    int64_t position() const;
    // The next frame; after the last one the end notice; then empty.
    std::string next();

  private:
    std::shared_ptr<const VideoLoop> loop_;
    Recording recording_;
    int64_t loopBytes_ = 0;
    int64_t totalFrames_ = 0;
    int64_t index_ = 0;
    uint32_t seq_ = 0;
    bool finished_ = false;
    uint8_t endKind_;
};

}  // namespace devsim
