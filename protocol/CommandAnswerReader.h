// Receive side of the command channel: head checks, payload length, deciphering, and the
// receive loop (RecvCommandProcess of the P2P sessions) with the transport read injected.
//
// Bounds and the safe handling of answers nothing here can hold:
// - a payload longer than kAnswerBufferBytes (including every lenHigh 0xFFFF head, whose
//   length is len + 0x1000000) is read and discarded in pieces, logged, and not dispatched;
// - a deciphered text longer than kDecipheredTextBytes - 1 is logged and not dispatched.
// Both keep the channel in step with the device (the next head is read where it starts), so
// one odd answer costs that answer only instead of the whole command channel.
//
// Thread: one reader object per receive thread; not shared.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "CmdHead.h"
#include "CriticalLock.h"
#include "IndeedRead.h"
#include "SessionCipher.h"

namespace vantor {

enum class HeadCheck {
    kBadStart,  // start code neither 0x0A01 nor 0x0A02: the receive loop ends
    kEmpty,     // len == 0: nothing follows, the next 8 bytes are a new head
    kPayload,   // *payloadBytes follow and fit kAnswerBufferBytes
    kOversize,  // *payloadBytes follow but exceed kAnswerBufferBytes: consume and drop
};

// Payload length of an answer head: len, extended by lenHigh for 0x6007, 0x6015 and 0x6107
// only (0x0100 -> len; 0xFFFF -> len + 0x1000000; otherwise len | lenHigh << 16).
uint32_t AnswerPayloadBytes(const CmdHead& head);

HeadCheck CheckAnswerHead(const CmdHead& head, uint32_t* payloadBytes);

// Called for every dispatched answer, on the receive thread; the bytes are valid during the
// call only. Deciphered texts are NUL-terminated at data[len].
using AnswerHandler = std::function<void(int cmd, const uint8_t* data, int len)>;

class CommandAnswerReader {
  public:
    struct Context {
        ChannelReadFn read;  // bound to the session's transport
        int channel = kCommandChannel;
        std::atomic<int>* cmdType = nullptr;         // the session's cmdType, set per head
        const uint8_t* key = nullptr;                // the session key (kSessionKeyBytes)
        CriticalLock* cipherLock = nullptr;          // held around every use of key
        const std::atomic<bool>* running = nullptr;  // loop runs while set (null: forever)
    };

    enum class EndReason { kStopped, kReadError, kBadStart, kNoMemory };

    CommandAnswerReader();
    ~CommandAnswerReader();
    CommandAnswerReader(const CommandAnswerReader&) = delete;
    CommandAnswerReader& operator=(const CommandAnswerReader&) = delete;

    // Turns one received payload into the answer handed on: raw for 0x0A01 and for 0x6015,
    // else deciphered up to its first zero byte. Returns the answer length and sets *answer
    // (into `payload` or into this reader's text buffer), or -1 when the text is too long or
    // the cipher failed (dropped, logged). payloadBytes must be <= kAnswerBufferBytes.
    int decode(uint16_t startcode, uint16_t cmd, const uint8_t key[kSessionKeyBytes],
               CriticalLock* cipherLock, const uint8_t* payload, uint32_t payloadBytes,
               const uint8_t** answer);

    // The receive loop with its trace lines. Returns why it ended.
    EndReason run(const Context& ctx, const AnswerHandler& onAnswer);

  private:
    std::unique_ptr<uint8_t[]> payload_;  // kAnswerBufferBytes
    std::unique_ptr<uint8_t[]> text_;     // CipherOutputBytes(kAnswerBufferBytes) + 1
};

}  // namespace vantor
