// The concrete pane the grid creates: answers the device-dependent queries of CPlayerBase
// from the bound device, and clears itself whenever it is drawn while idle.
//
// Thread: as CPlayerBase; RecordingText may run on the stream thread.
#pragma once

#include "CPlayerBase.h"

namespace vantor::client {

class CVideoWnd : public CPlayerBase {
  public:
    static constexpr const char* kRecordingText = ". REC";

    explicit CVideoWnd(QWidget* parent = nullptr) : CPlayerBase(parent) {}

    // A bound device whose video runs.
    bool IsPlaying() const override;
    // A bound device in connection state 0.
    bool IsOnline() const override;
    void EraseVideo() override { ClearBackground(); }
    // ". REC" while playing, online and recording; empty otherwise, so the indicator goes
    // away with a device that drops off line.
    std::string RecordingText() const override;
};

}  // namespace vantor::client
