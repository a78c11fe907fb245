// Writes a decoded picture as an uncompressed 24-bit bottom-up .bmp.
#pragma once

struct AVFrame;

namespace tarsil {

class BmpWriter {
  public:
    // False when the picture cannot be converted or the file cannot be written completely.
    static bool write(const AVFrame* picture, const char* path);
};

}  // namespace tarsil
