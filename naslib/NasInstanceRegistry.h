// The library's table of 512 recorder sessions with the initialised flag. Init and de-init
// serialise on lock A, create, destroy and the LAN search on lock B. Lookups take no lock:
// the caller must not destroy an instance while another thread still calls into it.
//
// Thread: any. One registry per process (the library's).
#pragma once

#include <atomic>

#include "CAPNas.h"
#include "CriticalLock.h"
#include "DeviceConnectInfo.h"
#include "morsk.h"

namespace vantor {

class NasInstanceRegistry {
  public:
    static NasInstanceRegistry& Instance();

    int Init(const char* initString);
    int DeInit();
    bool initialised() const { return initialised_.load(); }

    // The slot (0-511), or -1 not initialised, -2 full, -4 bad kind, -5 no memory.
    int Create(const DeviceConnectInfo& info, int kind);
    // 1 destroyed, 0 empty slot, -3 above 511.
    int Destroy(int instance);
    // The session, or nullptr for an instance above 511 (unsigned) or an empty slot.
    CAPNas* Find(int instance);

    CriticalLock& lockB() { return lockB_; }

  private:
    NasInstanceRegistry();
    std::atomic<CAPNas*> slots_[MORSK_MAX_INSTANCES];
    std::atomic<bool> initialised_{false};
    CriticalLock lockA_;
    CriticalLock lockB_;
};

}  // namespace vantor
