// Single-instance guard: an flock on a lock file keyed by the installation folder, so two
// copies of the same installation cannot run at once while other installations can.
//
// Thread: main thread. The lock is held until the object is destroyed or the process ends.
#pragma once

#include <string>

namespace vantor::client {

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // true when this process now holds the lock; false when another one does (or the lock
    // file cannot be made, which is reported the same way rather than risking two runs).
    bool Acquire(const std::string& installation_folder);

    // Where the lock file of an installation lives.
    static std::string LockPath(const std::string& installation_folder);

  private:
    int fd_ = -1;
};

}  // namespace vantor::client
