// The 20-byte head of every packet on a recorder's P2P command (0) and alarm (5) channels, in
// both directions. Recorder packets are never enciphered.
#pragma once

#include <cstddef>
#include <cstdint>

namespace devsim {

struct __attribute__((packed)) NasHead {
    static constexpr uint16_t kStartCode = 0x0A01;

    uint16_t startcode = kStartCode;
    uint16_t cmd = 0;  // 0 in requests; the answer ID in answers
    uint32_t len = 0;  // payload bytes, no terminating zero
    uint32_t reserved0 = 0;
    uint16_t value = 0;    // requests: the client's queued value; answers: 0
    uint16_t channel = 0;  // alarm messages: the recorder channel
    uint32_t reserved1 = 0;
};
static_assert(sizeof(NasHead) == 20, "NasHead is 20 bytes");
static_assert(offsetof(NasHead, len) == 4 && offsetof(NasHead, channel) == 14, "NasHead layout");

}  // namespace devsim
