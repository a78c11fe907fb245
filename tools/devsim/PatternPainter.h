// Draws the simulator's test picture into YUV 4:2:0 planes: colour bars, a square that moves
// with the frame number, and text lines in a built-in 5x7 bitmap font (device name, format,
// clock). Upper-case letters, digits and a few signs are drawn; lower case is drawn as upper
// case, anything else as a blank.
// Thread: any (no state besides its arguments).
#pragma once

#include <cstdint>
#include <string>

namespace devsim {

struct YuvPicture {
    int width = 0;
    int height = 0;
    uint8_t* y = nullptr;
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    int yStride = 0;
    int uvStride = 0;
};

class PatternPainter {
  public:
    // frameIndex moves the square; the text lines are drawn top left, each scaled so the
    // lines stay readable at small sizes.
    static void Paint(const YuvPicture& pic, int frameIndex, const std::string& line1,
                      const std::string& line2, const std::string& line3);
    static void DrawText(const YuvPicture& pic, int x, int y, int scale, const std::string& text);
};

}  // namespace devsim
