#include "CAPTcpCamera.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "CameraAnswerDispatcher.h"
#include "CommandFraming.h"
#include "DebugOut.h"
#include "LockGuard.h"
#include "MediaFrameHead.h"
#include "TcpStreamFramer.h"
#include "darvel_recordfile.h"

namespace vantor {
namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

constexpr int kPlaybackSleepSlice_ms = 10;

}  // namespace

CAPTcpCamera::CAPTcpCamera(const DeviceConnectInfo& info, const HttpTimeouts& timeouts)
    : CAPCamera(info), timeouts_(timeouts), command_(timeouts) {
    packet_.setTcpMode(1);
    packet_.SetHost(info_.host, info_.port);
    Stream* streams[] = {&live_, &audio_, &playback_};
    const StreamKind kinds[] = {StreamKind::kLive, StreamKind::kAudio, StreamKind::kPlayback};
    for (int i = 0; i < 3; ++i) {
        streams[i]->kind = kinds[i];
        streams[i]->owner = this;
        streams[i]->buffer.reset(new char[kStreamBufferBytes]);
        streams[i]->socket.setConnectTimeout(timeouts.connect_ms);
    }
}

CAPTcpCamera::~CAPTcpCamera() {
    Stop();
    DebugOut("-----------------free TcpCamera succ-------\n");
}

// ---- start / stop ----

int CAPTcpCamera::StartSession(bool storeValues, int reconnect, int lanSearch) {
    LockGuard g(startStopLock_);
    if (storeValues) {
        reconnect_.store(reconnect);
        lanSearch_.store(lanSearch);
    }
    started_.store(1);
    ClearStopFlag();
    StartThread(kConnThread);
    return 1;
}

int CAPTcpCamera::Start() {
    return StartSession(false, 0, 0);
}

int CAPTcpCamera::StartEx(int reconnect, int lanSearch) {
    return StartSession(true, reconnect, lanSearch);
}

int CAPTcpCamera::StartBat() {
    return 0;
}
int CAPTcpCamera::Connect() {
    return 0;
}
int CAPTcpCamera::TransmitFile(const DarvelTransferRecord*) {
    return 0;
}
int CAPTcpCamera::StartTalk() {
    return 1;
}
int CAPTcpCamera::StopTalk() {
    return 1;
}

int CAPTcpCamera::Stop() {
    // The flag goes up (and deliveries drain) before the start/stop lock, as in the P2P
    // session: a callback calling into the library is never waited for under that lock.
    SetStopFlag();
    LockGuard g(startStopLock_);
    {
        LockGuard p(playbackLock_);
        CloseStream(playback_);
    }
    {
        LockGuard s(streamLock_);
        // The stream-start pass first: it may still open the live connection.
        StopStreamStart();
        CloseStream(live_);
        CloseStream(audio_);
    }
    clearRunning(kConnThread);
    command_.Close();
    StopThread(kConnThread);
    command_.Close();
    started_.store(0);
    DebugOut("-----------------TcpCamera stop all thread succ-------\n");
    return 1;
}

// ---- commands ----

int CAPTcpCamera::AddCommandToBuf(int cmd, const void* data, unsigned len) {
    if (started_.load() == 0 || !queue_ || data == nullptr) {
        return 0;
    }
    return AddTcpCommandToBuf(*queue_, cmd, data, len);
}

void CAPTcpCamera::ConnectionThread() {
    std::unique_ptr<char[]> request(new char[kRequestTextBytes]);
    std::unique_ptr<char[]> header(new char[kHttpBufferBytes]);
    std::unique_ptr<char[]> body(new char[kHttpBufferBytes]);
    CameraAnswerDispatcher dispatcher(packet_);
    while (threadRunning(kConnThread)) {
        CmdQueueEntry entry;
        DequeueResult d = DequeuePacket(*queue_, &entry, reinterpret_cast<uint8_t*>(request.get()),
                                        kRequestTextBytes);
        if (d == DequeueResult::kEmpty) {
            SleepMs(kCommandIdleSleep_ms);
            continue;
        }
        if (d == DequeueResult::kCleared) {
            DebugOut("TcpCamera command queue out of step, command thread ends\n");
            return;
        }
        if (d != DequeueResult::kPacket || entry.packetLen == 0) {
            continue;
        }
        command_.Close();
        if (command_.Connect(info_.host, info_.port) == 0) {
            DebugOut("TcpCamera connect %s:%d failed, request 0x%x dropped\n", info_.host,
                     info_.port, entry.cmd);
            SleepMs(kCommandIdleSleep_ms);
            continue;
        }
        if (command_.Send(request.get(), entry.packetLen) < 0) {
            continue;
        }
        int n = command_.ReadResponse(header.get(), kHttpBufferBytes, body.get(), kHttpBufferBytes);
        command_.Close();
        if (n <= 0) {
            continue;
        }
        // Unlike the P2P path, the request's own type selects the decoder.
        dispatcher.Dispatch(static_cast<int>(entry.cmd),
                            reinterpret_cast<const uint8_t*>(body.get()), static_cast<size_t>(n),
                            *this);
    }
}

// ---- stream connections ----

void CAPTcpCamera::StreamEntry(void* arg) {
    Stream* s = static_cast<Stream*>(arg);
    s->owner->ReadStream(*s);
}

int CAPTcpCamera::OpenStream(Stream& s) {
    if (s.socket.Connect(info_.host, info_.port) == 0) {
        return 0;
    }
    s.fill = 0;
    s.running.store(true);
    if (s.reader.start(&CAPTcpCamera::StreamEntry, &s) < 0) {
        s.running.store(false);
        return 0;
    }
    return 1;
}

void CAPTcpCamera::CloseStream(Stream& s) {
    s.running.store(false);
    s.socket.Close();
    s.reader.stop();
}

void CAPTcpCamera::ReadStream(Stream& s) {
    char* buf = s.buffer.get();
    while (s.running.load()) {
        int n = s.socket.Recv(buf + s.fill, kStreamBufferBytes - s.fill);
        if (n <= 0) {
            break;
        }
        s.fill += static_cast<size_t>(n);
        size_t at = 0;
        TcpStreamFramer::Result r =
            TcpStreamFramer::Cut(buf, s.fill, static_cast<uint32_t>(kStreamFrameDataMax), &at,
                                 [this, &s](const char* frame, int length) {
                                     HandleFrame(s, frame, length);
                                     return s.running.load();
                                 });
        if (r == TcpStreamFramer::Result::kBad) {
            s.socket.Close();
            break;
        }
        if (at > 0) {
            memmove(buf, buf + at, s.fill - at);
            s.fill -= at;
        }
    }
    s.running.store(false);
}

void CAPTcpCamera::HandleFrame(Stream& s, const char* frame, int length) {
    switch (s.kind) {
        case StreamKind::kAudio:
            DeliverAudio(frame, length);
            return;
        case StreamKind::kPlayback: {
            DeliverRecordData(frame, length);
            MediaFrameHead head;
            memcpy(&head, frame, sizeof(head));
            int pause_ms = pacer_.Next(head.kind, head.seconds, head.millis, head.sequence);
            // Sleep in slices so that a close is not held up by a long pause.
            while (pause_ms > 0 && s.running.load()) {
                int slice = pause_ms < kPlaybackSleepSlice_ms ? pause_ms : kPlaybackSleepSlice_ms;
                SleepMs(slice);
                pause_ms -= slice;
            }
            return;
        }
        case StreamKind::kLive:
            break;
    }
    uint8_t kind = static_cast<uint8_t>(frame[4]);
    switch (kind) {
        case 200:
        case 204:
            DeliverEvent(DARVEL_EVENT_TCP_STATE_1);
            return;
        case 201:
            DeliverEvent(DARVEL_EVENT_TCP_STATE_2);
            return;
        case 202:
            DeliverEvent(DARVEL_EVENT_TCP_STATE_3);
            return;
        case 203:
            DeliverEvent(DARVEL_EVENT_TCP_STATE_4);
            return;
        default:
            break;
    }
    if (kind >= kFrameAlarmFirst && kind <= kFrameAlarmLast) {
        DeliverAlarm(kind);
        return;
    }
    DeliverVideo(frame, length);
}

// ---- live stream ----

void CAPTcpCamera::StreamStartEntry(void* arg) {
    static_cast<CAPTcpCamera*>(arg)->StreamStartPass();
}

void CAPTcpCamera::StreamStartPass() {
    char text[kGetParamTextBytes];
    int len = 0;
    {
        LockGuard g(mainLock_);
        if (packet_.BuildLiveStartRequest(streamId_.load(), subStream_.load(), text, sizeof(text),
                                          &len) == 0) {
            return;
        }
    }
    CloseStream(live_);
    if (!streamStartRunning_.load()) {
        return;
    }
    if (OpenStream(live_) == 0) {
        CloseStream(live_);
        return;
    }
    live_.socket.Send(text, static_cast<size_t>(len));
    DebugOut("TcpCamera live request: %s\n", text);
}

void CAPTcpCamera::StopStreamStart() {
    streamStartRunning_.store(false);
    streamStart_.stop();
}

int CAPTcpCamera::StartStream(int streamId, int subStream) {
    {
        LockGuard g(streamLock_);
        CloseStream(live_);
        StopStreamStart();
        streamId_.store(streamId);
        subStream_.store(subStream);
        streamStartRunning_.store(true);
        streamStart_.start(&CAPTcpCamera::StreamStartEntry, this);
    }
    DeliverEvent(DARVEL_EVENT_ONLINE);
    return 1;
}

int CAPTcpCamera::StopStream() {
    LockGuard g(streamLock_);
    CloseStream(live_);
    StopStreamStart();
    CloseStream(live_);  // a connection the stream-start pass opened meanwhile
    return 1;
}

int CAPTcpCamera::SendTalkData(const char* data, int length) {
    if (data == nullptr || length <= 0 || length > kTalkDataMax) {
        return 0;
    }
    // Head and data in one send, so the socket's send lock keeps the frame whole.
    char frame[kTalkFrameBytes];
    MediaFrameHead head;
    memset(&head, 0, sizeof(head));
    head.kind = kFrameTalk;
    head.dataLen = static_cast<uint32_t>(length);
    memcpy(frame, &head, sizeof(head));
    memcpy(frame + sizeof(head), data, static_cast<size_t>(length));
    live_.socket.Send(frame, sizeof(head) + static_cast<size_t>(length));
    return 1;
}

// ---- audio ----

int CAPTcpCamera::StartAudio(int streamId) {
    char text[kGetParamTextBytes];
    int len = 0;
    {
        LockGuard m(mainLock_);
        if (packet_.BuildAudioStartRequest(streamId, text, sizeof(text), &len) == 0) {
            return 0;
        }
    }
    LockGuard g(streamLock_);
    CloseStream(audio_);
    if (OpenStream(audio_) == 0) {
        CloseStream(audio_);
        return 0;
    }
    audio_.socket.Send(text, static_cast<size_t>(len));
    return 1;
}

int CAPTcpCamera::StopAudio() {
    LockGuard g(streamLock_);
    CloseStream(audio_);
    return 1;
}

// ---- playback ----

int CAPTcpCamera::PlaybackControl(const void* record, int length) {
    char text[kGetParamTextBytes];
    int len = 0;
    {
        LockGuard m(mainLock_);
        if (packet_.BuildCommand(DARVEL_PLAYBACK, record, length, text, sizeof(text), &len) == 0) {
            return 0;
        }
    }
    DarvelPlaybackRecord r;
    memcpy(&r, record, sizeof(r));  // the builder accepted exactly this length
    LockGuard g(playbackLock_);
    CloseStream(playback_);
    if (OpenStream(playback_) == 0) {
        CloseStream(playback_);
        return 0;
    }
    playback_.socket.Send(text, static_cast<size_t>(len));
    if (r.streamId == kPlaybackStopStreamId) {
        CloseStream(playback_);
    }
    return 1;
}

}  // namespace vantor
