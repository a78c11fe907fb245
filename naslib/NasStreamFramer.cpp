#include "NasStreamFramer.h"

#include <cstring>
#include <new>

#include "MediaFrameHead.h"

namespace vantor {

NasStreamFramer::NasStreamFramer() = default;

bool NasStreamFramer::Ensure() {
    if (!buffer_)
        buffer_.reset(new (std::nothrow) char[kNasStreamBufferBytes]);
    return buffer_ != nullptr;
}

bool NasStreamFramer::Commit(size_t n, const Deliver& deliver) {
    if (!buffer_ || n > spaceBytes())
        return false;
    fill_ += n;
    size_t at = 0;
    while (fill_ - at >= kMediaFrameHeadBytes) {
        MediaFrameHead head;
        std::memcpy(&head, buffer_.get() + at, sizeof head);
        if (head.magic != kMediaFrameMagic || head.dataLen > kNasStreamMaxData)
            return false;
        size_t frame = kMediaFrameHeadBytes + head.dataLen;
        if (frame > kNasStreamBufferBytes)
            return false;  // could never be held whole
        if (fill_ - at < frame)
            break;
        if (deliver)
            deliver(buffer_.get() + at, static_cast<int>(frame));
        at += frame;
    }
    if (at > 0) {
        std::memmove(buffer_.get(), buffer_.get() + at, fill_ - at);
        fill_ -= at;
    }
    return true;
}

}  // namespace vantor
