// Schedules the live media of one stream: video frames of a loop at the loop's frame rate and
// 40 ms A-law audio blocks, stamped with wall-clock time and running sequence numbers.
// When the sink could not take frames for a while, video resumes at the next key frame
// instead of sending a picture the decoder cannot use.
// Thread: owned by one sender thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "MediaFrameHead.h"
#include "VideoLoop.h"

namespace devsim {

class LiveSource {
  public:
    static constexpr int64_t kMaxLag_ms = 1000;

    // audioKind: the frame kind of audio blocks (cameras and recorders differ).
    LiveSource(std::shared_ptr<const VideoLoop> loop, int64_t start_ms,
               uint8_t audioKind = vantor::kFrameCameraAudio);

    int64_t nextVideoDue_ms() const;
    int64_t nextAudioDue_ms() const { return audioStart_ms_ + audioCount_ * 40; }
    // The next video frame if it is due at now_ms; `droppable` frames (sink congested) are
    // skipped by calling skipVideo() instead, which makes the stream wait for a key frame.
    bool videoDue(int64_t now_ms) const { return loop_ && nextVideoDue_ms() <= now_ms; }
    std::string takeVideo(int64_t now_ms);
    void skipVideo();
    bool audioDue(int64_t now_ms) const { return nextAudioDue_ms() <= now_ms; }
    std::string takeAudio();

  private:
    void catchUp(int64_t now_ms);

    std::shared_ptr<const VideoLoop> loop_;
    int64_t start_ms_;
    int64_t index_ = 0;  // frames scheduled since start
    uint32_t videoSeq_ = 0;
    bool waitKey_ = false;
    int64_t audioStart_ms_;
    int64_t audioCount_ = 0;
    uint32_t audioSeq_ = 0;
    uint8_t audioKind_;
};

}  // namespace devsim
