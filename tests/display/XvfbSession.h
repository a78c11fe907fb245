// A private X server for one test process, plus the few Xlib helpers the tests need.
//
// start() launches "Xvfb -displayfd" (the server picks a free display number and tells us),
// waits for it with a deadline, and points DISPLAY at it. The destructor kills the server.
// Tests call GTEST_SKIP when available() is false (no Xvfb installed).
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace vantor_test {

class XvfbSession {
  public:
    XvfbSession() = default;
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    static bool available();
    // Starts the server (1280x720x24) and opens a connection for the test's own windows.
    bool start(int timeout_ms = 10000);
    Display* display() const { return display_; }

    // A mapped top-level window of the given size, filled with the given 0xRRGGBB background.
    Window createWindow(int width, int height, uint32_t background_rgb = 0x000000);
    // Reads the pixel (0xRRGGBB) at (x, y) of the window.
    uint32_t pixel(Window window, int x, int y);
    // Writes the window's current contents as a binary PPM (for looking at by eye).
    bool savePpm(Window window, const std::string& path);

  private:
    pid_t pid_ = -1;
    Display* display_ = nullptr;
    int nextX_ = 0;  // placement of the next window
    int nextY_ = 0;
    int rowHeight_ = 0;
};

}  // namespace vantor_test
