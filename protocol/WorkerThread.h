// A thread record: handle, its own lock, entry function and argument.
//
// start(): creates the thread if none is running; 1 when created or already running, -1 when
// the thread could not be created.
// stop(): waits for the thread to end (the entry function must return by itself: callers clear
// their running flag first). Called from the thread itself it detaches instead of joining,
// so a session closed from one of its own threads does not deadlock.
// Thread: any; start and stop are serialised by the record's lock.
#pragma once

#include <thread>

#include "CriticalLock.h"

namespace vantor {

class WorkerThread {
public:
    using Entry = void (*)(void* arg);

    WorkerThread() = default;
    ~WorkerThread() { stop(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    int start(Entry entry, void* arg);
    void stop();
    bool running();
    bool isCurrentThread();

private:
    CriticalLock lock_;
    std::thread thread_;  // guarded by lock_
    Entry entry_ = nullptr;
    void* arg_ = nullptr;
};

}  // namespace vantor
