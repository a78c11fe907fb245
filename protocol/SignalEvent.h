// Auto-reset event.
//
// wait(timeout_ms): 0 when signalled (the signal is consumed), 1 on time-out, -1 on failure
// (the event is being destroyed). A negative time-out waits without limit.
// set(): leaves the event signalled until one waiter consumes it.
// pulse(): wakes one thread that is already waiting; with nobody waiting it does nothing, so
// a pulse sent before the wait begins is lost (callers that cannot accept that use set()).
// Thread: any. The event must outlive every waiter.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vantor {

class SignalEvent {
public:
    SignalEvent() = default;
    ~SignalEvent();
    SignalEvent(const SignalEvent&) = delete;
    SignalEvent& operator=(const SignalEvent&) = delete;

    int wait(int timeout_ms);
    void set();
    void pulse();
    void reset();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;     // guarded by mutex_
    int waiters_ = 0;            // guarded by mutex_
    uint64_t pulseTickets_ = 0;  // guarded by mutex_: pulses not yet taken by a waiter
    bool closing_ = false;       // guarded by mutex_
};

}  // namespace vantor
