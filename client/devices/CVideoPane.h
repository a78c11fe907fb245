// What a device object needs from the pane that shows its live video. The pane widget of the
// live view implements it; tests use a plain fake. Kept free of widget types so the device
// model builds and tests without a display.
//
// Threads: everything on the user-interface thread, except BoundDevice and RecordingText,
// which the stream callback also calls from a library thread (implementations keep the bound
// device and the recording indicator in atomics).
// Ownership: the pane grid owns panes; a device only points at the pane it is bound to, and
// the link is cleared by the device's StopVideo before either side goes away.
#pragma once

#include <cstdint>
#include <string>

namespace vantor::client {

class CCDevInfo;

class CVideoPane {
  public:
    virtual ~CVideoPane() = default;

    // Native window the player draws into (an X11 window id); 0 when the pane has none.
    virtual unsigned long NativeWindowId() = 0;

    // Set by StartVideo, cleared (nullptr) by StopVideo.
    virtual void SetBoundDevice(CCDevInfo* device) = 0;
    virtual CCDevInfo* BoundDevice() const = 0;

    // Copy of the bound device's recording flag (nonzero while local recording runs).
    virtual void SetRecordingIndicator(int32_t value) = 0;
    // ". REC" while the bound device plays, is online and records; empty otherwise.
    virtual std::string RecordingText() const = 0;

    virtual void Repaint() = 0;          // invalidate the pane with erase
    virtual void RepaintParent() = 0;    // the grid draws the indicator in one display mode
    virtual void ClearBackground() = 0;  // fill with the pane's background colour now
};

}  // namespace vantor::client
