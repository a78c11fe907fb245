#include "CameraRecordDecoder.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "DebugOut.h"

namespace vantor {
namespace {

constexpr char I = 'i';
constexpr char S = 's';
constexpr char B = 'b';

#define F_I(R, m, key, req) \
    { key, static_cast<uint16_t>(offsetof(R, m)), 4, I, req }
#define F_S(R, m, key, req) \
    { key, static_cast<uint16_t>(offsetof(R, m)), static_cast<uint16_t>(sizeof(R::m)), S, req }
#define F_AT(off, key, req) \
    { key, off, 4, I, req }

const char* const kDays[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};

}  // namespace

bool CameraRecordDecoder::GetInt(const char* text, const char* key, uint8_t* at) {
    int v = 0;
    if (x_.GetIntValue(text, key, &v) == 0) {
        return false;
    }
    int32_t w = v;
    memcpy(at, &w, sizeof(w));
    return true;
}

bool CameraRecordDecoder::GetText(const char* text, const char* key, uint8_t* at, size_t size) {
    return x_.GetQuotedValue(text, key, reinterpret_cast<char*>(at), size) != 0;
}

bool CameraRecordDecoder::Fields(const char* text, const Field* fields, size_t count,
                                 uint8_t* out) {
    for (size_t i = 0; i < count; ++i) {
        const Field& f = fields[i];
        bool ok = false;
        if (f.kind == S) {
            ok = GetText(text, f.key, out + f.offset, f.size);
        } else if (f.kind == B) {
            int v = 0;
            ok = x_.GetIntValue(text, f.key, &v) != 0;
            if (ok) {
                out[f.offset] = static_cast<uint8_t>(v & 0xFF);
            }
        } else {
            ok = GetInt(text, f.key, out + f.offset);
        }
        if (!ok && f.required) {
            return false;
        }
    }
    return true;
}

size_t CameraRecordDecoder::Decode(int type, const char* text, uint8_t* out) {
    memset(out, 0, kDecodedRecordMax);
    switch (type) {
        case DARVEL_GET_NETWORK: {
            using R = DarvelNetworkRecord;
            static const Field f[] = {
                F_S(R, ip, "ip=", true),           F_S(R, mask, "mask=", true),
                F_S(R, gateway, "gateway=", true), F_S(R, dns1, "dns1=", true),
                F_S(R, dns2, "dns2=", true),       F_I(R, dhcp, "dhcpen=", true),
                F_I(R, port, "port=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_USERS: {
            using R = DarvelUsersRecord;
            static const Field f[] = {
                F_S(R, user1, "user1_name=", true), F_S(R, pwd1, "user1_pwd=", true),
                F_S(R, user2, "user2_name=", true), F_S(R, pwd2, "user2_pwd=", true),
                F_S(R, user3, "user3_name=", true), F_S(R, pwd3, "user3_pwd=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_DDNS: {
            using R = DarvelDdnsRecord;
            static const Field f[] = {F_I(R, service, "ddns_service=", true),
                                      F_S(R, user, "ddns_user=", true),
                                      F_S(R, pwd, "ddns_pwd=", true),
                                      F_S(R, host, "ddns_host=", true),
                                      F_S(R, proxySvr, "ddns_proxy_svr=", true),
                                      F_I(R, mode, "ddns_mode=", true),
                                      F_I(R, proxyPort, "ddns_proxy_port=", true),
                                      F_I(R, status, "ddns_status=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_FTP: {
            using R = DarvelFtpRecord;
            static const Field f[] = {F_S(R, svr, "ftp_svr=", true),
                                      F_S(R, user, "ftp_user=", true),
                                      F_S(R, pwd, "ftp_pwd=", true),
                                      F_S(R, dir, "ftp_dir=", true),
                                      F_I(R, port, "ftp_port=", true),
                                      F_I(R, mode, "ftp_mode=", true),
                                      F_I(R, uploadInterval, "ftp_upload_interval=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_MAIL: {
            using R = DarvelMailRecord;
            static const Field f[] = {
                F_S(R, svr, "mail_svr=", true),          F_S(R, user, "mail_user=", true),
                F_S(R, pwd, "mail_pwd=", true),          F_S(R, sender, "mail_sender=", true),
                {"mail_receiver1=", 256, 64, S, true},   {"mail_receiver2=", 320, 64, S, true},
                {"mail_receiver3=", 384, 64, S, true},   {"mail_receiver4=", 448, 64, S, true},
                F_I(R, port, "mail_port=", true),        F_I(R, ssl, "mailssl=", true),
                F_I(R, smtpUpload, "smtpupload=", false)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_MISC: {
            using R = DarvelMiscRecord;
            static const Field f[] = {F_I(R, ledMode, "led_mode=", true),
                                      F_I(R, ptzCenterOnStart, "ptz_center_onstart=", true),
                                      F_I(R, ptzRunTimes, "ptruntimes=", true),
                                      F_I(R, patrolRate, "ptz_patrol_rate=", true),
                                      F_I(R, patrolUpRate, "ptz_patrol_up_rate=", true),
                                      F_I(R, patrolDownRate, "ptz_patrol_down_rate=", true),
                                      F_I(R, patrolLeftRate, "ptz_patrol_left_rate=", true),
                                      F_I(R, patrolRightRate, "ptz_patrol_right_rate=", true),
                                      F_I(R, dispPreset, "ptz_disppreset=", true),
                                      F_I(R, presetOnStart, "preset_onstart=", true)};
            if (!Fields(text, f, std::size(f), out)) {
                return 0;
            }
            static const char* const kPresetKeys[16] = {
                "preset0=", "preset1=", "preset2=", "preset3=", "preset4=", "preset5=",
                "preset6=", "preset7=", "preset8=", "preset9=", "preseta=", "presetb=",
                "presetc=", "presetd=", "presete=", "presetf="};
            int probe = 0;
            if (x_.GetIntValue(text, kPresetKeys[0], &probe) != 0) {
                for (int i = 0; i < 16; ++i) {
                    Field pf{kPresetKeys[i], static_cast<uint16_t>(offsetof(R, presets) + i), 1, B,
                             false};
                    Fields(text, &pf, 1, out);
                }
            }
            return sizeof(R);
        }
        case DARVEL_GET_WIFI: {
            using R = DarvelWifiRecord;
            static const Field f[] = {F_I(R, enable, "wifi_enable=", true),
                                      F_S(R, ssid, "wifi_ssid=", false),
                                      F_I(R, channel, "wifi_channel=", false),
                                      F_I(R, mode, "wifi_mode=", false),
                                      F_I(R, authType, "wifi_authtype=", false),
                                      F_I(R, encrypt, "wifi_encrypt=", false),
                                      F_I(R, keyFormat, "wifi_keyformat=", false),
                                      F_I(R, defKey, "wifi_defkey=", false),
                                      {"wifi_key1=", 156, 128, S, false},
                                      {"wifi_key2=", 284, 128, S, false},
                                      {"wifi_key3=", 412, 128, S, false},
                                      {"wifi_key4=", 540, 128, S, false},
                                      F_AT(668, "wifi_key1_bits=", false),
                                      F_AT(672, "wifi_key2_bits=", false),
                                      F_AT(676, "wifi_key3_bits=", false),
                                      F_AT(680, "wifi_key4_bits=", false),
                                      F_S(R, wpaPsk, "wifi_wpa_psk=", false)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_DATETIME: {
            using R = DarvelDateTimeRecord;
            static const Field f[] = {F_I(R, now, "now=", true),
                                      F_I(R, tz, "tz=", true),
                                      F_I(R, ntpEnable, "ntp_enable=", true),
                                      F_S(R, ntpSvr, "ntp_svr=", true),
                                      F_I(R, dstEnable, "dst_enable=", false),
                                      F_I(R, dstTime, "dst_time=", false)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_ALARM: {
            using R = DarvelAlarmRecord;
            static const Field f[] = {F_I(R, motionArmed, "alarm_motion_armed=", true),
                                      F_I(R, motionSensitivity, "alarm_motion_sensitivity=", true),
                                      F_I(R, inputArmed, "alarm_input_armed=", true),
                                      F_I(R, ioinLevel, "alarm_ioin_level=", true),
                                      F_I(R, ioLinkage, "alarm_iolinkage=", true),
                                      F_I(R, iooutLevel, "alarm_ioout_level=", true),
                                      F_I(R, presetSit, "alarm_presetsit=", true),
                                      F_I(R, mail, "alarm_mail=", true),
                                      F_I(R, uploadInterval, "alarm_upload_interval=", true),
                                      F_I(R, scheduleEnable, "alarm_schedule_enable=", true),
                                      F_I(R, record, "alarm_record=", true),
                                      F_I(R, audio, "alarm_audio=", false),
                                      F_I(R, temperature, "alarm_temperture=", false),
                                      F_I(R, pirEnable, "pirenable=", false),
                                      F_I(R, callSound, "alarm_call_sound=", false)};
            if (!Fields(text, f, std::size(f), out)) {
                return 0;
            }
            for (int d = 0; d < 7; ++d) {
                for (int w = 0; w < 3; ++w) {
                    char key[64];
                    snprintf(key, sizeof(key), "alarm_schedule_%s_%d=", kDays[d], w);
                    if (!GetInt(text, key, out + offsetof(R, schedule) + (d * 3 + w) * 4)) {
                        return 0;
                    }
                }
            }
            return sizeof(R);
        }
        case DARVEL_GET_RECORD_SCHEDULE: {
            using R = DarvelRecordScheduleRecord;
            static const Field f[] = {F_I(R, coverEnable, "record_cover_enable=", true),
                                      F_I(R, timer, "record_timer=", true),
                                      F_I(R, timeEnable, "record_time_enable=", true),
                                      F_I(R, sdStatus, "record_sd_status=", true),
                                      F_I(R, sdTotal, "sdtotal=", true),
                                      F_I(R, sdFree, "sdfree=", true),
                                      F_I(R, audio, "record_audio=", false),
                                      F_I(R, stream, "recordstream=", false)};
            if (!Fields(text, f, std::size(f), out)) {
                return 0;
            }
            for (int d = 0; d < 7; ++d) {
                for (int w = 0; w < 3; ++w) {
                    char key[64];
                    snprintf(key, sizeof(key), "record_schedule_%s_%d=", kDays[d], w);
                    if (!GetInt(text, key, out + offsetof(R, schedule) + (d * 3 + w) * 4)) {
                        return 0;
                    }
                }
            }
            return sizeof(R);
        }
        case DARVEL_GET_CAMERA_PARAMS: {
            static const char* const kKeys[34] = {"resolution=",
                                                  "vbright=",
                                                  "vcontrast=",
                                                  "vhue=",
                                                  "vsaturation=",
                                                  "flip=",
                                                  "mode=",
                                                  "OSDEnable=",
                                                  "enc_framerate=",
                                                  "sub_enc_framerate=",
                                                  "Cameratype=",
                                                  "Resolutionsub=",
                                                  "Resolutionsubsub=",
                                                  "enc_size=",
                                                  "enc_keyframe=",
                                                  "enc_quant=",
                                                  "enc_ratemode=",
                                                  "enc_bitrate=",
                                                  "enc_main_mode=",
                                                  "sub_enc_size=",
                                                  "sub_enc_keyframe=",
                                                  "sub_enc_quant=",
                                                  "sub_enc_ratemode=",
                                                  "sub_enc_bitrate=",
                                                  "sub_sub_enc_size=",
                                                  "sub_sub_enc_framerate=",
                                                  "sub_sub_enc_keyframe=",
                                                  "sub_sub_enc_quant=",
                                                  "sub_sub_enc_ratemode=",
                                                  "sub_sub_enc_bitrate=",
                                                  "speed=",
                                                  "ircut=",
                                                  "involume=",
                                                  "outvolume="};
            for (int i = 0; i < 34; ++i) {
                if (!GetInt(text, kKeys[i], out + i * 4) && i < 7) {
                    return 0;
                }
            }
            return sizeof(DarvelCameraParamsRecord);
        }
        case DARVEL_GET_STATUS: {
            using R = DarvelStatusRecord;
            static const Field f[] = {F_S(R, sysVer, "sys_ver=", false),
                                      F_S(R, alias, "alias=", false),
                                      F_S(R, deviceId, "deviceid=", false),
                                      F_I(R, alarmStatus, "alarm_status=", false),
                                      F_I(R, sdStatus, "sdstatus=", false),
                                      F_I(R, sdTotal, "sdtotal=", false),
                                      F_I(R, sdFree, "sdfree=", false),
                                      F_S(R, mac, "mac=", false),
                                      F_S(R, wifiMac, "wifimac=", false),
                                      F_I(R, dnsStatus, "dns_status=", false),
                                      F_I(R, upnpStatus, "upnp_status=", false),
                                      F_I(R, externWifi, "externwifi=", false),
                                      F_I(R, learnStatus, "learnstatus=", false),
                                      F_I(R, batCapacity, "batcapacity=", false),
                                      F_I(R, batStatus, "batstatus=", false),
                                      F_I(R, pirTimes, "pirtimes=", false),
                                      F_I(R, pirJpeg, "pirjpeg=", false),
                                      F_I(R, pirRecord, "pirrecord=", false),
                                      F_I(R, messageRecord, "messagerecord=", false),
                                      F_I(R, mcuVersion, "mcuversion=", false)};
            Fields(text, f, std::size(f), out);
            return sizeof(R);
        }
        case DARVEL_GET_APWIFI: {
            using R = DarvelApWifiRecord;
            static const Field f[] = {
                F_I(R, encrypt, "apwifi_encrypt=", true), F_I(R, port, "apswifi_port=", true),
                F_S(R, key, "apwifi_key=", true),         F_S(R, ssid, "apwifi_ssid=", true),
                F_S(R, ipAddr, "apwifi_ipaddr=", true),   F_S(R, mask, "apwifi_mask=", true),
                F_S(R, startIp, "apwifi_startip=", true), F_S(R, endIp, "apwifi_endip=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_LOGIN: {
            using R = DarvelLoginRecord;
            static const Field f[] = {F_S(R, user, "loginuser=", true),
                                      F_S(R, pass, "loginpass=", true), F_I(R, pri, "pri=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_RTSP: {
            using R = DarvelRtspRecord;
            static const Field f[] = {
                F_I(R, enable, "rtspenable=", true), F_I(R, port, "rtspport=", true),
                F_S(R, user, "rtspuser=", true), F_S(R, pwd, "rtsppwd=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_DOORBELL_USER: {
            using R = DarvelDoorbellUserRecord;
            static const Field f[] = {F_S(R, user, "doorbell_user=", true),
                                      F_S(R, pwd, "doorbell_pwd=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_WAKEWORD: {
            using R = DarvelWakewordRecord;
            static const Field f[] = {F_S(R, wakeword, "wakeword=", true)};
            return Fields(text, f, std::size(f), out) ? sizeof(R) : 0;
        }
        case DARVEL_GET_WIFI_LIST: {
            static const char* const kKeys[10] = {"ssid0=", "pwd0=",  "ssid1=", "pwd1=",  "ssid2=",
                                                  "pwd2=",  "ssid3=", "pwd3=",  "ssid4=", "pwd4="};
            for (int i = 0; i < 10; ++i) {
                if (!GetText(text, kKeys[i], out + i * 64, 64)) {
                    return 0;
                }
            }
            if (!GetInt(text, "wifi_use_no=", out + 640)) {
                return 0;
            }
            return sizeof(DarvelWifiListRecord);
        }
        case DARVEL_GET_BAT_DOORBELL: {
            static const char* const kKeys[7] = {
                "messagerecord=", "messagerecord_times=", "pir_enable=",      "pir_alarm_count=",
                "broenable=",     "bat_low_alert=",       "pir_alarm_record="};
            for (int i = 0; i < 7; ++i) {
                if (!GetInt(text, kKeys[i], out + i * 4)) {
                    return 0;
                }
            }
            return sizeof(DarvelBatDoorbellRecord);
        }
        default:
            return DecodeLists(type, text, out);
    }
}

size_t CameraRecordDecoder::DecodeLists(int type, const char* text, uint8_t* out) {
    char key[96];
    switch (type) {
        case DARVEL_WIFI_SCAN_RESULT: {
            int count = 0;
            if (x_.GetIntValue(text, "ap_number=", &count) == 0 || count <= 0) {
                return 0;
            }
            if (count > DARVEL_WIFI_SCAN_MAX) {
                count = DARVEL_WIFI_SCAN_MAX;
            }
            auto* rec = reinterpret_cast<DarvelWifiScanRecord*>(out);
            rec->count = count;
            for (int i = 0; i < count; ++i) {
                uint8_t* e = out + offsetof(DarvelWifiScanRecord, entries) +
                             static_cast<size_t>(i) * sizeof(DarvelWifiScanEntry);
                snprintf(key, sizeof(key), "ap_ssid[%d] =", i);
                GetText(text, key, e + offsetof(DarvelWifiScanEntry, ssid), 64);
                snprintf(key, sizeof(key), "ap_mac[%d]=", i);
                GetText(text, key, e + offsetof(DarvelWifiScanEntry, mac), 64);
                snprintf(key, sizeof(key), "ap_security[%d]=", i);
                GetInt(text, key, e + offsetof(DarvelWifiScanEntry, security));
                snprintf(key, sizeof(key), "ap_dbm0[%d]=", i);
                GetText(text, key, e + offsetof(DarvelWifiScanEntry, dbm0), 32);
                snprintf(key, sizeof(key), "ap_dbm1[%d]=", i);
                GetText(text, key, e + offsetof(DarvelWifiScanEntry, dbm1), 32);
                snprintf(key, sizeof(key), "ap_mode[%d]=", i);
                GetInt(text, key, e + offsetof(DarvelWifiScanEntry, mode));
                snprintf(key, sizeof(key), "ap_channel[%d]=", i);
                GetInt(text, key, e + offsetof(DarvelWifiScanEntry, channel));
                DebugOut("index:%d ssid:%s", i,
                         reinterpret_cast<const char*>(e + offsetof(DarvelWifiScanEntry, ssid)));
            }
            return sizeof(DarvelWifiScanRecord);
        }
        case DARVEL_GET_ALARM_LINKAGE: {
            for (int i = 0; i < 8; ++i) {
                for (int j = 0; j < 4; ++j) {
                    uint8_t* e =
                        out + static_cast<size_t>(i * 4 + j) * sizeof(DarvelAlarmLinkEntry);
                    snprintf(key, sizeof(key), "alarmcam[%d][%d]=", i, j);
                    GetInt(text, key, e + offsetof(DarvelAlarmLinkEntry, cam));
                    snprintf(key, sizeof(key), "alarmkey[%d][%d]=", i, j);
                    GetText(text, key, e + offsetof(DarvelAlarmLinkEntry, key), 32);
                    snprintf(key, sizeof(key), "alarmptz[%d][%d]=", i, j);
                    GetInt(text, key, e + offsetof(DarvelAlarmLinkEntry, ptz));
                }
                snprintf(key, sizeof(key), "alarmaudio[%d]=", i);
                GetInt(text, key, out + offsetof(DarvelAlarmLinkageRecord, audio) + i * 4);
            }
            GetInt(text, "zonestatus=", out + offsetof(DarvelAlarmLinkageRecord, zoneStatus));
            return sizeof(DarvelAlarmLinkageRecord);
        }
        case DARVEL_GET_ALARM_PTZ: {
            for (int n = 0; n < DARVEL_ALARM_PTZ_MAX; ++n) {
                uint8_t* e = out + static_cast<size_t>(n) * sizeof(DarvelAlarmPtzEntry);
                static const struct {
                    const char* fmt;
                    size_t offset;
                } kInts[] = {{"using[%d]=", offsetof(DarvelAlarmPtzEntry, used)},
                             {"bound[%d]=", offsetof(DarvelAlarmPtzEntry, bound)},
                             {"sit[%d]=", offsetof(DarvelAlarmPtzEntry, sit)},
                             {"zone[%d]=", offsetof(DarvelAlarmPtzEntry, zone)},
                             {"ptzspeed[%d]=", offsetof(DarvelAlarmPtzEntry, ptzSpeed)},
                             {"scenetype[%d]=", offsetof(DarvelAlarmPtzEntry, sceneType)},
                             {"number[%d]=", offsetof(DarvelAlarmPtzEntry, number)}};
                for (const auto& k : kInts) {
                    snprintf(key, sizeof(key), k.fmt, n);
                    GetInt(text, key, e + k.offset);
                }
                snprintf(key, sizeof(key), "name[%d]=", n);
                GetText(text, key, e + offsetof(DarvelAlarmPtzEntry, name), 64);
            }
            return sizeof(DarvelAlarmPtzRecord);
        }
        case DARVEL_GET_PUSH: {
            int count = 0;
            if (x_.GetIntValue(text, "num=", &count) == 0 || count < 0) {
                count = 0;
            }
            if (count > DARVEL_PUSH_MAX) {
                count = DARVEL_PUSH_MAX;
            }
            reinterpret_cast<DarvelPushRecord*>(out)->count = count;
            for (int i = 0; i < count; ++i) {
                uint8_t* e = out + offsetof(DarvelPushRecord, entries) +
                             static_cast<size_t>(i) * sizeof(DarvelPushEntry);
                static const struct {
                    const char* fmt;
                    size_t offset;
                } kTexts[] = {{"access_id[%d]=", offsetof(DarvelPushEntry, accessId)},
                              {"device_token[%d]=", offsetof(DarvelPushEntry, deviceToken)},
                              {"secret_key[%d]=", offsetof(DarvelPushEntry, secretKey)},
                              {"phone_id[%d]=", offsetof(DarvelPushEntry, phoneId)}},
                  kInts[] = {{"environment[%d]=", offsetof(DarvelPushEntry, environment)},
                             {"appdevicetype[%d]=", offsetof(DarvelPushEntry, appDeviceType)},
                             {"used[%d]=", offsetof(DarvelPushEntry, used)}};
                for (const auto& k : kTexts) {
                    snprintf(key, sizeof(key), k.fmt, i);
                    GetText(text, key, e + k.offset, 64);
                }
                for (const auto& k : kInts) {
                    snprintf(key, sizeof(key), k.fmt, i);
                    GetInt(text, key, e + k.offset);
                }
            }
            return sizeof(DarvelPushRecord);
        }
        case DARVEL_GET_PRESET_STATUS: {
            int count = 0;
            if (x_.GetIntValue(text, " num=", &count) == 0 || count <= 0) {
                return 0;
            }
            if (count > DARVEL_PRESET_MAX) {
                count = DARVEL_PRESET_MAX;
            }
            reinterpret_cast<DarvelPresetStatusRecord*>(out)->count = count;
            for (int i = 0; i < count; ++i) {
                snprintf(key, sizeof(key), "presetnum[%d]=", i);
                GetInt(text, key, out + 4 + i * 8);
                snprintf(key, sizeof(key), "presetused[%d]=", i);
                GetInt(text, key, out + 8 + i * 8);
            }
            return sizeof(DarvelPresetStatusRecord);
        }
        case DARVEL_GET_ALARM_TIMES: {
            static const char* const kFmts[4] = {
                "starthour[%d][%d]=", "startmin[%d][%d]=", "endhour[%d][%d]=", "endmin[%d][%d]="};
            for (int d = 0; d < 7; ++d) {
                for (int p = 0; p < 4; ++p) {
                    for (int k = 0; k < 4; ++k) {
                        snprintf(key, sizeof(key), kFmts[k], d, p);
                        GetInt(text, key, out + (d * 4 + p) * 16 + k * 4);
                    }
                }
            }
            return sizeof(DarvelAlarmTimesRecord);
        }
        case DARVEL_GET_AREA_ALARM_SWITCH: {
            for (int i = 0; i < 16; ++i) {
                snprintf(key, sizeof(key), "alarmswitch[%d]=", i);
                GetInt(text, key, out + i * 4);
            }
            return sizeof(DarvelAreaAlarmSwitchRecord);
        }
        default:
            return DecodeSingle(type, text, out);
    }
}

size_t CameraRecordDecoder::DecodeSingle(int type, const char* text, uint8_t* out) {
    struct Small {
        int type;
        size_t size;
        const char* keys[7];
    };
    static const Small kSmall[] = {
        {DARVEL_GET_ONVIF, 4, {"onvifenable="}},
        {DARVEL_GET_ONLINE_USER, 4, {"p2pcount="}},
        {DARVEL_GET_DOORBELL_LANGUAGE, 36, {"language="}},
        {DARVEL_GET_SMART_RECORD, 4, {"smart_record="}},
        {DARVEL_GET_BUZZER, 4, {"buzzer="}},
        {DARVEL_GET_ALARM_SWITCH, 4, {"alarmswitch="}},
        {DARVEL_GET_P2P_USER, 4, {"p2pused="}},
        {DARVEL_GET_SWITCH_MODULE,
         12,
         {"zel_wifi_lock=", "zel_wifi_light_status=", "zel_wifi_socket_status="}},
        {DARVEL_GET_SMART_LIGHT,
         24,
         {"light_switch=", "light_manul_time=", "light_auto_time=", "light_intensity=",
          "adc_value=", "pir_intensity="}},
        {DARVEL_GET_WEB_TELNET, 8, {"WWWSwitch=", "TelnetSwitch="}},
    };
    for (const Small& s : kSmall) {
        if (s.type != type) {
            continue;
        }
        for (int i = 0; i < 7 && s.keys[i] != nullptr; ++i) {
            if (!GetInt(text, s.keys[i], out + i * 4)) {
                return 0;
            }
        }
        return s.size;
    }
    return 0;
}

int CameraRecordDecoder::RecordCount(const char* text) {
    int n = 0;
    if (x_.GetIntValue(text, "record_num0=", &n) == 0 || n <= 0) {
        return 0;
    }
    return n > kAnswerListMax ? kAnswerListMax : n;
}

void CameraRecordDecoder::RecordEntry(const char* text, int count, int i,
                                      DarvelRecordListEntry* entry) {
    memset(entry, 0, sizeof(*entry));
    entry->total = count;
    entry->index = i + 1;
    char key[64];
    snprintf(key, sizeof(key), "record_name0[%d]=", i);
    x_.GetQuotedValue(text, key, entry->name, sizeof(entry->name));
    uint8_t* base = reinterpret_cast<uint8_t*>(entry);
    snprintf(key, sizeof(key), "record_time0[%d]=", i);
    GetInt(text, key, base + offsetof(DarvelRecordListEntry, time));
    snprintf(key, sizeof(key), "record_size0[%d]=", i);
    GetInt(text, key, base + offsetof(DarvelRecordListEntry, size));
    snprintf(key, sizeof(key), "record_alarm0[%d]=", i);
    GetInt(text, key, base + offsetof(DarvelRecordListEntry, alarm));
}

}  // namespace vantor
