#include "CDirectDrawVideoShow.h"

#include <X11/extensions/XShm.h>

#include <cstdio>
#include <cstring>

#include "LockGuard.h"

namespace lumeno {

namespace {

constexpr int kRectInsetSide = 1;
constexpr int kRectInsetTop = 19;
constexpr int kRectInsetBottom = 18;
constexpr int kSingleBufferInset = 1;

// Copies rows of width bytes from a packed plane into a surface plane of the same pitch.
void copyPlane(uint8_t* dst, const uint8_t* src, int width, int height, int srcStride) {
    if (srcStride == width) {
        std::memcpy(dst, src, static_cast<size_t>(width) * height);
        return;
    }
    for (int row = 0; row < height; ++row) {
        std::memcpy(dst + static_cast<size_t>(row) * width,
                    src + static_cast<size_t>(row) * srcStride, width);
    }
}

}  // namespace

CDirectDrawVideoShow::CDirectDrawVideoShow(int width, int height) : width_(width), height_(height) {
    for (int i = 0; i < LUMENO_CHANNEL_COUNT; ++i)
        channels_[i].number = i;
}

CDirectDrawVideoShow::~CDirectDrawVideoShow() {
    for (int i = 0; i < LUMENO_SUBDISPLAY_COUNT; ++i)
        destroySub(i);
    vantor::LockGuard guard(lock_);
    tearDownLocked();
}

void CDirectDrawVideoShow::trace(int channel, Window window) {
    std::printf("Set %d channel info,ShowHWND=%d,pShowWnd=%d\r\n", channel,
                static_cast<int>(window), static_cast<int>(window));
    std::fflush(stdout);
}

void CDirectDrawVideoShow::tearDownLocked() {
    for (auto& ch : channels_)
        ch.target.reset();
    for (auto& s : surfaces_)
        std::vector<uint8_t>().swap(s);
    if (display_) {
        if (mainGc_)
            XFreeGC(display_, mainGc_);
        mainGc_ = nullptr;
        XSync(display_, False);
        trap_.reset();
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    mainWindow_ = 0;
}

int CDirectDrawVideoShow::setUp(Window mainWindow) {
    vantor::LockGuard guard(lock_);
    tearDownLocked();
    display_ = XOpenDisplay(nullptr);
    if (!display_)
        return 2;
    trap_ = std::make_unique<XErrorTrap>(display_);
    unsigned before = trap_->errorCount();
    XWindowAttributes attrs;
    if (mainWindow == 0 || !XGetWindowAttributes(display_, mainWindow, &attrs) ||
        trap_->errorCount() != before) {
        tearDownLocked();
        return 3;
    }
    const Visual* v = attrs.visual;
    if (!v || (attrs.depth != 24 && attrs.depth != 32) || v->red_mask != 0xff0000 ||
        v->green_mask != 0x00ff00 || v->blue_mask != 0x0000ff) {
        tearDownLocked();
        return 4;
    }
    if (width_ <= 0 || height_ <= 0 || width_ > kLumenoMaxPictureSide ||
        height_ > kLumenoMaxPictureSide) {
        tearDownLocked();
        return 5;
    }
    const size_t lumaBytes = static_cast<size_t>(width_) * height_;
    const size_t chromaBytes = static_cast<size_t>(width_ / 2) * (height_ / 2);
    try {
        for (auto& s : surfaces_)
            s.assign(lumaBytes + 2 * chromaBytes, 0);
    } catch (const std::bad_alloc&) {
        tearDownLocked();
        return 5;
    }
    mainGc_ = XCreateGC(display_, mainWindow, 0, nullptr);
    if (!mainGc_) {
        tearDownLocked();
        return 6;
    }
    XSync(display_, False);
    if (trap_->errorCount() != before) {
        tearDownLocked();
        return 7;
    }
    mainWindow_ = mainWindow;
    shmUsable_ = XShmQueryExtension(display_);
    shmCompletionType_ = shmUsable_ ? XShmGetEventBase(display_) + ShmCompletion : -1;
    return 0;
}

void CDirectDrawVideoShow::reset(Window window) {
    setUp(window);  // a failure leaves no surfaces: draws answer 9 until a later reset
    vantor::LockGuard guard(lock_);
    openChannelLocked(0, window, nullptr, true);
}

int CDirectDrawVideoShow::openChannelLocked(int channel, Window window, const LUMENO_RECT* rect,
                                            bool hasRect) {
    if (channel < 0 || channel >= LUMENO_CHANNEL_COUNT || window == 0)
        return 1;
    Channel& ch = channels_[channel];
    if (ch.window != window)
        ch.target.reset();
    ch.open = true;
    ch.window = window;
    ch.hasRect = hasRect;
    ch.rect = rect ? *rect : LUMENO_RECT{0, 0, 0, 0};
    trace(channel, window);
    return 0;
}

int CDirectDrawVideoShow::openChannel(int channel, Window window, const LUMENO_RECT* rect) {
    vantor::LockGuard guard(lock_);
    return openChannelLocked(channel, window, rect, rect != nullptr);
}

int CDirectDrawVideoShow::closeChannel(int channel) {
    vantor::LockGuard guard(lock_);
    if (channel < 0 || channel >= LUMENO_CHANNEL_COUNT)
        return 1;
    Channel& ch = channels_[channel];
    ch.target.reset();
    ch.open = false;
    ch.window = 0;
    ch.hasRect = false;
    ch.rect = LUMENO_RECT{0, 0, 0, 0};
    trace(channel, 0);
    return 0;
}

int CDirectDrawVideoShow::getChannel(int channel) {
    vantor::LockGuard guard(lock_);
    if (channel < 0 || channel >= LUMENO_CHANNEL_COUNT)
        return 1;
    return channels_[channel].open ? 0 : 1;
}

void CDirectDrawVideoShow::pumpEventsLocked(bool sync) {
    if (!display_)
        return;
    if (sync)
        XSync(display_, False);
    while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        for (auto& ch : channels_) {
            if (ch.target && ch.target->window() == event.xany.window)
                ch.target->onEvent(event);
        }
    }
}

int CDirectDrawVideoShow::drawLocked(int channel, const PlaneSet& source, bool singleBuffer) {
    if (channel < 0 || channel >= LUMENO_SURFACE_COUNT || surfaces_[channel].empty() || !display_) {
        return 9;
    }
    uint8_t* surface = surfaces_[channel].data();
    const int cw = width_ / 2;
    const int chh = height_ / 2;
    uint8_t* dstY = surface;
    uint8_t* dstV = surface + static_cast<size_t>(width_) * height_;
    uint8_t* dstU = dstV + static_cast<size_t>(cw) * chh;

    // Where the picture goes, worked out before the copy so that a big reduction can halve
    // the picture in the same pass that copies it.
    Channel& ch = channels_[channel];
    int rc = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
    int beforeX = 0, beforeY = 0, beforeW = 0, beforeH = 0;
    if (!ch.open) {
        rc = 1;
    } else {
        pumpEventsLocked(false);
        if (ch.target && ch.target->gone()) {
            ch.target.reset();  // the window went away
            rc = 8;
        } else {
            // An X error since this channel last drew: our objects on the window are stale
            // (recreated under the same id, or shared memory broke). Rebuild them, as lost
            // surfaces are restored.
            if (ch.target && trap_->errorCount() != ch.target->errorMark()) {
                shmUsable_ = shmUsable_ && ch.target->shmUsable();
                ch.target.reset();
            }
            if (!ch.target) {
                ch.target = std::make_unique<WindowTarget>(display_, *trap_, ch.window, shmUsable_,
                                                           shmCompletionType_);
                if (!ch.target->attach()) {
                    ch.target.reset();
                    rc = 8;
                }
            }
        }
        if (rc == 0) {
            beforeX = ch.target->x();
            beforeY = ch.target->y();
            beforeW = ch.target->width();
            beforeH = ch.target->height();
            right = beforeW;
            bottom = beforeH;
            if (ch.hasRect) {
                left += kRectInsetSide;
                right -= kRectInsetSide;
                top += kRectInsetTop;
                bottom -= kRectInsetBottom;
            } else if (singleBuffer) {
                left += kSingleBufferInset;
                right -= kSingleBufferInset;
                top += kSingleBufferInset;
                bottom -= kSingleBufferInset;
            }
            if (right <= left || bottom <= top)
                rc = 8;
        }
    }

    PlaneSet halved{};
    const bool fused = rc == 0 && WindowTarget::halves(width_, height_, right - left, bottom - top);
    if (fused) {
        uint8_t* half[3];
        halved = ch.target->firstHalf(width_, height_, half);
        WindowTarget::copyAndHalvePlane(source.plane[0], source.stride[0], dstY, width_, height_,
                                        half[0], halved.width, halved.height);
        WindowTarget::copyAndHalvePlane(source.plane[1], source.stride[1], dstU, cw, chh, half[1],
                                        halved.width / 2, halved.height / 2);
        WindowTarget::copyAndHalvePlane(source.plane[2], source.stride[2], dstV, cw, chh, half[2],
                                        halved.width / 2, halved.height / 2);
    } else {
        copyPlane(dstY, source.plane[0], width_, height_, source.stride[0]);
        copyPlane(dstV, source.plane[2], cw, chh, source.stride[2]);
        copyPlane(dstU, source.plane[1], cw, chh, source.stride[1]);
    }
    if (rc != 0)
        return rc;

    PlaneSet picture{};
    picture.plane[0] = dstY;
    picture.plane[1] = dstU;
    picture.plane[2] = dstV;
    picture.stride[0] = width_;
    picture.stride[1] = picture.stride[2] = cw;
    picture.width = width_;
    picture.height = height_;
    auto pump = [this](bool sync) { pumpEventsLocked(sync); };
    if (!ch.target->put(picture, left, top, right - left, bottom - top, pump,
                        fused ? &halved : nullptr)) {
        shmUsable_ = shmUsable_ && ch.target->shmUsable();
        ch.target.reset();
        return 8;
    }
    shmUsable_ = shmUsable_ && ch.target->shmUsable();

    if (singleBuffer && ch.hasRect && mainWindow_ && beforeW > 0 && beforeH > 0) {
        pumpEventsLocked(false);
        if (ch.target && (ch.target->x() != beforeX || ch.target->y() != beforeY ||
                          ch.target->width() != beforeW || ch.target->height() != beforeH)) {
            // The window moved while we drew: let the main window repaint around it.
            XEvent expose{};
            expose.xexpose.type = Expose;
            expose.xexpose.window = mainWindow_;
            XSendEvent(display_, mainWindow_, False, ExposureMask, &expose);
            XFlush(display_);
        }
    }
    return 0;
}

int CDirectDrawVideoShow::showPlanes(int channel, const uint8_t* y, const uint8_t* u,
                                     const uint8_t* v) {
    if (!y || !u || !v)
        return 1;
    vantor::LockGuard guard(lock_);
    PlaneSet source{};
    source.plane[0] = y;
    source.plane[1] = u;
    source.plane[2] = v;
    source.stride[0] = width_;
    source.stride[1] = source.stride[2] = width_ / 2;
    source.width = width_;
    source.height = height_;
    int rc = drawLocked(channel, source, false);
    if (rc != 0)
        return rc;
    for (auto& slot : subs_) {
        if (slot.active && slot.display)
            slot.display->showPlanes(channel, y, u, v);
    }
    return 0;
}

int CDirectDrawVideoShow::showYV12(int channel, const uint8_t* buffer) {
    if (!buffer)
        return 1;
    vantor::LockGuard guard(lock_);
    const size_t lumaBytes = static_cast<size_t>(width_) * height_;
    const size_t chromaBytes = static_cast<size_t>(width_ / 2) * (height_ / 2);
    PlaneSet source{};
    source.plane[0] = buffer;
    source.plane[2] = buffer + lumaBytes;                // V follows Y in YV12
    source.plane[1] = buffer + lumaBytes + chromaBytes;  // then U
    source.stride[0] = width_;
    source.stride[1] = source.stride[2] = width_ / 2;
    source.width = width_;
    source.height = height_;
    return drawLocked(channel, source, true);
}

int CDirectDrawVideoShow::createSub(Window window, int* outIndex) {
    vantor::LockGuard guard(lock_);
    for (int i = 0; i < LUMENO_SUBDISPLAY_COUNT; ++i) {
        SubSlot& slot = subs_[i];
        if (slot.active)
            continue;
        if (!slot.display)
            slot.display = std::make_unique<CDirectDrawVideoShow>(width_, height_);
        if (slot.display->setUp(window) != 0)
            return -2;
        slot.active = true;
        slot.window = window;
        *outIndex = i;
        return 0;
    }
    return -2;
}

int CDirectDrawVideoShow::destroySub(int index) {
    if (index < 0 || index >= LUMENO_SUBDISPLAY_COUNT)
        return 0;
    std::unique_ptr<CDirectDrawVideoShow> doomed;
    {
        // Holding our lock excludes a mirrored draw: it runs entirely under this lock.
        vantor::LockGuard guard(lock_);
        SubSlot& slot = subs_[index];
        if (!slot.active)
            return 0;
        slot.active = false;
        slot.window = 0;
        doomed = std::move(slot.display);
    }
    doomed->closeChannel(0);
    doomed.reset();
    return 0;
}

int CDirectDrawVideoShow::startSub(int index, Window window, const LUMENO_RECT* rect) {
    if (index < 0 || index >= LUMENO_SUBDISPLAY_COUNT)
        return -2;
    vantor::LockGuard guard(lock_);
    SubSlot& slot = subs_[index];
    if (!slot.active || !slot.display)
        return -2;
    return slot.display->openChannel(0, window, rect) == 0 ? 0 : -2;
}

int CDirectDrawVideoShow::stopSub(int index) {
    if (index < 0 || index >= LUMENO_SUBDISPLAY_COUNT)
        return 0;
    vantor::LockGuard guard(lock_);
    SubSlot& slot = subs_[index];
    if (slot.active && slot.display)
        slot.display->closeChannel(0);
    return 0;
}

}  // namespace lumeno
