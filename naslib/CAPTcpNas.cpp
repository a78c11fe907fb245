#include "CAPTcpNas.h"

#include <sys/socket.h>

#include <cstring>
#include <memory>
#include <string>

#include "CommandFraming.h"
#include "DebugOut.h"
#include "LockGuard.h"
#include "MediaFrameHead.h"
#include "NasCmdHead.h"

namespace vantor {

CAPTcpNas::CAPTcpNas(const DeviceConnectInfo& info) : CAPNas(info) {
    packet_.setTcpMode(1);
}

CAPTcpNas::~CAPTcpNas() {
    Stop();
}

int CAPTcpNas::Start() {
    LockGuard g(startStopLock_);
    started_ = true;
    CAPNas::Start();
    StartSendCommandThread();
    return 1;
}

int CAPTcpNas::Stop() {
    LockGuard g(startStopLock_);
    CAPNas::Stop();
    {
        LockGuard s(streamLock_);
        playback_.Stop();
        live_.Stop();
        audio_.Stop();
    }
    ClearRunFlag(kSendThread);
    wakeEvent_.set();
    // Shut down (wakes a pending read) but close only after the join: closing under a connect
    // in progress would leave the command thread polling a dead descriptor for the whole
    // connect time-out.
    int fd = http_.socket().fd();
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
    StopSendCommandThread();
    http_.Close();
    started_ = false;
    return 1;
}

int CAPTcpNas::AddCommandToBuf(int type, const char* text, int length, int value) {
    if (!started_ || text == nullptr || length < 0)
        return 0;
    if (static_cast<size_t>(length) > kNasTcpMaxCommandLen) {
        DebugOut("command large than MAX_COMMAND_LEN");
        return 0;
    }
    DebugOut("%.*s", length, text);
    CmdQueueEntry entry{0, static_cast<uint32_t>(type), static_cast<uint32_t>(length),
                        static_cast<uint32_t>(value), 0};
    CommandQueue::Part parts[] = {{&entry, sizeof entry}, {text, static_cast<size_t>(length)}};
    if (queue_.writeParts(parts, 2) == 0)
        return 0;
    wakeEvent_.set();
    return length + static_cast<int>(sizeof entry);
}

void CAPTcpNas::SendCommand() {
    std::unique_ptr<char[]> text(new (std::nothrow) char[kNasTcpMaxCommandLen + 1]);
    std::unique_ptr<char[]> body(new (std::nothrow) char[kNasHttpBodyBytes]);
    if (!text || !body)
        return;
    while (running(kSendThread)) {
        CmdQueueEntry entry{};
        DequeueResult d = DequeuePacket(queue_, &entry, reinterpret_cast<uint8_t*>(text.get()),
                                        kNasTcpMaxCommandLen);
        if (d == DequeueResult::kEmpty) {
            wakeEvent_.wait(kNasIdleSleep_ms);
            continue;
        }
        if (d == DequeueResult::kCleared)
            return;
        if (d == DequeueResult::kDropped)
            continue;
        http_.Close();
        char ip[kNasIpv4TextBytes] = {};
        if (!ResolveNasIpv4(info_.host, ip, sizeof ip) || http_.Connect(ip, info_.port) != 1) {
            DebugOut("connect %s:%d failed, command dropped", info_.host, info_.port);
            wakeEvent_.wait(kNasIdleSleep_ms);
            continue;
        }
        if (http_.Send(text.get(), entry.packetLen) < 0)
            continue;
        int n = ReadNasResponse(http_, body.get(), kNasHttpBodyBytes);
        if (n > 0 && running(kSendThread))
            NasAnswerDispatcher::DispatchType(packet_, static_cast<int>(entry.cmd), body.get(),
                                              *this);
    }
}

void CAPTcpNas::OnLiveFrame(const char* frame, int length) {
    uint8_t kind = static_cast<uint8_t>(frame[4]);
    if (kind >= kFrameAlarmFirst && kind <= kFrameAlarmLast)
        EmitAlarm(MORSK_ALARM_CHANNEL_NONE, kind);
    else
        EmitVideo(frame, length);
}

int CAPTcpNas::OpenStream(Stream which, int streamId, int channel) {
    LockGuard s(streamLock_);
    NasTcpStream& conn = which == Stream::kLive ? live_ : audio_;
    conn.Stop();
    std::string request;
    {
        LockGuard g(commandLock_);
        char* out = requestText();
        int len = 0;
        int ok =
            out != nullptr &&
            (which == Stream::kLive
                 ? packet_.BuildNasLiveStart(streamId, channel, out, kRequestTextBytes, &len)
                 : packet_.BuildNasAudioStart(streamId, channel, out, kRequestTextBytes, &len));
        if (!ok)
            return 0;
        request.assign(out, static_cast<size_t>(len));
    }
    char ip[kNasIpv4TextBytes] = {};
    NasTcpStream::Handler handler;
    if (which == Stream::kLive)
        handler = [this](const char* f, int n) { OnLiveFrame(f, n); };
    else
        handler = [this](const char* f, int n) { EmitAudio(f, n); };
    if (!ResolveNasIpv4(info_.host, ip, sizeof ip) ||
        conn.Open(ip, info_.port, std::move(handler)) != 1) {
        conn.Stop();
        return 0;
    }
    conn.Send(request.data(), request.size());
    return 1;
}

int CAPTcpNas::StartStream(int streamId, int channel) {
    return OpenStream(Stream::kLive, streamId, channel);
}

int CAPTcpNas::StopStream(int) {
    LockGuard s(streamLock_);
    live_.Stop();
    return 1;
}

int CAPTcpNas::StartAudio(int streamId, int channel) {
    return OpenStream(Stream::kAudio, streamId, channel);
}

int CAPTcpNas::StopAudio(int) {
    LockGuard s(streamLock_);
    audio_.Stop();
    return 1;
}

int CAPTcpNas::PlaybackControl(const void* request) {
    if (request == nullptr)
        return 0;
    LockGuard s(streamLock_);
    playback_.Stop();
    pacer_.Restart();
    std::string text;
    {
        LockGuard g(commandLock_);
        char* out = requestText();
        int len = 0;
        if (out == nullptr || packet_.BuildCommand(NAS_RECORD_PLAY, request, sizeof(NasPlayback),
                                                   out, kRequestTextBytes, &len) == 0)
            return 0;
        text.assign(out, static_cast<size_t>(len));
    }
    char ip[kNasIpv4TextBytes] = {};
    if (!ResolveNasIpv4(info_.host, ip, sizeof ip) ||
        playback_.Open(ip, info_.port, [this](const char* f, int n) { PacePlaybackFrame(f, n); }) !=
            1) {
        playback_.Stop();
        return 0;
    }
    playback_.Send(text.data(), text.size());
    NasPlayback req;
    std::memcpy(&req, request, sizeof req);
    if (req.mode == NAS_PLAYBACK_MODE_END)
        playback_.Stop();
    return 1;
}

int CAPTcpNas::SendTalkData(int, const char* data, int length) {
    if (data == nullptr || length < 0 ||
        static_cast<size_t>(length) > kNasTalkFrameBytes - kMediaFrameHeadBytes)
        return 0;
    char frame[kNasTalkFrameBytes] = {};
    frame[4] = static_cast<char>(kFrameTalk);
    uint32_t len = static_cast<uint32_t>(length);
    std::memcpy(frame + 16, &len, sizeof len);
    std::memcpy(frame + kMediaFrameHeadBytes, data, static_cast<size_t>(length));
    LockGuard s(streamLock_);
    live_.Send(frame, kMediaFrameHeadBytes + static_cast<size_t>(length));
    return 1;
}

}  // namespace vantor
