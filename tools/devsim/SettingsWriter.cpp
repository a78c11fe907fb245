#include "SettingsWriter.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace devsim {

namespace {

std::string Indexed(const char* fmt, long long a, long long b = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

}  // namespace

bool SettingsWriter::ApplyGroup(SettingsStore& store, const CgiRequest& r, Group group,
                                const char* prefix,
                                std::initializer_list<std::pair<const char*, const char*>> renames,
                                bool accountParams) {
    // A set CGI changes only the keys of its own record.
    const auto& allowed = GroupKeys(group);
    auto inGroup = [&allowed](const std::string& k) {
        return std::find(allowed.begin(), allowed.end(), k) != allowed.end();
    };
    bool any = false;
    for (const auto& [param, value] : r.params()) {
        if (param == "loginuse" || param == "loginpas")
            continue;
        if (!accountParams && (param == "user" || param == "pwd"))
            continue;
        std::string key;
        for (const auto& [from, to] : renames) {
            if (param == from)
                key = to;
        }
        if (key.empty() && prefix != nullptr && inGroup(prefix + param))
            key = prefix + param;
        if (key.empty() && inGroup(param))
            key = param;
        if (!key.empty() && inGroup(key))
            any = store.set(key, value) || any;
    }
    return any;
}

SettingsWriter::SetResult SettingsWriter::ApplySetCgi(SettingsStore& store, const CgiRequest& r) {
    static const struct SetCgi {
        const char* name;
        uint16_t code;
        Group group;
        const char* prefix;
        std::initializer_list<std::pair<const char*, const char*>> renames;
        bool accountParams;  // user/pwd name another service's account, not the login
    } kSetCgis[] = {
        {"set_network.cgi",
         0x6021,
         Group::kNetwork,
         nullptr,
         {{"ipaddr", "ip"}, {"dhcp", "dhcpen"}},
         false},
        {"set_users.cgi",
         0x600E,
         Group::kUsers,
         nullptr,
         {{"user1", "user1_name"},
          {"user2", "user2_name"},
          {"user3", "user3_name"},
          {"pwd1", "user1_pwd"},
          {"pwd2", "user2_pwd"},
          {"pwd3", "user3_pwd"}},
         false},
        {"set_ddns.cgi", 0x6016, Group::kDdns, "ddns_", {}, true},
        {"set_ftp.cgi", 0x602C, Group::kFtp, "ftp_", {}, true},
        {"set_mail.cgi",
         0x6010,
         Group::kMail,
         "mail_",
         {{"ssl", "mailssl"}, {"smtpport", "mail_port"}},
         true},
        {"set_misc.cgi",
         0x6017,
         Group::kMisc,
         nullptr,
         {{"ptz_dispreset", "ptz_disppreset"},
          {"ptz_preset", "preset_onstart"},
          {"ptz_run_times", "ptruntimes"}},
         false},
        {"set_wifi.cgi", 0x6011, Group::kWifi, "wifi_", {}, false},
        {"set_alarm.cgi",
         0x600C,
         Group::kAlarm,
         "alarm_",
         {{"preset", "alarm_presetsit"}, {"alarm_temp", "alarm_temperture"}},
         false},
        {"set_recordsch.cgi",
         0x6029,
         Group::kRecordSchedule,
         "record_",
         {{"record_cover", "record_cover_enable"}, {"time_schedule_enable", "record_time_enable"}},
         false},
        {"set_apwifi.cgi", 0x6036, Group::kApWifi, nullptr, {}, false},
        {"set_onvif.cgi", 0x60AC, Group::kOnvif, nullptr, {}, false},
        {"set_rtsp.cgi", 0x602D, Group::kRtsp, nullptr, {}, false},
        {"door_bell_set_language.cgi", 0x60C6, Group::kLanguage, nullptr, {}, false},
        {"set_doorbell_user.cgi", 0x60CF, Group::kDoorbellUser, nullptr, {}, false},
        {"set_factory_param.cgi", 0x6025, Group::kWakeWord, nullptr, {}, false},
        {"set_ismart_params.cgi", 0x60D9, Group::kSmartLight, nullptr, {}, false},
        {"set_wifilist.cgi", 0x60DB, Group::kWifiList, nullptr, {}, false},
        {"set_smart_record.cgi", 0x60DF, Group::kSmartRecord, nullptr, {}, false},
        {"set_web_telnet_status.cgi", 0x60E6, Group::kWebTelnet, nullptr, {}, false},
        {"set_buzzer.cgi", 0x60EA, Group::kBuzzer, nullptr, {}, false},
        {"set_alarm_switch.cgi", 0x60ED, Group::kAlarmSwitch, nullptr, {}, false},
        {"set_bat_doorbell_param.cgi", 0x6100, Group::kBatteryDoorbell, nullptr, {}, false},
        {"set_area_alarm_switch.cgi", 0x6104, Group::kAreaAlarmSwitch, nullptr, {}, false},
    };
    SetResult res;
    for (const auto& s : kSetCgis) {
        if (r.name() != s.name)
            continue;
        res.matched = true;
        res.code = s.code;
        // A set that names no known setting is refused rather than reported as done.
        res.ok = ApplyGroup(store, r, s.group, s.prefix, s.renames, s.accountParams);
        return res;
    }
    return res;  // not a set CGI
}

bool SettingsWriter::CameraControl(SettingsStore& store, const CgiRequest& r) {
    // Our firmware's numbering of the picture controls.
    static const struct {
        int param;
        const char* key;
    } kControls[] = {{0, "resolution"}, {1, "vbright"},   {2, "vcontrast"},   {3, "mode"},
                     {5, "flip"},       {6, "vhue"},      {8, "vsaturation"}, {14, "ircut"},
                     {15, "OSDEnable"}, {24, "involume"}, {25, "outvolume"},  {100, "speed"}};
    long long param = r.getInt("param", -1);
    if (param == 38 || param == 39) {
        return store.set(param == 38 ? "wifi_ssid" : "wifi_wpa_psk",
                         r.get(param == 38 ? "ssid" : "passwd"));
    }
    for (const auto& c : kControls) {
        if (c.param == param)
            return store.set(c.key, r.get("value", "0"));
    }
    return false;
}

bool SettingsWriter::AlarmCam(SettingsStore& store, const CgiRequest& r) {
    if (r.getInt("clearall", 0) != 0) {
        for (int i = 0; i < 8; ++i) {
            for (int j = 0; j < 4; ++j)
                store.set(Indexed("alarmcam[%lld][%lld]", i, j), "0");
        }
        return true;
    }
    long long zone = r.getInt("zone", -1), sit = r.getInt("sit", -1);
    if (zone < 0 || zone >= 8 || sit < 0 || sit >= 4)
        return false;
    return store.set(Indexed("alarmcam[%lld][%lld]", zone, sit), "1");
}

bool SettingsWriter::AlarmPtz(SettingsStore& store, const CgiRequest& r) {
    long long n = r.getInt("number", -1);
    if (n < 0 || n >= 32)
        return false;
    bool clear = r.getInt("clear", 0) != 0;
    store.set(Indexed("using[%lld]", n), clear ? "0" : "1");
    for (const char* f : {"bound", "sit", "zone", "ptzspeed", "scenetype"}) {
        store.set(Indexed((std::string(f) + "[%lld]").c_str(), n), clear ? "0" : r.get(f, "0"));
    }
    store.set(Indexed("number[%lld]", n), clear ? "0" : std::to_string(n));
    store.set(Indexed("name[%lld]", n), clear ? "" : r.get("name"));
    return true;
}

bool SettingsWriter::PushEntry(SettingsStore& store, const CgiRequest& r) {
    constexpr int kEntries = 16;
    long long count = store.getInt("num");
    std::string phone = r.get("phone_id");
    long long slot = -1;
    for (long long i = 0; i < count; ++i) {
        if (store.get(Indexed("phone_id[%lld]", i)) == phone)
            slot = i;
    }
    if (slot < 0) {
        if (count >= kEntries)
            return false;
        slot = count;
        store.set("num", std::to_string(count + 1));
    }
    for (const char* f : {"access_id", "device_token", "secret_key", "phone_id", "environment",
                          "appdevicetype", "used"}) {
        store.set(Indexed((std::string(f) + "[%lld]").c_str(), slot), r.get(f));
    }
    return true;
}

bool SettingsWriter::AlarmTimes(SettingsStore& store, const CgiRequest& r) {
    bool any = false;
    for (int d = 0; d < 7; ++d) {
        for (int p = 0; p < 4; ++p) {
            for (const char* f : {"starthour", "startmin", "endhour", "endmin"}) {
                std::string param = Indexed("wday[%lld]time[%lld]", d, p) + f;
                if (!r.has(param))
                    continue;
                any = store.set(Indexed((std::string(f) + "[%lld][%lld]").c_str(), d, p),
                                r.get(param)) ||
                      any;
            }
        }
    }
    return any;
}

}  // namespace devsim
