// Fuzz target: the TCP stream framing over an untrusted byte stream received in pieces, as
// the stream reader does it (append, cut whole frames, move the rest to the front), with a
// small buffer so that full-buffer cases are reached.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "MediaFrameHead.h"
#include "TcpStreamFramer.h"

namespace {
constexpr size_t kBufferBytes = 4096;
constexpr uint32_t kMaxData = kBufferBytes - vantor::kMediaFrameHeadBytes;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<char> buf(kBufferBytes);
    size_t fill = 0;
    size_t pos = 0;
    while (pos < size) {
        size_t piece = 1 + data[pos] % 97;
        size_t n = std::min({piece, size - pos, kBufferBytes - fill});
        memcpy(buf.data() + fill, data + pos, n);
        pos += n;
        fill += n;
        size_t consumed = 0;
        auto r = vantor::TcpStreamFramer::Cut(
            buf.data(), fill, kMaxData, &consumed, [&](const char* frame, int length) {
                vantor::MediaFrameHead head;
                memcpy(&head, frame, sizeof head);
                // Every frame lies inside what was received and matches its own head.
                if (frame < buf.data() || frame + length > buf.data() + fill ||
                    static_cast<size_t>(length) != vantor::kMediaFrameHeadBytes + head.dataLen)
                    __builtin_trap();
                return true;
            });
        if (consumed > fill)
            __builtin_trap();
        if (r == vantor::TcpStreamFramer::Result::kBad)
            return 0;
        // A full buffer that yields no frame would stall the reader for good.
        if (fill == kBufferBytes && consumed == 0)
            __builtin_trap();
        memmove(buf.data(), buf.data() + consumed, fill - consumed);
        fill -= consumed;
    }
    return 0;
}
