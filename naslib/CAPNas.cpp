#include "CAPNas.h"

#include <cstring>

#include "DebugOut.h"
#include "LockGuard.h"
#include "MediaFrameHead.h"

namespace vantor {

CAPNas::CAPNas(const DeviceConnectInfo& info)
    : info_(info), requestText_(new (std::nothrow) char[kRequestTextBytes]) {
    // The caller's texts need not be terminated: cut each at its field.
    info_.user[sizeof info_.user - 1] = 0;
    info_.password[sizeof info_.password - 1] = 0;
    info_.host[sizeof info_.host - 1] = 0;
    info_.deviceId[sizeof info_.deviceId - 1] = 0;
    packet_.SetUser(info_.user, info_.password);
    packet_.SetHost(info_.host, info_.port);
}

CAPNas::~CAPNas() {
    pacingEvent_.pulse();
    for (auto& t : threads_)
        t.stop();
}

template <int I>
void CAPNas::ThreadEntry(void* self) {
    static_cast<CAPNas*>(self)->RunThread(static_cast<ThreadIndex>(I));
}

void CAPNas::RunThread(ThreadIndex i) {
    switch (i) {
        case kSendThread:
            SendCommand();
            break;
        case kRecvThread:
            RecvCommandProcess();
            break;
        case kVideoThread:
            VideoReader();
            break;
        case kAudioThread:
            AudioReader();
            break;
        case kPlaybackThread:
            PlaybackProcess();
            break;
        case kAlarmThread:
            AlarmReader();
            break;
        case kCheckThread:
            CheckAccountProcess();
            break;
        case kThreadCount:
            break;
    }
    // A thread that ended by itself can be started again without a stop first.
    run_[i] = false;
}

int CAPNas::StartThread(ThreadIndex i) {
    static constexpr WorkerThread::Entry kEntries[kThreadCount] = {
        &ThreadEntry<0>, &ThreadEntry<1>, &ThreadEntry<2>, &ThreadEntry<3>,
        &ThreadEntry<4>, &ThreadEntry<5>, &ThreadEntry<6>};
    if (threads_[i].running()) {
        if (run_[i])
            return 1;
        threads_[i].stop();  // ended by itself: join before starting anew
    }
    run_[i] = true;
    int r = threads_[i].start(kEntries[i], this);
    if (r != 1)
        run_[i] = false;
    return r;
}

void CAPNas::StopThread(ThreadIndex i) {
    run_[i] = false;
    threads_[i].stop();
}

// ---- slots 1-22 ----

int CAPNas::Start() {
    callbacksDisabled_ = false;
    return 1;
}

int CAPNas::Stop() {
    callbacksDisabled_ = true;
    return 1;
}

int CAPNas::SetVideoCallback(MorskFrameCallback cb, void* user) {
    LockGuard g(commandLock_);
    videoCb_ = cb;
    videoUser_ = user;
    return 1;
}

int CAPNas::StartStream(int, int) {
    return 0;
}
int CAPNas::StopStream(int) {
    return 0;
}

int CAPNas::SetAudioCallback(MorskFrameCallback cb, void* user) {
    LockGuard g(commandLock_);
    audioCb_ = cb;
    audioUser_ = user;
    return 1;
}

int CAPNas::StartAudio(int, int) {
    return 0;
}
int CAPNas::StopAudio(int) {
    return 0;
}
int CAPNas::StartTalk() {
    return 0;
}
int CAPNas::StopTalk() {
    return 0;
}
int CAPNas::SendTalkData(int, const char*, int) {
    return 0;
}

int CAPNas::SetEventCallback(MorskEventCallback cb, void* user) {
    LockGuard g(commandLock_);
    eventCb_ = cb;
    eventUser_ = user;
    return 1;
}

int CAPNas::Ptz(int channel, int command) {
    if (!CAPNasPacket::IsPtzCommand(command))
        return 1;
    LockGuard g(commandLock_);
    int len = 0;
    if (!requestText_ ||
        packet_.BuildNasPtz(command, channel, requestText_.get(), kRequestTextBytes, &len) == 0)
        return 0;
    return AddCommandToBuf(command, requestText_.get(), len, 0);
}

int CAPNas::SetRecordFileCallback(MorskRecordFileCallback cb, void* user) {
    LockGuard g(commandLock_);
    recordFileCb_ = cb;
    recordFileUser_ = user;
    return 1;
}

int CAPNas::SearchRecordFile(const void* request) {
    return BuildAndQueue(NAS_SEARCH_RECORD_FILE, request, sizeof(NasRecordSearch));
}

int CAPNas::SetRecordDataCallback(MorskFrameCallback cb, void* user) {
    LockGuard g(commandLock_);
    recordDataCb_ = cb;
    recordDataUser_ = user;
    return 1;
}

int CAPNas::PlaybackControl(const void* request) {
    pacer_.Restart();
    return BuildAndQueue(NAS_RECORD_PLAY, request, sizeof(NasPlayback));
}

int CAPNas::SetP2pModeCallback(MorskP2pModeCallback cb, void* user) {
    LockGuard g(commandLock_);
    p2pModeCb_ = cb;
    p2pModeUser_ = user;
    return 1;
}

int CAPNas::SetAlarmMessageCallback(MorskAlarmCallback cb, void* user) {
    LockGuard g(commandLock_);
    alarmCb_ = cb;
    alarmUser_ = user;
    return 1;
}

int CAPNas::SetParamCallback(MorskParamRecordCallback recordCb, MorskParamResultCallback resultCb,
                             void* user) {
    LockGuard g(commandLock_);
    recordCb_ = recordCb;
    resultCb_ = resultCb;
    paramUser_ = user;
    return 1;
}

int CAPNas::SetParam(int type, const void* record, int size) {
    return BuildAndQueue(type, record, size);
}

int CAPNas::GetParam(int type) {
    return BuildAndQueue(type, nullptr, 0);
}

void CAPNas::SetAccountResult(int) {}

int CAPNas::BuildAndQueue(int type, const void* record, int size) {
    LockGuard g(commandLock_);
    int len = 0;
    if (!requestText_ ||
        packet_.BuildCommand(type, record, size, requestText_.get(), kRequestTextBytes, &len) == 0)
        return 0;
    return AddCommandToBuf(type, requestText_.get(), len, 0);
}

// ---- delivery ----

void CAPNas::EmitEvent(int code) {
    lastEvent_ = code;
    MorskEventCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = eventCb_;
        user = eventUser_;
    }
    if (cb != nullptr)
        cb(code, user);
}

void CAPNas::EmitP2pMode(int mode) {
    MorskP2pModeCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = p2pModeCb_;
        user = p2pModeUser_;
    }
    if (cb != nullptr)
        cb(mode, user);
}

void CAPNas::EmitVideo(const char* frame, int length) {
    if (callbacksDisabled_)
        return;
    MorskFrameCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = videoCb_;
        user = videoUser_;
    }
    if (cb != nullptr)
        cb(frame, length, user);
}

void CAPNas::EmitAudio(const char* frame, int length) {
    if (callbacksDisabled_)
        return;
    MorskFrameCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = audioCb_;
        user = audioUser_;
    }
    if (cb != nullptr)
        cb(frame, length, user);
}

void CAPNas::EmitAlarm(int channel, int code) {
    if (callbacksDisabled_)
        return;
    MorskAlarmCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = alarmCb_;
        user = alarmUser_;
    }
    if (cb != nullptr)
        cb(channel, code, user);
}

void CAPNas::PacePlaybackFrame(const char* frame, int length) {
    if (frame == nullptr || length < static_cast<int>(kMediaFrameHeadBytes))
        return;
    if (!callbacksDisabled_) {
        MorskFrameCallback cb;
        void* user;
        {
            LockGuard g(commandLock_);
            cb = recordDataCb_;
            user = recordDataUser_;
        }
        if (cb != nullptr)
            cb(frame, length, user);
    }
    MediaFrameHead head;
    std::memcpy(&head, frame, sizeof head);
    int pause_ms = pacer_.Next(head.kind, head.seconds, head.millis, head.sequence);
    if (pause_ms > 0)
        pacingEvent_.wait(pause_ms);
}

void CAPNas::OnRecord(int type, const void* record, int size) {
    if (callbacksDisabled_)
        return;
    MorskParamRecordCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = recordCb_;
        user = paramUser_;
    }
    if (cb != nullptr)
        cb(type, static_cast<const char*>(record), size, user);
}

void CAPNas::OnResult(int type, int result) {
    if (callbacksDisabled_)
        return;
    MorskParamResultCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = resultCb_;
        user = paramUser_;
    }
    if (cb != nullptr)
        cb(type, result, user);
}

void CAPNas::OnRecordFile(const NasRecordFileEntry& entry) {
    if (callbacksDisabled_)
        return;
    MorskRecordFileCallback cb;
    void* user;
    {
        LockGuard g(commandLock_);
        cb = recordFileCb_;
        user = recordFileUser_;
    }
    if (cb != nullptr)
        cb(&entry, user);
}

}  // namespace vantor
