#include "NasPlaybackPacer.h"

namespace vantor {

int NasPlaybackPacer::Next(uint8_t kind, uint32_t seconds, uint16_t milliseconds,
                           uint32_t sequence) {
    if (kind == kEndKind) {
        ended_ = true;
        return kEndPause_ms;
    }
    if (ended_)
        return -1;
    int64_t pause = kDefaultPause_ms;
    if (lastPause_ms_ != 0 && sequence == lastSequence_ + 1) {
        pause = static_cast<int64_t>(milliseconds) - lastMilliseconds_;
        if (seconds != lastSeconds_)
            pause += 1000;
    }
    lastSeconds_ = seconds;
    lastMilliseconds_ = milliseconds;
    lastSequence_ = sequence;
    if (pause < 0)
        pause = 0;
    if (pause > kMaxPause_ms)
        pause = kMaxPause_ms;
    // A zero pause must not look like "no previous pause" to the next frame.
    lastPause_ms_ = pause == 0 ? 1 : static_cast<int>(pause);
    return static_cast<int>(pause);
}

}  // namespace vantor
