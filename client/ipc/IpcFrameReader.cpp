#include "IpcFrameReader.h"

#include <algorithm>

namespace vantor::client {

namespace {

uint64_t GetLe(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

}  // namespace

bool IpcFrameReader::ParseHead() {
    const uint8_t* p = buffer_.data();
    if (GetLe(p, 4) != kIpcFrameMagic) {
        return false;
    }
    const uint64_t payload = GetLe(p + 24, 4);
    if (payload > kIpcMaxPayloadBytes) {
        return false;
    }
    frame_bytes_ = kIpcFrameHeadBytes + static_cast<size_t>(payload);
    return true;
}

bool IpcFrameReader::Feed(std::span<const uint8_t> bytes, const FrameFn& on_frame) {
    while (!failed_ && !bytes.empty()) {
        const size_t want = frame_bytes_ != 0 ? frame_bytes_ : kIpcFrameHeadBytes;
        const size_t take = std::min(want - buffer_.size(), bytes.size());
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + take);
        bytes = bytes.subspan(take);
        if (buffer_.size() < want) {
            break;
        }
        if (frame_bytes_ == 0) {
            if (!ParseHead()) {
                failed_ = true;
                buffer_.clear();
                break;
            }
            if (frame_bytes_ > kIpcFrameHeadBytes) {
                continue;  // the payload follows
            }
        }
        IpcFrame frame;
        const uint8_t* p = buffer_.data();
        frame.msg = static_cast<uint32_t>(GetLe(p + 4, 4));
        frame.wparam = GetLe(p + 8, 8);
        frame.lparam = static_cast<int64_t>(GetLe(p + 16, 8));
        frame.payload.assign(buffer_.begin() + kIpcFrameHeadBytes, buffer_.end());
        buffer_.clear();
        frame_bytes_ = 0;
        on_frame(std::move(frame));
    }
    return !failed_;
}

}  // namespace vantor::client
