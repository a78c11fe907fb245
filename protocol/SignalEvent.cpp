#include "SignalEvent.h"

#include <chrono>
#include <thread>

namespace vantor {

SignalEvent::~SignalEvent() {
    std::unique_lock<std::mutex> lock(mutex_);
    closing_ = true;
    cv_.notify_all();
    // Waiters return -1 and leave; do not free the mutex under them.
    while (waiters_ > 0) {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
}

int SignalEvent::wait(int timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (closing_) return -1;
    if (signalled_) {
        signalled_ = false;
        return 0;
    }
    ++waiters_;
    auto ready = [this] { return closing_ || signalled_ || pulseTickets_ > 0; };
    bool woke;
    if (timeout_ms < 0) {
        cv_.wait(lock, ready);
        woke = true;
    } else {
        woke = cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
    }
    --waiters_;
    if (closing_) {
        cv_.notify_all();
        return -1;
    }
    int result = 1;
    if (woke) {
        result = 0;
        if (pulseTickets_ > 0) {
            --pulseTickets_;
        } else {
            signalled_ = false;
        }
    }
    // A pulse belongs to the threads that were waiting when it came; none is kept for later.
    if (pulseTickets_ > static_cast<uint64_t>(waiters_)) pulseTickets_ = waiters_;
    return result;
}

void SignalEvent::set() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
    cv_.notify_one();
}

void SignalEvent::pulse() {
    std::lock_guard<std::mutex> lock(mutex_);
    // Only threads already waiting may take a pulse; never more tickets than waiters.
    if (waiters_ > static_cast<int>(pulseTickets_)) {
        ++pulseTickets_;
        cv_.notify_all();
    }
}

void SignalEvent::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

}  // namespace vantor
