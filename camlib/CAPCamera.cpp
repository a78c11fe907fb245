#include "CAPCamera.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "CameraCommandTable.h"
#include "DebugOut.h"
#include "LockGuard.h"

namespace vantor {

CAPCamera::CAPCamera(const DeviceConnectInfo& info) : info_(info) {
    // The record's texts need not be terminated: terminate them at their last byte.
    info_.user[sizeof(info_.user) - 1] = '\0';
    info_.password[sizeof(info_.password) - 1] = '\0';
    info_.host[sizeof(info_.host) - 1] = '\0';
    info_.deviceId[sizeof(info_.deviceId) - 1] = '\0';
    packet_.SetUser(info_.user, info_.password);
    packet_.SetHost(info_.host, info_.port);
    queue_ = std::make_unique<CommandQueue>(kCommandQueueBytes);
    for (int i = 0; i < kThreadCount; ++i) {
        threadState_[i] = -1;
        running_[i].store(false);
        threadArgs_[i] = ThreadArg{this, static_cast<ThreadIndex>(i)};
    }
}

CAPCamera::~CAPCamera() {
    queue_.reset();
    DebugOut("free CAPCamera");
}

int CAPCamera::Start() {
    ClearStopFlag();
    return 1;
}

int CAPCamera::StartEx(int reconnect, int lanSearch) {
    reconnect_.store(reconnect);
    lanSearch_.store(lanSearch);
    ClearStopFlag();
    return 1;
}

int CAPCamera::StartBat() {
    ClearStopFlag();
    return 1;
}

int CAPCamera::Connect() {
    return 0;
}
int CAPCamera::InitWakeupServer(const char*, int, const char*, int) {
    return 1;
}
int CAPCamera::QueryDeviceStatus(const char*) {
    return 1;
}
int CAPCamera::WakeupDevice(const char*) {
    return 1;
}

int CAPCamera::Stop() {
    SetStopFlag();
    return 1;
}

int CAPCamera::SetVideoCallback(DarvelFrameCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.video = cb;
    cb_.videoUser = user;
    return 1;
}

int CAPCamera::StartStream(int, int) {
    return 1;
}
int CAPCamera::StopStream() {
    return 1;
}

int CAPCamera::SetAudioCallback(DarvelFrameCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.audio = cb;
    cb_.audioUser = user;
    return 1;
}

int CAPCamera::StartAudio(int) {
    return 1;
}
int CAPCamera::StopAudio() {
    return 1;
}
int CAPCamera::StartTalk() {
    return 1;
}
int CAPCamera::StopTalk() {
    return 1;
}
int CAPCamera::SendTalkData(const char*, int) {
    return 1;
}

int CAPCamera::Ptz(int command) {
    LockGuard g(mainLock_);
    char text[kGetParamTextBytes];
    int len = 0;
    if (packet_.BuildPtzRequest(command, text, sizeof(text), &len) == 0) {
        return 1;
    }
    return AddCommandToBuf(command, text, static_cast<unsigned>(len));
}

int CAPCamera::SetEventCallback(DarvelEventCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.event = cb;
    cb_.eventUser = user;
    return 1;
}

int CAPCamera::SetP2pModeCallback(DarvelP2pModeCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.p2pMode = cb;
    cb_.p2pModeUser = user;
    return 1;
}

int CAPCamera::SetAlarmMessageCallback(DarvelAlarmCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.alarm = cb;
    cb_.alarmUser = user;
    return 1;
}

int CAPCamera::SearchDeviceLog(const DarvelRecordSearch* query, DarvelDeviceLogCallback cb,
                               void* user) {
    {
        LockGuard g(callbackLock_);
        cb_.deviceLog = cb;
        cb_.deviceLogUser = user;
    }
    return BuildAndQueue(DARVEL_DEVICE_LOG, query, query != nullptr ? sizeof(*query) : 0,
                         kGetParamTextBytes);
}

int CAPCamera::SearchRecordFile(const void* record, int length) {
    std::string cgi;
    if (length < 0 || !CameraCommandTable::BuildCgi(DARVEL_RECORD_SEARCH, record,
                                                    static_cast<size_t>(length), cgi)) {
        return 0;
    }
    printf("**%s*\n", cgi.c_str());
    return BuildAndQueue(DARVEL_RECORD_SEARCH, record, length, kGetParamTextBytes);
}

int CAPCamera::SearchRecordFileB(const void* record, int length) {
    LockGuard g(mainLock_);
    char text[kGetParamTextBytes];
    int len = 0;
    if (packet_.BuildRecordPageCommand(record, length, text, sizeof(text), &len) == 0) {
        return 0;
    }
    return AddCommandToBuf(DARVEL_RECORD_PAGE, text, static_cast<unsigned>(len));
}

int CAPCamera::SetRecordFileCallback(DarvelRecordFileCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.recordFile = cb;
    cb_.recordFileUser = user;
    return 1;
}

int CAPCamera::SetRecordNameCallback(DarvelRecordFileCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.recordName = cb;
    cb_.recordNameUser = user;
    return 1;
}

int CAPCamera::SetRecordDataCallback(DarvelFrameCallback cb, void* user) {
    LockGuard g(callbackLock_);
    cb_.recordData = cb;
    cb_.recordDataUser = user;
    return 1;
}

int CAPCamera::PlaybackControl(const void* record, int length) {
    return BuildAndQueue(DARVEL_PLAYBACK, record, length, kGetParamTextBytes);
}

int CAPCamera::SetParamCallback(DarvelParamDataCallback dataCb, DarvelParamResultCallback resultCb,
                                void* user) {
    LockGuard g(callbackLock_);
    cb_.paramData = dataCb;
    cb_.paramResult = resultCb;
    cb_.paramUser = user;
    return 1;
}

int CAPCamera::SetParam(int type, const void* record, int length) {
    DebugOut("CAPCamera::SetParam == 0x%x \n", type);
    return BuildAndQueue(type, record, length, kSetParamTextBytes);
}

int CAPCamera::GetParam(int type) {
    return BuildAndQueue(type, nullptr, 0, kGetParamTextBytes);
}

int CAPCamera::GetParamEx(int type, const void* record, int length) {
    return BuildAndQueue(type, record, length, kGetParamExTextBytes);
}

int CAPCamera::TransmitFile(const DarvelTransferRecord*) {
    return 0;
}
void CAPCamera::SetAccountResult(int) {}
void CAPCamera::SetTransferResult(int) {}

int CAPCamera::BuildAndQueue(int type, const void* record, int length, size_t textBytes) {
    std::unique_ptr<char[]> text(new (std::nothrow) char[textBytes]);
    if (!text) {
        return 0;
    }
    LockGuard g(mainLock_);
    int len = 0;
    if (packet_.BuildCommand(type, record, length, text.get(), textBytes, &len) == 0) {
        return 0;
    }
    return AddCommandToBuf(type, text.get(), static_cast<unsigned>(len));
}

// ---- answers ----

void CAPCamera::OnParamData(int type, const char* record, int length) {
    std::shared_lock lk(deliveryLock_);
    if (stopped()) {
        return;
    }
    Callbacks c = snapshot();
    if (c.paramData != nullptr) {
        c.paramData(type, record, length, c.paramUser);
    }
}

void CAPCamera::OnParamResult(int type, int result) {
    std::shared_lock lk(deliveryLock_);
    if (stopped()) {
        return;
    }
    Callbacks c = snapshot();
    if (c.paramResult != nullptr) {
        c.paramResult(type, result, c.paramUser);
    }
}

void CAPCamera::OnRecordFile(const DarvelRecordListEntry& entry) {
    std::shared_lock lk(deliveryLock_);
    if (stopped()) {
        return;
    }
    Callbacks c = snapshot();
    if (c.recordFile != nullptr) {
        c.recordFile(&entry, c.recordFileUser);
    }
}

void CAPCamera::OnDeviceLog(int logType, int count, int index, int time) {
    Callbacks c = snapshot();
    if (c.deviceLog != nullptr) {
        c.deviceLog(logType, count, index, time, c.deviceLogUser);
    }
}

void CAPCamera::OnAccountAccepted() {
    DeliverEvent(DARVEL_EVENT_ONLINE);
}

void CAPCamera::OnTransferStep(int result) {
    SetTransferResult(result);
}

void CAPCamera::QueueFollowUp(int type) {
    GetParam(type);
}

// ---- delivery ----

CAPCamera::Callbacks CAPCamera::snapshot() {
    LockGuard g(callbackLock_);
    return cb_;
}

void CAPCamera::ClearCallbacks() {
    LockGuard g(callbackLock_);
    cb_.video = nullptr;
    cb_.audio = nullptr;
    cb_.event = nullptr;
    cb_.p2pMode = nullptr;
    cb_.alarm = nullptr;
    cb_.paramData = nullptr;
    cb_.paramResult = nullptr;
    cb_.recordData = nullptr;
}

void CAPCamera::ClearEventCallbacks() {
    LockGuard g(callbackLock_);
    cb_.event = nullptr;
    cb_.p2pMode = nullptr;
}

void CAPCamera::DeliverEvent(int event) {
    DebugOut("EventMessageCB %d\n", event);
    Callbacks c = snapshot();
    if (c.event != nullptr) {
        c.event(event, c.eventUser);
    }
}

void CAPCamera::DeliverP2pMode(int mode) {
    Callbacks c = snapshot();
    if (c.p2pMode != nullptr) {
        c.p2pMode(mode, c.p2pModeUser);
    }
}

void CAPCamera::DeliverAlarm(int code) {
    std::shared_lock lk(deliveryLock_);
    if (stopped()) {
        return;
    }
    Callbacks c = snapshot();
    if (c.alarm != nullptr) {
        c.alarm(code, c.alarmUser);
    }
}

void CAPCamera::DeliverVideo(const char* frame, int length) {
    std::shared_lock lk(deliveryLock_);
    if (stopped()) {
        return;
    }
    Callbacks c = snapshot();
    if (c.video != nullptr) {
        c.video(frame, length, c.videoUser);
    }
}

void CAPCamera::DeliverAudio(const char* frame, int length) {
    std::shared_lock lk(deliveryLock_);
    if (stopped()) {
        return;
    }
    Callbacks c = snapshot();
    if (c.audio != nullptr) {
        c.audio(frame, length, c.audioUser);
    }
}

void CAPCamera::DeliverRecordData(const char* frame, int length) {
    std::shared_lock lk(deliveryLock_);
    if (stopped()) {
        return;
    }
    Callbacks c = snapshot();
    if (c.recordData != nullptr) {
        c.recordData(frame, length, c.recordDataUser);
    }
}

void CAPCamera::SetStopFlag() {
    stopFlag_.store(1);
    // Wait out deliveries already past their check: none runs once this returns.
    std::unique_lock lk(deliveryLock_);
}

void CAPCamera::ClearStopFlag() {
    stopFlag_.store(0);
}

// ---- threads ----

void CAPCamera::ThreadEntry(void* arg) {
    auto* a = static_cast<ThreadArg*>(arg);
    CAPCamera* self = a->self;
    switch (a->which) {
        case kConnThread:
            self->ConnectionThread();
            break;
        case kRecvThread:
            self->RecvCommandProcess();
            break;
        case kVideoThread:
            self->VideoReader();
            break;
        case kAudioThread:
            self->AudioReader();
            break;
        case kAlarmThread:
            self->AlarmReader();
            break;
        case kPlaybackThread:
            self->PlaybackProcess();
            break;
        case kAccountThread:
            self->CheckAccountProcess();
            break;
        default:
            break;
    }
}

int CAPCamera::StartThread(ThreadIndex which) {
    if (threadState_[which] != -1) {
        return 1;
    }
    running_[which].store(true);
    int r = threads_[which].start(&CAPCamera::ThreadEntry, &threadArgs_[which]);
    if (r == 1) {
        threadState_[which] = 1;
    } else {
        running_[which].store(false);
    }
    return r;
}

void CAPCamera::StopThread(ThreadIndex which) {
    running_[which].store(false);
    if (threadState_[which] == 1) {
        threads_[which].stop();
        threadState_[which] = -1;
    }
}

}  // namespace vantor
