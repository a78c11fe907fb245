// Frame intake fuzz target: the input is a run of media frames (32-byte head, then data) as a
// device would send them. Each goes through the head checks, the bounded queue and the
// decoder or the A-law decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FrameQueue.h"
#include "G711.h"
#include "MediaFrame.h"
#include "VideoDecoder.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

namespace {

constexpr int kMaxFramesPerInput = 64;

uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    tarsil::FrameQueue queue(8, 1 << 20);
    tarsil::VideoDecoder decoder;
    std::vector<int16_t> samples;
    size_t at = 0;
    for (int n = 0; n < kMaxFramesPerInput && size - at >= tarsil::kMediaHeadBytes; ++n) {
        const uint32_t declared = u32(data + at + 16);
        const size_t left = size - at;
        // Cut the way the stream readers do; a short tail is handed over as it is.
        const size_t take =
            declared <= left - tarsil::kMediaHeadBytes ? tarsil::kMediaHeadBytes + declared : left;
        tarsil::MediaFrame frame;
        if (tarsil::MediaFrame::parse(data + at, take, frame) == tarsil::ParseResult::Ok) {
            queue.push(std::move(frame));
        }
        at += take;
        tarsil::MediaFrame out;
        while (queue.pop(out, 0)) {
            if (out.isVideo()) {
                decoder.decode(out, [](const AVFrame* picture) {
                    // Touch the picture as the player does.
                    volatile uint8_t sink = picture->data[0][0];
                    (void)sink;
                });
            } else {
                samples.resize(out.payload);
                tarsil::G711::decode(out.bytes(), out.payload, samples.data());
            }
        }
    }
    return 0;
}
