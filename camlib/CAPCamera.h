// Abstract base of the camera sessions: connection record, callbacks, packet object, command
// queue, thread records, and the operations that turn a parameter type plus record into a
// queued request. The virtual operations keep the slot order of the session interface.
//
// Threads. Request building and queuing run under the main lock (any caller thread).
// Callbacks are stored under the callback lock and delivered on the session's threads.
// Delivery of data, parameter, alarm, record and frame callbacks holds the delivery lock
// shared and checks the stop flag under it; Stop sets the flag and then takes the delivery
// lock exclusively once, so when Stop returns no such callback runs and none starts until
// the next start. Event, P2P-mode and device-log callbacks ignore the stop flag.
//
// Lock order: start/stop lock -> (close lock | worker lock); main lock -> queue lock ->
// cipher lock. Callbacks run with none of the session's locks held except the delivery lock
// (shared), so a callback may queue requests.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>

#include "AnswerSink.h"
#include "CAPCameraPacket.h"
#include "CommandQueue.h"
#include "CriticalLock.h"
#include "DeviceConnectInfo.h"
#include "PlaybackPacer.h"
#include "WorkerThread.h"
#include "darvel.h"

namespace vantor {

// Request text bounds of SetParam, GetParam and GetParamEx.
inline constexpr size_t kSetParamTextBytes = 65536;
inline constexpr size_t kGetParamTextBytes = 512;
inline constexpr size_t kGetParamExTextBytes = DARVEL_GET_PARAM_EX_TEXT_BYTES;

class CAPCamera : public AnswerSink {
  public:
    explicit CAPCamera(const DeviceConnectInfo& info);
    // Slot 0. Derived sessions stop themselves before this runs.
    ~CAPCamera() override;
    CAPCamera(const CAPCamera&) = delete;
    CAPCamera& operator=(const CAPCamera&) = delete;

    virtual int Start();                                                      // 1
    virtual int StartEx(int reconnect, int lanSearch);                        // 2
    virtual int StartBat();                                                   // 3
    virtual int Connect();                                                    // 4
    virtual int InitWakeupServer(const char*, int, const char*, int);         // 5
    virtual int QueryDeviceStatus(const char* deviceId);                      // 6
    virtual int WakeupDevice(const char* deviceId);                           // 7
    virtual int Stop();                                                       // 8
    virtual int SetVideoCallback(DarvelFrameCallback cb, void* user);         // 9
    virtual int StartStream(int streamId, int subStream);                     // 10
    virtual int StopStream();                                                 // 11
    virtual int SetAudioCallback(DarvelFrameCallback cb, void* user);         // 12
    virtual int StartAudio(int streamId);                                     // 13
    virtual int StopAudio();                                                  // 14
    virtual int StartTalk();                                                  // 15
    virtual int StopTalk();                                                   // 16
    virtual int SendTalkData(const char* data, int length);                   // 17
    virtual int Ptz(int command);                                             // 18
    virtual int SetEventCallback(DarvelEventCallback cb, void* user);         // 19
    virtual int SetP2pModeCallback(DarvelP2pModeCallback cb, void* user);     // 20
    virtual int SetAlarmMessageCallback(DarvelAlarmCallback cb, void* user);  // 21
    virtual int SearchDeviceLog(const DarvelRecordSearch* query, DarvelDeviceLogCallback cb,
                                void* user);                                     // 22
    virtual int SearchRecordFile(const void* record, int length);                // 23
    virtual int SearchRecordFileB(const void* record, int length);               // 24
    virtual int SetRecordFileCallback(DarvelRecordFileCallback cb, void* user);  // 25
    virtual int SetRecordNameCallback(DarvelRecordFileCallback cb, void* user);  // 26
    virtual int SetRecordDataCallback(DarvelFrameCallback cb, void* user);       // 27
    virtual int PlaybackControl(const void* record, int length);                 // 28
    virtual int SetParamCallback(DarvelParamDataCallback dataCb, DarvelParamResultCallback resultCb,
                                 void* user);                        // 29
    virtual int SetParam(int type, const void* record, int length);  // 30
    virtual int GetParam(int type);                                  // 31
    virtual int TransmitFile(const DarvelTransferRecord* record);    // 32
    virtual void SetAccountResult(int value);                        // 33
    virtual void SetTransferResult(int value);                       // 34
    // Slot 35: frames and queues one request; the queued byte count, 0 when refused.
    virtual int AddCommandToBuf(int cmd, const void* data, unsigned len) = 0;

    // Not a slot: SetParam with a request bound of kGetParamExTextBytes.
    int GetParamEx(int type, const void* record, int length);

    // ---- AnswerSink: the dispatcher's results, with the stop-flag rule ----
    void OnParamData(int type, const char* record, int length) override;
    void OnParamResult(int type, int result) override;
    void OnRecordFile(const DarvelRecordListEntry& entry) override;
    void OnDeviceLog(int logType, int count, int index, int time) override;
    void OnAccountAccepted() override;
    void OnTransferStep(int result) override;
    void QueueFollowUp(int type) override;

    // Clears the video, audio, event, P2P-mode, alarm, parameter and record-data callbacks
    // (library de-initialisation).
    void ClearCallbacks();
    // Clears the event and P2P-mode callbacks (instance destruction).
    void ClearEventCallbacks();

    bool stopped() const { return stopFlag_.load() != 0; }

  protected:
    // Thread bodies of the derived sessions (slots 36-43, 61).
    virtual void ConnectionThread() = 0;     // 36
    virtual void RecvCommandProcess() = 0;   // 38
    virtual void VideoReader() = 0;          // 39
    virtual void AudioReader() = 0;          // 40
    virtual void AlarmReader() = 0;          // 41
    virtual void PlaybackProcess() = 0;      // 42
    virtual void CheckAccountProcess() = 0;  // 43

    enum ThreadIndex {
        kConnThread = 0,
        kRecvThread,
        kVideoThread,
        kAudioThread,
        kAlarmThread,
        kPlaybackThread,
        kAccountThread,
        kThreadCount
    };
    // Slots 45-58: start a thread if its state is -1 (setting its running flag first), stop
    // one (clear its flag, join if started, state back to -1).
    int StartThread(ThreadIndex which);
    void StopThread(ThreadIndex which);
    bool threadRunning(ThreadIndex which) const { return running_[which].load(); }
    const std::atomic<bool>& runningFlag(ThreadIndex which) const { return running_[which]; }
    void clearRunning(ThreadIndex which) { running_[which].store(false); }

    // ---- delivery with the stop-flag rule ----
    void DeliverEvent(int event);
    void DeliverP2pMode(int mode);
    void DeliverAlarm(int code);
    void DeliverVideo(const char* frame, int length);
    void DeliverAudio(const char* frame, int length);
    void DeliverRecordData(const char* frame, int length);
    void SetStopFlag();  // sets the flag and waits out deliveries in progress
    void ClearStopFlag();

    // Builds `type` into a text of textBytes and queues it under the main lock.
    int BuildAndQueue(int type, const void* record, int length, size_t textBytes);

    // ---- immutable after construction ----
    DeviceConnectInfo info_;
    CAPCameraPacket packet_;  // building: main lock; extraction: receive thread

    // ---- locks ----
    CriticalLock mainLock_;
    CriticalLock startStopLock_;

    std::unique_ptr<CommandQueue> queue_;  // its own lock

    std::atomic<int> reconnect_{1};
    std::atomic<int> lanSearch_{1};
    std::atomic<int> stopFlag_{0};

    PlaybackPacer pacer_;  // playback thread only

  private:
    static void ThreadEntry(void* arg);
    struct ThreadArg {
        CAPCamera* self;
        ThreadIndex which;
    };

    WorkerThread threads_[kThreadCount];
    int threadState_[kThreadCount];  // 1 started, -1 not started or joined; guarded by the
                                     // caller's lock (worker lock / start-stop lock)
    std::atomic<bool> running_[kThreadCount];
    ThreadArg threadArgs_[kThreadCount];

    // guarded by callbackLock_
    struct Callbacks {
        DarvelEventCallback event = nullptr;
        void* eventUser = nullptr;
        DarvelP2pModeCallback p2pMode = nullptr;
        void* p2pModeUser = nullptr;
        DarvelAlarmCallback alarm = nullptr;
        void* alarmUser = nullptr;
        DarvelParamDataCallback paramData = nullptr;
        DarvelParamResultCallback paramResult = nullptr;
        void* paramUser = nullptr;
        DarvelFrameCallback video = nullptr;
        void* videoUser = nullptr;
        DarvelFrameCallback audio = nullptr;
        void* audioUser = nullptr;
        DarvelFrameCallback recordData = nullptr;
        void* recordDataUser = nullptr;
        DarvelRecordFileCallback recordFile = nullptr;
        void* recordFileUser = nullptr;
        DarvelRecordFileCallback recordName = nullptr;
        void* recordNameUser = nullptr;
        DarvelDeviceLogCallback deviceLog = nullptr;
        void* deviceLogUser = nullptr;
    };
    CriticalLock callbackLock_;
    Callbacks cb_;
    Callbacks snapshot();

    std::shared_mutex deliveryLock_;
};

}  // namespace vantor
