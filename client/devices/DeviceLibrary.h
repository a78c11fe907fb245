// The calls a device object makes into its network library, behind one interface so that the
// camera library (darvel) and the NAS library (morsk) look alike to the device model, and so
// that tests can record what a device sends.
//
// Thread: as the wrapped library (any thread; callbacks arrive on library threads). Results are
// the library's own. Ownership: the libraries are process-wide; DeviceLibraries::Current()
// returns the pair in use, which tests may replace before creating devices.
#pragma once

#include <cstdint>

#include "DeviceConnectInfo.h"

namespace vantor::client {

// Media frame callback of both libraries: one frame (32-byte media head, then data), valid
// during the call only, on a library thread.
using FrameCallback = void (*)(const char* frame, int length, void* user);

struct DeviceCallbacks {
    void (*on_event)(int event, void* base);
    void (*on_p2p_mode)(int code, void* base);
    void (*on_alarm)(int alarm_code, void* base);                   // camera library form
    void (*on_nas_alarm)(int channel, int alarm_code, void* base);  // NAS library form
    void (*on_param_data)(int type, const char* record, int length, void* device);
    void (*on_param_result)(int type, int result, void* device);
    void* base_context;
    void* device_context;
};

class IDeviceLibrary {
  public:
    virtual ~IDeviceLibrary() = default;
    virtual int Init() = 0;
    virtual int DeInit() = 0;
    virtual int Create(const DeviceConnectInfo& info, int connection_mode) = 0;
    virtual int SetCallbacks(int handle, const DeviceCallbacks& callbacks) = 0;
    virtual int Start(int handle) = 0;
    // A battery device's connect (three racing wake-up attempts); libraries without one start
    // normally.
    virtual int StartBattery(int handle) { return Start(handle); }
    virtual int Stop(int handle) = 0;
    virtual int Destroy(int handle) = 0;
    virtual int GetParam(int handle, int type) = 0;
    virtual int GetParamEx(int handle, int type, const void* record, int size) = 0;
    virtual int SetParam(int handle, int type, const void* record, int size) = 0;
    virtual int Ptz(int handle, int command, int channel) = 0;

    // Live media. The camera library takes stream id and sub-stream and ignores the channel;
    // the NAS library takes stream id and channel and ignores the sub-stream. A frame callback
    // may still be running, or start once more, after StopStream/StopAudio return: callers
    // must not free what the callback's user value reaches until the instance is stopped.
    virtual int StartStream(int handle, int stream_id, int sub_stream, int channel,
                            FrameCallback callback, void* user) = 0;
    virtual int StopStream(int handle, int channel) = 0;
    virtual int StartAudio(int handle, int stream_id, int channel, FrameCallback callback,
                           void* user) = 0;
    virtual int StopAudio(int handle, int channel) = 0;
    virtual int StartTalk(int handle) = 0;
    virtual int StopTalk(int handle) = 0;
    // One coded talk block, on the player's capture thread; the camera library ignores channel.
    virtual int SendTalkData(int handle, int channel, const char* data, int length) = 0;
};

class DeviceLibraries {
  public:
    static IDeviceLibrary& Camera();
    static IDeviceLibrary& Nas();
    // Replaces the pair (nullptr restores the real libraries). Call before devices exist.
    static void Override(IDeviceLibrary* camera, IDeviceLibrary* nas);
};

}  // namespace vantor::client
