#include "TcpStreamFramer.h"

#include <cstring>

#include "DebugOut.h"
#include "MediaFrameHead.h"

namespace vantor {

TcpStreamFramer::Result TcpStreamFramer::Cut(const char* buf, size_t fill, uint32_t maxData,
                                             size_t* consumed, const FrameFn& onFrame) {
    size_t at = 0;
    *consumed = 0;
    while (fill - at >= kMediaFrameHeadBytes) {
        MediaFrameHead head;
        memcpy(&head, buf + at, sizeof(head));
        if (head.magic != kMediaFrameMagic || head.dataLen > maxData) {
            DebugOut("TcpCamera stream frame invalid (magic 0x%x, length %u), closed\n", head.magic,
                     head.dataLen);
            *consumed = at;
            return Result::kBad;
        }
        size_t frameBytes = kMediaFrameHeadBytes + head.dataLen;
        if (fill - at < frameBytes) {
            break;
        }
        bool more = onFrame(buf + at, static_cast<int>(frameBytes));
        at += frameBytes;
        if (!more) {
            break;
        }
    }
    *consumed = at;
    return Result::kOk;
}

}  // namespace vantor
