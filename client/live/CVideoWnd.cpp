#include "CVideoWnd.h"

#include "CCDevInfo.h"

namespace vantor::client {

bool CVideoWnd::IsPlaying() const {
    const CCDevInfo* dev = BoundDevice();
    return dev != nullptr && dev->video_running != 0;
}

bool CVideoWnd::IsOnline() const {
    const CCDevInfo* dev = BoundDevice();
    return dev != nullptr && dev->IsOnline();
}

std::string CVideoWnd::RecordingText() const {
    if (IsPlaying() && IsOnline() && recording_indicator() != 0) {
        return kRecordingText;
    }
    return {};
}

}  // namespace vantor::client
