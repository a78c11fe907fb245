// One display object: an X connection, four YV12 picture surfaces, the 16-entry channel table
// and five sub-display slots. The exported LUMENO_* functions are thin calls into it.
//
// Fields are guarded by lock_ unless marked immutable. Lock order: a parent's lock_ before a
// sub-display's lock_ (mirroring and sub-display teardown take them in that order).
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "CriticalLock.h"
#include "WindowTarget.h"
#include "XErrorTrap.h"
#include "lumeno.h"

namespace lumeno {

class CDirectDrawVideoShow {
  public:
    CDirectDrawVideoShow(int width, int height);
    virtual ~CDirectDrawVideoShow();
    CDirectDrawVideoShow(const CDirectDrawVideoShow&) = delete;
    CDirectDrawVideoShow& operator=(const CDirectDrawVideoShow&) = delete;

    // Builds the connection and surfaces for mainWindow: 0 or a set-up code 2..7, in which case
    // everything made so far is released again.
    int setUp(Window mainWindow);
    void reset(Window window);

    int openChannel(int channel, Window window, const LUMENO_RECT* rect);
    int closeChannel(int channel);
    int getChannel(int channel);

    int showPlanes(int channel, const uint8_t* y, const uint8_t* u, const uint8_t* v);
    int showYV12(int channel, const uint8_t* buffer);

    int createSub(Window window, int* outIndex);
    int destroySub(int index);
    int startSub(int index, Window window, const LUMENO_RECT* rect);
    int stopSub(int index);

  private:
    struct Channel {
        int number = 0;
        bool open = false;
        Window window = 0;
        bool hasRect = false;
        LUMENO_RECT rect{0, 0, 0, 0};
        std::unique_ptr<WindowTarget> target;  // made at the first draw
    };
    struct SubSlot {
        bool active = false;
        Window window = 0;
        std::unique_ptr<CDirectDrawVideoShow> display;
    };

    void tearDownLocked();
    int openChannelLocked(int channel, Window window, const LUMENO_RECT* rect, bool hasRect);
    // Copies the picture into the surface and puts it on the channel's window.
    int drawLocked(int channel, const PlaneSet& source, bool singleBuffer);
    // Routes the connection's events to the channels' targets; see WindowTarget::Pump.
    void pumpEventsLocked(bool sync);
    static void trace(int channel, Window window);

    const int width_;   // immutable
    const int height_;  // immutable

    vantor::CriticalLock lock_;
    Display* display_ = nullptr;
    std::unique_ptr<XErrorTrap> trap_;
    Window mainWindow_ = 0;
    GC mainGc_ = nullptr;
    bool shmUsable_ = false;
    int shmCompletionType_ = -1;  // event type of MIT-SHM put completions
    std::array<std::vector<uint8_t>, LUMENO_SURFACE_COUNT> surfaces_;  // empty: no surface
    std::array<Channel, LUMENO_CHANNEL_COUNT> channels_;
    std::array<SubSlot, LUMENO_SUBDISPLAY_COUNT> subs_;
};

}  // namespace lumeno
