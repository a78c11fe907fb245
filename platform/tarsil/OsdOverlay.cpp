#include "OsdOverlay.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tarsil {

namespace {

constexpr const char* kFallbackFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr size_t kFontPathMax = 1024;

std::string findFont() {
    std::string path;
    if (FILE* p = popen("fc-match -f '%{file}' 'DejaVu Sans' 2>/dev/null", "r")) {
        char buf[kFontPathMax];
        size_t n = fread(buf, 1, sizeof buf - 1, p);
        pclose(p);
        buf[n] = 0;
        path = buf;
    }
    if (path.empty() || access(path.c_str(), R_OK) != 0)
        path = kFallbackFont;
    return path;
}

// Next code point of a UTF-8 text; invalid bytes come out as '?'.
uint32_t nextCodePoint(const std::string& s, size_t& i) {
    const auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80)
        return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + extra > s.size())
        return '?';
    uint32_t cp = b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80)
            return '?';
        cp = (cp << 6) | (c & 0x3F);
        ++i;
    }
    return cp;
}

}  // namespace

OsdOverlay::~OsdOverlay() {
    if (face_)
        FT_Done_Face(static_cast<FT_Face>(face_));
    if (library_)
        FT_Done_FreeType(static_cast<FT_Library>(library_));
}

void OsdOverlay::set(const OsdTextItem& item) {
    const size_t n = strnlen(item.text, TARSIL_OSD_TEXT_BYTES - 1);
    text_.assign(item.text, n);
    const int r = item.color[0], g = item.color[1], b = item.color[2];
    // BT.601 limited range, as the display converts back.
    yuv_[0] = static_cast<uint8_t>(16 + (66 * r + 129 * g + 25 * b + 128) / 256);
    yuv_[1] = static_cast<uint8_t>(128 + (-38 * r - 74 * g + 112 * b + 128) / 256);
    yuv_[2] = static_cast<uint8_t>(128 + (112 * r - 94 * g - 18 * b + 128) / 256);
    left_ = item.left;
    top_ = item.top;
    right_ = item.right;
    bottom_ = item.bottom;
    active_ = !text_.empty() && right_ > left_ && bottom_ > top_;
    maskForWidth_ = maskForHeight_ = 0;
}

void OsdOverlay::clear() {
    active_ = false;
    text_.clear();
    mask_.clear();
    maskForWidth_ = maskForHeight_ = 0;
}

bool OsdOverlay::ensureFace() {
    if (face_)
        return true;
    if (faceTried_)
        return false;
    faceTried_ = true;
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0)
        return false;
    library_ = lib;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, findFont().c_str(), 0, &face) != 0)
        return false;
    face_ = face;
    return true;
}

void OsdOverlay::rasterise(int width, int height) {
    maskForWidth_ = width;
    maskForHeight_ = height;
    mask_.clear();
    maskW_ = maskH_ = 0;
    // Placement scaled from the reference picture, clipped to this one.
    const int x0 = std::clamp(static_cast<int>(int64_t{left_} * width / kReferenceWidth), 0, width);
    const int y0 =
        std::clamp(static_cast<int>(int64_t{top_} * height / kReferenceHeight), 0, height);
    const int x1 =
        std::clamp(static_cast<int>(int64_t{right_} * width / kReferenceWidth), 0, width);
    const int y1 =
        std::clamp(static_cast<int>(int64_t{bottom_} * height / kReferenceHeight), 0, height);
    if (x1 <= x0 || y1 <= y0 || !ensureFace())
        return;
    maskX_ = x0;
    maskY_ = y0;
    maskW_ = x1 - x0;
    maskH_ = y1 - y0;
    mask_.assign(static_cast<size_t>(maskW_) * maskH_, 0);
    auto face = static_cast<FT_Face>(face_);
    const int pixelHeight = std::max(6, maskH_ * 4 / 5);
    FT_Set_Pixel_Sizes(face, 0, pixelHeight);
    const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    const int baseline = std::min(maskH_ - 1, (maskH_ - pixelHeight) / 2 + ascender);
    int penX = 0;
    for (size_t i = 0; i < text_.size() && penX < maskW_;) {
        const uint32_t cp = nextCodePoint(text_, i);
        if (FT_Load_Char(face, cp, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        for (unsigned row = 0; row < bm.rows; ++row) {
            const int my = baseline - g->bitmap_top + static_cast<int>(row);
            if (my < 0 || my >= maskH_)
                continue;
            for (unsigned col = 0; col < bm.width; ++col) {
                const int mx = penX + g->bitmap_left + static_cast<int>(col);
                if (mx < 0 || mx >= maskW_)
                    continue;
                uint8_t a = bm.buffer[row * bm.pitch + col];
                uint8_t& m = mask_[static_cast<size_t>(my) * maskW_ + mx];
                m = std::max(m, a);
            }
        }
        penX += static_cast<int>(g->advance.x >> 6);
    }
}

void OsdOverlay::draw(uint8_t* y, uint8_t* u, uint8_t* v, int width, int height) {
    if (!active_)
        return;
    if (maskForWidth_ != width || maskForHeight_ != height)
        rasterise(width, height);
    if (mask_.empty())
        return;
    for (int row = 0; row < maskH_; ++row) {
        uint8_t* line = y + static_cast<size_t>(maskY_ + row) * width + maskX_;
        const uint8_t* alpha = &mask_[static_cast<size_t>(row) * maskW_];
        for (int col = 0; col < maskW_; ++col) {
            const int a = alpha[col];
            if (a)
                line[col] = static_cast<uint8_t>((line[col] * (255 - a) + yuv_[0] * a) / 255);
        }
    }
    // Chroma takes the strongest coverage of its 2x2 block, so thin strokes keep their colour.
    const int cw = width / 2;
    const int ch = height / 2;
    for (int cy = maskY_ / 2; cy <= (maskY_ + maskH_ - 1) / 2 && cy < ch; ++cy) {
        for (int cx = maskX_ / 2; cx <= (maskX_ + maskW_ - 1) / 2 && cx < cw; ++cx) {
            int a = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const int my = cy * 2 + dy - maskY_;
                    const int mx = cx * 2 + dx - maskX_;
                    if (my >= 0 && my < maskH_ && mx >= 0 && mx < maskW_) {
                        a = std::max<int>(a, mask_[static_cast<size_t>(my) * maskW_ + mx]);
                    }
                }
            }
            if (a == 0)
                continue;
            const size_t ci = static_cast<size_t>(cy) * cw + cx;
            u[ci] = static_cast<uint8_t>((u[ci] * (255 - a) + yuv_[1] * a) / 255);
            v[ci] = static_cast<uint8_t>((v[ci] * (255 - a) + yuv_[2] * a) / 255);
        }
    }
}

}  // namespace tarsil
