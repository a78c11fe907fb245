// Reader loops of the P2P media and alarm channels, with the transport read injected so the
// framing can be tested and fuzzed without a transport.
//
// Media channels (video 1, audio 2, playback 4): a 32-byte media head, then its data. A data
// length above the channel's bound ends the reader (only that reader); a length of 0 delivers
// the head alone. The frame buffer is allocated once and reused: a consumer copies what it
// keeps before returning.
//
// Alarm channel (5): a command head, then len payload bytes. Answer code 0x6041 means the
// device closed the channel; any other payload starts with a u32 alarm kind, mapped to the
// code the client sees. A payload shorter than 4 bytes carries no kind and is dropped.
//
// Thread: one reader object per reader thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "IndeedRead.h"

namespace vantor {

inline constexpr uint16_t kAnswerAlarmClosed = 0x6041;
inline constexpr size_t kAlarmPayloadMin = 4;

class MediaChannelReader {
  public:
    enum class End { kStopped, kHeadReadError, kOversize, kDataReadError, kNoMemory };
    using Deliver = std::function<void(const char* frame, int length)>;

    // maxData: the largest data length behind a head that this channel accepts.
    explicit MediaChannelReader(size_t maxData);

    End Run(const ChannelReadFn& read, int channel, const std::atomic<bool>& running,
            const Deliver& deliver);

    // The data length of the last head read (for the end-of-reader trace).
    uint32_t lastLength() const { return lastLength_; }

  private:
    size_t maxData_;
    std::unique_ptr<char[]> buffer_;  // 32 + maxData_
    uint32_t lastLength_ = 0;
};

class AlarmChannelReader {
  public:
    enum class End { kStopped, kReadError, kBadStart };

    // Kinds 0-13 map to the client's alarm codes; other kinds pass unchanged.
    static int MapAlarmKind(uint32_t kind);

    // onAlarm gets each code; onClosed runs for 0x6041 (before onAlarm(255)).
    static End Run(const ChannelReadFn& read, int channel, const std::atomic<bool>& running,
                   const std::function<void(int code)>& onAlarm,
                   const std::function<void()>& onClosed);
};

}  // namespace vantor
