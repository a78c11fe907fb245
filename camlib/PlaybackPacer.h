// Pacing of playback frames to their time stamps, so that a recording arrives at about real
// speed. The reader hands each frame here after delivering it and sleeps for the answer.
//
// A consecutive frame (sequence number one more than the last, after a non-zero pause)
// pauses by the time-stamp difference (within the same second, or across one second
// boundary); any other frame pauses kDefaultPause_ms. Kinds 6 and 16 are not paced and leave
// the state alone. Time stamps going backwards or jumping far would give a negative or huge
// pause: the pause slept is clamped to [0, kMaxPause_ms] (one second, the largest step a
// device at one frame per second needs); the state keeps the value computed.
//
// Thread: the playback reader only.
#pragma once

#include <cstdint>

namespace vantor {

class PlaybackPacer {
  public:
    static constexpr int kDefaultPause_ms = 40;
    static constexpr int kMaxPause_ms = 1000;

    // The pause in ms to sleep after this frame (0 for unpaced kinds).
    int Next(uint8_t kind, uint32_t seconds, uint16_t milliseconds, uint32_t sequence);

  private:
    int lastPause_ms_ = 0;
    uint32_t lastSeconds_ = 0;
    uint16_t lastMilliseconds_ = 0;
    uint32_t lastSequence_ = 0;
};

}  // namespace vantor
