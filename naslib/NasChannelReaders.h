// Reader loops of the recorder's P2P channels, with the transport read injected so that the
// framing can be tested and fuzzed without a transport.
//
// Media channels (video 1, audio 2, playback 4): a 32-byte media head, then its data. A data
// length above the channel's bound ends that reader only. A head with data length 0 is handed
// on alone (it carries nothing to decode, but may mark the end of a recording).
//
// Head channels (command 0, alarm 5): a 20-byte NasCmdHead (start code 0x0A01, else the
// reader ends), then len payload bytes. len 0 is skipped; a payload above kNasAnswerMaxBytes
// is read in pieces and dropped, so the channel stays in step. Payloads are handed on with a
// terminating zero after them.
//
// Thread: one reader object per reader thread. Each buffer is allocated on the first run and
// reused for the reader's life: a consumer copies what it keeps before returning.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "IndeedRead.h"
#include "NasCmdHead.h"

namespace vantor {

class NasMediaReader {
  public:
    enum class End { kStopped, kReadError, kOversize, kNoMemory };
    using Deliver = std::function<void(const char* frame, int length)>;

    explicit NasMediaReader(size_t maxData);
    End Run(const ChannelReadFn& read, int channel, const std::atomic<bool>& running,
            const Deliver& deliver);

  private:
    size_t maxData_;
    std::unique_ptr<char[]> buffer_;  // 32 + maxData_
};

class NasHeadReader {
  public:
    enum class End { kStopped, kReadError, kBadStart, kNoMemory };
    using Deliver = std::function<void(const NasCmdHead& head, const char* payload, int length)>;

    NasHeadReader();
    End Run(const ChannelReadFn& read, int channel, const std::atomic<bool>& running,
            const Deliver& deliver);

  private:
    std::unique_ptr<char[]> buffer_;  // kNasAnswerMaxBytes + 1
};

// The alarm message of an alarm-channel packet: the device's alarm type (first u32 of the
// payload) mapped to the client's code. false when the payload is too short or the type is
// not reported.
bool NasAlarmFromPayload(const char* payload, int length, int* code);

}  // namespace vantor
