// Send side of the command channel, as free functions that need no session: the payload forms
// of a request, queuing a framed request (P2P and TCP), and taking one packet off the queue
// for the writer thread. The session functions of the camera and NAS libraries wrap these
// (they add the connected/queue checks and the pause after a ciphered request).
//
// Thread: any; the queue and the cipher lock serialise what they guard.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "CmdHead.h"
#include "CommandQueue.h"
#include "CriticalLock.h"
#include "SessionCipher.h"

namespace vantor {

// Request bytes zero-padded to the next multiple of 64 strictly above len (64 -> 128).
constexpr size_t PaddedRequestBytes(size_t len) {
    return (len / kRequestPadBytes + 1) * kRequestPadBytes;
}

// Payload bytes of a request of len bytes under the session's cmdType: 0 -> marker + padded,
// 0x0A02 -> padded, anything else -> len.
size_t RequestPayloadBytes(int cmdType, size_t len);

// Builds the payload into `out` (outBytes >= RequestPayloadBytes(cmdType, len)). The cipher
// runs under cipherLock when one is given. Returns the payload length, or 0 when `out` is too
// small or the cipher failed (a 0-byte plain request also gives 0).
size_t BuildRequestPayload(int cmdType, const uint8_t key[kSessionKeyBytes],
                           CriticalLock* cipherLock, const void* request, size_t len, uint8_t* out,
                           size_t outBytes);

// P2P framing: checks the length (> kMaxCommandLen logs "command large than MAX_COMMAND_LEN\n"
// and gives 0), builds the payload, and queues CmdQueueEntry + CmdHead{0x0A01, cmd, payload,
// 0} + payload in one all-or-nothing write, with the trace lines of a queued request.
// Returns payload length + 28, or 0 when too long, the cipher failed or the queue had no room.
// `cipheredPause_ms` is slept after building a 0x0A02 payload (sessions pass
// kCipheredRequestPause_ms; tests and benchmarks pass 0).
int AddCommandToBuf(CommandQueue& queue, int cmdType, const uint8_t key[kSessionKeyBytes],
                    CriticalLock* cipherLock, int cmd, const void* request, size_t len,
                    int cipheredPause_ms = 0);

// TCP framing: CmdQueueEntry{0, cmd, len, 0, 0} followed by the bare request. A request of
// kTcpMaxCommandLen bytes or more logs "command large than MAX_COMMAND_LEN" and gives 0.
// Returns len + 20, or 0 when too long or the queue had no room.
int AddTcpCommandToBuf(CommandQueue& queue, int cmd, const void* request, size_t len);

enum class DequeueResult {
    kEmpty,    // fewer than 20 bytes queued: the writer sleeps kWriterIdleSleep_ms
    kPacket,   // *entry and buffer[0, entry->packetLen) hold one packet
    kCleared,  // the packet was shorter than its entry announced: the queue was cleared
    kDropped,  // the packet did not fit `buffer`: it was consumed and dropped, with a log line
};

// The writer's step: takes one entry and its packet off the queue.
DequeueResult DequeuePacket(CommandQueue& queue, CmdQueueEntry* entry, uint8_t* buffer,
                            size_t bufferBytes);

}  // namespace vantor
