// Fakes for the live view tests: a device object that records its video starts and stops, and
// plain panes for logic that needs no window.
#pragma once

#include <string>
#include <vector>

#include "CCDevInfo.h"
#include "CVideoPane.h"
#include "PaneSource.h"

namespace vantor::client::test {

class FakeDevice : public CCDevInfo {
  public:
    struct Start {
        CVideoPane* pane;
        int video_mode;
        int channel;
    };

    explicit FakeDevice(int32_t kind = kKindCamera, bool online = true) : CCDevInfo(kind) {
        SetOnline(online);
    }
    ~FakeDevice() override {
        if (pane != nullptr && video_running) {
            pane->SetBoundDevice(nullptr);
        }
    }

    void SetOnline(bool online) { state_ = online ? kStateOnline : kStateOffline; }

    // Like the media session: an offline device answers 0 and binds nothing.
    int StartVideo(CVideoPane* target, int video_mode, int channel) override {
        starts.push_back({target, video_mode, channel});
        if (!IsOnline()) {
            return 0;
        }
        pane = target;
        video_running = 1;
        target->SetBoundDevice(this);
        return 1;
    }
    int StopVideo(int channel) override {
        stops.push_back(channel);
        if (pane != nullptr) {
            pane->SetBoundDevice(nullptr);
        }
        pane = nullptr;
        video_running = 0;
        return 1;
    }

    std::vector<Start> starts;
    std::vector<int> stops;
};

// A pane without a window: only its binding matters.
class FakePane : public CVideoPane {
  public:
    unsigned long NativeWindowId() override { return 0; }
    void SetBoundDevice(CCDevInfo* device) override { bound = device; }
    CCDevInfo* BoundDevice() const override { return bound; }
    void SetRecordingIndicator(int32_t) override {}
    std::string RecordingText() const override { return {}; }
    void Repaint() override {}
    void RepaintParent() override {}
    void ClearBackground() override {}

    bool playing = false;
    CCDevInfo* bound = nullptr;
};

// A row of fake panes; PaneAt answers the pane chosen by `hit` (or none).
class FakePaneSource : public PaneSource {
  public:
    explicit FakePaneSource(int count) : panes(static_cast<size_t>(count)) {}

    CVideoPane* PaneAt(QPoint) override {
        return hit >= 0 && hit < static_cast<int>(panes.size()) && !panes[hit].playing ? &panes[hit]
                                                                                       : nullptr;
    }
    CVideoPane* FirstFree() override {
        for (FakePane& p : panes) {
            if (!p.playing) {
                return &p;
            }
        }
        return nullptr;
    }
    int IndexOf(const CVideoPane* pane) const {
        for (size_t k = 0; k < panes.size(); ++k) {
            if (&panes[k] == pane) {
                return static_cast<int>(k);
            }
        }
        return -1;
    }

    std::vector<FakePane> panes;
    int hit = -1;
};

}  // namespace vantor::client::test
