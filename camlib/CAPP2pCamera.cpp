#include "CAPP2pCamera.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "CameraAnswerDispatcher.h"
#include "CommandAnswerReader.h"
#include "CommandFraming.h"
#include "DebugOut.h"
#include "DeviceFamilies.h"
#include "LockGuard.h"
#include "MediaChannelReader.h"
#include "MediaFrameHead.h"
#include "PPPP_API.h"

namespace vantor {
namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

enum RequestKind { kLiveStart, kLiveStop, kAudioStart, kAudioStop };

}  // namespace

CAPP2pCamera::CAPP2pCamera(const DeviceConnectInfo& info)
    : CAPCamera(info), writerBuffer_(new uint8_t[kWriterPacketBytes]) {
    FileTransfer::Hooks hooks;
    hooks.queueRequest = [this](int type, const void* record, int length) {
        return BuildAndQueue(type, record, length, kSetParamTextBytes);
    };
    // File data goes out plain, whatever the session's cipher.
    hooks.queueRaw = [this](const CommandQueue::Part* parts, size_t count) -> size_t {
        if (connected_.load() == 0 || !queue_) {
            return 0;
        }
        size_t n = queue_->writeParts(parts, count);
        if (n > 0) {
            queuedEvent_.set();
        }
        return n;
    };
    hooks.report = [this](int type, int value) { OnParamResult(type, value); };
    transfer_ = std::make_unique<FileTransfer>(std::move(hooks));
    for (int i = 0; i < kBatteryAttempts; ++i) {
        bat_[i].self = this;
        bat_[i].lanSearch = 30 + i;
    }
}

CAPP2pCamera::~CAPP2pCamera() {
    Stop();
    DebugOut("-----------------free P2PCamera succ-------\n");
}

ChannelReadFn CAPP2pCamera::channelRead() {
    return [this](int channel, char* data, int* size, uint32_t timeout_ms) {
        return PPPP_Read(handle_.load(), static_cast<uint8_t>(channel), data, size, timeout_ms);
    };
}

// ---- start / stop ----

int CAPP2pCamera::StartConnectionThread() {
    LockGuard g(startStopLock_);
    ClearStopFlag();
    StartThread(kConnThread);
    return 1;
}

int CAPP2pCamera::Start() {
    return StartConnectionThread();
}

int CAPP2pCamera::StartEx(int reconnect, int lanSearch) {
    reconnect_.store(reconnect);
    lanSearch_.store(lanSearch);
    return StartConnectionThread();
}

int CAPP2pCamera::StartBat() {
    LockGuard g(startStopLock_);
    ClearStopFlag();
    batRunning_.store(true);
    {
        LockGuard c(connectLock_);
        isConnect_ = 0;
    }
    StartSendBatCommandThread();
    return 1;
}

int CAPP2pCamera::Connect() {
    DebugOut("--------------Device connect start---------connect_ret = %d \n", -1);
    // The device needs a moment after a wake-up before the attempts begin.
    for (int i = 0; i < kBatteryConnectDelaySlices; ++i) {
        SleepMs(kBatteryConnectDelaySlice_ms);
    }
    for (auto& a : bat_) {
        a.failed.store(0);
    }
    StartBat();
    return 0;
}
int CAPP2pCamera::QueryDeviceStatus(const char*) {
    return 0;
}
int CAPP2pCamera::WakeupDevice(const char*) {
    return 0;
}

int CAPP2pCamera::Stop() {
    // The flag goes up (and deliveries drain) before the start/stop lock: a callback that
    // calls into the library while this runs is never waited for under that lock.
    SetStopFlag();
    transfer_->Stop();
    LockGuard g(startStopLock_);
    clearRunning(kConnThread);
    batRunning_.store(false);
    CloseSession();
    StopThread(kConnThread);
    StopBatThreads();
    // A handle stored by the connection thread after the first close is closed here.
    CloseSession();
    StopWorkerThreads();
    connected_.store(0);
    DebugOut("-----------------P2PCamera stop all thread succ-------\n");
    return 1;
}

void CAPP2pCamera::CloseSession() {
    LockGuard g(closeLock_);
    int h = handle_.load();
    DebugOut("CAPP2pCamera::PPPPClose begin session handle=%d\n", h);
    PPPP_Connect_Break();
    if (h >= 0) {
        PPPP_ForceClose(h);
        handle_.store(-1);
    }
    clearRunning(kConnThread);
}

void CAPP2pCamera::StartWorkerThreads() {
    LockGuard g(workerLock_);
    DebugOut("===============StartWorkerThread===================");
    accountResult_.store(0);
    accountEvent_.reset();
    StartThread(kRecvThread);
    StartThread(kAccountThread);
    StartThread(kVideoThread);
    StartThread(kAudioThread);
    StartThread(kPlaybackThread);
    StartThread(kAlarmThread);
}

void CAPP2pCamera::StopWorkerThreads() {
    DebugOut("-----------------P2PCamera StopWorkerThread-------\n");
    LockGuard g(workerLock_);
    // set(), not a pulse: the account check may not be waiting yet, and must not then sit
    // out its whole wait while stop joins it.
    accountResult_.store(-2);
    accountEvent_.set();
    StopThread(kAccountThread);
    StopThread(kRecvThread);
    StopThread(kVideoThread);
    StopThread(kAudioThread);
    StopThread(kAlarmThread);
    StopThread(kPlaybackThread);
}

// ---- connection thread ----

int CAPP2pCamera::Connect(int* familyIndex) {
    const char* id = info_.deviceId;
    if (id[0] == '\0') {
        return ERROR_PPPP_INVALID_ID;
    }
    int index = FamilyIndexOf(id);
    *familyIndex = index;
    const char* init = FamilyInitString(index);
    {
        LockGuard g(cipherLock_);
        DeriveSessionKey(index, id, key_);
    }
    DebugOut("------------nIndex == %d and initString == %s", index, init != nullptr ? init : "");
    int handle;
    if (index == -1 || init == nullptr) {
        handle = PPPP_Connect(id, 1, 0);
    } else {
        char lan = static_cast<char>(lanSearch_.load());
        DebugOut("start connect,lanSearch:0x%x\n", static_cast<unsigned>(lanSearch_.load()));
        handle = PPPP_ConnectByServer(id, lan, 0, init);
    }
    handle_.store(handle);
    DebugOut("SessionHandle=%d PPPP Lib Ver:%X\n", handle, PPPP_GetAPIVersion());
    return handle;
}

void CAPP2pCamera::SessionLost() {
    reinit_ = true;
    connected_.store(0);
    waiting_ = true;
    // A session closed by stop is not a lost connection: the client asked for it.
    if (threadRunning(kConnThread) || batRunning_.load() || stopFlag_.load() == 0) {
        DeliverEvent(DARVEL_EVENT_LOST);
    }
}

void CAPP2pCamera::WriteLoop(const std::atomic<bool>& running) {
    // The handle of this session, not the field: once a stop has closed the session the
    // transport answers "closed by call" for it, and no second close is attempted.
    const int h = handle_.load();
    while (running.load()) {
        st_PPPP_Session info;
        int r = PPPP_Check(h, &info);
        if (r != 0) {
            if (r != ERROR_PPPP_SESSION_CLOSED_CALLED) {
                DebugOut("PPPP_Check ret=%d\n", r);
                CloseSession();
            }
            SessionLost();
            return;
        }
        uint32_t unsent = 0;
        uint32_t unread = 0;
        r = PPPP_Check_Buffer(h, 0, &unsent, &unread);
        if (r < 0) {
            if (r != ERROR_PPPP_SESSION_CLOSED_CALLED) {
                DebugOut("PPPP_Check_Buffer res=%d\n", r);
                CloseSession();
            }
            SessionLost();
            return;
        }
        if (unsent >= kTransportUnsentLimitBytes) {
            SleepMs(kWriterIdleSleep_ms);
            continue;
        }
        CmdQueueEntry entry;
        DequeueResult d = DequeuePacket(*queue_, &entry, writerBuffer_.get(), kWriterPacketBytes);
        if (d != DequeueResult::kPacket) {
            if (d == DequeueResult::kEmpty) {
                queuedEvent_.wait(kWriterIdleSleep_ms);
            }
            continue;
        }
        r = PPPP_Write(h, 0, reinterpret_cast<const char*>(writerBuffer_.get()),
                       static_cast<int>(entry.packetLen));
        if (r < 0) {
            if (r != ERROR_PPPP_SESSION_CLOSED_CALLED) {
                DebugOut("PPPP_Write res=%d\n", r);
                CloseSession();
            }
            SessionLost();
            return;
        }
    }
}

void CAPP2pCamera::ConnectionThread() {
    int waitCounter = 0;
    int waitLimit = kConnectWaitTurnsTimeout;
    int timeouts = 0;
    waiting_ = false;
    reinit_ = false;
    while (true) {
        if (reinit_) {
            DebugOut("bReInitThread=%d\n", 1);
            CloseSession();
            StopWorkerThreads();
            reinit_ = false;
            if (reconnect_.load() == 0) {
                DebugOut("Disconnect, not reconnect again!\n");
                return;
            }
        }
        if (waiting_ && waitCounter < waitLimit) {
            ++waitCounter;
            SleepMs(kConnectWaitTurn_ms);
        } else {
            DeliverEvent(DARVEL_EVENT_CONNECTING);
            waiting_ = false;
            waitCounter = 0;
            waitLimit = kConnectWaitTurnsTimeout;
            int family = -1;
            int handle = Connect(&family);
            if (handle < 0) {
                switch (handle) {
                    case ERROR_PPPP_USER_CONNECT_BREAK:
                        break;
                    case ERROR_PPPP_INVALID_ID:
                    case ERROR_PPPP_INVALID_PREFIX:
                    case ERROR_PPPP_ID_OUT_OF_DATE:
                        DeliverEvent(DARVEL_EVENT_INVALID_ID);
                        return;
                    case ERROR_PPPP_DEVICE_NOT_ONLINE:
                        DeliverEvent(DARVEL_EVENT_NOT_ONLINE);
                        waitLimit = kConnectWaitTurnsNotOnline;
                        waiting_ = true;
                        break;
                    case ERROR_PPPP_TIME_OUT:
                        ++timeouts;
                        waiting_ = true;
                        if (timeouts > kConnectTimeoutsBeforeEvent) {
                            DeliverEvent(DARVEL_EVENT_TIMEOUTS);
                            timeouts = 0;
                        }
                        break;
                    default:
                        DeliverEvent(DARVEL_EVENT_CONNECT_FAIL);
                        break;
                }
            } else {
                st_PPPP_Session info;
                int r = PPPP_Check(handle, &info);
                if (r != 0) {
                    if (r != ERROR_PPPP_SESSION_CLOSED_CALLED) {
                        CloseSession();
                    }
                    DeliverEvent(DARVEL_EVENT_LOST);
                    waiting_ = true;
                    reinit_ = true;
                } else {
                    DeliverP2pMode(info.mode == 0 ? DARVEL_P2P_MODE_DIRECT : DARVEL_P2P_MODE_RELAY);
                    timeouts = 0;
                    connected_.store(1);
                    StartWorkerThreads();
                    if (!threadRunning(kConnThread)) {
                        return;
                    }
                    WriteLoop(runningFlag(kConnThread));
                }
            }
        }
        if (!threadRunning(kConnThread)) {
            return;
        }
    }
}

// ---- battery connect ----

void CAPP2pCamera::BatEntry(void* arg) {
    BatAttempt* a = static_cast<BatAttempt*>(arg);
    a->self->SendBatCommandProcess(*a);
}

void CAPP2pCamera::StartSendBatCommandThread() {
    // 31 first: the order the device expects its wake-up attempts in.
    static const int kOrder[kBatteryAttempts] = {1, 0, 2};
    for (int i = 0; i < kBatteryAttempts; ++i) {
        BatAttempt& a = bat_[kOrder[i]];
        a.thread.stop();  // an attempt of an earlier start that has ended
        int r = a.thread.start(&CAPP2pCamera::BatEntry, &a);
        DebugOut("---------StartSendBatCommandThread ret%d == %d \n", a.lanSearch, r);
        if (i + 1 < kBatteryAttempts) {
            SleepMs(kBatteryStartGap_ms);
        }
    }
}

void CAPP2pCamera::StopBatThreads() {
    // WorkerThread::stop detaches instead of joining when an attempt stops its own session.
    for (auto& a : bat_) {
        a.thread.stop();
    }
}

bool CAPP2pCamera::AllBatAttemptsFailed() const {
    for (const auto& a : bat_) {
        if (a.failed.load() != -1) {
            return false;
        }
    }
    return true;
}

void CAPP2pCamera::SendBatCommandProcess(BatAttempt& attempt) {
    const int lan = attempt.lanSearch;
    DebugOut("-----------SendBatCommandProcess, mLanSearch = %d", lan);
    if (!batRunning_.load()) {
        return;
    }
    const char* id = info_.deviceId;
    if (id[0] == '\0') {
        DeliverEvent(DARVEL_EVENT_INVALID_ID);
        return;
    }
    while (batRunning_.load()) {
        int family = FamilyIndexOf(id);
        if (family == -1) {
            DeliverEvent(DARVEL_EVENT_NO_FAMILY);
            return;
        }
        {
            // Requests of an enciphered family need the session key whichever way it connects.
            LockGuard g(cipherLock_);
            DeriveSessionKey(family, id, key_);
        }
        DebugOut("1>-----lanSearch:%d start connect...\n", lan);
        int handle = PPPP_Connect(id, static_cast<char>(lan), 0);
        if (handle >= 0) {
            {
                LockGuard g(connectLock_);
                if (isConnect_ == 1 || !batRunning_.load()) {
                    DebugOut("40>-----lanSearch:%d is ForceClose,isConnect%d\n", lan, isConnect_);
                    PPPP_ForceClose(handle);
                    return;
                }
                st_PPPP_Session info;
                int r = PPPP_Check(handle, &info);
                if (r != 0) {
                    // The attempt's own handle: the session has none stored yet.
                    if (r != ERROR_PPPP_SESSION_CLOSED_CALLED) {
                        PPPP_ForceClose(handle);
                    }
                    DeliverEvent(DARVEL_EVENT_LOST);
                    DebugOut("41>-----lanSearch:%d is ForceClose,isConnect%d\n", lan, isConnect_);
                    return;
                }
                DeliverP2pMode(info.mode == 0 ? DARVEL_P2P_MODE_DIRECT : DARVEL_P2P_MODE_RELAY);
                isConnect_ = 1;
                DebugOut("4>-----lanSearch:%d is ok isConnect %d\n", lan, isConnect_);
                // Stored under the lock, so a stop that closes the session sees it.
                handle_.store(handle);
            }
            DebugOut("5>-----lanSearch:%d is process isConnect %d\n", lan, 1);
            connected_.store(1);
            StartWorkerThreads();
            WriteLoop(batRunning_);
            return;
        }
        bool won = false;
        {
            LockGuard g(connectLock_);
            won = isConnect_ == 1;
        }
        if (won) {
            return;
        }
        attempt.failed.store(-1);
        DebugOut("3>-----Connect30:%d  Connect31:%d Connect32:%d\n", bat_[0].failed.load(),
                 bat_[1].failed.load(), bat_[2].failed.load());
        switch (handle) {
            case ERROR_PPPP_USER_CONNECT_BREAK:
                DebugOut("34>-----lanSearch:%d CONNECT BREAK\n", lan);
                return;
            case ERROR_PPPP_UDP_PORT_BIND_FAILED:
            case ERROR_PPPP_MAX_SESSION:
            case ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE:
            case ERROR_PPPP_NOT_INITIALIZED:
                DebugOut("33>-----lanSearch:%d CONNECT ERROR\n", lan);
                DeliverEvent(DARVEL_EVENT_CONNECT_FAIL);
                return;
            case ERROR_PPPP_ID_OUT_OF_DATE:
            case ERROR_PPPP_INVALID_PREFIX:
            case ERROR_PPPP_INVALID_ID:
                DebugOut("31>-----lanSearch:%d INVALIDID\n", lan);
                DeliverEvent(DARVEL_EVENT_INVALID_ID);
                return;
            case ERROR_PPPP_DEVICE_NOT_ONLINE:
            case ERROR_PPPP_TIME_OUT:
                DebugOut(handle == ERROR_PPPP_TIME_OUT ? "30>-----lanSearch:%d TIME OUT\n"
                                                       : "32>-----lanSearch:%d NOT ONLINE\n",
                         lan);
                if (AllBatAttemptsFailed()) {
                    DeliverEvent(DARVEL_EVENT_NOT_ONLINE);
                    return;
                }
                break;  // this attempt tries again at once
            default:
                return;
        }
    }
}

// ---- requests ----

int CAPP2pCamera::AddCommandToBuf(int cmd, const void* data, unsigned len) {
    if (connected_.load() == 0 || !queue_) {
        return 0;
    }
    int n = vantor::AddCommandToBuf(*queue_, cmdType_.load(), key_, &cipherLock_, cmd, data, len,
                                    kCipheredRequestPause_ms);
    if (n > 0) {
        queuedEvent_.set();
    }
    return n;
}

int CAPP2pCamera::BuildAndQueueRequest(int kind, int streamId, int subStream) {
    LockGuard g(mainLock_);
    char text[kGetParamTextBytes];
    int len = 0;
    int ok = 0;
    switch (kind) {
        case kLiveStart:
            ok = packet_.BuildLiveStartRequest(streamId, subStream, text, sizeof(text), &len);
            break;
        case kLiveStop:
            ok = packet_.BuildLiveStopRequest(text, sizeof(text), &len);
            break;
        case kAudioStart:
            ok = packet_.BuildAudioStartRequest(streamId, text, sizeof(text), &len);
            break;
        default:
            ok = packet_.BuildAudioStopRequest(text, sizeof(text), &len);
            break;
    }
    if (ok == 0) {
        return 0;
    }
    return AddCommandToBuf(0, text, static_cast<unsigned>(len));
}

int CAPP2pCamera::StartStream(int, int subStream) {
    return BuildAndQueueRequest(kLiveStart, kLiveStreamId, subStream);
}

int CAPP2pCamera::StopStream() {
    return BuildAndQueueRequest(kLiveStop, 0, 0);
}

int CAPP2pCamera::StartAudio(int streamId) {
    return BuildAndQueueRequest(kAudioStart, streamId, 0);
}

int CAPP2pCamera::StopAudio() {
    return BuildAndQueueRequest(kAudioStop, 0, 0);
}

int CAPP2pCamera::StartTalk() {
    return connected_.load();
}
int CAPP2pCamera::StopTalk() {
    return connected_.load();
}

int CAPP2pCamera::SendTalkData(const char* data, int length) {
    if (connected_.load() == 0) {
        return 0;
    }
    if (data == nullptr || length != DARVEL_TALK_BLOCK) {
        return 1;
    }
    int h = handle_.load();
    uint32_t unsent = 0;
    uint32_t unread = 0;
    if (PPPP_Check_Buffer(h, kTalkChannel, &unsent, &unread) < 0 ||
        unsent >= kTalkUnsentLimitBytes) {
        return 1;
    }
    MediaFrameHead head;
    memset(&head, 0, sizeof(head));
    head.kind = kFrameTalk;
    head.talkFlag = 1;
    head.dataLen = DARVEL_TALK_BLOCK;
    if (PPPP_Write(h, kTalkChannel, reinterpret_cast<const char*>(&head), sizeof(head)) < 0) {
        return 0;
    }
    return PPPP_Write(h, kTalkChannel, data, length) < 0 ? 0 : 1;
}

int CAPP2pCamera::TransmitFile(const DarvelTransferRecord* record) {
    return transfer_->Start(record);
}

void CAPP2pCamera::SetTransferResult(int value) {
    transfer_->OnStepResult(value);
}

// ---- reader threads ----

void CAPP2pCamera::RecvCommandProcess() {
    CommandAnswerReader reader;
    CommandAnswerReader::Context ctx;
    ctx.read = channelRead();
    ctx.channel = kCommandChannel;
    ctx.cmdType = &cmdType_;
    ctx.key = key_;
    ctx.cipherLock = &cipherLock_;
    ctx.running = &runningFlag(kRecvThread);
    CameraAnswerDispatcher dispatcher(packet_);
    reader.run(ctx, [&](int cmd, const uint8_t* data, int len) {
        if (len > 0) {
            dispatcher.DispatchAnswerCode(cmd, data, static_cast<size_t>(len), *this);
        }
    });
}

void CAPP2pCamera::CheckAccountProcess() {
    DebugOut("-------------通知正在校验账号---------------");
    DeliverEvent(DARVEL_EVENT_CHECKING);
    GetParam(DARVEL_CHECK_USER);
    DebugOut("%s: check account,line:%d\n", "CAPP2pCamera::CheckAccountProcess", 2408);
    int w = accountResult_.load() == -2 ? 0 : accountEvent_.wait(kAccountCheckWait_ms);
    if (w == 1 && cmdType_.load() != 0) {
        GetParam(DARVEL_CHECK_USER);
        w = accountResult_.load() == -2 ? 0 : accountEvent_.wait(kAccountCheckWait_ms);
    }
    if (w == 1) {
        return;
    }
    if (accountResult_.load() == -2) {
        DebugOut("%s: check account,line:%d, happen disconnect.\n",
                 "CAPP2pCamera::CheckAccountProcess", 2427);
        DeliverEvent(DARVEL_EVENT_LOST);
    }
}

void CAPP2pCamera::VideoReader() {
    MediaChannelReader reader(DARVEL_VIDEO_FRAME_MAX);
    reader.Run(channelRead(), kVideoChannel, runningFlag(kVideoThread),
               [this](const char* f, int n) { DeliverVideo(f, n); });
}

void CAPP2pCamera::AudioReader() {
    MediaChannelReader reader(DARVEL_AUDIO_FRAME_MAX);
    reader.Run(channelRead(), kAudioChannel, runningFlag(kAudioThread),
               [this](const char* f, int n) { DeliverAudio(f, n); });
}

void CAPP2pCamera::AlarmReader() {
    AlarmChannelReader::Run(
        channelRead(), kAlarmChannel, runningFlag(kAlarmThread),
        [this](int code) { DeliverAlarm(code); },
        // The device ended the session's alarms: the connection thread ends at its next
        // turn without closing; the client still stops the instance.
        [this] {
            clearRunning(kConnThread);
            batRunning_.store(false);
        });
}

void CAPP2pCamera::PlaybackProcess() {
    MediaChannelReader reader(DARVEL_VIDEO_FRAME_MAX);
    const std::atomic<bool>& running = runningFlag(kPlaybackThread);
    MediaChannelReader::End end =
        reader.Run(channelRead(), kPlaybackChannel, running, [&](const char* f, int n) {
            DeliverRecordData(f, n);
            MediaFrameHead head;
            memcpy(&head, f, sizeof(head));
            int pause_ms = pacer_.Next(head.kind, head.seconds, head.millis, head.sequence);
            // Sleep in slices so that a stop is not held up by a long pause.
            while (pause_ms > 0 && running.load()) {
                int slice = pause_ms < kPlaybackSleepSlice_ms ? pause_ms : kPlaybackSleepSlice_ms;
                SleepMs(slice);
                pause_ms -= slice;
            }
        });
    switch (end) {
        case MediaChannelReader::End::kHeadReadError:
            DebugOut("PlaybackProcess PPPP_IndeedRead read head failed  return: %d\n", -1);
            break;
        case MediaChannelReader::End::kOversize:
            DebugOut("PlaybackProcess recv data is invalid!! MAX:%d len:%d\n",
                     DARVEL_VIDEO_FRAME_MAX, static_cast<int>(reader.lastLength()));
            break;
        case MediaChannelReader::End::kDataReadError:
            DebugOut("PlaybackProcess PPPP_IndeedRead read data error: %d\n", -1);
            break;
        default:
            break;
    }
}

}  // namespace vantor
