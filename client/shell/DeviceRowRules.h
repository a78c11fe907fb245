// What a device row of the layout's grid shows: icon index, state text, buttons.
//
// Thread: user-interface thread (reads device state written by library threads; a stale value
// only delays the next repaint).
#pragma once

#include <string_view>

namespace vantor::client {

class CCDevInfo;
class LanguageTables;

class DeviceRowRules {
  public:
    static constexpr int kIconCount = 12;
    // Icon files in list order (index = the value IconIndex returns).
    static const char* IconFile(int index);

    // visual: 0 normal, 1 mouse-over, 2 selected. Recorders follow their first channel.
    static int IconIndex(const CCDevInfo& device, int visual);
    // The connection-state text; a recorder shows its first channel's.
    static std::string_view StateText(const CCDevInfo& device, const LanguageTables& lang);
    static bool HasAreaButton(const CCDevInfo& device);
    // The device whose state matters for the row (a recorder's first channel).
    static const CCDevInfo* StateSource(const CCDevInfo& device);
};

}  // namespace vantor::client
