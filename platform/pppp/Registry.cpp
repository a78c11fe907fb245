#include "Registry.h"

#include "Device.h"
#include "Session.h"

namespace vantor::pppp {

HandleTable<Session>& Registry::sessions() {
    static auto* table = new HandleTable<Session>(kSessionSlots);
    return *table;
}

HandleTable<Device>& Registry::devices() {
    static auto* table = new HandleTable<Device>(kDeviceSlots);
    return *table;
}

}  // namespace vantor::pppp
