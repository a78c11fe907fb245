// The drawing end of one channel: a YUV 4:2:0 picture scaled onto a rectangle of an X window.
//
// Holds the window's drawing context, the scaler and two images of the destination size, in
// shared memory when the server offers MIT-SHM (the plain XPutImage path otherwise). The images
// alternate: a shared image is written again only after the server reported it done with it
// (its completion event), so a put costs no round trip. The window's geometry follows its
// ConfigureNotify/DestroyNotify events instead of being asked for every picture.
// Everything is bound to the owner's connection; the owner routes that connection's events.
// Thread: the owning display's lock is held for every call.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <functional>
#include <vector>

struct SwsContext;

namespace lumeno {

class XErrorTrap;

struct PlaneSet {
    const uint8_t* plane[3];  // Y, U, V
    int stride[3];
    int width;
    int height;
};

class WindowTarget {
  public:
    // Drains the connection's events; with sync true it first waits until the server has
    // handled every request sent so far.
    using Pump = std::function<void(bool sync)>;

    static constexpr int kImageCount = 2;
    // Big reductions first halve the picture with a 2x2 box filter (at most this many times):
    // cheaper than letting the scaler filter every source line, and it averages properly.
    static constexpr int kMaxHalvings = 3;

    WindowTarget(Display* display, XErrorTrap& trap, Window window, bool useShm,
                 int shmCompletionType);
    ~WindowTarget();
    WindowTarget(const WindowTarget&) = delete;
    WindowTarget& operator=(const WindowTarget&) = delete;

    // Listens to the window and reads its geometry once. False when the window is gone or its
    // visual is not 24/32-bit true colour.
    bool attach();
    void onEvent(const XEvent& event);

    Window window() const { return window_; }
    bool gone() const { return gone_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int x() const { return x_; }
    int y() const { return y_; }
    // False once shared memory failed on this connection; the owner stops offering it.
    bool shmUsable() const { return useShm_; }
    // Errors of the connection seen when this target last drew.
    unsigned errorMark() const { return errorMark_; }

    // Scales the picture into (x, y, width, height) of the window and sends it. False on a
    // failure seen at once (X errors of the put show at a later draw through errorMark()).
    // halved, when given, is the picture already halved once into firstHalf()'s buffer.
    bool put(const PlaneSet& picture, int x, int y, int width, int height, const Pump& pump,
             const PlaneSet* halved = nullptr);

    // Whether a picture of this size is halved before scaling to width x height.
    static bool halves(int pictureWidth, int pictureHeight, int width, int height);
    // The buffer of the first halving for a picture of this size (writable planes).
    PlaneSet firstHalf(int pictureWidth, int pictureHeight, uint8_t* planes[3]);
    // Copies one plane row by row (packed at width) and writes its 2x2 means into half:
    // one pass over the source for both, while its rows are still in the cache.
    static void copyAndHalvePlane(const uint8_t* src, int srcStride, uint8_t* copy, int width,
                                  int height, uint8_t* half, int halfWidth, int halfHeight);

  private:
    struct Image {
        XImage* image = nullptr;
        XShmSegmentInfo shm{};
        bool inShm = false;
        bool busy = false;  // a shared put not yet completed by the server
        int width = 0;
        int height = 0;
    };

    PlaneSet halve(const PlaneSet& src, int level);
    bool ensureImage(Image& img, int width, int height);
    void releaseImage(Image& img);

    Display* display_;
    XErrorTrap& trap_;
    Window window_;
    bool useShm_;
    int shmCompletionType_;
    GC gc_ = nullptr;
    int depth_ = 0;
    Visual* visual_ = nullptr;
    bool gone_ = false;
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    unsigned errorMark_ = 0;
    Image images_[kImageCount];
    int next_ = 0;
    SwsContext* scaler_ = nullptr;
    int scalerKey_[4] = {0, 0, 0, 0};            // source w, h, destination w, h of scaler_
    std::vector<uint8_t> halves_[kMaxHalvings];  // reused picture buffers per halving level
};

}  // namespace lumeno
