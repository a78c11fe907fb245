// What a session (P2P or HTTP) needs from the device it belongs to. SimDevice implements it;
// tests may implement it with a fixture.
// Thread: every member may be called from any session thread.
#pragma once

#include <memory>
#include <string>

#include "CgiHandler.h"
#include "DeviceFaults.h"
#include "DeviceProfile.h"
#include "VideoLoop.h"

namespace devsim {

class DeviceContext {
  public:
    virtual ~DeviceContext() = default;
    virtual const DeviceProfile& profile() const = 0;
    virtual CgiHandler& handler() = 0;
    virtual DeviceFaults& faults() = 0;
    // Main stream for substream 0, the sub-stream otherwise; nullptr without an encoder.
    virtual std::shared_ptr<const VideoLoop> loop(int substream) = 0;
    // Recorders: the live picture of one camera channel; others have only loop(0).
    virtual std::shared_ptr<const VideoLoop> channelLoop(int channel) {
        (void)channel;
        return loop(0);
    }
    // The picture of a stream or playback answer: a recorder channel, else the substream.
    std::shared_ptr<const VideoLoop> loopFor(const CgiAnswer& a) {
        return a.channel >= 0 ? channelLoop(a.channel) : loop(a.substream);
    }
    // Called after the answer to reboot.cgi (or a confirmed upgrade) went out.
    virtual void requestReboot() = 0;
    // Every talk block received (data without its head).
    virtual void talkReceived(const char* data, size_t n) = 0;
};

}  // namespace devsim
