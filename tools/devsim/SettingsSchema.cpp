#include "SettingsSchema.h"

#include <array>
#include <cstdio>

namespace devsim {

namespace {

constexpr const char* kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr int kPushEntries = 16;
constexpr int kPresets = 16;
constexpr int kAlarmPtzEntries = 32;

std::string Indexed(const char* fmt, int a, int b = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

std::vector<std::string> Schedule(const char* prefix) {
    std::vector<std::string> keys;
    for (const char* d : kDays) {
        for (int i = 0; i < 3; ++i)
            keys.push_back(std::string(prefix) + d + "_" + std::to_string(i));
    }
    return keys;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::array<std::vector<std::string>, static_cast<size_t>(Group::kCount)> BuildGroups() {
    std::array<std::vector<std::string>, static_cast<size_t>(Group::kCount)> g;
    auto at = [&g](Group x) -> std::vector<std::string>& { return g[static_cast<size_t>(x)]; };
    at(Group::kNetwork) = {"ip", "mask", "gateway", "dns1", "dns2", "dhcpen", "port"};
    at(Group::kUsers) = {"user1_name", "user1_pwd",  "user2_name",
                         "user2_pwd",  "user3_name", "user3_pwd"};
    at(Group::kDdns) = {"ddns_service",   "ddns_user", "ddns_pwd",        "ddns_host",
                        "ddns_proxy_svr", "ddns_mode", "ddns_proxy_port", "ddns_status"};
    at(Group::kFtp) = {"ftp_svr",  "ftp_user",           "ftp_pwd", "ftp_dir", "ftp_port",
                       "ftp_mode", "ftp_upload_interval"};
    at(Group::kMail) = {"mail_svr",       "mail_user",      "mail_pwd",       "mail_sender",
                        "mail_receiver1", "mail_receiver2", "mail_receiver3", "mail_receiver4",
                        "mail_port",      "mailssl",        "smtpupload"};
    at(Group::kMisc) = {"led_mode",
                        "ptz_center_onstart",
                        "ptruntimes",
                        "ptz_patrol_rate",
                        "ptz_patrol_up_rate",
                        "ptz_patrol_down_rate",
                        "ptz_patrol_left_rate",
                        "ptz_patrol_right_rate",
                        "ptz_disppreset",
                        "preset_onstart"};
    for (const char* p :
         {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "c", "d", "e", "f"}) {
        at(Group::kMisc).push_back(std::string("preset") + p);
    }
    at(Group::kWifi) = {"wifi_enable",    "wifi_ssid",      "wifi_channel",   "wifi_mode",
                        "wifi_authtype",  "wifi_encrypt",   "wifi_keyformat", "wifi_defkey",
                        "wifi_key1",      "wifi_key2",      "wifi_key3",      "wifi_key4",
                        "wifi_key1_bits", "wifi_key2_bits", "wifi_key3_bits", "wifi_key4_bits",
                        "wifi_wpa_psk"};
    at(Group::kDateTime) = {"now", "tz", "ntp_enable", "ntp_svr", "dst_enable", "dst_time"};
    at(Group::kAlarm) =
        Concat({"alarm_motion_armed", "alarm_motion_sensitivity", "alarm_input_armed",
                "alarm_ioin_level", "alarm_iolinkage", "alarm_ioout_level", "alarm_presetsit",
                "alarm_mail", "alarm_upload_interval", "alarm_schedule_enable"},
               Schedule("alarm_schedule_"));
    for (const char* k :
         {"alarm_audio", "alarm_temperture", "alarm_record", "pirenable", "alarm_call_sound"}) {
        at(Group::kAlarm).push_back(k);
    }
    at(Group::kRecordSchedule) =
        Concat({"record_cover_enable", "record_timer", "record_time_enable"},
               Schedule("record_schedule_"));
    for (const char* k :
         {"record_sd_status", "sdtotal", "sdfree", "record_audio", "recordstream"}) {
        at(Group::kRecordSchedule).push_back(k);
    }
    at(Group::kCameraParams) = {"resolution",
                                "vbright",
                                "vcontrast",
                                "vhue",
                                "vsaturation",
                                "flip",
                                "mode",
                                "OSDEnable",
                                "enc_framerate",
                                "sub_enc_framerate",
                                "Cameratype",
                                "Resolutionsub",
                                "Resolutionsubsub",
                                "enc_size",
                                "enc_keyframe",
                                "enc_quant",
                                "enc_ratemode",
                                "enc_bitrate",
                                "enc_main_mode",
                                "sub_enc_size",
                                "sub_enc_keyframe",
                                "sub_enc_quant",
                                "sub_enc_ratemode",
                                "sub_enc_bitrate",
                                "sub_sub_enc_size",
                                "sub_sub_enc_framerate",
                                "sub_sub_enc_keyframe",
                                "sub_sub_enc_quant",
                                "sub_sub_enc_ratemode",
                                "sub_sub_enc_bitrate",
                                "speed",
                                "ircut",
                                "involume",
                                "outvolume"};
    at(Group::kStatus) = {"sys_ver",     "alias",       "deviceid",      "alarm_status",
                          "sdstatus",    "sdtotal",     "sdfree",        "mac",
                          "wifimac",     "dns_status",  "upnp_status",   "externwifi",
                          "learnstatus", "batcapacity", "batstatus",     "pirtimes",
                          "pirjpeg",     "pirrecord",   "messagerecord", "mcuversion"};
    at(Group::kApWifi) = {"apwifi_encrypt", "apswifi_port", "apwifi_key",     "apwifi_ssid",
                          "apwifi_ipaddr",  "apwifi_mask",  "apwifi_startip", "apwifi_endip"};
    at(Group::kOnvif) = {"onvifenable"};
    at(Group::kLanguage) = {"language"};
    at(Group::kSmartRecord) = {"smart_record"};
    at(Group::kBuzzer) = {"buzzer"};
    at(Group::kAlarmSwitch) = {"alarmswitch"};
    at(Group::kP2pUser) = {"p2pused"};
    at(Group::kRtsp) = {"rtspenable", "rtspport", "rtspuser", "rtsppwd"};
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 4; ++j) {
            at(Group::kAlarmLinkage).push_back(Indexed("alarmcam[%d][%d]", i, j));
            at(Group::kAlarmLinkage).push_back(Indexed("alarmkey[%d][%d]", i, j));
            at(Group::kAlarmLinkage).push_back(Indexed("alarmptz[%d][%d]", i, j));
        }
    }
    for (int i = 0; i < 8; ++i)
        at(Group::kAlarmLinkage).push_back(Indexed("alarmaudio[%d]", i));
    at(Group::kAlarmLinkage).push_back("zonestatus");
    for (int n = 0; n < kAlarmPtzEntries; ++n) {
        for (const char* f : {"using[%d]", "bound[%d]", "sit[%d]", "zone[%d]", "ptzspeed[%d]",
                              "scenetype[%d]", "number[%d]", "name[%d]"}) {
            at(Group::kAlarmPtz).push_back(Indexed(f, n));
        }
    }
    at(Group::kDoorbellUser) = {"doorbell_user", "doorbell_pwd"};
    at(Group::kWakeWord) = {"wakeword"};
    at(Group::kSwitchModule) = {"zel_wifi_lock", "zel_wifi_light_status", "zel_wifi_socket_status"};
    at(Group::kSmartLight) = {"light_switch",    "light_manul_time", "light_auto_time",
                              "light_intensity", "adc_value",        "pir_intensity"};
    for (int i = 0; i < 5; ++i) {
        at(Group::kWifiList).push_back(Indexed("ssid%d", i));
        at(Group::kWifiList).push_back(Indexed("pwd%d", i));
    }
    at(Group::kWifiList).push_back("wifi_use_no");
    at(Group::kPush).push_back("num");
    for (int i = 0; i < kPushEntries; ++i) {
        for (const char* f : {"access_id[%d]", "device_token[%d]", "secret_key[%d]", "phone_id[%d]",
                              "environment[%d]", "appdevicetype[%d]", "used[%d]"}) {
            at(Group::kPush).push_back(Indexed(f, i));
        }
    }
    at(Group::kPresetStatus).push_back(" num");
    for (int i = 0; i < kPresets; ++i) {
        at(Group::kPresetStatus).push_back(Indexed("presetnum[%d]", i));
        at(Group::kPresetStatus).push_back(Indexed("presetused[%d]", i));
    }
    at(Group::kWebTelnet) = {"WWWSwitch", "TelnetSwitch"};
    for (int d = 0; d < 7; ++d) {
        for (int p = 0; p < 4; ++p) {
            for (const char* f :
                 {"starthour[%d][%d]", "startmin[%d][%d]", "endhour[%d][%d]", "endmin[%d][%d]"}) {
                at(Group::kAlarmTimes).push_back(Indexed(f, d, p));
            }
        }
    }
    at(Group::kBatteryDoorbell) = {"messagerecord",   "messagerecord_times", "pir_enable",
                                   "pir_alarm_count", "broenable",           "bat_low_alert",
                                   "pir_alarm_record"};
    for (int i = 0; i < 16; ++i)
        at(Group::kAreaAlarmSwitch).push_back(Indexed("alarmswitch[%d]", i));
    return g;
}

const std::array<std::vector<std::string>, static_cast<size_t>(Group::kCount)>& Groups() {
    static const auto groups = BuildGroups();
    return groups;
}

}  // namespace

const std::vector<std::string>& GroupKeys(Group group) {
    return Groups()[static_cast<size_t>(group)];
}

const std::vector<Group>& GetAllGroups() {
    static const std::vector<Group> groups = {Group::kNetwork,  Group::kUsers, Group::kDdns,
                                              Group::kFtp,      Group::kMail,  Group::kWifi,
                                              Group::kDateTime, Group::kAlarm};
    return groups;
}

void DefineDefaults(SettingsStore& s, const DeviceProfile& p) {
    // Numbers default to 0 and texts to "" unless listed below; widths follow the record fields.
    static const struct {
        const char* key;
        size_t width;
    } kTexts[] = {
        {"ip", 64},
        {"mask", 64},
        {"gateway", 64},
        {"dns1", 64},
        {"dns2", 64},
        {"user1_name", 64},
        {"user1_pwd", 64},
        {"user2_name", 64},
        {"user2_pwd", 64},
        {"user3_name", 64},
        {"user3_pwd", 64},
        {"ddns_user", 64},
        {"ddns_pwd", 64},
        {"ddns_host", 64},
        {"ddns_proxy_svr", 64},
        {"ftp_svr", 64},
        {"ftp_user", 64},
        {"ftp_pwd", 64},
        {"ftp_dir", 128},
        {"mail_svr", 64},
        {"mail_user", 64},
        {"mail_pwd", 64},
        {"mail_sender", 64},
        {"mail_receiver1", 64},
        {"mail_receiver2", 64},
        {"mail_receiver3", 64},
        {"mail_receiver4", 64},
        {"wifi_ssid", 128},
        {"wifi_key1", 128},
        {"wifi_key2", 128},
        {"wifi_key3", 128},
        {"wifi_key4", 128},
        {"wifi_wpa_psk", 128},
        {"ntp_svr", 64},
        {"sys_ver", 32},
        {"alias", 96},
        {"deviceid", 32},
        {"mac", 32},
        {"wifimac", 32},
        {"apwifi_key", 64},
        {"apwifi_ssid", 64},
        {"apwifi_ipaddr", 32},
        {"apwifi_mask", 32},
        {"apwifi_startip", 32},
        {"apwifi_endip", 32},
        {"rtspuser", 64},
        {"rtsppwd", 64},
        {"doorbell_user", 32},
        {"doorbell_pwd", 32},
        {"wakeword", 128},
    };
    for (const auto& t : kTexts)
        s.defineText(t.key, t.width, "");
    for (size_t gi = 0; gi < static_cast<size_t>(Group::kCount); ++gi) {
        for (const auto& key : GroupKeys(static_cast<Group>(gi))) {
            if (s.has(key))
                continue;
            bool text = key.rfind("alarmkey[", 0) == 0 || key.rfind("name[", 0) == 0 ||
                        key.rfind("ssid", 0) == 0 || key.rfind("pwd", 0) == 0 ||
                        key.rfind("access_id[", 0) == 0 || key.rfind("device_token[", 0) == 0 ||
                        key.rfind("secret_key[", 0) == 0 || key.rfind("phone_id[", 0) == 0;
            if (text) {
                s.defineText(key, key.rfind("alarmkey[", 0) == 0 ? 32 : 64, "");
            } else {
                s.defineInt(key, 0);
            }
        }
    }
    // Factory values of a fresh device.
    s.set("ip", "127.0.0.1");
    s.set("mask", "255.0.0.0");
    s.set("gateway", "127.0.0.1");
    s.set("dns1", "127.0.0.1");
    s.set("dns2", "127.0.0.1");
    s.set("dhcpen", "1");
    s.set("port", std::to_string(p.httpPort > 0 ? p.httpPort : 81));
    s.set("user3_name", p.user);
    s.set("user3_pwd", p.password);
    s.set("ftp_port", "21");
    s.set("ftp_upload_interval", "0");
    s.set("mail_port", "25");
    s.set("ntp_enable", "1");
    s.set("ntp_svr", "time.nist.gov");
    s.set("tz", "0");
    s.set("wifi_channel", "6");
    s.set("alarm_motion_sensitivity", "5");
    s.set("record_sd_status", "1");
    s.set("sdtotal", "30436");
    s.set("sdfree", "21870");
    s.set("sdstatus", "1");
    s.set("resolution", p.mainStream.height >= 720 ? "3" : "0");
    s.set("vbright", "128");
    s.set("vcontrast", "128");
    s.set("vhue", "128");
    s.set("vsaturation", "128");
    s.set("OSDEnable", "1");
    s.set("enc_framerate", std::to_string(p.mainStream.fps));
    s.set("sub_enc_framerate", std::to_string(p.subStream.fps));
    s.set("enc_keyframe", std::to_string(p.mainStream.fps * 2));
    s.set("sub_enc_keyframe", std::to_string(p.subStream.fps * 2));
    s.set("enc_bitrate", "1024");
    s.set("sub_enc_bitrate", "256");
    s.set("involume", "50");
    s.set("outvolume", "50");
    s.set("sys_ver", p.firmware);
    s.set("alias", p.name);
    s.set("deviceid", p.id);
    s.set("mac", p.mac);
    s.set("wifimac", p.mac);
    s.set("batcapacity", p.battery ? "87" : "0");
    s.set("batstatus", p.battery ? "1" : "0");
    s.set("mcuversion", p.battery ? "3" : "0");
    s.set("apwifi_ssid", "SIM-" + p.id);
    s.set("apwifi_ipaddr", "127.0.0.1");
    s.set("apwifi_mask", "255.0.0.0");
    s.set("apwifi_startip", "127.0.0.100");
    s.set("apwifi_endip", "127.0.0.200");
    s.set("apswifi_port", "8080");
    s.set("rtspport", "554");
    s.set("rtspuser", p.user);
    s.set("rtsppwd", p.password);
    s.set("language", "1");
    s.set("p2pused", "1");
    s.set("WWWSwitch", "1");
    s.set("wakeword", "hello camera");
    s.set("light_manul_time", "60");
    s.set("light_auto_time", "30");
    s.set("light_intensity", "80");
    s.set(" num", "4");
    for (int i = 0; i < kPresets; ++i) {
        s.set(Indexed("presetnum[%d]", i), std::to_string(i));
        s.set(Indexed("presetused[%d]", i), i < 4 ? "1" : "0");
    }
    s.set("messagerecord_times", "3");
    s.set("pir_alarm_count", "1");
}

}  // namespace devsim
