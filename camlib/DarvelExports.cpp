// The C face of the camera library: every export checks the user id, then forwards to the
// session. Contract: include/darvel.h.
#include <cstring>
#include <new>

#include "CAPCamera.h"
#include "DebugOut.h"
#include "InstanceRegistry.h"
#include "LanSearcher.h"
#include "LockGuard.h"
#include "PPPP_API.h"
#include "darvel.h"

using vantor::CAPCamera;
using vantor::InstanceRegistry;

namespace {

CAPCamera* Find(int userId) {
    return InstanceRegistry::Instance().Find(userId);
}

template <size_t N>
void CopyText(char (&field)[N], const char* text) {
    if (text != nullptr) {
        strncpy(field, text, N - 1);
        field[N - 1] = '\0';
    }
}

// The one search object of the library; created, used and destroyed under searchLock.
vantor::CriticalLock searchLock;
vantor::LanSearcher* searcher = nullptr;

}  // namespace

#define DARVEL_SESSION_OR_BAD_ID(id) \
    CAPCamera* cam = Find(id);       \
    if (cam == nullptr) {            \
        return DARVEL_ERR_BAD_ID;    \
    }

extern "C" {

DARVEL_EXPORT int device_net_work_init(const char* initString) {
    return InstanceRegistry::Instance().Init(initString);
}

DARVEL_EXPORT int device_net_work_deInit(void) {
    return InstanceRegistry::Instance().DeInit();
}

DARVEL_EXPORT int device_net_work_NetworkDetect(void) {
    st_PPPP_NetInfo info;
    memset(&info, 0, sizeof(info));
    PPPP_NetworkDetect(&info, 0);
    return 1;
}

DARVEL_EXPORT int device_net_work_GetAPIVersion(void) {
    return DARVEL_API_VERSION;
}

DARVEL_EXPORT int device_net_work_GetP2PVersion(void) {
    return static_cast<int>(PPPP_GetAPIVersion());
}

DARVEL_EXPORT int device_net_work_createInstance(DeviceConnectInfo info, int kind) {
    return InstanceRegistry::Instance().Create(info, kind);
}

DARVEL_EXPORT int device_net_work_createInstanceEx(const char* user, const char* password,
                                                   const char* deviceId, const char* host, int port,
                                                   int kind) {
    DeviceConnectInfo info;
    memset(&info, 0, sizeof(info));
    CopyText(info.user, user);
    CopyText(info.password, password);
    CopyText(info.deviceId, deviceId);
    CopyText(info.host, host);
    info.port = port;
    return device_net_work_createInstance(info, kind);
}

DARVEL_EXPORT int device_net_work_destroyInstance(int userId) {
    return InstanceRegistry::Instance().Destroy(userId);
}

DARVEL_EXPORT int device_broadcast_Initialization(void) {
    return device_broadcast_InitializationEx(vantor::kDefaultSearchPort);
}
DARVEL_EXPORT int device_broadcast_InitializationEx(int port) {
    vantor::LockGuard g(searchLock);
    if (searcher != nullptr) {
        return 1;
    }
    searcher = new (std::nothrow) vantor::LanSearcher(port);
    if (searcher == nullptr) {
        return 0;
    }
    return searcher->Open();
}
DARVEL_EXPORT int device_broadcast_search(DarvelSearchCallback callback, void* user) {
    vantor::LockGuard g(searchLock);
    if (searcher == nullptr) {
        return 0;
    }
    return searcher->Search(callback, user);
}
DARVEL_EXPORT int device_broadcast_unInitialization(void) {
    vantor::LockGuard g(searchLock);
    delete searcher;
    searcher = nullptr;
    return 1;
}
DARVEL_EXPORT int device_broadcast_ModifyDeviceParam(const void*) {
    return 1;
}

DARVEL_EXPORT int device_net_work_set_event_callback(int userId, DarvelEventCallback cb,
                                                     void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SetEventCallback(cb, user);
}

DARVEL_EXPORT int device_net_work_set_p2pmode_callback(int userId, DarvelP2pModeCallback cb,
                                                       void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SetP2pModeCallback(cb, user);
}

DARVEL_EXPORT int device_net_work_set_alarmMessage_callback(int userId, DarvelAlarmCallback cb,
                                                            void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SetAlarmMessageCallback(cb, user);
}

DARVEL_EXPORT int device_net_work_param_callback(int userId, DarvelParamDataCallback dataCb,
                                                 DarvelParamResultCallback resultCb, void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SetParamCallback(dataCb, resultCb, user);
}

DARVEL_EXPORT int device_net_work_start(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->Start();
}

DARVEL_EXPORT int device_net_work_startEx(int userId, int reconnect, int lanSearch) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->StartEx(reconnect, lanSearch);
}

DARVEL_EXPORT int device_net_work_startBat(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    vantor::DebugOut("------------device_net_work_startBat------------------\n");
    return cam->StartBat();
}

DARVEL_EXPORT int device_net_work_Connect(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->Connect();
}

DARVEL_EXPORT int device_net_work_stop(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->Stop();
}

DARVEL_EXPORT int device_net_work_startStream(int userId, int streamId, DarvelFrameCallback cb,
                                              void* user) {
    return device_net_work_startStreamV2(userId, streamId, 0, cb, user);
}

DARVEL_EXPORT int device_net_work_startStreamV2(int userId, int streamId, int subStream,
                                                DarvelFrameCallback cb, void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    if (cam->SetVideoCallback(cb, user) <= 0) {
        return 0;
    }
    return cam->StartStream(streamId, subStream) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_work_stopStream(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    int sent = cam->StopStream();
    int cleared = cam->SetVideoCallback(nullptr, nullptr);
    return sent > 0 && cleared > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_work_startAudio(int userId, int streamId, DarvelFrameCallback cb,
                                             void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    if (cam->SetAudioCallback(cb, user) <= 0) {
        return 0;
    }
    return cam->StartAudio(streamId) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_work_stopAudio(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    int cleared = cam->SetAudioCallback(nullptr, nullptr);
    int sent = cam->StopAudio();
    return sent > 0 && cleared > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_work_startTalk(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->StartTalk();
}

DARVEL_EXPORT int device_net_work_stopTalk(int userId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->StopTalk();
}

DARVEL_EXPORT int device_net_work_sendTalkData(int userId, const char* data, int length) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SendTalkData(data, length);
}

DARVEL_EXPORT int device_net_work_ptz(int userId, int command) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->Ptz(command) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_work_set_param(int userId, int type, const void* record, int length) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SetParam(type, record, length) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_work_get_param(int userId, int type) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->GetParam(type) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_work_GetParamEx(int userId, int type, const void* record, int length) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->GetParamEx(type, record, length) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_record_file_search(int userId, const void* record, int length) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SearchRecordFile(record, length) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_record_file_searchB(int userId, const void* record, int length) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SearchRecordFileB(record, length) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_record_file_callback(int userId, DarvelRecordFileCallback cb, void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SetRecordFileCallback(cb, user);
}

DARVEL_EXPORT int device_record_data_callback(int userId, DarvelFrameCallback cb, void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SetRecordDataCallback(cb, user);
}

DARVEL_EXPORT int device_record_playback_control(int userId, const void* record, int length) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->PlaybackControl(record, length) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_record_file_set_pos(int userId) {
    return Find(userId) != nullptr ? 1 : DARVEL_ERR_BAD_ID;
}

DARVEL_EXPORT int device_record_file_start(int userId) {
    return device_record_file_set_pos(userId);
}

DARVEL_EXPORT int device_record_file_stop(int userId) {
    return device_record_file_set_pos(userId);
}

DARVEL_EXPORT int device_net_work_transmit_file(int userId, const DarvelTransferRecord* record) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->TransmitFile(record);
}

DARVEL_EXPORT int device_net_work_search_device_log_callback(int userId,
                                                             const DarvelRecordSearch* query,
                                                             DarvelDeviceLogCallback cb,
                                                             void* user) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->SearchDeviceLog(query, cb, user) > 0 ? 1 : 0;
}

DARVEL_EXPORT int device_net_init_wakeup_server(int userId, const char* server, int port,
                                                const char* key, int flags) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->InitWakeupServer(server, port, key, flags);
}

DARVEL_EXPORT int device_net_query_device_status(int userId, const char* deviceId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->QueryDeviceStatus(deviceId);
}

DARVEL_EXPORT int device_net_wakeup_device(int userId, const char* deviceId) {
    DARVEL_SESSION_OR_BAD_ID(userId);
    return cam->WakeupDevice(deviceId);
}

}  // extern "C"
