// camera.xml may be damaged: any bytes must parse without overrunning a field.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "DeviceListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<vantor::client::DeviceListEntry> list;
    vantor::client::DeviceListFile::Parse(
        std::string_view(reinterpret_cast<const char*>(data), size), &list);
    std::vector<vantor::client::DeviceListEntry> back;
    vantor::client::DeviceListFile::Parse(vantor::client::DeviceListFile::Format(list), &back);
    return back.size() == list.size() ? 0 : 1;
}
