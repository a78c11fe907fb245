#include "MediaChannelReader.h"

#include <cstring>
#include <new>
#include <vector>

#include "CmdHead.h"
#include "MediaFrameHead.h"
#include "darvel.h"

namespace vantor {

MediaChannelReader::MediaChannelReader(size_t maxData)
    : maxData_(maxData), buffer_(new (std::nothrow) char[kMediaFrameHeadBytes + maxData]) {}

MediaChannelReader::End MediaChannelReader::Run(const ChannelReadFn& read, int channel,
                                                const std::atomic<bool>& running,
                                                const Deliver& deliver) {
    if (!buffer_) {
        return End::kNoMemory;
    }
    while (running.load()) {
        int r = PPPP_IndeedRead(read, channel, buffer_.get(), kMediaFrameHeadBytes);
        if (r < 0) {
            return End::kHeadReadError;
        }
        MediaFrameHead head;
        memcpy(&head, buffer_.get(), sizeof(head));
        lastLength_ = head.dataLen;
        if (head.dataLen > maxData_) {
            return End::kOversize;
        }
        if (head.dataLen > 0) {
            r = PPPP_IndeedRead(read, channel, buffer_.get() + kMediaFrameHeadBytes,
                                static_cast<int>(head.dataLen));
            if (r < 0) {
                return End::kDataReadError;
            }
        }
        deliver(buffer_.get(), static_cast<int>(kMediaFrameHeadBytes + head.dataLen));
    }
    return End::kStopped;
}

int AlarmChannelReader::MapAlarmKind(uint32_t kind) {
    static const int kCodes[14] = {25, 33, 32, 36, 36, 33, 37, 38, 39, 40, 41, 42, 43, 44};
    if (kind < 14) {
        return kCodes[kind];
    }
    return static_cast<int>(kind);
}

AlarmChannelReader::End AlarmChannelReader::Run(const ChannelReadFn& read, int channel,
                                                const std::atomic<bool>& running,
                                                const std::function<void(int code)>& onAlarm,
                                                const std::function<void()>& onClosed) {
    // len is 16 bits: one buffer of the largest payload serves every message.
    std::vector<char> payload(0x10000 + 1);
    while (running.load()) {
        CmdHead head;
        if (PPPP_IndeedRead(read, channel, reinterpret_cast<char*>(&head), sizeof(head)) < 0) {
            return End::kReadError;
        }
        if (head.startcode != kStartCodePlain && head.startcode != kStartCodeCiphered) {
            return End::kBadStart;
        }
        if (head.len == 0) {
            continue;
        }
        if (PPPP_IndeedRead(read, channel, payload.data(), head.len) < 0) {
            return End::kReadError;
        }
        payload[head.len] = '\0';
        if (head.cmd == kAnswerAlarmClosed) {
            onClosed();
            onAlarm(DARVEL_ALARM_CHANNEL_CLOSED);
            continue;
        }
        if (head.len < kAlarmPayloadMin) {
            continue;
        }
        uint32_t kind = 0;
        memcpy(&kind, payload.data(), sizeof(kind));
        onAlarm(MapAlarmKind(kind));
    }
    return End::kStopped;
}

}  // namespace vantor
