// Overlay text drawn into the picture (slot 0). The text is rasterised once with FreeType into
// an alpha mask for the picture's size and blended into the Y, U and V planes of each picture.
// The font is found at first use: fontconfig's fc-match for "DejaVu Sans", else the Debian
// DejaVu path; without a font the overlay draws nothing.
// Thread: the owning player's lock is held for every call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tarsil.h"

namespace tarsil {

class OsdOverlay {
  public:
    static constexpr int kReferenceWidth = 704;  // the placement's coordinate space
    static constexpr int kReferenceHeight = 576;

    ~OsdOverlay();
    void set(const OsdTextItem& item);
    void clear();
    bool active() const { return active_; }
    // Draws onto packed planes (Y stride width, U/V stride width/2).
    void draw(uint8_t* y, uint8_t* u, uint8_t* v, int width, int height);

  private:
    bool ensureFace();
    void rasterise(int width, int height);

    bool active_ = false;
    std::string text_;
    uint8_t yuv_[3] = {0, 128, 128};
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;  // reference coordinates

    // The mask for the picture size it was made for.
    int maskForWidth_ = 0;
    int maskForHeight_ = 0;
    int maskX_ = 0, maskY_ = 0, maskW_ = 0, maskH_ = 0;
    std::vector<uint8_t> mask_;

    void* library_ = nullptr;  // FT_Library
    void* face_ = nullptr;     // FT_Face
    bool faceTried_ = false;
};

}  // namespace tarsil
