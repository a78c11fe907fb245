// One framed window message between the client's main window and the record download program.
//
// Wire layout (little-endian, 28-byte head, then the payload):
//   0  u32 magic kIpcFrameMagic ("VWM1"), so a stray writer is refused at its first bytes
//   4  u32 message number
//   8  u64 wParam
//  16  i64 lParam
//  24  u32 payload length, at most kIpcMaxPayloadBytes
//  28  payload (the copy-data block; empty for plain messages)
//
// Thread: plain functions on values, callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vantor::client {

inline constexpr uint32_t kIpcFrameMagic = 0x314D5756;  // "VWM1" as stored
inline constexpr size_t kIpcFrameHeadBytes = 28;
inline constexpr size_t kIpcMaxPayloadBytes = 4096;
inline constexpr size_t kIpcMaxFrameBytes = kIpcFrameHeadBytes + kIpcMaxPayloadBytes;

// Message numbers that cross between the two programs. The close request keeps the number of
// the window-close message; the copy-data message keeps the number of WM_COPYDATA, its lParam
// is the data identifier and its payload the copied block.
inline constexpr uint32_t kIpcMsgClose = 0x0010;
inline constexpr uint32_t kIpcMsgCopyData = 0x004A;
inline constexpr uint32_t kIpcMsgToolHello = 10024;  // wParam: the tool's window handle
inline constexpr uint32_t kIpcMsgToolClose = 10025;  // wParam 1: downloads still running

struct IpcFrame {
    uint32_t msg = 0;
    uint64_t wparam = 0;
    int64_t lparam = 0;
    std::vector<uint8_t> payload;  // at most kIpcMaxPayloadBytes

    bool operator==(const IpcFrame&) const = default;
};

// The frame's bytes; empty when the payload exceeds kIpcMaxPayloadBytes.
std::vector<uint8_t> EncodeIpcFrame(uint32_t msg, uint64_t wparam, int64_t lparam,
                                    std::span<const uint8_t> payload);

}  // namespace vantor::client
