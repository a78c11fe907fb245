// A WVR recorder: a container of four NAS channel objects. The recorder itself never opens a
// library instance; connecting it connects its channels, each with a copy of the recorder's
// identity. Its own state stays offline: views show channel 0's.
//
// Thread: user-interface thread. Owns the channels; destroying the recorder disconnects and
// destroys them first.
#pragma once

#include <array>
#include <memory>

#include "CCDevInfo.h"
#include "CNasInfo.h"

namespace vantor::client {

class CWvrInfo final : public CCDevInfo {
  public:
    CWvrInfo();
    ~CWvrInfo() override;

    void ConnectChannels();
    void DisconnectChannels();
    int StartChannelVideo(int channel, CVideoPane* pane);

    // A recorder connects through its channels: going through the camera library with the
    // recorder's own identity would open a session of the wrong protocol.
    int Connect() override;
    int Disconnect() override;
    void Reconnect(bool was_playing, CVideoPane* pane) override;

    CNasInfo* Channel(int k) const;  // nullptr outside 0-3

  private:
    std::array<std::unique_ptr<CNasInfo>, CNasInfo::kChannelCount> channels_;
};

}  // namespace vantor::client
