// The drawing target of a play instance: a Lumeno display object for the current window and
// picture size, remade when either changes. Pictures are packed YUV 4:2:0 of even size.
// Thread: the owning player's present lock is held for every call.
#pragma once

#include <cstdint>

#include "lumeno.h"

namespace tarsil {

class PictureView {
  public:
    ~PictureView();
    void setWindow(unsigned long window);
    unsigned long window() const { return window_; }
    // Lumeno's result (0 drawn); 1 when there is no window.
    int show(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, int height);

  private:
    void release();

    LUMENO_HANDLE display_ = nullptr;
    // Set when no display could be made for this window and size: not retried for every
    // picture (each try opens an X connection), only after setWindow() or a new size.
    bool initFailed_ = false;
    unsigned long window_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace tarsil
