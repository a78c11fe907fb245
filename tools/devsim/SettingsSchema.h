// The record groups a device answers with: which keys each get-CGI returns, in which order,
// and their factory defaults. The order matters: the client finds a key by plain substring
// search, so a short key ("port=", "mac=", "mode=") must come before the longer keys that
// contain it ("ftp_port=", "wifimac=", "enc_main_mode=").
#pragma once

#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "SettingsStore.h"

namespace devsim {

enum class Group {
    kNetwork,
    kUsers,
    kDdns,
    kFtp,
    kMail,
    kMisc,
    kWifi,
    kDateTime,
    kAlarm,
    kRecordSchedule,
    kCameraParams,
    kStatus,
    kApWifi,
    kOnvif,
    kLanguage,
    kSmartRecord,
    kBuzzer,
    kAlarmSwitch,
    kP2pUser,
    kRtsp,
    kAlarmLinkage,
    kAlarmPtz,
    kDoorbellUser,
    kWakeWord,
    kSwitchModule,
    kSmartLight,
    kWifiList,
    kPush,
    kPresetStatus,
    kWebTelnet,
    kAlarmTimes,
    kBatteryDoorbell,
    kAreaAlarmSwitch,
    kCount
};

const std::vector<std::string>& GroupKeys(Group group);

// The eight records of the get-all answer, network first (see the ordering note above).
const std::vector<Group>& GetAllGroups();

// Declares every key with its default; identity fields come from the profile.
void DefineDefaults(SettingsStore& store, const DeviceProfile& profile);

}  // namespace devsim
