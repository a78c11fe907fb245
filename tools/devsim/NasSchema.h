// The settings records of a recorder: for each record the keys its get-CGI answers, in answer
// order, the request key each set-CGI sends for it, and the field width the client decodes it
// into. Answers are found by plain substring search, so a key that is contained in a longer
// key of the same answer ("port=" in "rtspport=", "type[0]=" in "scenetype[0]=") comes first.
// Thread: any (immutable tables built once).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "SettingsStore.h"

namespace devsim {

enum class NasRecord {
    kStatus,
    kCameras,
    kDateTime,
    kPppoe,
    kDdns,
    kRecordSchedule,
    kAlarm,
    kMail,
    kFtp,
    kNetwork,
    kAp,
    kWifi,
    kFactory,
    kPnpServer,
    kUsers,
    kPlugRelay,
    kPlugTimers,
    kPlugKey,
    kAppVersion,
    kAccessories,
    kCount
};

struct NasField {
    std::string key;    // answer key (and the store key)
    std::string param;  // request key of the set-CGI; empty: not settable
    size_t width = 0;   // text field bytes including the terminator; 0: a number
};

class NasSchema {
  public:
    static constexpr int kChannels = 4;
    static constexpr int kDisks = 16;
    static constexpr int kPartitions = 2;  // partitions with recordings
    static constexpr int kZones = 8;
    static constexpr int kZonePositions = 16;
    static constexpr int kPlugTimers = 8;
    static constexpr int kSceneEntries = 32;
    static constexpr int kFoundAccessories = 16;

    static const std::vector<NasField>& Fields(NasRecord record);
    // Declares every field of every record with its default; identity comes from the profile.
    static void DefineDefaults(SettingsStore& store, const DeviceProfile& profile);
};

}  // namespace devsim
