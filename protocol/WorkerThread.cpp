#include "WorkerThread.h"

#include <system_error>

#include "LockGuard.h"

namespace vantor {

int WorkerThread::start(Entry entry, void* arg) {
    LockGuard guard(lock_);
    if (thread_.joinable()) return 1;
    entry_ = entry;
    arg_ = arg;
    try {
        thread_ = std::thread(entry, arg);
    } catch (const std::system_error&) {
        return -1;
    }
    return 1;
}

void WorkerThread::stop() {
    std::thread t;
    {
        LockGuard guard(lock_);
        if (!thread_.joinable()) return;
        t = std::move(thread_);
    }
    if (t.get_id() == std::this_thread::get_id()) {
        t.detach();
    } else {
        t.join();
    }
}

bool WorkerThread::running() {
    LockGuard guard(lock_);
    return thread_.joinable();
}

bool WorkerThread::isCurrentThread() {
    LockGuard guard(lock_);
    return thread_.joinable() && thread_.get_id() == std::this_thread::get_id();
}

}  // namespace vantor
