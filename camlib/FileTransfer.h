// Pushing a local file (a firmware image) to a P2P device over the command channel: four
// acknowledged steps, each answer awaited up to the step wait, the file sent in plain
// 0x60C2 data packets, progress (0x2718) and one outcome (0x2717) reported through the
// session's parameter-result path.
//
// Outcomes: 2 invalid answer, 3 no answer in time, 4 version mismatch, 5 cancelled by the
// device, 6 transfer error (also: the local file could not be read to the end, or ended
// before the size it had when opened), 7 local file cannot be opened, 8 MD5 check failed,
// 9 MD5 check passed.
//
// Thread: Start/Stop/OnStepResult from any thread (Start and Stop serialised by the caller's
// start/stop lock or the library); the transfer runs on its own thread and calls the hooks
// from there. Stop blocks until that thread has ended; it must not be called from a hook.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <functional>

#include "CommandQueue.h"
#include "CriticalLock.h"
#include "SignalEvent.h"
#include "WorkerThread.h"
#include "darvel_recordfile.h"

namespace vantor {

inline constexpr int kTransferStepWait_ms = 15000;
inline constexpr int kTransferQueueRetry_ms = 10;
inline constexpr size_t kTransferBlockBytes = 16384;
inline constexpr int kTransferTypeOutcome = 0x2717;
inline constexpr int kTransferTypeProgress = 0x2718;
inline constexpr int kTransferStepInvalid = 255;

class FileTransfer {
  public:
    struct Hooks {
        // Builds and queues a request of `type` (record may be null); > 0 when queued.
        std::function<int(int type, const void* record, int length)> queueRequest;
        // Queues the parts as one packet; > 0 when queued.
        std::function<size_t(const CommandQueue::Part* parts, size_t count)> queueRaw;
        // Reports (type, value) through the parameter-result path.
        std::function<void(int type, int value)> report;
    };

    // stepWait_ms: the wait for every answer. The default is the device's; the environment
    // variable VANTOR_DARVEL_TRANSFER_WAIT_MS (1-15000) shortens it for tests.
    explicit FileTransfer(Hooks hooks, int stepWait_ms = DefaultStepWait_ms());
    ~FileTransfer();
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    // 1 started; -6 null record; -7 a transfer is busy.
    int Start(const DarvelTransferRecord* record);
    // Ends a running transfer at once (its step answer becomes invalid); no outcome is
    // reported after this returns.
    void Stop();
    // An answer to the current step ("result= " value, 255 when missing).
    void OnStepResult(int result);
    bool busy() const { return busy_.load(); }

    static int DefaultStepWait_ms();

  private:
    static void Entry(void* arg);
    void Run();
    int RunSteps();  // the outcome, or 0 when none is reported
    // Queues with retries, then waits for the answer: 1 with *result, 0 time-out, -1 stopped.
    int Step(int type, const void* record, int length, int* result);
    int SendData();  // 0 when all data was acknowledged, else the outcome (-1: stopped)
    int WaitAnswer(int* result);

    Hooks hooks_;
    const int stepWait_ms_;
    CriticalLock startLock_;
    WorkerThread thread_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> stepResult_{kTransferStepInvalid};
    SignalEvent stepEvent_;
    DarvelTransferRecord record_ = {};  // transfer thread while busy
};

}  // namespace vantor
