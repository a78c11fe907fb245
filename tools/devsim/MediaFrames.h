// Building blocks of the media a device sends: 32-byte-headed frames, G.711 A-law audio and
// wall-clock time stamps.
// Thread: any (pure functions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "MediaFrameHead.h"

namespace devsim {

class MediaFrames {
  public:
    static constexpr int kAudioSampleRate = 8000;
    static constexpr int kAudioFrameMs = 40;
    static constexpr size_t kAudioFrameBytes = kAudioSampleRate * kAudioFrameMs / 1000;  // 320
    static constexpr size_t kTalkBlockBytes = 256;

    struct Stamp {
        uint32_t seconds = 0;
        uint16_t millis = 0;
    };
    static Stamp Now();
    static Stamp FromMillis(int64_t ms);

    // Head + data in one buffer. `format` fills bytes 20-25 (codec, rate/channels,
    // width/sample rate, height/bits).
    static std::string Build(uint8_t kind, Stamp stamp, uint32_t sequence, const std::string& data,
                             uint8_t codec, uint8_t rateOrChannels, uint16_t widthOrRate,
                             uint16_t heightOrBits);

    // A head for a notice that carries nothing (alarm and state kinds, end of recording).
    static std::string Notice(uint8_t kind, uint32_t sequence);

    // One 40 ms block of a 400 Hz tone, A-law encoded.
    static const std::string& ToneBlock();
    static uint8_t LinearToALaw(int16_t sample);
};

}  // namespace devsim
