// A video pane: the native child window the player library draws one device's live video into.
// The pane draws nothing while video runs; idle, it shows its background colour. Clicks select
// it and ask the owner window to show or hide the control panel; a double-click maximises it
// in its grid or leaves full screen.
//
// Thread: user-interface thread, except BoundDevice and RecordingText, which the stream
// callback also reads from a library thread (both fields are atomics).
// Ownership: the grid (CPlayerContainer) creates and owns panes. The bound device is set and
// cleared only by that device's StartVideo / StopVideo; the device outlives the binding.
#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <string>

#include "CVideoPane.h"

namespace vantor::client {

class CCDevInfo;
class CPlayerContainer;

class CPlayerBase : public QWidget, public CVideoPane {
  public:
    static constexpr int kFirstPaneId = 1001;  // control identifier of pane 0
    static constexpr int kNativeWidth = 704;
    static constexpr int kNativeHeight = 576;
    static constexpr unsigned kMsgClearBackground = 0x8159;  // private: clear now
    // The owner's control panel is placed from a point this far above the click.
    static constexpr int kPanelAnchorLiftPx = 50;

    explicit CPlayerBase(QWidget* parent = nullptr);
    ~CPlayerBase() override;

    // The process-wide selected pane (at most one); nullptr when none. A destroyed pane
    // clears the selection.
    static CPlayerBase* Selected();
    static void SetSelected(CPlayerBase* pane);

    // Where hide requests that concern no device go (the application's main window).
    static void SetMainWindow(QObject* main_window);
    static QObject* MainWindow();

    virtual bool IsPlaying() const { return false; }
    virtual bool IsOnline() const { return false; }
    // Stops the bound device's video when it runs; 1.
    virtual int StopPaneVideo();
    // Native size of the picture the pane is meant for: 704 x 576. Either pointer may be null.
    virtual void GetNativeSize(int* width, int* height) const;
    // Stores the control-panel anchor on the bound device and asks its owner to show or hide
    // the panel, as the panel toggle says. `screen_point` is already lifted.
    virtual void NotifyClick(QPoint screen_point);
    // Called while idle when the pane needs drawing; the base draws nothing.
    virtual void EraseVideo() {}

    // CVideoPane
    unsigned long NativeWindowId() override;
    void SetBoundDevice(CCDevInfo* device) override;
    CCDevInfo* BoundDevice() const override { return bound_device_.load(); }
    void SetRecordingIndicator(int32_t value) override { recording_indicator_.store(value); }
    std::string RecordingText() const override { return {}; }
    void Repaint() override;
    void RepaintParent() override;
    // Fills the pane's native window with the background colour (X11); nothing elsewhere.
    void ClearBackground() override;

    void SetGrid(CPlayerContainer* grid) { grid_ = grid; }
    CPlayerContainer* grid() const { return grid_; }
    void SetBackgroundColour(uint32_t rgb) { background_rgb_ = rgb & 0xFFFFFFu; }
    uint32_t background_colour() const { return background_rgb_; }
    int32_t panel_toggle() const { return panel_toggle_; }
    int32_t recording_indicator() const { return recording_indicator_.load(); }
    // Index in the grid from the control identifier; -1 when the name is not one.
    int Index() const;
    // True when the native window existed once and has been destroyed since.
    bool WindowGone() const { return had_window_ && internalWinId() == 0; }

  protected:
    QPaintEngine* paintEngine() const override { return nullptr; }
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    void PostHideForDevice();

    // Owner thread only.
    CPlayerContainer* grid_ = nullptr;
    int32_t panel_toggle_ = 0;
    uint32_t background_rgb_ = 0;  // 0x00RRGGBB
    bool had_window_ = false;
    // Also read by the stream thread.
    std::atomic<CCDevInfo*> bound_device_{nullptr};
    std::atomic<int32_t> recording_indicator_{0};
};

}  // namespace vantor::client
