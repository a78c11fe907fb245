#include "DropDeviceOnPane.h"

#include <QCursor>
#include <QGuiApplication>

#include "CCDevInfo.h"
#include "CWvrInfo.h"
#include "PaneSource.h"

namespace vantor::client {

namespace {

// The wait cursor for the duration of a drop; starting streams can take a moment.
class WaitCursor {
  public:
    WaitCursor() : active_(qGuiApp != nullptr) {
        if (active_) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        }
    }
    ~WaitCursor() {
        if (active_) {
            QGuiApplication::restoreOverrideCursor();
        }
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    bool active_;
};

}  // namespace

int StartRecorderChannels(PaneSource& panes, CVideoPane* first, const ChannelStarter& start) {
    int started = 0;
    if (first != nullptr && start(0, first) != 0) {
        ++started;
    }
    for (int channel = 1; channel < kRecorderChannels; ++channel) {
        CVideoPane* pane = panes.FirstFree();
        if (pane != nullptr && start(channel, pane) != 0) {
            ++started;
        }
    }
    return started;
}

bool DropDeviceOnPane(PaneSource& panes, CCDevInfo& device, QPoint screen_point, QObject* owner) {
    WaitCursor wait;
    CVideoPane* pane = panes.PaneAt(screen_point);
    if (pane == nullptr) {
        return false;
    }
    device.owner = owner;
    switch (device.kind()) {
        case kKindCamera:
        case kKindSwitch:
        case kKindAlarmCamera:
        case kKindDoorBell:
        case kKindNoPtzCamera:
            return device.StartVideo(pane, device.identity.video_mode, 0) != 0;
        case kKindRecorder:
            if (auto* recorder = dynamic_cast<CWvrInfo*>(&device)) {
                // Clicks on a channel's pane talk to the channel's owner.
                for (int k = 0; k < kRecorderChannels; ++k) {
                    if (CCDevInfo* ch = recorder->Channel(k); ch != nullptr && !ch->owner) {
                        ch->owner = owner;
                    }
                }
                StartRecorderChannels(panes, pane, [recorder](int channel, CVideoPane* p) {
                    return recorder->StartChannelVideo(channel, p);
                });
            }
            return true;
        default:
            return true;
    }
}

}  // namespace vantor::client
