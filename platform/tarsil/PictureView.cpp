#include "PictureView.h"

namespace tarsil {

PictureView::~PictureView() {
    release();
}

void PictureView::release() {
    if (display_)
        LUMENO_ReleaseObject(display_);
    display_ = nullptr;
    width_ = height_ = 0;
}

void PictureView::setWindow(unsigned long window) {
    if (window == window_)
        return;
    release();
    window_ = window;
    initFailed_ = false;
}

int PictureView::show(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, int height) {
    if (window_ == 0)
        return 1;
    if (!display_ || width != width_ || height != height_) {
        if (initFailed_ && width == width_ && height == height_)
            return 9;
        release();
        width_ = width;
        height_ = height;
        if (LUMENO_InitObject(&display_, width, height, window_) != 0) {
            display_ = nullptr;
            initFailed_ = true;
            return 9;
        }
        initFailed_ = false;
        LUMENO_OpenChannel(display_, 0, window_, nullptr);
    }
    int rc = LUMENO_ShowImage(display_, 0, y, u, v);
    // Lost surfaces (9): build a fresh display at the next picture.
    if (rc == 9)
        release();
    return rc;
}

}  // namespace tarsil
