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
    int Disconnect() override;  // stops the channel's media, then the instance
    // The channel's live stream (stream id = stream choice, with the channel) into the pane;
    // no start-up OSD request and no auto-recording. 0 unless online with an instance.
    int StartVideo(CVideoPane* pane, int stream_choice, int channel) override;
    int StopVideo(int channel) override;
    int ChannelIndex() const override { return channel_; }

  private:
    const int channel_;
};

}  // namespace vantor::client
