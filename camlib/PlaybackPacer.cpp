#include "PlaybackPacer.h"

namespace vantor {

int PlaybackPacer::Next(uint8_t kind, uint32_t seconds, uint16_t milliseconds, uint32_t sequence) {
    if (kind == 6 || kind == 16) {
        return 0;
    }
    int64_t pause = kDefaultPause_ms;
    if (lastPause_ms_ != 0 && sequence == lastSequence_ + 1) {
        pause = static_cast<int64_t>(milliseconds) - lastMilliseconds_;
        if (seconds != lastSeconds_) {
            pause += 1000;
        }
    }
    lastSeconds_ = seconds;
    lastMilliseconds_ = milliseconds;
    lastSequence_ = sequence;
    lastPause_ms_ = static_cast<int>(pause);
    if (pause < 0) {
        return 0;
    }
    return pause > kMaxPause_ms ? kMaxPause_ms : static_cast<int>(pause);
}

}  // namespace vantor
