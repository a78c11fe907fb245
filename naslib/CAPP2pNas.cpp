#include "CAPP2pNas.h"

#include <pthread.h>
#include <signal.h>

#include <climits>
#include <cstring>

#include "CommandFraming.h"
#include "DebugOut.h"
#include "DeviceFamilies.h"
#include "LockGuard.h"
#include "MediaFrameHead.h"

namespace vantor {
namespace {

constexpr int kAccountPending = INT_MIN;
constexpr size_t kSendBufferBytes = sizeof(NasCmdHead) + kNasP2pMaxCommandLen + 20;

enum class StreamKind { kLiveStart, kLiveStop, kAudioStart, kAudioStop };

}  // namespace

CAPP2pNas::CAPP2pNas(const DeviceConnectInfo& info, const NasP2pTransport& transport)
    : CAPNas(info),
      transport_(transport),
      sendBuffer_(new (std::nothrow) uint8_t[kSendBufferBytes]) {
    packet_.setTcpMode(0);
}

CAPP2pNas::~CAPP2pNas() {
    Stop();
    DebugOut("---------------CAPP2pNas::~CAPP2pNas begin destroy sessionLock------------");
    DebugOut("-----------------free CAPP2pNas succ-------");
}

int CAPP2pNas::Start() {
    LockGuard g(startStopLock_);
    CAPNas::Start();
    StartSendCommandThread();
    return 1;
}

int CAPP2pNas::Stop() {
    LockGuard g(startStopLock_);
    CAPNas::Stop();
    DebugOut("-----------------CAPP2pNas stop begin PPPPClose()-------");
    ClearRunFlag(kSendThread);
    wakeEvent_.set();
    CloseSession();
    StopSendCommandThread();
    DebugOut("-----------------CAPP2pNas stop SendCommand thread ok-------");
    StopWorkerThreads();
    connected_ = 0;
    DebugOut("CAPP2pNas::Stop");
    return 1;
}

void CAPP2pNas::CloseSession() {
    LockGuard g(handleLock_);
    transport_.connectBreak();
    int h = handle_.exchange(-1);
    if (h > 0)
        transport_.forceClose(h);
    connected_ = 0;
}

void CAPP2pNas::StartWorkerThreads() {
    LockGuard g(workerLock_);
    StartCheckAccountThread();
    StartRecvCommandThread();
    StartVideoThread();
    StartAudioThread();
    StartPlaybackThread();
    StartAlarmThread();
}

void CAPP2pNas::StopWorkerThreads() {
    LockGuard g(workerLock_);
    DebugOut("-----------------P2PNas StopWorkerThread-------");
    ClearRunFlag(kCheckThread);
    SetAccountResult(kNasAccountStopped);
    StopCheckAccountThread();
    StopRecvCommandThread();
    StopVideoThread();
    StopAudioThread();
    StopAlarmThread();
    StopPlaybackThread();
}

int CAPP2pNas::ConnectOnce() {
    const char* id = info_.deviceId;
    if (id[0] == 0)
        return ERROR_PPPP_INVALID_ID;
    int family = FamilyIndexOf(id);
    const char* servers = family >= 0 ? FamilyInitString(family) : nullptr;
    if (servers != nullptr)
        return transport_.connectByServer(id, 1, 0, servers);
    return transport_.connect(id, 1, 0);
}

void CAPP2pNas::SendCommand() {
    // A write to a session whose peer has gone must fail with an error on this thread, not
    // raise SIGPIPE in the client's process.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    int timeouts = 0;
    int pauseTurns = 0;
    bool reinit = false;
    bool pause = false;
    while (running(kSendThread)) {
        if (reinit) {
            DebugOut("bReInitThread=%d\n", 1);
            CloseSession();
            StopWorkerThreads();
            reinit = false;
        }
        if (pause && pauseTurns < kNasPauseTurns) {
            ++pauseTurns;
            IdleWait(transport_.pauseTurn_ms);
            continue;
        }
        pauseTurns = 0;
        pause = false;

        EmitEvent(MORSK_EVENT_CONNECTING);
        int h = ConnectOnce();
        DebugOut("SessionHandle=%d\n", h);
        if (h < 0) {
            bool stillRunning = running(kSendThread);
            if (h == ERROR_PPPP_TIME_OUT || (h == ERROR_PPPP_USER_CONNECT_BREAK && stillRunning)) {
                if (++timeouts > kNasConnectTimeoutsBeforeEvent) {
                    EmitEvent(MORSK_EVENT_TIMEOUT);
                    return;
                }
                pause = true;
                continue;
            }
            if (h == ERROR_PPPP_USER_CONNECT_BREAK)
                return;
            if (h == ERROR_PPPP_INVALID_ID || h == ERROR_PPPP_INVALID_PREFIX ||
                h == ERROR_PPPP_ID_OUT_OF_DATE)
                EmitEvent(MORSK_EVENT_INVALID_ID);
            else if (h == ERROR_PPPP_DEVICE_NOT_ONLINE)
                EmitEvent(MORSK_EVENT_NOT_ONLINE);
            else
                EmitEvent(MORSK_EVENT_CONNECT_FAIL);
            return;
        }
        {
            LockGuard g(handleLock_);
            handle_ = h;
        }
        if (!running(kSendThread)) {
            // Stop came while connecting: its close may have missed this handle.
            CloseSession();
            return;
        }
        st_PPPP_Session si{};
        int c = transport_.check(h, &si);
        if (c < 0) {
            if (c != ERROR_PPPP_SESSION_CLOSED_CALLED)
                CloseSession();
            EmitEvent(MORSK_EVENT_LOST);
            reinit = pause = true;
            continue;
        }
        EmitP2pMode(si.mode == 0 ? MORSK_P2P_MODE_DIRECT : MORSK_P2P_MODE_RELAY);
        timeouts = 0;
        connected_ = 1;
        StartWorkerThreads();
        bool lost = false;
        if (!SendLoop(h, &lost))
            return;
        if (lost && running(kSendThread)) {
            EmitEvent(MORSK_EVENT_LOST);
            reinit = pause = true;
        }
    }
}

bool CAPP2pNas::SendLoop(int h, bool* lost) {
    int failure = 0;
    while (running(kSendThread)) {
        uint32_t unsent = 0;
        int r = transport_.checkBuffer(h, kNasCommandChannel, &unsent, nullptr);
        if (r < 0) {
            failure = r;
            break;
        }
        if (unsent >= kNasUnsentLimitBytes) {
            IdleWait(kNasIdleSleep_ms);
            continue;
        }
        CmdQueueEntry entry{};
        DequeueResult d = sendBuffer_
                              ? DequeuePacket(queue_, &entry, sendBuffer_.get(), kSendBufferBytes)
                              : DequeueResult::kCleared;
        if (d == DequeueResult::kEmpty) {
            IdleWait(kNasIdleSleep_ms);
            continue;
        }
        if (d == DequeueResult::kCleared) {
            connected_ = 0;
            return false;
        }
        if (d == DequeueResult::kDropped)
            continue;
        int w = transport_.write(h, kNasCommandChannel,
                                 reinterpret_cast<const char*>(sendBuffer_.get()),
                                 static_cast<int>(entry.packetLen));
        if (w < 0) {
            failure = w;
            break;
        }
    }
    if (failure == 0)
        return true;  // told to stop
    if (failure != ERROR_PPPP_SESSION_CLOSED_CALLED)
        CloseSession();
    *lost = true;
    return true;
}

int CAPP2pNas::AddCommandToBuf(int, const char* text, int length, int value) {
    if (!connected_ || text == nullptr || length < 0)
        return 0;
    if (static_cast<size_t>(length) > kNasP2pMaxCommandLen) {
        DebugOut("command large than MAX_COMMAND_LEN");
        return 0;
    }
    CmdQueueEntry entry{0, 0, static_cast<uint32_t>(length + sizeof(NasCmdHead)), 0, 0};
    NasCmdHead head{
        kNasStartCode, 0, static_cast<uint32_t>(length), 0, static_cast<uint16_t>(value), 0, 0};
    CommandQueue::Part parts[] = {
        {&entry, sizeof entry}, {&head, sizeof head}, {text, static_cast<size_t>(length)}};
    if (queue_.writeParts(parts, 3) == 0)
        return 0;
    wakeEvent_.set();
    return length + static_cast<int>(sizeof entry + sizeof head);
}

int CAPP2pNas::QueueStreamRequest(int kind, int streamId, int channel) {
    LockGuard g(commandLock_);
    char* out = requestText();
    if (out == nullptr)
        return 0;
    int len = 0;
    int ok = 0;
    switch (static_cast<StreamKind>(kind)) {
        case StreamKind::kLiveStart:
            ok = packet_.BuildNasLiveStart(streamId, channel, out, kRequestTextBytes, &len);
            break;
        case StreamKind::kLiveStop:
            ok = packet_.BuildNasLiveStop(channel, out, kRequestTextBytes, &len);
            break;
        case StreamKind::kAudioStart:
            ok = packet_.BuildNasAudioStart(streamId, channel, out, kRequestTextBytes, &len);
            break;
        case StreamKind::kAudioStop:
            ok = packet_.BuildNasAudioStop(channel, out, kRequestTextBytes, &len);
            break;
    }
    return ok ? AddCommandToBuf(0, out, len, 0) : 0;
}

int CAPP2pNas::StartStream(int streamId, int channel) {
    return QueueStreamRequest(static_cast<int>(StreamKind::kLiveStart), streamId, channel);
}
int CAPP2pNas::StopStream(int channel) {
    return QueueStreamRequest(static_cast<int>(StreamKind::kLiveStop), 0, channel);
}
int CAPP2pNas::StartAudio(int streamId, int channel) {
    return QueueStreamRequest(static_cast<int>(StreamKind::kAudioStart), streamId, channel);
}
int CAPP2pNas::StopAudio(int channel) {
    return QueueStreamRequest(static_cast<int>(StreamKind::kAudioStop), 0, channel);
}

int CAPP2pNas::StartTalk() {
    return connected_.load();
}
int CAPP2pNas::StopTalk() {
    return connected_.load();
}

int CAPP2pNas::SendTalkData(int, const char* data, int length) {
    if (!connected_)
        return 0;
    if (length != kNasTalkBlockBytes)
        return 1;
    if (data == nullptr)
        return 0;
    int h = handle_;
    uint32_t unsent = 0;
    if (transport_.checkBuffer(h, kNasTalkChannel, &unsent, nullptr) < 0 ||
        unsent >= kNasTalkUnsentLimitBytes)
        return 1;
    char head[kMediaFrameHeadBytes] = {};
    head[4] = static_cast<char>(kFrameTalk);
    head[5] = 1;
    uint32_t len = kNasTalkBlockBytes;
    std::memcpy(head + 16, &len, sizeof len);
    if (transport_.write(h, kNasTalkChannel, head, sizeof head) < 0)
        return 0;
    if (transport_.write(h, kNasTalkChannel, data, length) < 0)
        return 0;
    return 1;
}

void CAPP2pNas::SetAccountResult(int result) {
    accountResult_ = result;
    accountEvent_.set();
}

void CAPP2pNas::CheckAccountProcess() {
    // A wake left over from an earlier stop or connection must not end this check.
    accountEvent_.reset();
    accountResult_ = kAccountPending;
    if (!running(kCheckThread)) {
        EmitEvent(MORSK_EVENT_LOST);
        return;
    }
    EmitEvent(MORSK_EVENT_CHECKING);
    GetParam(NAS_CHECK_USER);
    int waited = accountEvent_.wait(kNasAccountCheckWait_ms);
    int result = accountResult_;
    if (waited != 0 && result == kAccountPending) {
        EmitEvent(MORSK_EVENT_TIMEOUT);
        return;
    }
    if (result == 1) {
        EmitEvent(MORSK_EVENT_ONLINE);
        GetParam(NAS_GET_USERS);
    } else if (result == kNasAccountStopped) {
        EmitEvent(MORSK_EVENT_LOST);
    } else {
        EmitEvent(MORSK_EVENT_REJECTED);
    }
}

ChannelReadFn CAPP2pNas::channelRead(int h) {
    return [this, h](int channel, char* data, int* size, uint32_t timeout_ms) {
        return transport_.read(h, static_cast<uint8_t>(channel), data, size, timeout_ms);
    };
}

void CAPP2pNas::RecvCommandProcess() {
    commandReader_.Run(channelRead(handle_), kNasCommandChannel, runFlag(kRecvThread),
                       [this](const NasCmdHead& head, const char* payload, int) {
                           NasAnswerDispatcher::DispatchAnswerId(packet_, head.cmd, payload, *this);
                       });
}

void CAPP2pNas::VideoReader() {
    videoReader_.Run(channelRead(handle_), kNasVideoChannel, runFlag(kVideoThread),
                     [this](const char* frame, int length) { EmitVideo(frame, length); });
}

void CAPP2pNas::AudioReader() {
    audioReader_.Run(channelRead(handle_), kNasAudioChannel, runFlag(kAudioThread),
                     [this](const char* frame, int length) { EmitAudio(frame, length); });
}

void CAPP2pNas::PlaybackProcess() {
    playbackReader_.Run(
        channelRead(handle_), kNasPlaybackChannel, runFlag(kPlaybackThread),
        [this](const char* frame, int length) { PacePlaybackFrame(frame, length); });
}

void CAPP2pNas::AlarmReader() {
    alarmReader_.Run(channelRead(handle_), kNasAlarmChannel, runFlag(kAlarmThread),
                     [this](const NasCmdHead& head, const char* payload, int length) {
                         int code = 0;
                         if (NasAlarmFromPayload(payload, length, &code))
                             EmitAlarm(head.channel, code);
                     });
}

}  // namespace vantor
