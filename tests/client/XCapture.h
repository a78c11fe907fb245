// What is on screen inside an X window, read back through a connection of our own (the player
// draws with its own connection, so Qt's grab would not see the video). Kept apart from the
// tests because Xlib's macros collide with Qt and GoogleTest names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::client::test {

struct WindowShot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, every `step`-th pixel of every `step`-th row
    bool ok = false;
};

WindowShot CaptureWindow(unsigned long window, int step = 4);
// The whole screen as a PNG; false when it cannot be read or written.
bool SaveScreen(const std::string& png_path);

}  // namespace vantor::client::test
