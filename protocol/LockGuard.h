// Scoped holder of a CriticalLock: takes it on construction, releases it on destruction.
#pragma once

#include "CriticalLock.h"

namespace vantor {

class LockGuard {
public:
    explicit LockGuard(CriticalLock& lock) : lock_(lock) { lock_.lock(); }
    ~LockGuard() { lock_.unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CriticalLock& lock_;
};

}  // namespace vantor
