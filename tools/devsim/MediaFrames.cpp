#include "MediaFrames.h"

#include <chrono>
#include <cmath>
#include <cstring>

namespace devsim {

MediaFrames::Stamp MediaFrames::Now() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return FromMillis(ms);
}

MediaFrames::Stamp MediaFrames::FromMillis(int64_t ms) {
    Stamp s;
    if (ms < 0)
        ms = 0;
    s.seconds = static_cast<uint32_t>(ms / 1000);
    s.millis = static_cast<uint16_t>(ms % 1000);
    return s;
}

std::string MediaFrames::Build(uint8_t kind, Stamp stamp, uint32_t sequence,
                               const std::string& data, uint8_t codec, uint8_t rateOrChannels,
                               uint16_t widthOrRate, uint16_t heightOrBits) {
    vantor::MediaFrameHead h;
    std::memset(&h, 0, sizeof h);
    h.magic = vantor::kMediaFrameMagic;
    h.kind = kind;
    h.millis = stamp.millis;
    h.seconds = stamp.seconds;
    h.sequence = sequence;
    h.dataLen = static_cast<uint32_t>(data.size());
    h.codec = codec;
    h.rateOrChannels = rateOrChannels;
    h.widthOrSampleRate = widthOrRate;
    h.heightOrBits = heightOrBits;
    std::string out(reinterpret_cast<const char*>(&h), sizeof h);
    out += data;
    return out;
}

std::string MediaFrames::Notice(uint8_t kind, uint32_t sequence) {
    return Build(kind, Now(), sequence, std::string(), 0, 0, 0, 0);
}

uint8_t MediaFrames::LinearToALaw(int16_t sample) {
    // G.711 A-law on the 13-bit magnitude, segment search as in the ITU reference.
    int pcm = sample >> 3;
    uint8_t mask;
    if (pcm >= 0) {
        mask = 0xD5;
    } else {
        mask = 0x55;
        pcm = -pcm - 1;
    }
    static const int kSegEnd[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int seg = 0;
    while (seg < 8 && pcm > kSegEnd[seg])
        ++seg;
    if (seg >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    uint8_t aval = static_cast<uint8_t>(seg << 4);
    aval |= seg < 2 ? static_cast<uint8_t>((pcm >> 1) & 0x0F)
                    : static_cast<uint8_t>((pcm >> seg) & 0x0F);
    return static_cast<uint8_t>(aval ^ mask);
}

const std::string& MediaFrames::ToneBlock() {
    static const std::string block = [] {
        std::string b(kAudioFrameBytes, '\0');
        // 400 Hz divides the 40 ms block into whole periods, so blocks join without clicks.
        for (size_t i = 0; i < kAudioFrameBytes; ++i) {
            double s =
                8000.0 * std::sin(2.0 * M_PI * 400.0 * static_cast<double>(i) / kAudioSampleRate);
            b[i] = static_cast<char>(LinearToALaw(static_cast<int16_t>(s)));
        }
        return b;
    }();
    return block;
}

}  // namespace devsim
