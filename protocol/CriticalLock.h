// A critical section with an initialised flag, as the sessions of both network libraries use
// it. Not recursive: a thread must not take a lock it already holds.
// Thread: any. Ownership: the object owning the lock; it must outlive every holder.
#pragma once

#include <atomic>
#include <mutex>

namespace vantor {

class CriticalLock {
public:
    CriticalLock() : initialised_(true) {}
    ~CriticalLock() { initialised_ = false; }
    CriticalLock(const CriticalLock&) = delete;
    CriticalLock& operator=(const CriticalLock&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool tryLock() { return mutex_.try_lock(); }
    bool initialised() const { return initialised_; }

private:
    std::mutex mutex_;
    std::atomic<bool> initialised_;
};

}  // namespace vantor
