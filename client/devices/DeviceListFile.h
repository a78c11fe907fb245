// The device list file "camera.xml".
//
// Thread: user-interface thread only. The file holds device passwords in plain text, so it is
// written with mode 0600 through a temporary file (a failed save keeps the previous file).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceIdentity.h"

namespace vantor::client {

struct DeviceListEntry {
    int32_t kind = kKindCamera;
    DeviceIdentity identity;
};

class DeviceListFile {
  public:
    static constexpr size_t kFileMaxBytes = 8 * 1024 * 1024;
    static constexpr size_t kMaxDevices = 4096;

    // Appends one entry per accepted Device element (Type 0-5). true when the root element was
    // found, even without devices; false on a parse failure or missing root (entries untouched).
    static bool Parse(std::string_view xml, std::vector<DeviceListEntry>* entries);
    static bool Load(const std::string& path, std::vector<DeviceListEntry>* entries);

    static std::string Format(const std::vector<DeviceListEntry>& entries);
    static bool Save(const std::string& path, const std::vector<DeviceListEntry>& entries);
};

}  // namespace vantor::client
