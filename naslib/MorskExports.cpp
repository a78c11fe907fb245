// The exported C interface of morsk: thin wrappers over the registry and the sessions.
#include <memory>

#include "LockGuard.h"
#include "NasBroadcastSearch.h"
#include "NasInstanceRegistry.h"
#include "PPPP_API.h"
#include "morsk.h"

using vantor::CAPNas;
using vantor::LockGuard;
using vantor::NasInstanceRegistry;

namespace {

CAPNas* find(int instance) {
    return NasInstanceRegistry::Instance().Find(instance);
}

// The one search object of the library; guarded by the registry's lock B.
std::unique_ptr<vantor::NasBroadcastSearch>& searchObject() {
    static std::unique_ptr<vantor::NasBroadcastSearch> search;
    return search;
}

}  // namespace

extern "C" {

MORSK_EXPORT int nas_net_work_init(const char* initString) {
    return NasInstanceRegistry::Instance().Init(initString);
}

MORSK_EXPORT int nas_net_work_deInit(void) {
    return NasInstanceRegistry::Instance().DeInit();
}

MORSK_EXPORT int nas_net_work_NetworkDetect(void) {
    st_PPPP_NetInfo info{};
    PPPP_NetworkDetect(&info, 0);
    return 1;
}

MORSK_EXPORT int nas_net_work_GetAPIVersion(void) {
    return MORSK_API_VERSION;
}

MORSK_EXPORT int nas_net_work_GetP2PVersion(void) {
    return static_cast<int>(PPPP_GetAPIVersion());
}

MORSK_EXPORT int nas_net_work_createInstance(DeviceConnectInfo info, int kind) {
    return NasInstanceRegistry::Instance().Create(info, kind);
}

MORSK_EXPORT int nas_net_work_destroyInstance(int instance) {
    return NasInstanceRegistry::Instance().Destroy(instance);
}

MORSK_EXPORT int nas_net_work_start(int instance) {
    CAPNas* s = find(instance);
    if (s == nullptr)
        return MORSK_ERR_BAD_ID;
    s->Start();
    return 1;
}

MORSK_EXPORT int nas_net_work_stop(int instance) {
    CAPNas* s = find(instance);
    if (s == nullptr)
        return MORSK_ERR_BAD_ID;
    s->Stop();
    return 1;
}

MORSK_EXPORT int nas_net_work_set_event_callback(int instance, MorskEventCallback cb, void* user) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SetEventCallback(cb, user);
}

MORSK_EXPORT int nas_net_work_set_p2pmode_callback(int instance, MorskP2pModeCallback cb,
                                                   void* user) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SetP2pModeCallback(cb, user);
}

MORSK_EXPORT int nas_net_work_set_alarmMessage_callback(int instance, MorskAlarmCallback cb,
                                                        void* user) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SetAlarmMessageCallback(cb, user);
}

MORSK_EXPORT int nas_net_work_param_callback(int instance, MorskParamRecordCallback recordCb,
                                             MorskParamResultCallback resultCb, void* user) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SetParamCallback(recordCb, resultCb, user);
}

MORSK_EXPORT int nas_net_work_set_param(int instance, int type, const void* record, int size) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SetParam(type, record, size);
}

MORSK_EXPORT int nas_net_work_device_GetParamEx(int instance, int type, const void* record,
                                                int size) {
    return nas_net_work_set_param(instance, type, record, size);
}

MORSK_EXPORT int nas_net_work_get_param(int instance, int type) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->GetParam(type);
}

MORSK_EXPORT int nas_net_work_ptz(int instance, int command, int channel) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->Ptz(channel, command);
}

MORSK_EXPORT int nas_net_work_startStream(int instance, int streamid, int channel,
                                          MorskFrameCallback cb, void* user) {
    CAPNas* s = find(instance);
    if (s == nullptr)
        return MORSK_ERR_BAD_ID;
    if (s->SetVideoCallback(cb, user) <= 0)
        return 0;
    return s->StartStream(streamid + vantor::kNasStreamOffset, channel) > 0 ? 1 : 0;
}

MORSK_EXPORT int nas_net_work_stopStream(int instance, int channel) {
    CAPNas* s = find(instance);
    if (s == nullptr)
        return MORSK_ERR_BAD_ID;
    return s->StopStream(channel) > 0 ? 1 : 0;
}

MORSK_EXPORT int nas_net_work_startAudio(int instance, int streamid, int channel,
                                         MorskFrameCallback cb, void* user) {
    CAPNas* s = find(instance);
    if (s == nullptr)
        return MORSK_ERR_BAD_ID;
    if (s->SetAudioCallback(cb, user) <= 0)
        return 0;
    return s->StartAudio(streamid, channel) > 0 ? 1 : 0;
}

MORSK_EXPORT int nas_net_work_stopAudio(int instance, int channel) {
    CAPNas* s = find(instance);
    if (s == nullptr)
        return MORSK_ERR_BAD_ID;
    return s->StopAudio(channel) > 0 ? 1 : 0;
}

MORSK_EXPORT int nas_net_work_startTalk(int instance) {
    return find(instance) == nullptr ? MORSK_ERR_BAD_ID : 0;
}

MORSK_EXPORT int nas_net_work_stopTalk(int instance) {
    return find(instance) == nullptr ? MORSK_ERR_BAD_ID : 0;
}

MORSK_EXPORT int nas_net_work_sendTalkData(int instance, int channel, const char* data,
                                           int length) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SendTalkData(channel, data, length);
}

MORSK_EXPORT int nas_record_file_callback(int instance, MorskRecordFileCallback cb, void* user) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SetRecordFileCallback(cb, user);
}

MORSK_EXPORT int nas_record_file_search(int instance, const NasRecordSearch* request) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SearchRecordFile(request);
}

MORSK_EXPORT int nas_record_data_callback(int instance, MorskFrameCallback cb, void* user) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->SetRecordDataCallback(cb, user);
}

MORSK_EXPORT int nas_record_playback_control(int instance, const NasPlayback* request) {
    CAPNas* s = find(instance);
    return s == nullptr ? MORSK_ERR_BAD_ID : s->PlaybackControl(request);
}

MORSK_EXPORT int nas_net_work_set_channel_param(void) {
    return 0;
}
MORSK_EXPORT int nas_net_work_get_channel_param(void) {
    return 0;
}
MORSK_EXPORT int nas_net_work_channel_param_callback(void) {
    return 0;
}

MORSK_EXPORT int nas_broadcast_Initialization(void) {
    LockGuard b(NasInstanceRegistry::Instance().lockB());
    auto& search = searchObject();
    if (!search)
        search.reset(new (std::nothrow) vantor::NasBroadcastSearch(MORSK_SEARCH_PORT));
    return search ? search->Open() : 0;
}

MORSK_EXPORT int nas_broadcast_search(MorskSearchCallback cb, void* user) {
    LockGuard b(NasInstanceRegistry::Instance().lockB());
    auto& search = searchObject();
    return search ? search->Search(cb, user) : 0;
}

MORSK_EXPORT int nas_broadcast_unInitialization(void) {
    LockGuard b(NasInstanceRegistry::Instance().lockB());
    searchObject().reset();
    return 1;
}

}  // extern "C"
