// Fuzz target for the recorder's channel framing: the same bytes go through the command/alarm
// head reader, a media channel reader (audio bound) and the TCP stream framer in pieces.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "NasChannelReaders.h"
#include "NasStreamFramer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t at = 0;
    vantor::ChannelReadFn read = [&](int, char* d, int* n, uint32_t) {
        size_t left = size - at;
        if (left == 0) {
            *n = 0;
            return -14;
        }
        size_t take = std::min(left, static_cast<size_t>(*n));
        std::memcpy(d, data + at, take);
        at += take;
        if (static_cast<int>(take) < *n) {
            *n = static_cast<int>(take);
            return -3;
        }
        return 0;
    };
    std::atomic<bool> running{true};
    size_t sum = 0;
    static vantor::NasHeadReader heads;  // buffers reused across inputs
    heads.Run(read, 0, running, [&](const vantor::NasCmdHead&, const char* p, int n) {
        int code = 0;
        vantor::NasAlarmFromPayload(p, n, &code);
        sum += static_cast<size_t>(n) + static_cast<unsigned char>(p[n]);
    });
    at = 0;
    static vantor::NasMediaReader media(2048);
    media.Run(read, 2, running,
              [&](const char* f, int n) { sum += static_cast<unsigned char>(f[n - 1]); });

    static vantor::NasStreamFramer framer;
    framer.Reset();
    if (!framer.Ensure())
        return 0;
    size_t chunk = size > 0 ? (data[0] % 61) + 1 : 1;
    for (size_t off = 0; off < size; off += chunk) {
        size_t n = std::min({chunk, size - off, framer.spaceBytes()});
        std::memcpy(framer.space(), data + off, n);
        if (!framer.Commit(
                n, [&](const char* f, int len) { sum += static_cast<unsigned char>(f[len - 1]); }))
            break;
    }
    return sum == 0xFFFFFFFF ? 1 : 0;
}
