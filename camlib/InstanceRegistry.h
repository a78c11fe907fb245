// The library's table of 512 camera sessions, indexed by user id, with the library-initialised
// flag. Creation and destruction serialise on the registry lock, init and de-init on the
// initialisation lock. Lookups take no lock: the caller must not destroy an instance while
// another thread still calls into it.
//
// Thread: any. One registry per process (the library's).
#pragma once

#include <atomic>
#include <string>

#include "CAPCamera.h"
#include "CriticalLock.h"
#include "DeviceConnectInfo.h"
#include "darvel.h"

namespace vantor {

class InstanceRegistry {
  public:
    static InstanceRegistry& Instance();

    // 1 always; the transport is initialised once with the first text (null or empty: the
    // transport's default).
    int Init(const char* initString);
    int DeInit();
    bool initialised() const { return initialised_.load(); }

    // user id 0-511, or -1 not initialised, -2 full, -4 bad kind, -5 no memory.
    int Create(const DeviceConnectInfo& info, int kind);
    // 1 destroyed, 0 empty slot, -3 id out of range.
    int Destroy(int userId);

    // The session of a user id, or nullptr for an id out of range or an empty slot.
    CAPCamera* Find(int userId);

  private:
    InstanceRegistry();
    std::atomic<CAPCamera*> slots_[DARVEL_MAX_INSTANCES];
    std::atomic<bool> initialised_{false};
    CriticalLock initLock_;
    CriticalLock registryLock_;
};

}  // namespace vantor
