// Reads the devices of a simulator run from a fleet file (XML) or from "key=value,..." specs
// given on the command line. Both use the same attribute names:
//   id name kind user password firmware mac host width height fps subWidth subHeight subFps
//   p2p httpPort battery sleepAfterMs alarmIntervalMs recordings chunked
// A <generate count="N" idPrefix="P" .../> element (or --count) adds N devices whose IDs are
// P followed by a six-digit number and a fixed five-letter tail; its other attributes apply to
// each of them.
// Thread: any (no shared state).
#pragma once

#include <string>
#include <vector>

#include "DeviceProfile.h"

namespace devsim {

class FleetLoader {
  public:
    static constexpr int kMaxDevices = 1024;

    // Appends the devices of the file; false with a message in *error.
    static bool LoadFile(const std::string& path, std::vector<DeviceProfile>* out,
                         std::string* error);
    // One device from "id=ABC,kind=doorbell,httpPort=0"; false with a message.
    static bool ParseDeviceOptions(const std::string& options, DeviceProfile* out,
                                   std::string* error);
    // Applies one attribute; false for an unknown name or a bad value.
    static bool Apply(DeviceProfile* p, const std::string& key, const std::string& value,
                      std::string* error);
    static void Generate(const DeviceProfile& pattern, const std::string& idPrefix, int count,
                         std::vector<DeviceProfile>* out);
    // Checks the rules a device must meet (ID length, text bounds, unique IDs).
    static bool Validate(const std::vector<DeviceProfile>& devices, std::string* error);
};

}  // namespace devsim
