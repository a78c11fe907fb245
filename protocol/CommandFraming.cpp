#include "CommandFraming.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "DebugOut.h"
#include "LockGuard.h"

namespace vantor {

size_t RequestPayloadBytes(int cmdType, size_t len) {
    if (cmdType == 0)
        return kHandshakeMarkerBytes + PaddedRequestBytes(len);
    if (cmdType == kStartCodeCiphered)
        return PaddedRequestBytes(len);
    return len;
}

size_t BuildRequestPayload(int cmdType, const uint8_t key[kSessionKeyBytes],
                           CriticalLock* cipherLock, const void* request, size_t len, uint8_t* out,
                           size_t outBytes) {
    size_t payload = RequestPayloadBytes(cmdType, len);
    if (payload > outBytes)
        return 0;
    if (cmdType != 0 && cmdType != kStartCodeCiphered) {
        if (len > 0)
            std::memcpy(out, request, len);
        return len;
    }
    size_t markerBytes = cmdType == 0 ? kHandshakeMarkerBytes : 0;
    std::memcpy(out, kHandshakeMarker, markerBytes);
    uint8_t* block = out + markerBytes;
    size_t padded = PaddedRequestBytes(len);
    if (len > 0)
        std::memcpy(block, request, len);
    std::memset(block + len, 0, padded - len);
    long done;
    if (cipherLock != nullptr) {
        LockGuard guard(*cipherLock);
        done = encrypt(key, block, padded, block);
    } else {
        done = encrypt(key, block, padded, block);
    }
    return done == static_cast<long>(padded) ? payload : 0;
}

int AddCommandToBuf(CommandQueue& queue, int cmdType, const uint8_t key[kSessionKeyBytes],
                    CriticalLock* cipherLock, int cmd, const void* request, size_t len,
                    int cipheredPause_ms) {
    if (len > kMaxCommandLen) {
        DebugOut("command large than MAX_COMMAND_LEN\n");
        return 0;
    }
    DebugOut("=================AddCommandToBuf start=========================\n");

    const bool plain = cmdType != 0 && cmdType != kStartCodeCiphered;
    const size_t payloadLen = RequestPayloadBytes(cmdType, len);
    std::unique_ptr<uint8_t[]> ciphered;
    const void* payload = request;
    if (!plain) {
        ciphered.reset(new (std::nothrow) uint8_t[payloadLen]);
        if (ciphered == nullptr || BuildRequestPayload(cmdType, key, cipherLock, request, len,
                                                       ciphered.get(), payloadLen) != payloadLen) {
            return 0;
        }
        payload = ciphered.get();
        if (cmdType == kStartCodeCiphered && cipheredPause_ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(cipheredPause_ms));
    }
    DebugOut("cmdType:%x len:%d\n", cmdType, static_cast<int>(payloadLen));

    // The head's len is 16 bits; a payload that does not fit it cannot fit the queue either
    // (kMaxCommandLen keeps every accepted plain request below 65 536).
    if (payloadLen > 0xFFFF)
        return 0;
    CmdQueueEntry entry{0, static_cast<uint32_t>(cmd),
                        static_cast<uint32_t>(payloadLen + sizeof(CmdHead)), 0, 0};
    CmdHead head{kStartCodePlain, static_cast<uint16_t>(cmd), static_cast<uint16_t>(payloadLen), 0};
    const CommandQueue::Part parts[] = {
        {&entry, sizeof entry}, {&head, sizeof head}, {payload, payloadLen}};
    if (queue.writeParts(parts, 3) == 0)
        return 0;
    DebugOut("=================AddCommandToBuf end=========================\n");
    return static_cast<int>(payloadLen + kQueuedOverheadBytes);
}

int AddTcpCommandToBuf(CommandQueue& queue, int cmd, const void* request, size_t len) {
    if (len >= kTcpMaxCommandLen) {
        DebugOut("command large than MAX_COMMAND_LEN");
        return 0;
    }
    CmdQueueEntry entry{0, static_cast<uint32_t>(cmd), static_cast<uint32_t>(len), 0, 0};
    const CommandQueue::Part parts[] = {{&entry, sizeof entry}, {request, len}};
    if (queue.writeParts(parts, 2) == 0)
        return 0;
    return static_cast<int>(len + sizeof entry);
}

DequeueResult DequeuePacket(CommandQueue& queue, CmdQueueEntry* entry, uint8_t* buffer,
                            size_t bufferBytes) {
    if (queue.read(entry, sizeof *entry) != sizeof *entry)
        return DequeueResult::kEmpty;
    size_t n = entry->packetLen;
    if (n == 0)
        return DequeueResult::kPacket;
    if (queue.used() < n) {
        // Entry and packet are always written together; a mismatch means the ring is no
        // longer framed, and nothing after this point can be trusted.
        queue.clear();
        return DequeueResult::kCleared;
    }
    if (n <= bufferBytes) {
        queue.read(buffer, n);
        return DequeueResult::kPacket;
    }
    // Larger than the writer's buffer: drop this packet whole so the next entry is in step.
    DebugOut("queued packet of %zu bytes exceeds the %zu-byte writer buffer, dropped\n", n,
             bufferBytes);
    uint8_t scratch[4096];
    while (n > 0) {
        size_t piece = n < sizeof scratch ? n : sizeof scratch;
        if (queue.read(scratch, piece) != piece) {
            queue.clear();
            return DequeueResult::kCleared;
        }
        n -= piece;
    }
    return DequeueResult::kDropped;
}

}  // namespace vantor
