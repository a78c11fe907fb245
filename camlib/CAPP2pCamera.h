// The session of a camera reached through the P2P transport by its device ID: connection
// thread with its retry policy, the readers of channels 0, 1, 2, 4 and 5, the account check,
// talk, live video and audio requests, and the stop and teardown order.
//
// Threads: connection (writes channel 0), command receive (reads channel 0), account check,
// video (1), audio (2), playback (4), alarm (5). Talk (channel 3) is written by the caller.
// Locks: start/stop lock (Start, StartEx, Stop) -> close lock / worker lock; the cipher lock
// is held around every use of the session key. Stop blocks until every thread has ended;
// it must not be called from a callback.
//
// Battery connect (StartBat, Connect): three attempt threads race with lanSearch 30, 31 and
// 32; the first live session wins under the connect lock and its thread becomes the command
// writer; the others force-close their handles. Stop closes the session and joins them.
// File transfer runs on its own thread (FileTransfer); stop ends it without an outcome report.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "CAPCamera.h"
#include "FileTransfer.h"
#include "IndeedRead.h"
#include "SessionCipher.h"
#include "SignalEvent.h"

namespace vantor {

inline constexpr int kAccountCheckWait_ms = 15000;
inline constexpr int kConnectWaitTurn_ms = 100;
inline constexpr int kConnectWaitTurnsTimeout = 30;     // 3 s after a time-out
inline constexpr int kConnectWaitTurnsNotOnline = 200;  // 20 s after "not online"
inline constexpr int kConnectTimeoutsBeforeEvent = 6;
inline constexpr uint32_t kTalkUnsentLimitBytes = 8192;
inline constexpr int kTalkChannel = 3;
inline constexpr int kVideoChannel = 1;
inline constexpr int kAudioChannel = 2;
inline constexpr int kPlaybackChannel = 4;
inline constexpr int kAlarmChannel = 5;
inline constexpr int kLiveStreamId = 10;  // the device expects 10 whatever the caller asks
inline constexpr int kPlaybackSleepSlice_ms = 10;
inline constexpr int kBatteryAttempts = 3;
inline constexpr int kBatteryStartGap_ms = 20;
inline constexpr int kBatteryConnectDelaySlice_ms = 500;
inline constexpr int kBatteryConnectDelaySlices = 3;

class CAPP2pCamera : public CAPCamera {
  public:
    explicit CAPP2pCamera(const DeviceConnectInfo& info);
    ~CAPP2pCamera() override;

    int Start() override;
    int StartEx(int reconnect, int lanSearch) override;
    int StartBat() override;
    int Connect() override;
    int QueryDeviceStatus(const char* deviceId) override;
    int WakeupDevice(const char* deviceId) override;
    int Stop() override;
    int StartStream(int streamId, int subStream) override;
    int StopStream() override;
    int StartAudio(int streamId) override;
    int StopAudio() override;
    int StartTalk() override;
    int StopTalk() override;
    int SendTalkData(const char* data, int length) override;
    int AddCommandToBuf(int cmd, const void* data, unsigned len) override;
    // 1 started, -6 null record, -7 a transfer is busy.
    int TransmitFile(const DarvelTransferRecord* record) override;
    void SetTransferResult(int value) override;

    bool connected() const { return connected_.load() != 0; }

  protected:
    void ConnectionThread() override;
    void RecvCommandProcess() override;
    void VideoReader() override;
    void AudioReader() override;
    void AlarmReader() override;
    void PlaybackProcess() override;
    void CheckAccountProcess() override;

  private:
    int StartConnectionThread();
    void CloseSession();        // under the close lock
    void StartWorkerThreads();  // under the worker lock
    void StopWorkerThreads();   // under the worker lock
    int Connect(int* familyIndex);
    // Step 7 of the connection thread: write queued packets while the session lives.
    // Returns when the session failed (after the close) or the thread is told to end.
    void WriteLoop(const std::atomic<bool>& running);
    void SessionLost();
    int BuildAndQueueRequest(int kind, int streamId, int subStream);
    ChannelReadFn channelRead();

    // ---- battery connect ----
    struct BatAttempt {
        CAPP2pCamera* self = nullptr;
        int lanSearch = 0;
        std::atomic<int> failed{0};  // -1 after this attempt failed (ConnectNN)
        WorkerThread thread;
    };
    static void BatEntry(void* arg);
    void StartSendBatCommandThread();
    void StopBatThreads();
    void SendBatCommandProcess(BatAttempt& attempt);
    bool AllBatAttemptsFailed() const;

    std::atomic<int> handle_{-1};
    std::atomic<int> connected_{0};
    std::atomic<int> cmdType_{0};
    uint8_t key_[kSessionKeyBytes] = {};  // guarded by cipherLock_

    std::atomic<int> accountResult_{0};
    SignalEvent accountEvent_;
    // Set whenever a packet is queued, so the writer hands it over at once instead of on its
    // next idle turn; the idle wait keeps its bound.
    SignalEvent queuedEvent_;

    CriticalLock closeLock_;
    CriticalLock workerLock_;
    CriticalLock cipherLock_;

    // connection-thread state that the lost-connection path sets
    bool waiting_ = false;
    bool reinit_ = false;

    std::unique_ptr<uint8_t[]> writerBuffer_;  // connection thread only
    std::unique_ptr<FileTransfer> transfer_;

    BatAttempt bat_[kBatteryAttempts];  // lanSearch 30, 31, 32
    std::atomic<bool> batRunning_{false};
    CriticalLock connectLock_;
    int isConnect_ = 0;  // guarded by connectLock_
};

}  // namespace vantor
