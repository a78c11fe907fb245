#include "DeviceLibrary.h"

#include <atomic>

#include "darvel.h"
#include "morsk.h"

namespace vantor::client {

namespace {

class CameraLibrary final : public IDeviceLibrary {
  public:
    int Init() override {
        const int r = device_net_work_init(nullptr);
        device_net_work_NetworkDetect();
        return r;
    }
    int DeInit() override { return device_net_work_deInit(); }
    int Create(const DeviceConnectInfo& info, int mode) override {
        return device_net_work_createInstance(info, mode);
    }
    int SetCallbacks(int h, const DeviceCallbacks& cb) override {
        device_net_work_set_event_callback(h, cb.on_event, cb.base_context);
        device_net_work_set_p2pmode_callback(h, cb.on_p2p_mode, cb.base_context);
        device_net_work_set_alarmMessage_callback(h, cb.on_alarm, cb.base_context);
        return device_net_work_param_callback(h, cb.on_param_data, cb.on_param_result,
                                              cb.device_context);
    }
    int Start(int h) override { return device_net_work_start(h); }
    int StartBattery(int h) override { return device_net_work_startBat(h); }
    int Stop(int h) override { return device_net_work_stop(h); }
    int Destroy(int h) override { return device_net_work_destroyInstance(h); }
    int GetParam(int h, int type) override { return device_net_work_get_param(h, type); }
    int GetParamEx(int h, int type, const void* record, int size) override {
        return device_net_work_GetParamEx(h, type, record, size);
    }
    int SetParam(int h, int type, const void* record, int size) override {
        return device_net_work_set_param(h, type, record, size);
    }
    int Ptz(int h, int command, int /*channel*/) override {
        return device_net_work_ptz(h, command);
    }
    int StartStream(int h, int stream_id, int sub_stream, int /*channel*/, FrameCallback cb,
                    void* user) override {
        return device_net_work_startStreamV2(h, stream_id, sub_stream, cb, user);
    }
    int StopStream(int h, int /*channel*/) override { return device_net_work_stopStream(h); }
    int StartAudio(int h, int stream_id, int /*channel*/, FrameCallback cb, void* user) override {
        return device_net_work_startAudio(h, stream_id, cb, user);
    }
    int StopAudio(int h, int /*channel*/) override { return device_net_work_stopAudio(h); }
    int StartTalk(int h) override { return device_net_work_startTalk(h); }
    int StopTalk(int h) override { return device_net_work_stopTalk(h); }
    int SendTalkData(int h, int /*channel*/, const char* data, int length) override {
        return device_net_work_sendTalkData(h, data, length);
    }
};

class NasLibrary final : public IDeviceLibrary {
  public:
    int Init() override {
        const int r = nas_net_work_init(nullptr);
        nas_net_work_NetworkDetect();
        return r;
    }
    int DeInit() override { return nas_net_work_deInit(); }
    int Create(const DeviceConnectInfo& info, int mode) override {
        return nas_net_work_createInstance(info, mode);
    }
    int SetCallbacks(int h, const DeviceCallbacks& cb) override {
        nas_net_work_set_event_callback(h, cb.on_event, cb.base_context);
        nas_net_work_set_p2pmode_callback(h, cb.on_p2p_mode, cb.base_context);
        nas_net_work_set_alarmMessage_callback(h, cb.on_nas_alarm, cb.base_context);
        return nas_net_work_param_callback(h, cb.on_param_data, cb.on_param_result,
                                           cb.device_context);
    }
    int Start(int h) override { return nas_net_work_start(h); }
    int Stop(int h) override { return nas_net_work_stop(h); }
    int Destroy(int h) override { return nas_net_work_destroyInstance(h); }
    int GetParam(int h, int type) override { return nas_net_work_get_param(h, type); }
    int GetParamEx(int h, int type, const void* record, int size) override {
        return nas_net_work_device_GetParamEx(h, type, record, size);
    }
    int SetParam(int h, int type, const void* record, int size) override {
        return nas_net_work_set_param(h, type, record, size);
    }
    int Ptz(int h, int command, int channel) override {
        return nas_net_work_ptz(h, command, channel);
    }
    int StartStream(int h, int stream_id, int /*sub_stream*/, int channel, FrameCallback cb,
                    void* user) override {
        return nas_net_work_startStream(h, stream_id, channel, cb, user);
    }
    int StopStream(int h, int channel) override { return nas_net_work_stopStream(h, channel); }
    int StartAudio(int h, int stream_id, int channel, FrameCallback cb, void* user) override {
        return nas_net_work_startAudio(h, stream_id, channel, cb, user);
    }
    int StopAudio(int h, int channel) override { return nas_net_work_stopAudio(h, channel); }
    int StartTalk(int h) override { return nas_net_work_startTalk(h); }
    int StopTalk(int h) override { return nas_net_work_stopTalk(h); }
    int SendTalkData(int h, int channel, const char* data, int length) override {
        return nas_net_work_sendTalkData(h, channel, data, length);
    }
};

CameraLibrary g_camera;
NasLibrary g_nas;
std::atomic<IDeviceLibrary*> g_camera_override{nullptr};
std::atomic<IDeviceLibrary*> g_nas_override{nullptr};

}  // namespace

IDeviceLibrary& DeviceLibraries::Camera() {
    IDeviceLibrary* o = g_camera_override.load();
    return o ? *o : g_camera;
}

IDeviceLibrary& DeviceLibraries::Nas() {
    IDeviceLibrary* o = g_nas_override.load();
    return o ? *o : g_nas;
}

void DeviceLibraries::Override(IDeviceLibrary* camera, IDeviceLibrary* nas) {
    g_camera_override.store(camera);
    g_nas_override.store(nas);
}

}  // namespace vantor::client
