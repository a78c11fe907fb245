// A short H.264 (Annex B) loop of the test picture, encoded once and then replayed by every
// device of the same format with fresh time stamps and sequence numbers. The first frame is
// the only key frame (GOP = loop), so replaying the loop end to end stays decodable.
//
// Thread: Encode and EncodeJpeg run on the caller's thread; a finished loop is immutable and
// shared read-only between devices.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "DeviceProfile.h"

namespace devsim {

class VideoLoop {
  public:
    static constexpr int kMaxWidth = 1920;
    static constexpr int kMaxHeight = 1080;
    static constexpr int kMaxFps = 30;
    static constexpr int kLoopSeconds = 2;

    struct Frame {
        bool key = false;
        std::string data;  // one access unit, Annex B
    };

    // Encodes kLoopSeconds of the picture; nullptr when no H.264 encoder is available.
    // The format is clamped to the bounds above.
    static std::shared_ptr<const VideoLoop> Encode(StreamFormat format, const std::string& label);

    // A JPEG of loop frame `frameIndex` (MJPEG encoder); empty on failure.
    static std::string EncodeJpeg(StreamFormat format, const std::string& label, int frameIndex);

    const StreamFormat& format() const { return format_; }
    const std::vector<Frame>& frames() const { return frames_; }
    // Bytes per second of the stream including the 32-byte frame heads.
    int64_t bytesPerSecond() const;

    static StreamFormat Clamp(StreamFormat f);

  private:
    StreamFormat format_;
    std::vector<Frame> frames_;
};

// The loops of a simulator run, one per (format, label), created on first use.
// Thread: any (internally locked); encoding happens under the lock, once per key.
class VideoLoopCache {
  public:
    std::shared_ptr<const VideoLoop> get(StreamFormat format, const std::string& label);
    size_t size() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::tuple<int, int, int, std::string>, std::shared_ptr<const VideoLoop>>
        loops_;  // guarded
};

}  // namespace devsim
