#include "FrameParser.h"

#include <algorithm>
#include <cstring>

namespace vantor::pppp {

FrameParser::Result FrameParser::feed(const uint8_t* bytes, size_t n, Sink& sink) {
    size_t pos = 0;
    while (pos < n && state_ == Result::kOk) {
        if (payloadLeft_ > 0) {
            uint32_t k = static_cast<uint32_t>(std::min<size_t>(payloadLeft_, n - pos));
            sink.data(frame_.channel, bytes + pos, k);
            pos += k;
            payloadLeft_ -= k;
            continue;
        }
        uint32_t need = kFrameHeadBytes;
        if (headHave_ >= kFrameHeadBytes && frame_.type == kFrameCredit)
            need += kCreditPayloadBytes;
        uint32_t k = static_cast<uint32_t>(std::min<size_t>(need - headHave_, n - pos));
        std::memcpy(head_ + headHave_, bytes + pos, k);
        headHave_ += k;
        pos += k;
        if (headHave_ < need)
            continue;
        if (need == kFrameHeadBytes) {
            if (!decodeFrameHead(head_, &frame_)) {
                state_ = Result::kBroken;
                break;
            }
            if (frame_.type == kFrameCredit)
                continue;  // its payload comes next
        }
        headHave_ = 0;
        switch (frame_.type) {
            case kFrameData:
                if (!sink.dataBegins(frame_.channel, frame_.length))
                    state_ = Result::kBroken;
                payloadLeft_ = frame_.length;
                break;
            case kFrameCredit: {
                const uint8_t* p = head_ + kFrameHeadBytes;
                uint32_t grant = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                 (static_cast<uint32_t>(p[2]) << 16) |
                                 (static_cast<uint32_t>(p[3]) << 24);
                if (!sink.credit(frame_.channel, grant))
                    state_ = Result::kBroken;
                break;
            }
            case kFrameClose:
                state_ = Result::kClosed;
                break;
            default:  // PING: its arrival alone refreshes the keep-alive
                break;
        }
    }
    return state_;
}

}  // namespace vantor::pppp
