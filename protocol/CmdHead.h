// The 8-byte head of every packet on the P2P command channel (channel 0), the 20-byte entry
// that precedes each packet inside a session's command queue, and the size limits of the
// command path. Wire integers are little-endian; these structs are read and written in host
// order, which the static_assert below pins to little-endian.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace vantor {

static_assert(std::endian::native == std::endian::little, "wire structs are used in host order");

// Start codes: requests always carry kStartCodePlain; answers tell with it whether their
// payload is enciphered.
inline constexpr uint16_t kStartCodePlain = 0x0A01;
inline constexpr uint16_t kStartCodeCiphered = 0x0A02;

// Answer codes whose head extends the payload length with lenHigh.
inline constexpr uint16_t kAnswerLongBlock = 0x6007;
inline constexpr uint16_t kAnswerSnapshot = 0x6015;  // raw JPEG, never deciphered
inline constexpr uint16_t kAnswerLongList = 0x6107;
// lenHigh values with a meaning of their own for those three codes.
inline constexpr uint16_t kLenHighPlain = 0x0100;  // the length is len alone
inline constexpr uint16_t kLenHighHuge = 0xFFFF;   // the length is len + 0x1000000
inline constexpr uint32_t kLenHighHugeAdd = 0x1000000;

// File-transfer data packets (always plain, queued by the transfer thread).
inline constexpr uint16_t kCmdFileData = 0x60C2;

struct __attribute__((packed)) CmdHead {
    uint16_t startcode;  // kStartCodePlain or kStartCodeCiphered
    uint16_t cmd;        // request: parameter type / PTZ number / 0 for streams; answer code
    uint16_t len;        // payload bytes (low 16 bits)
    uint16_t lenHigh;    // 0 in requests; see AnswerPayloadBytes() for answers
};
static_assert(sizeof(CmdHead) == 8, "CmdHead is 8 bytes");
static_assert(offsetof(CmdHead, cmd) == 2 && offsetof(CmdHead, len) == 4 &&
                  offsetof(CmdHead, lenHigh) == 6,
              "CmdHead layout");

// In process memory only, never sent.
struct __attribute__((packed)) CmdQueueEntry {
    uint32_t reserved0;  // 0
    uint32_t cmd;        // same value as the packet's command code
    uint32_t packetLen;  // bytes of the packet that follows (P2P: 8 + payload; TCP: request)
    uint32_t reserved1;  // 0
    uint32_t reserved2;  // 0
};
static_assert(sizeof(CmdQueueEntry) == 20, "CmdQueueEntry is 20 bytes");
static_assert(offsetof(CmdQueueEntry, cmd) == 4 && offsetof(CmdQueueEntry, packetLen) == 8,
              "CmdQueueEntry layout");

// ---- bounds of the command path ----
inline constexpr size_t kCommandQueueBytes = 65536;  // one ring per session
inline constexpr size_t kQueuedOverheadBytes = sizeof(CmdQueueEntry) + sizeof(CmdHead);  // 28
// Longest request accepted by the P2P AddCommandToBuf (before padding and marker).
inline constexpr size_t kMaxCommandLen = kCommandQueueBytes - kQueuedOverheadBytes;  // 65 508
// TCP sessions accept requests strictly shorter than this.
inline constexpr size_t kTcpMaxCommandLen = 65517;
inline constexpr size_t kWriterPacketBytes = 32768;    // the writer's one-packet buffer
inline constexpr size_t kAnswerBufferBytes = 131072;   // largest answer payload dispatched
inline constexpr size_t kDecipheredTextBytes = 65536;  // deciphered text incl. terminator
inline constexpr size_t kRequestPadBytes = 64;         // enciphered requests pad to this

// Plain prefix of a request sent before the device's first answer; no terminator on the wire.
inline constexpr char kHandshakeMarker[] = "  check_user.cgi";
inline constexpr size_t kHandshakeMarkerBytes = 16;
static_assert(sizeof(kHandshakeMarker) == kHandshakeMarkerBytes + 1, "marker is 16 bytes");

// Transport pacing of the command channel.
inline constexpr int kCommandChannel = 0;
inline constexpr int kIndeedReadChunkBytes = 32768;
inline constexpr uint32_t kIndeedReadTimeout_ms = 100;
inline constexpr uint32_t kTransportUnsentLimitBytes = 1048576;  // writer waits above this
inline constexpr int kWriterIdleSleep_ms = 15;
inline constexpr int kCipheredRequestPause_ms = 20;  // after building a 0x0A02 request

}  // namespace vantor
