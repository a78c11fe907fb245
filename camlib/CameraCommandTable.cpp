#include "CameraCommandTable.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "DebugOut.h"

namespace vantor {
namespace {

std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string Fmt(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n));
        vsnprintf(out.data(), out.size() + 1, fmt, ap2);
    }
    va_end(ap2);
    return out;
}

// A caller's text field, bounded by its width.
template <size_t N>
std::string T(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// A record given as free text of len bytes (no terminator needed).
std::string FreeText(const void* data, size_t len) {
    const char* p = static_cast<const char*>(data);
    return std::string(p, strnlen(p, len));
}

template <typename R>
bool Load(const void* data, size_t len, R& rec) {
    if (data == nullptr || len != sizeof(R)) {
        return false;
    }
    memcpy(&rec, data, sizeof(R));
    return true;
}

// First int of a record of exactly `size` bytes.
bool FirstInt(const void* data, size_t len, size_t size, int32_t& v) {
    if (data == nullptr || len != size) {
        return false;
    }
    memcpy(&v, data, sizeof(v));
    return true;
}

template <size_t N>
bool Ints(const void* data, size_t len, int32_t (&v)[N]) {
    if (data == nullptr || len != sizeof(v)) {
        return false;
    }
    memcpy(v, data, sizeof(v));
    return true;
}

const char* const kDays[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};

// Both ends of a time range as the device's 32-bit second counts; false when a date does not
// convert or falls outside what the request can carry (it would wrap to a wrong range).
bool RangeSeconds(const DarvelRecordSearch& r, int* from, int* to) {
    time_t a = CameraCommandTable::LocalSeconds(r.start);
    time_t b = CameraCommandTable::LocalSeconds(r.end);
    if (a < 0 || b < 0 || a > INT32_MAX || b > INT32_MAX) {
        return false;
    }
    *from = static_cast<int>(a);
    *to = static_cast<int>(b);
    return true;
}

// "&schedule_sun_0=%d...&schedule_sat_2=%d" over 21 ints.
std::string Schedule(const int32_t (&s)[21]) {
    std::string out;
    for (int d = 0; d < 7; ++d) {
        for (int w = 0; w < 3; ++w) {
            out += Fmt("&schedule_%s_%d=%d", kDays[d], w, s[d * 3 + w]);
        }
    }
    return out;
}

bool BuildSet(int type, const void* data, size_t len, std::string& c);

// Parameterless CGIs: the type asks for the name followed by "?".
struct BareCgi {
    int type;
    const char* name;
};
const BareCgi kBareCgis[] = {
    {0x2001, "get_params.cgi"},
    {0x2003, "get_params.cgi"},
    {0x2005, "get_params.cgi"},
    {0x2007, "get_params.cgi"},
    {0x2009, "get_params.cgi"},
    {0x2013, "get_params.cgi"},
    {0x2016, "get_params.cgi"},
    {0x2018, "get_params.cgi"},
    {0x2011, "get_misc.cgi"},
    {0x2014, "wifi_scan.cgi"},
    {0x2021, "get_record.cgi"},
    {0x2024, "set_formatsd.cgi"},
    {0x2025, "get_camera_params.cgi"},
    {0x2700, "reboot.cgi"},
    {0x2701, "get_status.cgi"},
    {0x2703, "get_apwifi.cgi"},
    {0x2705, "login.cgi"},
    {0x2707, "get_wifi_scan_result.cgi"},
    {0x2708, "check_user.cgi"},
    {0x2709, "get_onvif.cgi"},
    {0x270B, "get_rtsp.cgi"},
    {0x270D, "get_online_user.cgi"},
    {0x270E, "snapshot.cgi"},
    {0x2710, "restore_factory.cgi"},
    {0x2713, "get_alarmpnp_cam.cgi"},
    {0x271C, "door_bell_get_language.cgi"},
    {0x271F, "get_alarm_ptz.cgi"},
    {0x2722, "get_doorbell_user.cgi"},
    {0x2728, "snapshot_local.cgi"},
    {0x272B, "get_factory_param.cgi"},
    {0x272D, "zel_get_wifi_modules_params.cgi"},
    {0x272F, "get_ismart_params.cgi"},
    {0x2730, "get_wifilist.cgi"},
    {0x2732, "mailtest.cgi"},
    {0x2733, "test_mail.cgi"},
    {0x2735, "set_lxlog_clear.cgi"},
    {0x2737, "get_smart_record.cgi"},
    {0x2739, "get_xg_params.cgi"},
    {0x273A, "get_preset_status.cgi"},
    {0x273B, "get_web_telnet_status.cgi"},
    {0x273E, "get_buzzer.cgi"},
    {0x2741, "get_alarm_times.cgi"},
    {0x2742, "ftptest.cgi"},
    {0x2743, "test_ftp.cgi"},
    {0x2745, "get_alarm_switch.cgi"},
    {0x2746, "get_p2p_user.cgi"},
    {0x2749, "get_bat_doorbell_param.cgi"},
    {0x5001, "p2p_transfer_firmware_start.cgi"},
    {0x5002, "p2p_transfer_firmware_data.cgi"},
    {0x5003, "p2p_transfer_firmware_end.cgi"},
    {0x6105, "get_area_alarm_switch.cgi"},
};

bool Bare(int type, std::string& c) {
    for (const BareCgi& b : kBareCgis) {
        if (b.type == type) {
            c = Fmt("%s?", b.name);
            return true;
        }
    }
    return false;
}

bool BuildNetworkEtc(int type, const void* data, size_t len, std::string& c) {
    switch (type) {
        case 0x2000: {
            DarvelNetworkRecord r;
            if (!Load(data, len, r))
                return false;
            DebugOut("ip:%s,mask:%s,gateway:%s,dns1:%s,dns2:%s,dhcp:%d,port:%d", T(r.ip).c_str(),
                     T(r.mask).c_str(), T(r.gateway).c_str(), T(r.dns1).c_str(), T(r.dns2).c_str(),
                     r.dhcp, r.port);
            c = Fmt("set_network.cgi?ipaddr=%s&mask=%s&gateway=%s&dns1=%s&dns2=%s&dhcp=%d&port=%d",
                    T(r.ip).c_str(), T(r.mask).c_str(), T(r.gateway).c_str(), T(r.dns1).c_str(),
                    T(r.dns2).c_str(), r.dhcp, r.port);
            return true;
        }
        case 0x2002: {
            DarvelUsersRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("set_users.cgi?user1=%s&user2=%s&user3=%s&pwd1=%s&pwd2=%s&pwd3=%s",
                    T(r.user1).c_str(), T(r.user2).c_str(), T(r.user3).c_str(), T(r.pwd1).c_str(),
                    T(r.pwd2).c_str(), T(r.pwd3).c_str());
            return true;
        }
        case 0x2004: {
            DarvelDdnsRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_ddns.cgi?service=%d&user=%s&pwd=%s&host=%s&proxy_svr=%s&proxy_port=%d&"
                    "ddns_mode=%d",
                    r.service, T(r.user).c_str(), T(r.pwd).c_str(), T(r.host).c_str(),
                    T(r.proxySvr).c_str(), r.proxyPort, r.mode);
            return true;
        }
        case 0x2006: {
            DarvelFtpRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("set_ftp.cgi?svr=%s&port=%d&user=%s&pwd=%s&dir=%s&mode=%d&upload_interval=%d",
                    T(r.svr).c_str(), r.port, T(r.user).c_str(), T(r.pwd).c_str(), T(r.dir).c_str(),
                    r.mode, r.uploadInterval);
            return true;
        }
        case 0x2008: {
            DarvelMailRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_mail.cgi?sender=%s&receiver1=%s&receiver2=%s&receiver3=%s&receiver4=%s&"
                    "ssl=%d&svr=%s&smtpport=%d&smtpupload=%d&user=%s&pwd=%s",
                    T(r.sender).c_str(), T(r.receiver[0]).c_str(), T(r.receiver[1]).c_str(),
                    T(r.receiver[2]).c_str(), T(r.receiver[3]).c_str(), r.ssl, T(r.svr).c_str(),
                    r.port, r.smtpUpload, T(r.user).c_str(), T(r.pwd).c_str());
            return true;
        }
        case 0x2010: {
            DarvelMiscRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_misc.cgi?ptz_patrol_rate=%d&ptz_patrol_up_rate=%d&ptz_patrol_down_rate=%d&"
                    "ptz_patrol_left_rate=%d&ptz_patrol_right_rate=%d&ptz_dispreset=%d&"
                    "ptz_preset=%d&led_mode=%d&ptz_run_times=%d",
                    r.patrolRate, r.patrolUpRate, r.patrolDownRate, r.patrolLeftRate,
                    r.patrolRightRate, r.dispPreset, r.presetOnStart, r.ledMode, r.ptzRunTimes);
            return true;
        }
        case 0x2012: {
            DarvelWifiRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_wifi.cgi?enable=%d&ssid=%s&mode=%d&encrypt=%d&authtype=%d&keyformat=%d&"
                    "defkey=%d&key1=%s&key2=%s&key3=%s&key4=%s&key1_bits=%d&key2_bits=%d&"
                    "key3_bits=%d&key4_bits=%d&wpa_psk=%s&channel=%d",
                    r.enable, T(r.ssid).c_str(), r.mode, r.encrypt, r.authType, r.keyFormat,
                    r.defKey, T(r.key[0]).c_str(), T(r.key[1]).c_str(), T(r.key[2]).c_str(),
                    T(r.key[3]).c_str(), r.keyBits[0], r.keyBits[1], r.keyBits[2], r.keyBits[3],
                    T(r.wpaPsk).c_str(), r.channel);
            return true;
        }
        case 0x2015: {
            DarvelDateTimeRecord r;
            if (!Load(data, len, r))
                return false;
            if (r.now != 0) {
                c = Fmt("set_datetime.cgi?now=%d&tz=%d&ntp_enable=%d&ntp_svr=%s", r.now, r.tz,
                        r.ntpEnable, T(r.ntpSvr).c_str());
            } else {
                c = Fmt("set_datetime.cgi?tz=%d&ntp_enable=%d&ntp_svr=%s&dst_time=%d&dst_enable=%d",
                        r.tz, r.ntpEnable, T(r.ntpSvr).c_str(), r.dstTime, r.dstEnable);
            }
            return true;
        }
        case 0x2017: {
            DarvelAlarmRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_alarm.cgi?motion_armed=%d&motion_sensitivity=%d&input_armed=%d&"
                    "ioin_level=%d&preset=%d&iolinkage=%d&ioout_level=%d&mail=%d&"
                    "upload_interval=%d&schedule_enable=%d",
                    r.motionArmed, r.motionSensitivity, r.inputArmed, r.ioinLevel, r.presetSit,
                    r.ioLinkage, r.iooutLevel, r.mail, r.uploadInterval, r.scheduleEnable);
            c += Schedule(r.schedule);
            c += Fmt("&alarm_audio=%d&alarm_temp=%d&record=%d&pirenable=%d&alarm_call_sound=%d",
                     r.audio, r.temperature, r.record, r.pirEnable, r.callSound);
            return true;
        }
        case 0x2022: {
            DarvelRecordScheduleRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("set_recordsch.cgi?record_cover=%d&record_timer=%d&time_schedule_enable=%d",
                    r.coverEnable, r.timer, r.timeEnable);
            c += Schedule(r.schedule);
            c += Fmt("&record_audio=%d&recordstream=%d", r.audio, r.stream);
            return true;
        }
        case 0x2026: {
            DarvelCameraControlRecord r;
            if (!Load(data, len, r))
                return false;
            if (r.param == 38) {
                c = Fmt("camera_control.cgi?param=%d&ssid=%s", r.param, T(r.text).c_str());
            } else if (r.param == 39) {
                c = Fmt("camera_control.cgi?param=%d&passwd=%s", r.param, T(r.text).c_str());
            } else {
                c = Fmt("camera_control.cgi?param=%d&value=%d", r.param, r.value);
            }
            return true;
        }
        case 0x2027: {
            DarvelFactoryRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_factory_param.cgi?deviceid=%s&mac=%s&wifimac=%s&server=%s&port=%d&"
                    "username=%s&userpwd=%s&heartbeat=%d&serviceindex=%d&mode=%d&pnpserver=%s&"
                    "pnpport=%d",
                    T(r.deviceId).c_str(), T(r.mac).c_str(), T(r.wifiMac).c_str(),
                    T(r.server).c_str(), r.port, T(r.userName).c_str(), T(r.userPwd).c_str(),
                    r.heartbeat, r.serviceIndex, r.mode, T(r.pnpServer).c_str(), r.pnpPort);
            return true;
        }
        default:
            return BuildSet(type, data, len, c);
    }
}

bool BuildSet(int type, const void* data, size_t len, std::string& c) {
    int32_t v = 0;
    switch (type) {
        case 0x2702: {
            DarvelAliasRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("set_alias.cgi?alias=%s", T(r.alias).c_str());
            return true;
        }
        case 0x2704: {
            DarvelApWifiRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_apwifi.cgi?apwifi_encrypt=%d&apswifi_port=%d&apwifi_key=%s&apwifi_ssid=%s&"
                    "apwifi_ipaddr=%s&apwifi_mask=%s&apwifi_startip=%s&apwifi_endip=%s",
                    r.encrypt, r.port, T(r.key).c_str(), T(r.ssid).c_str(), T(r.ipAddr).c_str(),
                    T(r.mask).c_str(), T(r.startIp).c_str(), T(r.endIp).c_str());
            return true;
        }
        case 0x2706: {
            DarvelRecordSearch r;
            int from = 0;
            int to = 0;
            if (!Load(data, len, r) || !RangeSeconds(r, &from, &to))
                return false;
            c =
                Fmt("get_record_file.cgi?start_date=%d&end_date=%d&file_mode=%d&file_index=%d&"
                    "PageIndex=0&PageSize=2048",
                    from, to, r.fileMode, r.fileIndex);
            return true;
        }
        case 0x270A:
            if (!FirstInt(data, len, 4, v))
                return false;
            c = Fmt("set_onvif.cgi?onvifenable=%d", v);
            return true;
        case 0x270C: {
            DarvelRtspRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("set_rtsp.cgi?rtspenable=%d&rtspport=%d&rtspuser=%s&rtsppwd=%s", r.enable,
                    r.port, T(r.user).c_str(), T(r.pwd).c_str());
            return true;
        }
        case 0x2711:
        case 0x2712: {
            DarvelTokenRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt(
                type == 0x2711 ? "set_ios_pushparam.cgi?token=%s" : "set_ios_pushstop.cgi?token=%s",
                T(r.token).c_str());
            return true;
        }
        case 0x2714: {
            int32_t a[2];
            if (!Ints(data, len, a))
                return false;
            c = Fmt("alarmcam_control.cgi?command=%d&value=%d", a[0], a[1]);
            return true;
        }
        case 0x2715: {
            int32_t a[3];
            if (!Ints(data, len, a))
                return false;
            c = Fmt("set_alarm_cam.cgi?zone=%d&sit=%d&clearall=%d", a[0], a[1], a[2]);
            return true;
        }
        case 0x2716:
            if (!FirstInt(data, len, 4, v))
                return false;
            c = Fmt("serial_transparent.cgi?cfgmode=1&cmdhex=%s",
                    v != 0 ? "4C4F434B30" : "4C4F434B31");
            return true;
        case 0x2717: {
            DarvelTransferRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("p2p_upgrade_firmware.cgi?filename=%s&filetype=%d&filever=%s&filesize=%d&"
                    "filemd5=%s&forceflag=%d",
                    T(r.deviceName).c_str(), r.fileType, T(r.version).c_str(), r.fileSize,
                    T(r.md5).c_str(), r.force);
            return true;
        }
        case 0x2719:
            if (!FirstInt(data, len, 36, v))
                return false;
            c = Fmt("p2p_upgrade_confirm.cgi?confirm=%d", v);
            return true;
        case 0x271A:
            if (data == nullptr)
                return false;
            c = Fmt("p2p_get_file_md5.cgi?filename=%s", FreeText(data, len).c_str());
            return true;
        case 0x271B:
            if (!FirstInt(data, len, 36, v))
                return false;
            c = Fmt("door_bell_set_language.cgi?language=%d", v);
            return true;
        case 0x271D:
            if (!FirstInt(data, len, 36, v))
                return false;
            c = Fmt("door_bell_master_busy.cgi?busy_flag=%d", v);
            return true;
        case 0x271E: {
            DarvelExtraRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("set_extra.cgi?close_ap=%d&close_mic=%d&maxfilecnt=%d", r.closeAp, r.closeMic,
                    r.maxFileCount);
            return true;
        }
        case 0x2720: {
            DarvelAlarmPtzEntry r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_alarm_ptz.cgi?clear=%d&sit=%d&zone=%d&bound=%d&ptzspeed=%d&scenetype=%d&"
                    "number=%d&name=%s",
                    r.clear, r.sit, r.zone, r.bound, r.ptzSpeed, r.sceneType, r.number,
                    T(r.name).c_str());
            return true;
        }
        case 0x2721:
            if (!FirstInt(data, len, 8, v))
                return false;
            c = Fmt("new_preset_control.cgi?number=%d", v);
            return true;
        case 0x2723:
        case 0x2724: {
            DarvelDoorbellUserRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt(type == 0x2723 ? "set_doorbell_user.cgi?doorbell_user=%s&doorbell_pwd=%s"
                                   : "check_doorbell_user.cgi?doorbell_user=%s&doorbell_pwd=%s",
                    T(r.user).c_str(), T(r.pwd).c_str());
            return true;
        }
        case 0x2725:
            if (data == nullptr)
                return false;
            c = Fmt("serial_input.cgi?serialbuf=%s&length=%d", FreeText(data, len).c_str(),
                    static_cast<int>(len));
            return true;
        case 0x2727:
        case 0x2729:
        case 0x6107:
            if (data == nullptr)
                return false;
            c = Fmt(type == 0x2727   ? "getrecordjpg.cgi?filename=%s"
                    : type == 0x2729 ? "del_record_file.cgi?filename=%s"
                                     : "get_tf_picture.cgi?tf_filename=%s",
                    FreeText(data, len).c_str());
            return true;
        case 0x272A: {
            DarvelWakewordRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("set_factory_param.cgi?wakeword=%s", T(r.wakeword).c_str());
            return true;
        }
        default:
            break;
    }
    return false;
}

bool BuildMore(int type, const void* data, size_t len, std::string& c) {
    int32_t v = 0;
    switch (type) {
        case 0x272C: {
            int32_t a[2];
            if (!Ints(data, len, a))
                return false;
            c = Fmt("zel_control_wifi_modules.cgi?cmd=%d&value=%d", a[0], a[1]);
            return true;
        }
        case 0x272E: {
            DarvelSmartLightRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt(
                "set_ismart_params.cgi?light_switch=%d&light_manul_time=%d&light_auto_time=%d&"
                "light_intensity=%d&adc_value=%d&pir_intensity=%d",
                r.lightSwitch, r.manualTime, r.autoTime, r.intensity, r.adcValue, r.pirIntensity);
            return true;
        }
        case 0x2731: {
            DarvelWifiListRecord r;
            if (!Load(data, len, r))
                return false;
            c = "set_wifilist.cgi?";
            for (int i = 0; i < 5; ++i) {
                c += Fmt("%sssid%d=%s&pwd%d=%s", i == 0 ? "" : "&", i, T(r.nets[i].ssid).c_str(), i,
                         T(r.nets[i].pwd).c_str());
            }
            return true;
        }
        case 0x2734: {
            DarvelRecordSearch r;
            int from = 0;
            int to = 0;
            if (!Load(data, len, r) || !RangeSeconds(r, &from, &to))
                return false;
            c = Fmt("get_lxlog.cgi?lx700_start_time=%d&lx700_end_time=%d", from, to);
            return true;
        }
        case 0x2736:
            if (!FirstInt(data, len, 4, v))
                return false;
            c = Fmt("set_smart_record.cgi?smart_record=%d", v);
            return true;
        case 0x2738: {
            DarvelPushEntry r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_xg_params.cgi?access_id=%s&device_token=%s&secret_key=%s&phone_id=%s&"
                    "environment=%d&appdevicetype=%d&used=%d",
                    T(r.accessId).c_str(), T(r.deviceToken).c_str(), T(r.secretKey).c_str(),
                    T(r.phoneId).c_str(), r.environment, r.appDeviceType, r.used);
            return true;
        }
        case 0x273C: {
            int32_t a[2];
            if (!Ints(data, len, a))
                return false;
            c = Fmt("set_web_telnet_status.cgi?WWWSwitch=%d&TelnetSwitch=%d", a[0], a[1]);
            return true;
        }
        case 0x273D: {
            int32_t a[2];
            if (!Ints(data, len, a))
                return false;
            c = Fmt("control_preset.cgi?presetnum=%d&presetstatus=%d", a[0], a[1]);
            return true;
        }
        case 0x273F:
            if (!FirstInt(data, len, 4, v))
                return false;
            c = Fmt("set_buzzer.cgi?buzzer=%d", v);
            return true;
        case 0x2740: {
            DarvelAlarmTimesRecord r;
            if (!Load(data, len, r))
                return false;
            c = "set_alarm_times.cgi?";
            for (int d = 0; d < 7; ++d) {
                for (int p = 0; p < 4; ++p) {
                    const auto& q = r.periods[d * 4 + p];
                    c +=
                        Fmt("wday[%d]time[%d]starthour=%d&wday[%d]time[%d]startmin=%d&"
                            "wday[%d]time[%d]endhour=%d&wday[%d]time[%d]endmin=%d&",
                            d, p, q.startHour, d, p, q.startMin, d, p, q.endHour, d, p, q.endMin);
                }
            }
            return true;
        }
        case 0x2744:
            if (!FirstInt(data, len, 4, v))
                return false;
            c = Fmt("set_alarm_switch.cgi?alarmswitch=%d", v);
            return true;
        case 0x2747:
            if (!FirstInt(data, len, 4, v))
                return false;
            c = Fmt("bat_door_control.cgi?conntrol_type=%d", v);
            return true;
        case 0x2748: {
            DarvelBatDoorbellRecord r;
            if (!Load(data, len, r))
                return false;
            c =
                Fmt("set_bat_doorbell_param.cgi?messagerecord=%d&messagerecord_times=%d&"
                    "pir_enable=%d&pir_alarm_count=%d&broenable=%d&bat_low_alert=%d&"
                    "pir_alarm_record=%d",
                    r.messageRecord, r.messageRecordTimes, r.pirEnable, r.pirAlarmCount,
                    r.broEnable, r.batLowAlert, r.pirAlarmRecord);
            return true;
        }
        case 0x274A: {
            int32_t a[25];
            if (!Ints(data, len, a))
                return false;
            c = Fmt("trans_cmd_string.cgi?cmd=%d&command=%d&mark=%d", a[0], a[1], a[2]);
            for (int i = 1; i <= 21; ++i) {
                // The device firmware expects the stray comma after plan 15.
                c += Fmt("&motion_push_plan%d=%d%s", i, a[2 + i], i == 15 ? "," : "");
            }
            c += Fmt("&motion_push_plan_enable=%d", a[24]);
            return true;
        }
        case 0x274B: {
            int32_t a[5];
            if (!Ints(data, len, a))
                return false;
            c =
                Fmt("trans_cmd_string.cgi?cmd=%d&command=%d&mark=%d&record_plan1=%d&"
                    "record_plan_enable=%d",
                    a[0], a[1], a[2], a[3], a[4]);
            return true;
        }
        case 0x274C: {
            int32_t a[4];
            if (!Ints(data, len, a))
                return false;
            c = Fmt("trans_cmd_string.cgi?cmd=%d&command=%d&mark=%d&type=%d", a[0], a[1], a[2],
                    a[3]);
            return true;
        }
        case 0x5004: {
            DarvelPlaybackRecord r;
            if (!Load(data, len, r))
                return false;
            c = Fmt("livestream.cgi?streamid=%d&filename=%s&offset=%d", r.streamId,
                    T(r.fileName).c_str(), r.offset);
            return true;
        }
        case 0x6104: {
            int32_t a[16];
            if (!Ints(data, len, a))
                return false;
            c = "set_area_alarm_switch.cgi?";
            for (int i = 0; i < 16; ++i) {
                c += Fmt("alarmswitch[%d]=%d&", i, a[i]);
            }
            return true;
        }
        case 0x6106: {
            DarvelTfDeleteRecord r;
            if (!Load(data, len, r))
                return false;
            c = "delete_tf_file.cgi?";
            for (int i = 0; i < DARVEL_TF_NAMES; ++i) {
                c += Fmt("%sfile_%d=%s", i == 0 ? "" : "&", i, T(r.names[i]).c_str());
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

time_t CameraCommandTable::LocalSeconds(const DarvelDateTime& t) {
    struct tm tmv {};
    tmv.tm_year = t.year - 1900;
    tmv.tm_mon = t.month - 1;
    tmv.tm_mday = t.day;
    tmv.tm_hour = t.hour;
    tmv.tm_min = t.minute;
    tmv.tm_sec = t.second;
    tmv.tm_isdst = 0;
    return mktime(&tmv);
}

bool CameraCommandTable::UsesShortLogin(int type) {
    return type == 0x2004 || type == 0x2006 || type == 0x2008;
}

bool CameraCommandTable::BuildRecordPageCgi(const void* data, size_t len, std::string& cgi) {
    DarvelRecordPage r;
    if (!Load(data, len, r)) {
        return false;
    }
    cgi = Fmt("get_record_file.cgi?PageIndex=%d&PageSize=%d", r.pageIndex, r.pageSize);
    return true;
}

bool CameraCommandTable::BuildCgi(int type, const void* data, size_t len, std::string& cgi) {
    cgi.clear();
    if (Bare(type, cgi)) {
        return true;
    }
    return BuildNetworkEtc(type, data, len, cgi) || BuildMore(type, data, len, cgi);
}

}  // namespace vantor
