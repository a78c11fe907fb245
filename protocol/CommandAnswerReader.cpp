#include "CommandAnswerReader.h"

#include <cstring>
#include <new>

#include "DebugOut.h"
#include "LockGuard.h"

namespace vantor {

namespace {
constexpr size_t kTextBufferBytes = CipherOutputBytes(kAnswerBufferBytes) + 1;
}

uint32_t AnswerPayloadBytes(const CmdHead& head) {
    uint32_t n = head.len;
    if (head.cmd != kAnswerLongBlock && head.cmd != kAnswerSnapshot && head.cmd != kAnswerLongList)
        return n;
    if (head.lenHigh == kLenHighPlain)
        return n;
    if (head.lenHigh == kLenHighHuge)
        return n + kLenHighHugeAdd;
    return n | (static_cast<uint32_t>(head.lenHigh) << 16);
}

HeadCheck CheckAnswerHead(const CmdHead& head, uint32_t* payloadBytes) {
    *payloadBytes = 0;
    if (head.startcode != kStartCodePlain && head.startcode != kStartCodeCiphered)
        return HeadCheck::kBadStart;
    if (head.len == 0)
        return HeadCheck::kEmpty;
    *payloadBytes = AnswerPayloadBytes(head);
    return *payloadBytes > kAnswerBufferBytes ? HeadCheck::kOversize : HeadCheck::kPayload;
}

CommandAnswerReader::CommandAnswerReader()
    : payload_(new (std::nothrow) uint8_t[kAnswerBufferBytes + 1]),
      text_(new (std::nothrow) uint8_t[kTextBufferBytes]) {}

CommandAnswerReader::~CommandAnswerReader() = default;

int CommandAnswerReader::decode(uint16_t startcode, uint16_t cmd,
                                const uint8_t key[kSessionKeyBytes], CriticalLock* cipherLock,
                                const uint8_t* payload, uint32_t payloadBytes,
                                const uint8_t** answer) {
    if (payloadBytes > kAnswerBufferBytes || text_ == nullptr)
        return -1;
    if (startcode != kStartCodeCiphered || cmd == kAnswerSnapshot) {
        *answer = payload;
        return static_cast<int>(payloadBytes);
    }
    if (key == nullptr)
        return -1;
    const size_t blockBytes = CipherOutputBytes(payloadBytes);
    long done;
    if (cipherLock != nullptr) {
        LockGuard guard(*cipherLock);
        done = decrypt(key, payload, payloadBytes, text_.get());
    } else {
        done = decrypt(key, payload, payloadBytes, text_.get());
    }
    if (done != static_cast<long>(blockBytes)) {
        DebugOut("answer 0x%x could not be deciphered, dropped\n", cmd);
        return -1;
    }
    const void* zero = std::memchr(text_.get(), 0, blockBytes);
    size_t textLen = zero ? static_cast<const uint8_t*>(zero) - text_.get() : blockBytes;
    if (textLen > kDecipheredTextBytes - 1) {
        DebugOut("answer 0x%x deciphers to %zu bytes, more than %zu, dropped\n", cmd, textLen,
                 kDecipheredTextBytes - 1);
        return -1;
    }
    text_[textLen] = 0;
    *answer = text_.get();
    return static_cast<int>(textLen);
}

CommandAnswerReader::EndReason CommandAnswerReader::run(const Context& ctx,
                                                        const AnswerHandler& onAnswer) {
    if (payload_ == nullptr || text_ == nullptr)
        return EndReason::kNoMemory;
    char* payload = reinterpret_cast<char*>(payload_.get());
    while (ctx.running == nullptr || ctx.running->load()) {
        DebugOut("=================RecvCommandProcess start=========================\n");
        CmdHead head;
        if (PPPP_IndeedRead(ctx.read, ctx.channel, reinterpret_cast<char*>(&head), sizeof head) !=
            0) {
            return EndReason::kReadError;
        }
        uint32_t n = 0;
        HeadCheck check = CheckAnswerHead(head, &n);
        if (check == HeadCheck::kBadStart) {
            DebugOut("00---cmdhead.startcode == %x", head.startcode);
            return EndReason::kBadStart;
        }
        if (ctx.cmdType != nullptr)
            ctx.cmdType->store(head.startcode);
        DebugOut("01 ---cmdhead.cmd === %x cmdType=%x", head.cmd, head.startcode);
        if (check == HeadCheck::kEmpty)
            continue;

        if (check == HeadCheck::kOversize) {
            // Consume what the head announced so the next head is read where it starts.
            for (uint32_t left = n; left > 0;) {
                uint32_t piece = left < kAnswerBufferBytes ? left : kAnswerBufferBytes;
                if (PPPP_IndeedRead(ctx.read, ctx.channel, payload, static_cast<int>(piece)) != 0)
                    return EndReason::kReadError;
                left -= piece;
            }
            DebugOut("answer 0x%x of %u bytes exceeds the %zu-byte answer buffer, dropped\n",
                     head.cmd, n, kAnswerBufferBytes);
            continue;
        }

        if (PPPP_IndeedRead(ctx.read, ctx.channel, payload, static_cast<int>(n)) != 0)
            return EndReason::kReadError;
        DebugOut("2----nDataLen == %d", static_cast<int>(n));
        // Answers are handed on as texts; a plain one must end inside the buffer too.
        payload_[n] = 0;
        const uint8_t* answer = nullptr;
        int answerLen =
            decode(head.startcode, head.cmd, ctx.key, ctx.cipherLock, payload_.get(), n, &answer);
        if (answerLen >= 0 && onAnswer)
            onAnswer(head.cmd, answer, answerLen);
        DebugOut("=================RecvCommandProcess end=========================\n");
    }
    return EndReason::kStopped;
}

}  // namespace vantor
