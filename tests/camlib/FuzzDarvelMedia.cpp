// Fuzz target: the framing of the media and alarm channel readers over an untrusted byte
// stream, delivered in pieces of varying size.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "MediaChannelReader.h"

namespace {

vantor::ChannelReadFn Feed(const uint8_t* data, size_t size, size_t* pos) {
    return [=](int, char* out, int* want, uint32_t) {
        size_t left = size - *pos;
        if (left == 0) {
            *want = 0;
            return -12;
        }
        size_t piece = 1 + (data[*pos] % 61);
        size_t n = std::min({left, piece, static_cast<size_t>(*want)});
        memcpy(out, data + *pos, n);
        *pos += n;
        if (n < static_cast<size_t>(*want)) {
            *want = static_cast<int>(n);
            return -3;
        }
        return 0;
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::atomic<bool> running{true};
    unsigned sum = 0;
    size_t pos = 0;
    vantor::MediaChannelReader media(4096);
    media.Run(Feed(data, size, &pos), 1, running, [&](const char* f, int n) {
        for (int i = 0; i < n; ++i)
            sum += static_cast<unsigned char>(f[i]);
    });
    pos = 0;
    vantor::AlarmChannelReader::Run(
        Feed(data, size, &pos), 5, running, [&](int code) { sum += code; }, [&] { ++sum; });
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
