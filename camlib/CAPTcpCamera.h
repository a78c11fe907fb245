// The session of a camera reached directly by host and port. Every command is one HTTP
// exchange on a fresh connection (the command thread); the live video, the audio and the
// record playback each come over their own long-lived connection carrying media frames.
//
// Threads: the command thread (queue -> HTTP exchange -> answer dispatch by the request's own
// type), the stream-start thread (one pass: opens the live connection), and one reader per
// open stream connection. Talk frames are sent by the caller's thread on the live connection.
// Locks: start/stop lock (Start, StartEx, Stop) -> stream lock (live and audio connections) /
// playback lock (playback connection). Requests are built under the main lock, which is never
// held while a connection is opened or closed, so callbacks may queue requests.
// Stop blocks until every thread has ended; it must not be called from a callback.
// Blocking: StartAudio and PlaybackControl connect on the caller's thread (up to the connect
// time-out).
//
// This session raises no connection-lost event: a device that goes away shows as requests
// without answers and stream connections that end.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

#include "CAPCamera.h"
#include "CAPHttpClient.h"
#include "CAPTcpClientSocket.h"
#include "WorkerThread.h"

namespace vantor {

inline constexpr size_t kStreamBufferBytes = 524288;
// A frame has to fit the stream buffer together with its head.
inline constexpr size_t kStreamFrameDataMax = kStreamBufferBytes - 32;
inline constexpr size_t kHttpBufferBytes = 128000;
inline constexpr int kCommandIdleSleep_ms = 100;
inline constexpr int kTalkFrameBytes = 4096;
inline constexpr int kTalkDataMax = kTalkFrameBytes - 32;  // 4 064
inline constexpr int kPlaybackStopStreamId = 17;

class CAPTcpCamera : public CAPCamera {
  public:
    explicit CAPTcpCamera(const DeviceConnectInfo& info,
                          const HttpTimeouts& timeouts = HttpTimeouts());
    ~CAPTcpCamera() override;

    int Start() override;
    int StartEx(int reconnect, int lanSearch) override;
    int StartBat() override;  // 0: not a battery session
    int Connect() override;   // 0
    int Stop() override;
    int StartStream(int streamId, int subStream) override;
    int StopStream() override;
    int StartAudio(int streamId) override;
    int StopAudio() override;
    int StartTalk() override;
    int StopTalk() override;
    // One frame (32-byte head, kind 8, then the data) on the live connection; 1 sent or no
    // live connection, 0 for no data or data longer than kTalkDataMax.
    int SendTalkData(const char* data, int length) override;
    // Reopens the playback connection and sends the playback request; stream id 17 closes the
    // connection right after. 1 sent, 0 refused or not connected.
    int PlaybackControl(const void* record, int length) override;
    int TransmitFile(const DarvelTransferRecord* record) override;  // 0
    // Refused (0) while not started; else len + 20, or 0 when too long or the queue is full.
    int AddCommandToBuf(int cmd, const void* data, unsigned len) override;

    bool started() const { return started_.load() != 0; }

  protected:
    void ConnectionThread() override;  // the command thread
    void RecvCommandProcess() override {}
    void VideoReader() override {}
    void AudioReader() override {}
    void AlarmReader() override {}
    void PlaybackProcess() override {}
    void CheckAccountProcess() override {}

  private:
    enum class StreamKind { kLive, kAudio, kPlayback };
    struct Stream {
        StreamKind kind;
        CAPTcpCamera* owner = nullptr;
        CAPTcpClientSocket socket;
        WorkerThread reader;
        std::atomic<bool> running{false};
        std::unique_ptr<char[]> buffer;
        size_t fill = 0;  // reader thread only
    };

    static void StreamEntry(void* arg);
    static void StreamStartEntry(void* arg);
    int StartSession(bool storeValues, int reconnect, int lanSearch);
    int OpenStream(Stream& s);  // connect and start the reader; 1/0
    void CloseStream(Stream& s);
    void ReadStream(Stream& s);
    void HandleFrame(Stream& s, const char* frame, int length);
    void StopStreamStart();
    void StreamStartPass();

    HttpTimeouts timeouts_;
    std::atomic<int> started_{0};
    CriticalLock streamLock_;
    CriticalLock playbackLock_;
    CAPHttpClient command_;
    Stream live_;
    Stream audio_;
    Stream playback_;
    WorkerThread streamStart_;
    std::atomic<bool> streamStartRunning_{false};
    std::atomic<int> streamId_{0};
    std::atomic<int> subStream_{0};
};

}  // namespace vantor
