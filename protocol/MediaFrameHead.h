// The 32-byte head in front of every live, talk and playback frame. Frames go to the player
// unchanged, so this layout is shared by the libraries, the player and the device simulator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CmdHead.h"  // pins little-endian host order

namespace vantor {

inline constexpr uint32_t kMediaFrameMagic = 0xA815AA55;
inline constexpr size_t kMediaFrameHeadBytes = 32;

// Frame kinds (byte 4).
inline constexpr uint8_t kFrameVideoKey = 0;
inline constexpr uint8_t kFrameVideoInter = 1;
inline constexpr uint8_t kFrameNasAudio = 5;
inline constexpr uint8_t kFrameCameraAudio = 6;  // NAS playback: end of recording
inline constexpr uint8_t kFrameTalk = 8;
inline constexpr uint8_t kFramePlaybackEnd = 16;
inline constexpr uint8_t kFrameAlarmFirst = 32;  // 32-35: alarm notices (TCP live stream)
inline constexpr uint8_t kFrameAlarmLast = 35;
inline constexpr uint8_t kFrameStateFirst = 200;  // 200-204: state notices (TCP live stream)
inline constexpr uint8_t kFrameStateLast = 204;

// Codec (byte 20).
inline constexpr uint8_t kCodecH264 = 1;  // Annex B
inline constexpr uint8_t kCodecH265 = 2;
inline constexpr uint8_t kCodecMjpeg = 3;
inline constexpr uint8_t kCodecG711A = 16;

struct __attribute__((packed)) MediaFrameHead {
    uint32_t magic;          // kMediaFrameMagic
    uint8_t kind;            // kFrame*
    uint8_t talkFlag;        // 1 in talk frames sent by the P2P session, else 0
    uint16_t millis;         // milliseconds of the time stamp
    uint32_t seconds;        // seconds of the time stamp
    uint32_t sequence;       // frame sequence number
    uint32_t dataLen;        // bytes of data after the head (0: nothing to decode)
    uint8_t codec;           // kCodec*
    uint8_t rateOrChannels;  // video frame rate, audio channel count
    uint16_t widthOrSampleRate;
    uint16_t heightOrBits;  // video height, audio bits per sample
    uint8_t reserved[6];    // zero
};
static_assert(sizeof(MediaFrameHead) == kMediaFrameHeadBytes, "media head is 32 bytes");
static_assert(offsetof(MediaFrameHead, kind) == 4 && offsetof(MediaFrameHead, talkFlag) == 5 &&
                  offsetof(MediaFrameHead, millis) == 6 && offsetof(MediaFrameHead, seconds) == 8 &&
                  offsetof(MediaFrameHead, sequence) == 12 &&
                  offsetof(MediaFrameHead, dataLen) == 16 &&
                  offsetof(MediaFrameHead, codec) == 20 &&
                  offsetof(MediaFrameHead, rateOrChannels) == 21 &&
                  offsetof(MediaFrameHead, widthOrSampleRate) == 22 &&
                  offsetof(MediaFrameHead, heightOrBits) == 24 &&
                  offsetof(MediaFrameHead, reserved) == 26,
              "media head layout");

}  // namespace vantor
