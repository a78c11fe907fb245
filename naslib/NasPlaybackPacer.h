// Pacing of playback frames to their time stamps, so a recording arrives at about real speed.
//
// A frame of kind 6 ends the recording: from then on no frame is paced until Restart (the
// next playback control). A frame whose sequence number follows the previous one (after a
// first pause) pauses by the time-stamp difference, across at most one second boundary; any
// other frame pauses kDefaultPause_ms. Out-of-order time stamps would give a negative or huge
// pause: the pause is clamped to [0, kMaxPause_ms].
//
// Thread: Next on the playback reader; Restart from the caller's thread (atomic flag).
#pragma once

#include <atomic>
#include <cstdint>

namespace vantor {

class NasPlaybackPacer {
  public:
    static constexpr int kDefaultPause_ms = 40;
    static constexpr int kEndPause_ms = 125;
    static constexpr int kMaxPause_ms = 1000;
    static constexpr uint8_t kEndKind = 6;

    // The pause to wait after this frame; -1 when nothing is to be waited (ended).
    int Next(uint8_t kind, uint32_t seconds, uint16_t milliseconds, uint32_t sequence);
    void Restart() { ended_ = false; }
    bool ended() const { return ended_.load(); }

  private:
    std::atomic<bool> ended_{false};
    // playback reader only
    int lastPause_ms_ = 0;
    uint32_t lastSeconds_ = 0;
    uint16_t lastMilliseconds_ = 0;
    uint32_t lastSequence_ = 0;
};

}  // namespace vantor
