// The recorder session base: callbacks, parameter requests, PTZ, record search and playback
// control, the answer dispatch and playback pacing shared by the P2P and TCP sessions, and
// the seven thread records. CAPP2pNas and CAPTcpNas add the transport.
//
// The virtual operations keep their slot order (0 destructor ... 48 stop account thread).
//
// Threads: the command functions and callback setters run on the caller's thread under the
// command lock; the derived sessions' threads call the Emit* helpers, which copy the
// callback under the command lock and call it with no lock held.
// Locks: start/stop lock -> (derived) handle lock / worker lock / stream lock -> command lock
// -> queue lock. No lock is held while a callback runs.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "CAPNasPacket.h"
#include "CommandQueue.h"
#include "CriticalLock.h"
#include "DeviceConnectInfo.h"
#include "NasAnswerDispatcher.h"
#include "NasPlaybackPacer.h"
#include "SignalEvent.h"
#include "WorkerThread.h"
#include "morsk.h"

namespace vantor {

inline constexpr int kNasIdleSleep_ms = 100;

class CAPNas : protected NasAnswerSink {
  public:
    enum ThreadIndex {
        kSendThread,
        kRecvThread,
        kVideoThread,
        kAudioThread,
        kPlaybackThread,
        kAlarmThread,
        kCheckThread,
        kThreadCount
    };

    explicit CAPNas(const DeviceConnectInfo& info);
    // Slot 0.
    ~CAPNas() override;
    CAPNas(const CAPNas&) = delete;
    CAPNas& operator=(const CAPNas&) = delete;

    // Slots 1-22.
    virtual int Start();
    virtual int Stop();
    virtual int SetVideoCallback(MorskFrameCallback cb, void* user);
    virtual int StartStream(int streamId, int channel);
    virtual int StopStream(int channel);
    virtual int SetAudioCallback(MorskFrameCallback cb, void* user);
    virtual int StartAudio(int streamId, int channel);
    virtual int StopAudio(int channel);
    virtual int StartTalk();
    virtual int StopTalk();
    virtual int SendTalkData(int channel, const char* data, int length);
    virtual int SetEventCallback(MorskEventCallback cb, void* user);
    virtual int Ptz(int channel, int command);
    virtual int SetRecordFileCallback(MorskRecordFileCallback cb, void* user);
    virtual int SearchRecordFile(const void* request);
    virtual int SetRecordDataCallback(MorskFrameCallback cb, void* user);
    virtual int PlaybackControl(const void* request);
    virtual int SetP2pModeCallback(MorskP2pModeCallback cb, void* user);
    virtual int SetAlarmMessageCallback(MorskAlarmCallback cb, void* user);
    virtual int SetParamCallback(MorskParamRecordCallback recordCb,
                                 MorskParamResultCallback resultCb, void* user);
    virtual int SetParam(int type, const void* record, int size);
    virtual int GetParam(int type);
    // Slots 23-25: reserved, no effect.
    virtual void Reserved23() {}
    virtual void Reserved24() {}
    virtual void Reserved25() {}
    // Slot 26.
    virtual void SetAccountResult(int result);
    // Slot 27: queue one request text; what was queued (> 0) or 0.
    virtual int AddCommandToBuf(int type, const char* text, int length, int value) = 0;

  protected:
    // Slots 28-34: thread bodies.
    virtual void SendCommand() = 0;
    virtual void RecvCommandProcess() = 0;
    virtual void PlaybackProcess() = 0;
    virtual void VideoReader() = 0;
    virtual void AudioReader() = 0;
    virtual void AlarmReader() = 0;
    virtual void CheckAccountProcess() = 0;
    // Slots 35-48: start and stop of the threads (1 started or already running, -1 failed).
    virtual int StartSendCommandThread() { return StartThread(kSendThread); }
    virtual int StartRecvCommandThread() { return StartThread(kRecvThread); }
    virtual int StartVideoThread() { return StartThread(kVideoThread); }
    virtual int StartAudioThread() { return StartThread(kAudioThread); }
    virtual int StartPlaybackThread() { return StartThread(kPlaybackThread); }
    virtual int StartAlarmThread() { return StartThread(kAlarmThread); }
    virtual void StopSendCommandThread() { StopThread(kSendThread); }
    virtual void StopRecvCommandThread() { StopThread(kRecvThread); }
    virtual void StopVideoThread() { StopThread(kVideoThread); }
    virtual void StopAudioThread() { StopThread(kAudioThread); }
    virtual void StopPlaybackThread() { StopThread(kPlaybackThread); }
    virtual void StopAlarmThread() { StopThread(kAlarmThread); }
    virtual int StartCheckAccountThread() { return StartThread(kCheckThread); }
    virtual void StopCheckAccountThread() { StopThread(kCheckThread); }

    int StartThread(ThreadIndex i);
    void StopThread(ThreadIndex i);  // clears the run flag, then joins
    void ClearRunFlag(ThreadIndex i) { run_[i] = false; }
    bool running(ThreadIndex i) const { return run_[i].load(); }
    const std::atomic<bool>& runFlag(ThreadIndex i) const { return run_[i]; }

    // Takes the command lock, builds the request of the type and queues it.
    int BuildAndQueue(int type, const void* record, int size);
    // The request text buffer (kRequestTextBytes); only with commandLock_ held.
    char* requestText() { return requestText_.get(); }

    // ---- delivery (any session thread; no lock held during the call) ----
    void EmitEvent(int code);
    void EmitP2pMode(int mode);
    void EmitVideo(const char* frame, int length);
    void EmitAudio(const char* frame, int length);
    void EmitAlarm(int channel, int code);
    // Record data callback, then pacing (waits on the pacing event).
    void PacePlaybackFrame(const char* frame, int length);

    // NasAnswerSink
    void OnRecord(int type, const void* record, int size) override;
    void OnResult(int type, int result) override;
    void OnRecordFile(const NasRecordFileEntry& entry) override;
    void OnAccountResult(int result) override { SetAccountResult(result); }
    void OnFollowUp(int type) override { GetParam(type); }

    bool callbacksDisabled() const { return callbacksDisabled_.load(); }
    void setCallbacksDisabled(bool disabled) { callbacksDisabled_ = disabled; }

    // immutable after construction
    DeviceConnectInfo info_;

    CAPNasPacket packet_;  // builders under commandLock_; extraction from any thread
    CommandQueue queue_;   // own lock
    NasPlaybackPacer pacer_;
    SignalEvent pacingEvent_;  // signalled only by destruction
    SignalEvent wakeEvent_;    // cuts the send thread's idle sleeps short on stop
    CriticalLock commandLock_;
    CriticalLock startStopLock_;
    std::atomic<int> lastEvent_{-1};

  private:
    template <int I>
    static void ThreadEntry(void* self);
    void RunThread(ThreadIndex i);

    std::atomic<bool> callbacksDisabled_{true};
    std::atomic<bool> run_[kThreadCount] = {};
    WorkerThread threads_[kThreadCount];

    // guarded by commandLock_
    std::unique_ptr<char[]> requestText_;  // kRequestTextBytes
    MorskEventCallback eventCb_ = nullptr;
    void* eventUser_ = nullptr;
    MorskP2pModeCallback p2pModeCb_ = nullptr;
    void* p2pModeUser_ = nullptr;
    MorskAlarmCallback alarmCb_ = nullptr;
    void* alarmUser_ = nullptr;
    MorskParamRecordCallback recordCb_ = nullptr;
    MorskParamResultCallback resultCb_ = nullptr;
    void* paramUser_ = nullptr;
    MorskFrameCallback videoCb_ = nullptr;
    void* videoUser_ = nullptr;
    MorskFrameCallback audioCb_ = nullptr;
    void* audioUser_ = nullptr;
    MorskRecordFileCallback recordFileCb_ = nullptr;
    void* recordFileUser_ = nullptr;
    MorskFrameCallback recordDataCb_ = nullptr;
    void* recordDataUser_ = nullptr;
};

}  // namespace vantor
