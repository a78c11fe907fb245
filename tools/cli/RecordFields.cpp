#include "RecordFields.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "darvel.h"

namespace vantor::cli {
namespace {

#define T_(R, m, n)                           \
    FieldDef {                                \
        n, offsetof(R, m), sizeof(R::m), true \
    }
#define I_(R, m, n)                 \
    FieldDef {                      \
        n, offsetof(R, m), 4, false \
    }
#define T_AT(off, width, n) \
    FieldDef {              \
        n, off, width, true \
    }
#define I_AT(off, n)     \
    FieldDef {           \
        n, off, 4, false \
    }

std::vector<RecordDef> Build() {
    std::vector<RecordDef> r;
    {
        using R = DarvelNetworkRecord;
        r.push_back(
            {"network",
             0x2001,
             0x2000,
             sizeof(R),
             {T_(R, ip, "ip"), T_(R, mask, "mask"), T_(R, gateway, "gateway"), T_(R, dns1, "dns1"),
              T_(R, dns2, "dns2"), I_(R, dhcp, "dhcp"), I_(R, port, "port")}});
    }
    {
        using R = DarvelUsersRecord;
        r.push_back({"users",
                     0x2003,
                     0x2002,
                     sizeof(R),
                     {T_(R, user1, "user1"), T_(R, pwd1, "pwd1"), T_(R, user2, "user2"),
                      T_(R, pwd2, "pwd2"), T_(R, user3, "user3"), T_(R, pwd3, "pwd3")}});
    }
    {
        using R = DarvelDdnsRecord;
        r.push_back({"ddns",
                     0x2005,
                     0x2004,
                     sizeof(R),
                     {I_(R, service, "service"), T_(R, user, "user"), T_(R, pwd, "pwd"),
                      T_(R, host, "host"), T_(R, proxySvr, "proxy_svr"), I_(R, mode, "mode"),
                      I_(R, proxyPort, "proxy_port"), I_(R, status, "status")}});
    }
    {
        using R = DarvelFtpRecord;
        r.push_back(
            {"ftp",
             0x2007,
             0x2006,
             sizeof(R),
             {T_(R, svr, "svr"), T_(R, user, "user"), T_(R, pwd, "pwd"), T_(R, dir, "dir"),
              I_(R, port, "port"), I_(R, mode, "mode"), I_(R, uploadInterval, "upload_interval")}});
    }
    {
        using R = DarvelMailRecord;
        r.push_back(
            {"mail",
             0x2009,
             0x2008,
             sizeof(R),
             {T_(R, svr, "svr"), T_(R, user, "user"), T_(R, pwd, "pwd"), T_(R, sender, "sender"),
              T_AT(256, 64, "receiver1"), T_AT(320, 64, "receiver2"), T_AT(384, 64, "receiver3"),
              T_AT(448, 64, "receiver4"), I_(R, port, "port"), I_(R, ssl, "ssl"),
              I_(R, smtpUpload, "smtpupload")}});
    }
    {
        using R = DarvelMiscRecord;
        r.push_back(
            {"misc",
             0x2011,
             0x2010,
             sizeof(R),
             {I_(R, ledMode, "led_mode"), I_(R, ptzCenterOnStart, "ptz_center_onstart"),
              I_(R, ptzRunTimes, "ptz_run_times"), I_(R, patrolRate, "patrol_rate"),
              I_(R, patrolUpRate, "patrol_up_rate"), I_(R, patrolDownRate, "patrol_down_rate"),
              I_(R, patrolLeftRate, "patrol_left_rate"),
              I_(R, patrolRightRate, "patrol_right_rate"), I_(R, dispPreset, "disppreset"),
              I_(R, presetOnStart, "preset_onstart")}});
    }
    {
        using R = DarvelWifiRecord;
        r.push_back({"wifi",
                     0x2013,
                     0x2012,
                     sizeof(R),
                     {I_(R, enable, "enable"), T_(R, ssid, "ssid"), I_(R, channel, "channel"),
                      I_(R, mode, "mode"), I_(R, authType, "authtype"), I_(R, encrypt, "encrypt"),
                      I_(R, keyFormat, "keyformat"), I_(R, defKey, "defkey"),
                      T_AT(156, 128, "key1"), T_AT(284, 128, "key2"), T_AT(412, 128, "key3"),
                      T_AT(540, 128, "key4"), T_(R, wpaPsk, "wpa_psk")}});
    }
    {
        using R = DarvelDateTimeRecord;
        r.push_back({"datetime",
                     0x2016,
                     0x2015,
                     sizeof(R),
                     {I_(R, now, "now"), I_(R, tz, "tz"), I_(R, ntpEnable, "ntp_enable"),
                      T_(R, ntpSvr, "ntp_svr"), I_(R, dstEnable, "dst_enable"),
                      I_(R, dstTime, "dst_time")}});
    }
    {
        using R = DarvelAlarmRecord;
        r.push_back(
            {"alarm",
             0x2018,
             0x2017,
             sizeof(R),
             {I_(R, motionArmed, "motion_armed"), I_(R, motionSensitivity, "motion_sensitivity"),
              I_(R, inputArmed, "input_armed"), I_(R, ioinLevel, "ioin_level"),
              I_(R, ioLinkage, "iolinkage"), I_(R, iooutLevel, "ioout_level"),
              I_(R, presetSit, "preset"), I_(R, mail, "mail"), I_(R, record, "record"),
              I_(R, uploadInterval, "upload_interval"), I_(R, scheduleEnable, "schedule_enable"),
              I_(R, audio, "audio"), I_(R, temperature, "temperature"),
              I_(R, pirEnable, "pirenable"), I_(R, callSound, "call_sound")}});
    }
    {
        using R = DarvelRecordScheduleRecord;
        r.push_back(
            {"recordsch",
             0x2021,
             0x2022,
             sizeof(R),
             {I_(R, coverEnable, "cover"), I_(R, timer, "timer"), I_(R, timeEnable, "time_enable"),
              I_(R, sdStatus, "sd_status"), I_(R, sdTotal, "sdtotal"), I_(R, sdFree, "sdfree"),
              I_(R, audio, "audio"), I_(R, stream, "stream")}});
    }
    {
        using R = DarvelCameraParamsRecord;
        r.push_back(
            {"camera",
             0x2025,
             0,
             sizeof(R),
             {I_(R, resolution, "resolution"), I_(R, bright, "bright"), I_(R, contrast, "contrast"),
              I_(R, hue, "hue"), I_(R, saturation, "saturation"), I_(R, flip, "flip"),
              I_(R, mode, "mode"), I_(R, encFramerate, "enc_framerate"),
              I_(R, encBitrate, "enc_bitrate"), I_(R, ircut, "ircut"), I_(R, inVolume, "involume"),
              I_(R, outVolume, "outvolume")}});
    }
    {
        using R = DarvelStatusRecord;
        r.push_back({"status",
                     0x2701,
                     0,
                     sizeof(R),
                     {T_(R, sysVer, "sys_ver"), T_(R, alias, "alias"), T_(R, deviceId, "deviceid"),
                      I_(R, alarmStatus, "alarm_status"), I_(R, sdStatus, "sdstatus"),
                      I_(R, sdTotal, "sdtotal"), I_(R, sdFree, "sdfree"), T_(R, mac, "mac"),
                      T_(R, wifiMac, "wifimac"), I_(R, dnsStatus, "dns_status"),
                      I_(R, upnpStatus, "upnp_status"), I_(R, batCapacity, "batcapacity"),
                      I_(R, mcuVersion, "mcuversion")}});
    }
    {
        using R = DarvelApWifiRecord;
        r.push_back({"apwifi",
                     0x2703,
                     0x2704,
                     sizeof(R),
                     {I_(R, encrypt, "encrypt"), I_(R, port, "port"), T_(R, key, "key"),
                      T_(R, ssid, "ssid"), T_(R, ipAddr, "ipaddr"), T_(R, mask, "mask"),
                      T_(R, startIp, "startip"), T_(R, endIp, "endip")}});
    }
    {
        using R = DarvelRtspRecord;
        r.push_back({"rtsp",
                     0x270B,
                     0x270C,
                     sizeof(R),
                     {I_(R, enable, "enable"), I_(R, port, "port"), T_(R, user, "user"),
                      T_(R, pwd, "pwd")}});
    }
    r.push_back({"alias", 0, 0x2702, 64, {T_AT(0, 64, "alias")}});
    r.push_back({"onvif", 0x2709, 0x270A, 4, {I_AT(0, "onvifenable")}});
    r.push_back({"onlineusers", 0x270D, 0, 4, {I_AT(0, "p2pcount")}});
    r.push_back({"smartrecord", 0x2737, 0x2736, 4, {I_AT(0, "smart_record")}});
    r.push_back({"buzzer", 0x273E, 0x273F, 4, {I_AT(0, "buzzer")}});
    r.push_back({"alarmswitch", 0x2745, 0x2744, 4, {I_AT(0, "alarmswitch")}});
    r.push_back({"p2puser", 0x2746, 0, 4, {I_AT(0, "p2pused")}});
    r.push_back({"webtelnet", 0x273B, 0x273C, 8, {I_AT(0, "www"), I_AT(4, "telnet")}});
    {
        using R = DarvelSmartLightRecord;
        r.push_back({"smartlight",
                     0x272F,
                     0x272E,
                     sizeof(R),
                     {I_(R, lightSwitch, "light_switch"), I_(R, manualTime, "manual_time"),
                      I_(R, autoTime, "auto_time"), I_(R, intensity, "intensity"),
                      I_(R, adcValue, "adc_value"), I_(R, pirIntensity, "pir_intensity")}});
    }
    {
        using R = DarvelDoorbellUserRecord;
        r.push_back(
            {"doorbelluser", 0x2722, 0x2723, sizeof(R), {T_(R, user, "user"), T_(R, pwd, "pwd")}});
    }
    return r;
}

}  // namespace

const std::vector<RecordDef>& Records() {
    static const std::vector<RecordDef> kRecords = Build();
    return kRecords;
}

bool ParseInt(const std::string& text, long long min, long long max, long long* out) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long long v = strtoll(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < min || v > max) {
        return false;
    }
    *out = v;
    return true;
}

const RecordDef* FindRecord(const std::string& nameOrType) {
    long long type = 0;
    bool numeric = ParseInt(nameOrType, 0, 0xFFFF, &type);
    for (const RecordDef& d : Records()) {
        if (nameOrType == d.name || (numeric && (d.getType == type || d.setType == type))) {
            return &d;
        }
    }
    return nullptr;
}

const RecordDef* RecordOfType(int type) {
    for (const RecordDef& d : Records()) {
        if (d.getType == type) {
            return &d;
        }
    }
    return nullptr;
}

std::string FormatRecord(const RecordDef& def, const void* record, size_t size) {
    std::string out;
    if (size < def.size) {
        return out;
    }
    const char* base = static_cast<const char*>(record);
    for (const FieldDef& f : def.fields) {
        out += f.name;
        out += " = ";
        if (f.text) {
            out.append(base + f.offset, strnlen(base + f.offset, f.size));
        } else {
            int32_t v;
            memcpy(&v, base + f.offset, sizeof(v));
            out += std::to_string(v);
        }
        out += '\n';
    }
    return out;
}

std::string ApplyAssignment(const RecordDef& def, void* record, const std::string& assignment) {
    size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) {
        return "expected FIELD=VALUE, got \"" + assignment + "\"";
    }
    std::string name = assignment.substr(0, eq);
    std::string value = assignment.substr(eq + 1);
    char* base = static_cast<char*>(record);
    for (const FieldDef& f : def.fields) {
        if (name != f.name) {
            continue;
        }
        if (f.text) {
            if (value.size() >= f.size) {
                return "value of " + name + " is longer than " + std::to_string(f.size - 1) +
                       " bytes";
            }
            memset(base + f.offset, 0, f.size);
            memcpy(base + f.offset, value.data(), value.size());
            return "";
        }
        long long v = 0;
        if (!ParseInt(value, INT32_MIN, INT32_MAX, &v)) {
            return "value of " + name + " is not a 32-bit integer: \"" + value + "\"";
        }
        int32_t w = static_cast<int32_t>(v);
        memcpy(base + f.offset, &w, sizeof(w));
        return "";
    }
    return "record " + std::string(def.name) + " has no field \"" + name + "\"";
}

}  // namespace vantor::cli
