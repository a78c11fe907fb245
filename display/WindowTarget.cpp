#include "WindowTarget.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

#include "XErrorTrap.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace lumeno {

namespace {

// True-colour 32-bit pixels with red in the high byte: BGR0 in memory on little-endian.
bool visualIsBgr0(const Visual* visual, int depth) {
    return visual && (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 &&
           visual->green_mask == 0x00ff00 && visual->blue_mask == 0x0000ff;
}

// Each output sample is the rounded mean of a 2x2 block of the source.
void halvePlane(const uint8_t* src, int srcStride, uint8_t* dst, int width, int height) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = src + static_cast<size_t>(2 * y) * srcStride;
        const uint8_t* b = a + srcStride;
        uint8_t* out = dst + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            out[x] =
                static_cast<uint8_t>((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) >> 2);
        }
    }
}

}  // namespace

WindowTarget::WindowTarget(Display* display, XErrorTrap& trap, Window window, bool useShm,
                           int shmCompletionType)
    : display_(display),
      trap_(trap),
      window_(window),
      useShm_(useShm),
      shmCompletionType_(shmCompletionType) {}

WindowTarget::~WindowTarget() {
    bool anyShm = false;
    for (auto& img : images_)
        anyShm = anyShm || img.inShm;
    // The server must be done with shared images before their memory goes away.
    if (anyShm)
        XSync(display_, False);
    for (auto& img : images_)
        releaseImage(img);
    if (gc_)
        XFreeGC(display_, gc_);
    // The window stays selected: another channel may draw into it and need its events.
    sws_freeContext(scaler_);
}

bool WindowTarget::attach() {
    unsigned before = trap_.errorCount();
    // Listen before asking, so no change can fall between the answer and the first event.
    XSelectInput(display_, window_, StructureNotifyMask);
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(display_, window_, &attrs) || trap_.errorCount() != before) {
        gone_ = true;
        return false;
    }
    if (!visualIsBgr0(attrs.visual, attrs.depth))
        return false;
    depth_ = attrs.depth;
    visual_ = attrs.visual;
    x_ = attrs.x;
    y_ = attrs.y;
    width_ = attrs.width;
    height_ = attrs.height;
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    XSync(display_, False);
    errorMark_ = trap_.errorCount();
    return gc_ != nullptr && errorMark_ == before;
}

void WindowTarget::onEvent(const XEvent& event) {
    if (event.type == ConfigureNotify && event.xconfigure.window == window_) {
        x_ = event.xconfigure.x;
        y_ = event.xconfigure.y;
        width_ = event.xconfigure.width;
        height_ = event.xconfigure.height;
    } else if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
        gone_ = true;
    } else if (event.type == shmCompletionType_) {
        const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
        if (done.drawable != window_)
            return;
        for (auto& img : images_) {
            if (img.inShm && img.shm.shmseg == done.shmseg)
                img.busy = false;
        }
    }
}

void WindowTarget::releaseImage(Image& img) {
    if (!img.image)
        return;
    if (img.inShm) {
        XShmDetach(display_, &img.shm);
        img.image->data = nullptr;
        XDestroyImage(img.image);
        shmdt(img.shm.shmaddr);
    } else {
        XDestroyImage(img.image);  // frees the malloc'd pixels too
    }
    img = Image{};
}

bool WindowTarget::ensureImage(Image& img, int width, int height) {
    if (img.image && img.width == width && img.height == height)
        return true;
    if (img.inShm)
        XSync(display_, False);  // not while the server may still read it
    releaseImage(img);
    if (useShm_) {
        img.image =
            XShmCreateImage(display_, visual_, depth_, ZPixmap, nullptr, &img.shm, width, height);
        if (img.image) {
            size_t bytes = static_cast<size_t>(img.image->bytes_per_line) * height;
            img.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
            void* addr = img.shm.shmid >= 0 ? shmat(img.shm.shmid, nullptr, 0) : (void*)-1;
            if (addr != (void*)-1) {
                img.shm.shmaddr = img.image->data = static_cast<char*>(addr);
                img.shm.readOnly = False;
                unsigned before = trap_.errorCount();
                Status ok = XShmAttach(display_, &img.shm);
                XSync(display_, False);
                // The segment goes away with the last detach, even if we are killed.
                shmctl(img.shm.shmid, IPC_RMID, nullptr);
                if (ok && trap_.errorCount() == before) {
                    img.inShm = true;
                    img.width = width;
                    img.height = height;
                    return true;
                }
                shmdt(addr);
            } else if (img.shm.shmid >= 0) {
                shmctl(img.shm.shmid, IPC_RMID, nullptr);
            }
            img.image->data = nullptr;
            XDestroyImage(img.image);
            img = Image{};
        }
        useShm_ = false;  // remote server or no segments: the plain path from now on
    }
    int bytesPerLine = width * 4;
    char* pixels = static_cast<char*>(std::malloc(static_cast<size_t>(bytesPerLine) * height));
    if (!pixels)
        return false;
    img.image = XCreateImage(display_, visual_, depth_, ZPixmap, 0, pixels, width, height, 32,
                             bytesPerLine);
    if (!img.image) {
        std::free(pixels);
        return false;
    }
    img.width = width;
    img.height = height;
    return true;
}

bool WindowTarget::halves(int pictureWidth, int pictureHeight, int width, int height) {
    return pictureWidth >= 2 * width && pictureHeight >= 2 * height && pictureWidth >= 8 &&
           pictureHeight >= 8;
}

PlaneSet WindowTarget::firstHalf(int pictureWidth, int pictureHeight, uint8_t* planes[3]) {
    PlaneSet out{};
    out.width = (pictureWidth / 2) & ~1;
    out.height = (pictureHeight / 2) & ~1;
    const int cw = out.width / 2;
    const int ch = out.height / 2;
    std::vector<uint8_t>& buf = halves_[0];
    buf.resize(static_cast<size_t>(out.width) * out.height + 2 * static_cast<size_t>(cw) * ch);
    planes[0] = buf.data();
    planes[1] = planes[0] + static_cast<size_t>(out.width) * out.height;
    planes[2] = planes[1] + static_cast<size_t>(cw) * ch;
    for (int i = 0; i < 3; ++i)
        out.plane[i] = planes[i];
    out.stride[0] = out.width;
    out.stride[1] = out.stride[2] = cw;
    return out;
}

void WindowTarget::copyAndHalvePlane(const uint8_t* src, int srcStride, uint8_t* copy, int width,
                                     int height, uint8_t* half, int halfWidth, int halfHeight) {
    for (int row = 0; row < height; ++row) {
        std::memcpy(copy + static_cast<size_t>(row) * width,
                    src + static_cast<size_t>(row) * srcStride, width);
        if ((row & 1) == 1 && row / 2 < halfHeight) {
            halvePlane(src + static_cast<size_t>(row - 1) * srcStride, srcStride,
                       half + static_cast<size_t>(row / 2) * halfWidth, halfWidth, 1);
        }
    }
}

PlaneSet WindowTarget::halve(const PlaneSet& src, int level) {
    PlaneSet out{};
    out.width = (src.width / 2) & ~1;
    out.height = (src.height / 2) & ~1;
    const int cw = out.width / 2;
    const int ch = out.height / 2;
    std::vector<uint8_t>& buf = halves_[level];
    buf.resize(static_cast<size_t>(out.width) * out.height + 2 * static_cast<size_t>(cw) * ch);
    uint8_t* y = buf.data();
    uint8_t* u = y + static_cast<size_t>(out.width) * out.height;
    uint8_t* v = u + static_cast<size_t>(cw) * ch;
    halvePlane(src.plane[0], src.stride[0], y, out.width, out.height);
    halvePlane(src.plane[1], src.stride[1], u, cw, ch);
    halvePlane(src.plane[2], src.stride[2], v, cw, ch);
    out.plane[0] = y;
    out.plane[1] = u;
    out.plane[2] = v;
    out.stride[0] = out.width;
    out.stride[1] = out.stride[2] = cw;
    return out;
}

bool WindowTarget::put(const PlaneSet& original, int x, int y, int width, int height,
                       const Pump& pump, const PlaneSet* halved) {
    if (gone_ || !gc_ || width <= 0 || height <= 0 || original.width <= 0 || original.height <= 0) {
        return false;
    }
    Image& img = images_[next_];
    if (img.busy) {
        pump(false);  // usually the completion is already waiting
        if (img.busy) {
            pump(true);
            img.busy = false;  // handled by now; a failed put sends no completion
        }
    }
    if (!ensureImage(img, width, height))
        return false;
    PlaneSet picture = halved ? *halved : original;
    for (int level = halved ? 1 : 0;
         level < kMaxHalvings && halves(picture.width, picture.height, width, height); ++level) {
        picture = halve(picture, level);
    }
    // Our own key: the scaler adjusts its flags while it sets itself up, so libswscale's
    // cached-context check would rebuild it for every picture.
    if (!scaler_ || scalerKey_[0] != picture.width || scalerKey_[1] != picture.height ||
        scalerKey_[2] != width || scalerKey_[3] != height) {
        sws_freeContext(scaler_);
        scaler_ = sws_getContext(picture.width, picture.height, AV_PIX_FMT_YUV420P, width, height,
                                 AV_PIX_FMT_BGR0, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
        scalerKey_[0] = picture.width;
        scalerKey_[1] = picture.height;
        scalerKey_[2] = width;
        scalerKey_[3] = height;
    }
    if (!scaler_)
        return false;
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(img.image->data), nullptr, nullptr, nullptr};
    int dstStride[4] = {img.image->bytes_per_line, 0, 0, 0};
    sws_scale(scaler_, picture.plane, picture.stride, 0, picture.height, dst, dstStride);
    if (img.inShm) {
        XShmPutImage(display_, window_, gc_, img.image, 0, 0, x, y, width, height, True);
        img.busy = true;
    } else {
        XPutImage(display_, window_, gc_, img.image, 0, 0, x, y, width, height);
    }
    XFlush(display_);
    errorMark_ = trap_.errorCount();
    next_ = (next_ + 1) % kImageCount;
    return true;
}

}  // namespace lumeno
