// Frames come from another process: any byte stream, split anywhere, must be cut safely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "IpcFrameReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vantor::client;
    if (size == 0) {
        return 0;
    }
    // The first byte picks the read size, as recv may return any amount.
    const size_t chunk = 1 + data[0] % 64;
    std::span<const uint8_t> rest(data + 1, size - 1);
    IpcFrameReader reader;
    size_t delivered_bytes = 0;
    while (!rest.empty()) {
        const size_t n = rest.size() < chunk ? rest.size() : chunk;
        const bool ok = reader.Feed(rest.first(n), [&](IpcFrame&& f) {
            if (f.payload.size() > kIpcMaxPayloadBytes) {
                std::abort();
            }
            delivered_bytes += kIpcFrameHeadBytes + f.payload.size();
        });
        if (!ok) {
            break;
        }
        rest = rest.subspan(n);
        if (reader.pending_bytes() > kIpcMaxFrameBytes) {
            std::abort();
        }
    }
    if (delivered_bytes > size) {
        std::abort();
    }
    return 0;
}
