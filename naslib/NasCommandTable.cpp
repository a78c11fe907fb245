#include "NasCommandTable.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "morsk_records.h"

namespace vantor {
namespace {

using K = NasAnswerKind;

constexpr NasCommandRow kRows[] = {
    {0x2000, "set_network.cgi", 172, 0x703A, K::kResultReboot, 0, 0},
    {0x2001, "set_users.cgi", 384, 0x7030, K::kResultReboot, 0, 0},
    {0x2002, "set_ddns.cgi", 200, 0x7033, K::kResult, 0, 0},
    {0x2003, "set_ftp.cgi", 168, 0x703F, K::kResult, 0, 0},
    {0x2004, "set_mail.cgi", 520, 0x703E, K::kResult, 0, 0},
    {0x2005, "set_wifi.cgi", 144, 0x703C, K::kResultReboot, 0, 0},
    {0x2006, "set_datetime.cgi", 84, 0x7032, K::kResult, 0, 0},
    {0x2007, "set_record_schdule.cgi", 124, 0x7039, K::kResult, 0, 0},
    {0x2008, "set_alias.cgi", 32, 0x7031, K::kResult, 0, 0},
    {0x2009, "set_apwifi.cgi", 272, 0x703B, K::kResultReboot, 0, 0},
    {0x200A, "set_camera.cgi", 816, 0x7035, K::kResult, 0, 0},
    {0x200B, "set_pppoe.cgi", 132, 0x7037, K::kResult, 0, 0},
    {0x200C, "set_pnp_server.cgi", 388, 0x7040, K::kResult, 0, 0},
    {0x200D, "set_alarm.cgi", 152, 0x703D, K::kResult, 0, 0},
    {0x200E, "set_formathd.cgi", 12, 0x7038, K::kResult, 0, 0},
    {0x2010, "set_default.cgi", 0, 0x7034, K::kResult, 0, 0},
    {0x2011, "set_smart_plug_relay.cgi", 4, 0x7201, K::kResult, 0, 0},
    {0x2012, "set_smart_plug_task_schedule.cgi", 48, 0x7204, K::kResult, 0, 0},
    {0x2013, "set_smart_plug_task_delay.cgi", 8, 0x7203, K::kResult, 0, 0},
    {0x2014, "set_smart_plug_key.cgi", 8, 0x7205, K::kResult, 0, 0},
    {0x2015, "set_smart_plug_direct_connect.cgi", 0, 0x7202, K::kRecord, 0x2015, 32},
    {0x2016, "set_alarmlogclr.cgi", 0, 0x7041, K::kIgnored, 0, 0},
    {0x2017, "set_alarm_cam.cgi", 12, 0x7042, K::kIgnored, 0, 0},
    {0x2018, "/camera_control.cgi", 12, 0x7064, K::kResult, 0, 0},
    {0x2019, "/alarmcam_control.cgi", 8, 0x7066, K::kResult, 0, 0},
    {0x201A, "set_ios_pushparam.cgi", 104, 0x7043, K::kResult, 0, 0},
    {0x201B, "set_ios_pushstop.cgi", 104, 0x7046, K::kResult, 0, 0},
    {0x201C, "set_alarm_value.cgi", 48, 0x7044, K::kResult, 0, 0},
    {0x201D, "set_channel_scene.cgi", 60, 0x7045, K::kResult, 0, 0},
    {0x2100, "login.cgi", 0, 0x7016, K::kRecord, 0x2100, 68},
    {0x2101, "get_status.cgi", 0, 0x7001, K::kRecord, 0x2101, 492},
    {0x2102, "get_camera.cgi", 0, 0x7002, K::kRecord, 0x2102, 816},
    {0x2104, "get_datetime.cgi", 0, 0x7012, K::kRecord, 0x2104, 84},
    {0x2105, "get_pppoe.cgi", 0, 0x7014, K::kRecord, 0x2105, 132},
    {0x2106, "get_ddns.cgi", 0, 0x7013, K::kRecord, 0x2106, 200},
    {0x2107, "get_record_schdule.cgi", 0, 0x7004, K::kRecord, 0x2107, 124},
    {0x2109, "get_alarm.cgi", 0, 0x7007, K::kRecord, 0x2109, 152},
    {0x210A, "get_mail.cgi", 0, 0x7008, K::kRecord, 0x210A, 520},
    {0x210B, "get_ftp.cgi", 0, 0x7009, K::kRecord, 0x210B, 168},
    {0x210C, "get_network.cgi", 0, 0x700B, K::kRecord, 0x210C, 172},
    {0x210D, "get_apwifi.cgi", 0, 0x700C, K::kRecord, 0x210D, 272},
    {0x210E, "get_wifi.cgi", 0, 0x700D, K::kRecord, 0x210E, 144},
    {0x210F, "wifi_scan.cgi", 0, 0x7053, K::kFollowUp, 0x2209, 0},
    {0x2110, "get_factory_param.cgi", 0, 0x700F, K::kRecord, 0x2110, 212},
    {0x2111, "get_pnp_server.cgi", 0, 0x7010, K::kRecord, 0x2111, 388},
    {0x2112, "get_users.cgi", 0, 0x7011, K::kRecord, 0x2112, 384},
    {0x2113, "search_camera.cgi", 0, 0x7059, K::kFollowUp, 0x220A, 0},
    {0x2114, "get_record_file.cgi", 24, 0x7005, K::kRecordFiles, 0, 0},
    {0x2115, "get_smart_plug_relay.cgi", 0, 0x7101, K::kRecord, 0x2115, 4},
    {0x2116, "get_smart_plug_task_schedule.cgi", 0, 0x7103, K::kRecord, 0x2116, 356},
    {0x2117, "get_smart_plug_task_delay.cgi", 0, 0x7102, K::kRecord, 0x2117, 8},
    {0x2118, "get_smart_plug_key.cgi", 0, 0x7104, K::kRecord, 0x2118, 8},
    {0x2119, "get_appversion.cgi", 0, 0x7015, K::kRecord, 0x2119, 16},
    {0x211A, "get_alarmpnp_cam.cgi", 0, 0x7017, K::kRecord, 0x211A, 6692},
    {0x211C, "get_config_result.cgi", 0, 0x7068, K::kRecord, 0x211C, 68},
    {0x211D, "search_alarm_device.cgi", 0, 0x706A, K::kResult, 0, 0},
    {0x211E, "get_alarm_list.cgi", 0, 0x7069, K::kRecord, 0x211E, 100},
    {0x211F, "get_channel_scene.cgi", 4, 0x706B, K::kRecord, 0x211F, 1664},
    {0x2200, "reboot.cgi", 0, 0x7051, K::kIgnored, 0, 0},
    {0x2201, "restore_factory.cgi", 0, 0x7052, K::kResult, 0, 0},
    {0x2203, "check_user.cgi", 0, 0x7055, K::kCheckUser, 0, 0},
    {0x2206, "nas_recordplay.cgi", 144, 0, K::kNone, 0, 0},
    {0x2207, "ap_wps_pbc_start.cgi", 0, 0x705A, K::kIgnored, 0, 0},
    {0x2208, "sta_wps_pbc_start.cgi", 0, 0x705B, K::kIgnored, 0, 0},
    {0x2209, "get_wifi_scan_result.cgi", 0, 0x700E, K::kRecord, 0x210F, 2948},
    {0x220A, "get_search_camera_result.cgi", 0, 0x7063, K::kRecord, 0x2113, 6532},
};

// A text field of a caller's record, read up to its width even without a terminator.
#define NAS_TXT(field) static_cast<int>(strnlen((field), sizeof(field))), (field)

// snprintf into the window [out + *at, out + outBytes); false once the text does not fit.
bool append(char* out, size_t outBytes, size_t* at, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
bool append(char* out, size_t outBytes, size_t* at, const char* fmt, ...) {
    if (*at >= outBytes)
        return false;
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(out + *at, outBytes - *at, fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<size_t>(n) >= outBytes - *at)
        return false;
    *at += static_cast<size_t>(n);
    return true;
}

// The schedule keys of both schedule requests: sun_0 .. sat_2 with the given prefix.
bool appendSchedule(char* out, size_t outBytes, size_t* at, const char* prefix,
                    const int32_t* slots) {
    static const char* const kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    for (int d = 0; d < 7; ++d) {
        for (int p = 0; p < 3; ++p) {
            if (!append(out, outBytes, at, "&%s%s_%d=%d", prefix, kDays[d], p, slots[d * 3 + p]))
                return false;
        }
    }
    return true;
}

bool formatRecord(int type, const void* r, char* o, size_t n, size_t* at) {
    switch (type) {
        case 0x2000: {
            auto* x = static_cast<const NasNetwork*>(r);
            return append(o, n, at,
                          "set_network.cgi?ipaddr=%.*s&mask=%.*s&gateway=%.*s&dns1=%.*s&dns2=%.*s"
                          "&port=%d&rtspport=%d&dhcp=%d",
                          NAS_TXT(x->ipAddr), NAS_TXT(x->mask), NAS_TXT(x->gateway),
                          NAS_TXT(x->dns1), NAS_TXT(x->dns2), x->httpPort, x->rtspPort, x->dhcp);
        }
        case 0x2001: {
            auto* x = static_cast<const NasUsers*>(r);
            return append(o, n, at,
                          "set_users.cgi?user1=%.*s&pwd1=%.*s&user2=%.*s&pwd2=%.*s&user3=%.*s"
                          "&pwd3=%.*s",
                          NAS_TXT(x->user1), NAS_TXT(x->pwd1), NAS_TXT(x->user2), NAS_TXT(x->pwd2),
                          NAS_TXT(x->user3), NAS_TXT(x->pwd3));
        }
        case 0x2002: {
            auto* x = static_cast<const NasDdns*>(r);
            return append(o, n, at,
                          "set_ddns.cgi?ddnsservice=%d&ddnsuser=%.*s&ddnspwd=%.*s&hostname=%.*s"
                          "&ddnssvr=%.*s&ddnsport=%d",
                          x->service, NAS_TXT(x->user), NAS_TXT(x->pwd), NAS_TXT(x->hostName),
                          NAS_TXT(x->server), x->port);
        }
        case 0x2003: {
            auto* x = static_cast<const NasFtp*>(r);
            return append(o, n, at,
                          "set_ftp.cgi?ftpsvr=%.*s&port=%d&ftpuser=%.*s&ftppwd=%.*s&ftpdir=%.*s"
                          "&ftpmode=%d",
                          NAS_TXT(x->server), x->port, NAS_TXT(x->user), NAS_TXT(x->pwd),
                          NAS_TXT(x->dir), x->mode);
        }
        case 0x2004: {
            auto* x = static_cast<const NasMail*>(r);
            return append(o, n, at,
                          "set_mail.cgi?mail_svr=%.*s&mail_port=%d&mail_user=%.*s&mail_pwd=%.*s"
                          "&ssl=%d&mail_sender=%.*s&mail_receiver1=%.*s&mail_receiver2=%.*s"
                          "&mail_receiver3=%.*s&mail_receiver4=%.*s",
                          NAS_TXT(x->server), x->port, NAS_TXT(x->user), NAS_TXT(x->pwd), x->ssl,
                          NAS_TXT(x->sender), NAS_TXT(x->receiver[0]), NAS_TXT(x->receiver[1]),
                          NAS_TXT(x->receiver[2]), NAS_TXT(x->receiver[3]));
        }
        case 0x2005: {
            auto* x = static_cast<const NasWifi*>(r);
            return append(o, n, at,
                          "set_wifi.cgi?enable=%d&ssid=%.*s&mode=%d&encrypt=%d&wpa_psk=%.*s"
                          "&channel=%d",
                          x->enable, NAS_TXT(x->ssid), x->mode, x->encrypt, NAS_TXT(x->psk),
                          x->channel);
        }
        case 0x2006: {
            auto* x = static_cast<const NasDateTime*>(r);
            if (x->now != 0)
                return append(o, n, at,
                              "set_datetime.cgi?now=%d&tz=%d&ntp_enable=%d&ntp_svr=%.*s"
                              "&ntpinterval=%d&ntpsync=%d",
                              x->now, x->tz, x->ntpEnable, NAS_TXT(x->ntpServer), x->ntpInterval,
                              x->ntpSync);
            return append(o, n, at,
                          "set_datetime.cgi?tz=%d&ntp_enable=%d&ntp_svr=%.*s&ntpinterval=%d"
                          "&ntpsync=%d",
                          x->tz, x->ntpEnable, NAS_TXT(x->ntpServer), x->ntpInterval, x->ntpSync);
        }
        case 0x2007: {
            auto* x = static_cast<const NasRecordSchedule*>(r);
            return append(o, n, at,
                          "set_record_schdule.cgi?record_cover_enable=%d&record_time_enable=%d"
                          "&recorcameragpio=%d&recorcameramotion=%d&record_audio_enable=%d"
                          "&time_schedule_enable=%d&record_camera0=%d&record_camera1=%d"
                          "&record_camera2=%d&record_camera3=%d",
                          x->coverEnable, x->timeEnable, x->cameraGpio, x->cameraMotion,
                          x->audioEnable, x->timeScheduleEnable, x->camera[0], x->camera[1],
                          x->camera[2], x->camera[3]) &&
                   appendSchedule(o, n, at, "schedule_", x->schedule);
        }
        case 0x2008: {
            auto* x = static_cast<const NasAlias*>(r);
            return append(o, n, at, "set_alias.cgi?alias=%.*s", NAS_TXT(x->alias));
        }
        case 0x2009: {
            auto* x = static_cast<const NasApWifi*>(r);
            return append(o, n, at,
                          "set_apwifi.cgi?apenable=%d&apencrypt=%d&apssid=%.*s&appsk=%.*s"
                          "&apchannel=%d&apipaddr=%.*s&apmask=%.*s&apstartip=%.*s&apendip=%.*s",
                          x->enable, x->encrypt, NAS_TXT(x->ssid), NAS_TXT(x->psk), x->channel,
                          NAS_TXT(x->ipAddr), NAS_TXT(x->mask), NAS_TXT(x->startIp),
                          NAS_TXT(x->endIp));
        }
        case 0x200A: {
            auto* x = static_cast<const NasCameras*>(r);
            if (!append(o, n, at, "set_camera.cgi?"))
                return false;
            for (int c = 0; c < 4; ++c) {
                const NasCamera& k = x->camera[c];
                if (!append(o, n, at,
                            "%scameraalia%d=%.*s&cameradeviceid%d=%.*s&cameramac%d=%.*s"
                            "&camerauser%d=%.*s&camerapwd%d=%.*s&camerahost%d=%.*s"
                            "&cameraport%d=%d&cameradhcp%d=%d&camerastreamid%d=%d",
                            c == 0 ? "" : "&", c, NAS_TXT(k.alias), c, NAS_TXT(k.deviceId), c,
                            NAS_TXT(k.mac), c, NAS_TXT(k.user), c, NAS_TXT(k.pwd), c,
                            NAS_TXT(k.host), c, k.port, c, k.dhcp, c, k.streamId))
                    return false;
            }
            return true;
        }
        case 0x200B: {
            auto* x = static_cast<const NasPppoe*>(r);
            return append(o, n, at, "set_pppoe.cgi?pppoeenable=%d&pppoeuser=%.*s&pppoepwd=%.*s",
                          x->enable, NAS_TXT(x->user), NAS_TXT(x->pwd));
        }
        case 0x200C: {
            auto* x = static_cast<const NasPnpServer*>(r);
            return append(o, n, at,
                          "set_pnp_server.cgi?Pnpserver=%.*s&pnpport=%d&pnpuser=%.*s&pnppwd=%.*s",
                          NAS_TXT(x->server), x->port, NAS_TXT(x->user), NAS_TXT(x->pwd));
        }
        case 0x200D: {
            auto* x = static_cast<const NasAlarm*>(r);
            return append(o, n, at,
                          "set_alarm.cgi?alarm_schedule_enable=%d&smoke=%d&pir=%d&irc=%d"
                          "&doorsensor=%d&gas=%d&alarm_input_armed=%d&alarm_preset_sit=%d"
                          "&alarm_input_level=%d&alarm_linkage_enable=%d&alarm_output_level=%d"
                          "&alarm_mail=%d&upload_interval=%d&cameraenable0=%d&cameraenable1=%d"
                          "&cameraenable2=%d&cameraenable3=%d",
                          x->scheduleEnable, x->smoke, x->pir, x->irc, x->doorSensor, x->gas,
                          x->inputArmed, x->presetSit, x->inputLevel, x->linkageEnable,
                          x->outputLevel, x->mail, x->uploadInterval, x->cameraEnable[0],
                          x->cameraEnable[1], x->cameraEnable[2], x->cameraEnable[3]) &&
                   appendSchedule(o, n, at, "alarm_schedule_", x->schedule);
        }
        case 0x200E: {
            auto* x = static_cast<const NasFormatDisk*>(r);
            return append(o, n, at, "set_formathd.cgi?initialdisk=%d&partition=%d&createfile=%d",
                          x->initialDisk, x->partition, x->createFile);
        }
        case 0x2011: {
            auto* x = static_cast<const NasPlugRelay*>(r);
            return append(o, n, at, "set_smart_plug_relay.cgi?status=%d", x->status);
        }
        case 0x2012: {
            auto* x = static_cast<const NasPlugTimerSet*>(r);
            return append(o, n, at,
                          "set_smart_plug_task_schedule.cgi?enable=%d&number=%d&starttime=%d"
                          "&endtime=%d&mon=%d&tue=%d&wed=%d&thu=%d&fri=%d&sat=%d&sun=%d&used=%d",
                          x->enable, x->number, x->startTime, x->endTime, x->mon, x->tue, x->wed,
                          x->thu, x->fri, x->sat, x->sun, x->used);
        }
        case 0x2013: {
            auto* x = static_cast<const NasPlugDelay*>(r);
            return append(o, n, at, "set_smart_plug_task_delay.cgi?enable=%d&minute=%d", x->enable,
                          x->minutes);
        }
        case 0x2014: {
            auto* x = static_cast<const NasPlugKey*>(r);
            return append(o, n, at, "set_smart_plug_key.cgi?key=%.*s", NAS_TXT(x->key));
        }
        case 0x2017: {
            auto* x = static_cast<const NasAlarmCamSet*>(r);
            return append(o, n, at, "set_alarm_cam.cgi?zone=%d&sit=%d&clearall=%d", x->zone,
                          x->position, x->clearAll);
        }
        case 0x2018: {
            auto* x = static_cast<const NasCameraControl*>(r);
            return append(o, n, at, "/camera_control.cgi?param=%d&value=%d&channel=%d", x->param,
                          x->value, x->channel);
        }
        case 0x2019: {
            auto* x = static_cast<const NasAlarmCamControl*>(r);
            return append(o, n, at, "/alarmcam_control.cgi?command=%d&value=%d", x->command,
                          x->value);
        }
        case 0x201A:
        case 0x201B: {
            auto* x = static_cast<const NasPushToken*>(r);
            return append(o, n, at, "%s?token=%.*s",
                          type == 0x201A ? "set_ios_pushparam.cgi" : "set_ios_pushstop.cgi",
                          NAS_TXT(x->token));
        }
        case 0x201C: {
            auto* x = static_cast<const NasAlarmValue*>(r);
            return append(o, n, at,
                          "set_alarm_value.cgi?clear=%d&modulevalue=%d&zone=%d&sit=%d"
                          "&modulealias=%.*s",
                          x->clear, x->moduleValue, x->zone, x->position, NAS_TXT(x->name));
        }
        case 0x201D: {
            auto* x = static_cast<const NasSceneSet*>(r);
            return append(o, n, at,
                          "set_channel_scene.cgi?clear=%d&channel=%d&number=%d&bound=%d&type=%d"
                          "&sit=%d&name=%.*s&scenetype=%d",
                          x->clear, x->channel, x->number, x->bound, x->type, x->position,
                          NAS_TXT(x->name), x->sceneType);
        }
        case 0x2114: {
            auto* x = static_cast<const NasRecordSearch*>(r);
            return append(o, n, at,
                          "get_record_file.cgi?partition=%d&mode=%d&startdate=%d&enddate=%d"
                          "&alarmtype=%d&channel=%d",
                          x->partition, x->mode, x->startDate, x->endDate, x->alarmType,
                          x->channel);
        }
        case 0x211F: {
            auto* x = static_cast<const NasSceneQuery*>(r);
            return append(o, n, at, "get_channel_scene.cgi?channel=%d", x->channel);
        }
        case 0x2206: {
            auto* x = static_cast<const NasPlayback*>(r);
            return append(o, n, at,
                          "nas_recordplay.cgi?mode=%d&partition=%d&filename=%.*s&fileoffset=%d"
                          "&filesize=%d",
                          x->mode, x->partition, NAS_TXT(x->fileName), x->fileOffset, x->fileSize);
        }
        default:
            return false;
    }
}

}  // namespace

const NasCommandRow* FindNasCommand(int type) {
    for (const auto& row : kRows) {
        if (row.type == type)
            return &row;
    }
    return nullptr;
}

const NasCommandRow* FindNasAnswer(int answerId) {
    if (answerId == 0)
        return nullptr;
    for (const auto& row : kRows) {
        if (row.answerId == answerId)
            return &row;
    }
    return nullptr;
}

const NasCommandRow* NasCommandRows(size_t* count) {
    if (count != nullptr)
        *count = sizeof kRows / sizeof kRows[0];
    return kRows;
}

int FormatNasCgi(const NasCommandRow& row, const void* record, char* out, size_t outBytes) {
    if (record == nullptr || out == nullptr || outBytes == 0 || row.requestBytes == 0)
        return -1;
    size_t at = 0;
    out[0] = 0;
    if (!formatRecord(row.type, record, out, outBytes, &at)) {
        out[0] = 0;
        return -1;
    }
    return static_cast<int>(at);
}

}  // namespace vantor
