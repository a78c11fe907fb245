// One channel of a WVR recorder: a device object bound to the NAS library with its own
// instance. Kind 1; the channel index travels with PTZ, stream and 8479 requests.
#pragma once

#include "CCDevInfo.h"

namespace vantor::client {

class CNasInfo final : public CCDevInfo {
  public:
    static constexpr int kChannelCount = 4;

    explicit CNasInfo(int channel) : CCDevInfo(kKindRecorder), channel_(channel) {}
    ~CNasInfo() override;

    int Connect() override;     // NAS library, no device ID rewriting
    int Disconnect() override;  // stops the channel's video, then the instance
    int ChannelIndex() const override { return channel_; }

  private:
    const int channel_;
};

}  // namespace vantor::client
