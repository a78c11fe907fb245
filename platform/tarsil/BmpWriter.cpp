#include "BmpWriter.h"

#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace tarsil {

namespace {

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool BmpWriter::write(const AVFrame* picture, const char* path) {
    if (!picture || !path || picture->width <= 0 || picture->height <= 0)
        return false;
    const int w = picture->width;
    const int h = picture->height;
    const int rowBytes = (w * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(static_cast<size_t>(rowBytes) * h);
    SwsContext* sws = sws_getContext(w, h, static_cast<AVPixelFormat>(picture->format), w, h,
                                     AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
    if (!sws)
        return false;
    // Bottom-up: start at the last row and walk backwards.
    uint8_t* dst[4] = {pixels.data() + static_cast<size_t>(rowBytes) * (h - 1), nullptr, nullptr,
                       nullptr};
    int dstStride[4] = {-rowBytes, 0, 0, 0};
    sws_scale(sws, picture->data, picture->linesize, 0, h, dst, dstStride);
    sws_freeContext(sws);

    uint8_t head[54] = {'B', 'M'};
    put32(head + 2, static_cast<uint32_t>(sizeof head + pixels.size()));
    put32(head + 10, sizeof head);
    put32(head + 14, 40);
    put32(head + 18, static_cast<uint32_t>(w));
    put32(head + 22, static_cast<uint32_t>(h));
    put16(head + 26, 1);
    put16(head + 28, 24);
    put32(head + 34, static_cast<uint32_t>(pixels.size()));
    put32(head + 38, 2835);  // 72 dpi
    put32(head + 42, 2835);
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head &&
              std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::remove(path);
    return ok;
}

}  // namespace tarsil
