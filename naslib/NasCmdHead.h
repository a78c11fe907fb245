// The 20-byte head of every packet on the recorder's P2P command (0) and alarm (5) channels,
// in both directions, and the bounds of the recorder command path. Requests are never
// enciphered.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CmdHead.h"  // CmdQueueEntry; pins little-endian host order

namespace vantor {

inline constexpr uint16_t kNasStartCode = 0x0A01;

struct __attribute__((packed)) NasCmdHead {
    uint16_t startcode;  // kNasStartCode; anything else ends the reading thread
    uint16_t cmd;        // 0 in requests; the answer ID in answers
    uint32_t len;        // payload bytes (no terminating zero)
    uint32_t reserved0;  // 0
    uint16_t value;      // requests: low 16 bits of the queued value; answers: unused
    uint16_t channel;    // alarm messages: the recorder channel
    uint32_t reserved1;  // 0
};
static_assert(sizeof(NasCmdHead) == 20, "NasCmdHead is 20 bytes");
static_assert(offsetof(NasCmdHead, len) == 4 && offsetof(NasCmdHead, value) == 12 &&
                  offsetof(NasCmdHead, channel) == 14,
              "NasCmdHead layout");

// Longest request text accepted for the queue.
inline constexpr size_t kNasP2pMaxCommandLen = 8152;
inline constexpr size_t kNasTcpMaxCommandLen = 8172;
// Largest answer or alarm payload read into memory; a longer one is read in pieces and dropped
// so the channel stays in step with the device.
inline constexpr size_t kNasAnswerMaxBytes = 512 * 1024;
// Largest data behind a media head per P2P channel.
inline constexpr size_t kNasVideoMaxData = 0x80000;
inline constexpr size_t kNasPlaybackMaxData = 0x80000;
inline constexpr size_t kNasAudioMaxData = 2048;

inline constexpr int kNasCommandChannel = 0;
inline constexpr int kNasVideoChannel = 1;
inline constexpr int kNasAudioChannel = 2;
inline constexpr int kNasTalkChannel = 3;
inline constexpr int kNasPlaybackChannel = 4;
inline constexpr int kNasAlarmChannel = 5;

}  // namespace vantor
