#include "NasChannelReaders.h"

#include <cstring>
#include <new>

#include "DebugOut.h"
#include "MediaFrameHead.h"
#include "NasRecordDecoder.h"

namespace vantor {
namespace {
constexpr int kDiscardChunkBytes = 32768;
}  // namespace

NasMediaReader::NasMediaReader(size_t maxData) : maxData_(maxData) {}

NasMediaReader::End NasMediaReader::Run(const ChannelReadFn& read, int channel,
                                        const std::atomic<bool>& running, const Deliver& deliver) {
    if (!buffer_)
        buffer_.reset(new (std::nothrow) char[kMediaFrameHeadBytes + maxData_]);
    if (!buffer_)
        return End::kNoMemory;
    while (running) {
        if (PPPP_IndeedRead(read, channel, buffer_.get(), kMediaFrameHeadBytes) != 0)
            return End::kReadError;
        MediaFrameHead head;
        std::memcpy(&head, buffer_.get(), sizeof head);
        if (head.dataLen > maxData_) {
            DebugOut("channel %d: frame of %u bytes exceeds %zu, reader ends", channel,
                     head.dataLen, maxData_);
            return End::kOversize;
        }
        if (head.dataLen > 0 && PPPP_IndeedRead(read, channel, buffer_.get() + kMediaFrameHeadBytes,
                                                static_cast<int>(head.dataLen)) != 0)
            return End::kReadError;
        if (deliver)
            deliver(buffer_.get(), static_cast<int>(kMediaFrameHeadBytes + head.dataLen));
    }
    return End::kStopped;
}

NasHeadReader::NasHeadReader() = default;

NasHeadReader::End NasHeadReader::Run(const ChannelReadFn& read, int channel,
                                      const std::atomic<bool>& running, const Deliver& deliver) {
    if (!buffer_)
        buffer_.reset(new (std::nothrow) char[kNasAnswerMaxBytes + 1]);
    if (!buffer_)
        return End::kNoMemory;
    while (running) {
        NasCmdHead head;
        if (PPPP_IndeedRead(read, channel, reinterpret_cast<char*>(&head), sizeof head) != 0)
            return End::kReadError;
        if (head.startcode != kNasStartCode) {
            DebugOut("channel %d: bad start code 0x%04x, reader ends", channel, head.startcode);
            return End::kBadStart;
        }
        if (head.len == 0)
            continue;
        if (head.len > kNasAnswerMaxBytes) {
            DebugOut("channel %d: answer 0x%04x of %u bytes dropped", channel, head.cmd, head.len);
            uint32_t left = head.len;
            while (left > 0) {
                int n = left > kDiscardChunkBytes ? kDiscardChunkBytes : static_cast<int>(left);
                if (PPPP_IndeedRead(read, channel, buffer_.get(), n) != 0)
                    return End::kReadError;
                left -= static_cast<uint32_t>(n);
            }
            continue;
        }
        if (PPPP_IndeedRead(read, channel, buffer_.get(), static_cast<int>(head.len)) != 0)
            return End::kReadError;
        buffer_[head.len] = 0;
        if (deliver)
            deliver(head, buffer_.get(), static_cast<int>(head.len));
    }
    return End::kStopped;
}

bool NasAlarmFromPayload(const char* payload, int length, int* code) {
    if (payload == nullptr || length < 4)
        return false;
    int32_t type = 0;
    std::memcpy(&type, payload, sizeof type);
    DebugOut("alarm type=%d", type);
    int mapped = NasRecordDecoder::MapAlarmType(type);
    if (mapped < 0)
        return false;
    if (code != nullptr)
        *code = mapped;
    return true;
}

}  // namespace vantor
