// The set CGIs: which record each one writes, how its parameters map to the record's keys,
// and the few sets that need more than a copy (list entries, indexed schedules, the picture
// controls). A set changes only keys of its own record, so no request can reach settings
// (identity, counters) that other CGIs own.
// Thread: not synchronised; CgiHandler calls it under its lock.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "CgiRequest.h"
#include "SettingsSchema.h"
#include "SettingsStore.h"

namespace devsim {

class SettingsWriter {
  public:
    struct SetResult {
        bool matched = false;  // the request is one of the table's set CGIs
        uint16_t code = 0;     // its answer code
        bool ok = false;       // at least one setting was written
    };

    static SetResult ApplySetCgi(SettingsStore& store, const CgiRequest& r);
    static bool ApplyGroup(SettingsStore& store, const CgiRequest& r, Group group,
                           const char* prefix,
                           std::initializer_list<std::pair<const char*, const char*>> renames,
                           bool accountParams);
    static bool CameraControl(SettingsStore& store, const CgiRequest& r);
    static bool AlarmCam(SettingsStore& store, const CgiRequest& r);
    static bool AlarmPtz(SettingsStore& store, const CgiRequest& r);
    static bool PushEntry(SettingsStore& store, const CgiRequest& r);
    static bool AlarmTimes(SettingsStore& store, const CgiRequest& r);
};

}  // namespace devsim
