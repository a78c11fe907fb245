// The process-wide handle tables of the transport. They live until the process ends (never
// destroyed, so no exit-time destructor races a thread still inside the transport).
#pragma once

#include "HandleTable.h"

namespace vantor::pppp {

class Session;
class Device;

class Registry {
  public:
    static constexpr int kSessionSlots = 1024;  // at most 1023 sessions at once
    static constexpr int kDeviceSlots = 257;    // at most 256 devices at once
    // Session tags: who opened the session (PPPP_DeInitialize closes the client ones).
    static constexpr int kClientTag = 1;
    static constexpr int kDeviceTag = 2;

    static HandleTable<Session>& sessions();
    static HandleTable<Device>& devices();
};

}  // namespace vantor::pppp
