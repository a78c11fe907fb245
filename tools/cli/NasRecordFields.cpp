#include "NasRecordFields.h"

#include <cstddef>
#include <deque>

#include "morsk_records.h"

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

const char* const kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};

// Generated field names live as long as the table.
const char* Name(const std::string& s) {
    static std::deque<std::string> pool;
    pool.push_back(s);
    return pool.back().c_str();
}

void IntArray(std::vector<FieldDef>& out, size_t offset, int count, const std::string& prefix,
              const std::string& suffix = "") {
    for (int i = 0; i < count; ++i)
        out.push_back(
            {Name(prefix + std::to_string(i) + suffix), offset + 4 * size_t(i), 4, false});
}

void Schedule(std::vector<FieldDef>& out, size_t offset) {
    for (int d = 0; d < 7; ++d) {
        for (int p = 0; p < 3; ++p) {
            out.push_back({Name(std::string("schedule_") + kDays[d] + "_" + std::to_string(p)),
                           offset + 4 * size_t(d * 3 + p), 4, false});
        }
    }
}

std::vector<RecordDef> Build() {
    std::vector<RecordDef> r;
    {
        using R = NasStatus;
        RecordDef d{"status",
                    NAS_GET_STATUS,
                    0,
                    sizeof(R),
                    {T_(R, sysVersion, "sys_ver"),
                     T_(R, deviceId, "deviceid"),
                     T_(R, alias, "alias"),
                     T_(R, apSsid, "apssid"),
                     I_(R, apEncrypt, "apencrypt"),
                     T_(R, externSsid, "externssid"),
                     I_(R, externSignal, "externsignal"),
                     I_(R, externStatus, "externstatus"),
                     I_(R, internet, "internet"),
                     T_(R, mac, "mac"),
                     T_(R, wifiMac, "wifimac"),
                     I_(R, alarmStatus, "alarm_status"),
                     I_(R, p2pStatus, "p2pstatus"),
                     I_(R, dnsStatus, "dns_status"),
                     I_(R, upnpStatus, "upnp_status"),
                     I_(R, externWifi, "externwifi"),
                     I_(R, recordSdStatus, "record_sd_status"),
                     I_(R, sdTotal, "sdtotal"),
                     I_(R, sdFree, "sdfree"),
                     I_(R, sdLevel, "sdlevel"),
                     I_(R, hardDiskStatus, "harddiskstatus"),
                     I_(R, hdPartitionNum, "hdpartitionnum")}};
        IntArray(d.fields, offsetof(R, hardDisk), 16, "harddisk", "status");
        IntArray(d.fields, offsetof(R, partitionSize), 16, "partition", "size");
        IntArray(d.fields, offsetof(R, camStatus), 4, "cam", "status");
        r.push_back(d);
    }
    {
        using R = NasNetwork;
        r.push_back({"network",
                     NAS_GET_NETWORK,
                     NAS_SET_NETWORK,
                     sizeof(R),
                     {T_(R, ipAddr, "ipaddr"), T_(R, mask, "mask"), T_(R, gateway, "gateway"),
                      I_(R, httpPort, "port"), I_(R, rtspPort, "rtspport"), I_(R, dhcp, "dhcp"),
                      T_(R, dns1, "dns1"), T_(R, dns2, "dns2")}});
    }
    {
        using R = NasUsers;
        r.push_back({"users",
                     NAS_GET_USERS,
                     NAS_SET_USERS,
                     sizeof(R),
                     {T_(R, user1, "user1"), T_(R, pwd1, "pwd1"), T_(R, user2, "user2"),
                      T_(R, pwd2, "pwd2"), T_(R, user3, "user3"), T_(R, pwd3, "pwd3")}});
    }
    {
        using R = NasDdns;
        r.push_back({"ddns",
                     NAS_GET_DDNS,
                     NAS_SET_DDNS,
                     sizeof(R),
                     {I_(R, service, "service"), T_(R, user, "user"), T_(R, pwd, "pwd"),
                      T_(R, hostName, "hostname"), T_(R, server, "server"), I_(R, port, "port")}});
    }
    {
        using R = NasFtp;
        r.push_back({"ftp",
                     NAS_GET_FTP,
                     NAS_SET_FTP,
                     sizeof(R),
                     {T_(R, server, "server"), I_(R, port, "port"), T_(R, user, "user"),
                      T_(R, pwd, "pwd"), T_(R, dir, "dir"), I_(R, mode, "mode")}});
    }
    {
        using R = NasMail;
        RecordDef d{"mail",
                    NAS_GET_MAIL,
                    NAS_SET_MAIL,
                    sizeof(R),
                    {T_(R, server, "server"), I_(R, port, "port"), T_(R, user, "user"),
                     T_(R, pwd, "pwd"), I_(R, ssl, "ssl"), T_(R, sender, "sender")}};
        for (int i = 0; i < 4; ++i) {
            d.fields.push_back({Name("receiver" + std::to_string(i + 1)),
                                offsetof(R, receiver) + 64 * size_t(i), 64, true});
        }
        r.push_back(d);
    }
    {
        using R = NasWifi;
        r.push_back({"wifi",
                     NAS_GET_WIFI,
                     NAS_SET_WIFI,
                     sizeof(R),
                     {I_(R, enable, "enable"), T_(R, ssid, "ssid"), I_(R, channel, "channel"),
                      I_(R, mode, "mode"), I_(R, encrypt, "encrypt"), T_(R, psk, "psk")}});
    }
    {
        using R = NasDateTime;
        r.push_back({"datetime",
                     NAS_GET_DATETIME,
                     NAS_SET_DATETIME,
                     sizeof(R),
                     {I_(R, now, "now"), I_(R, tz, "tz"), I_(R, ntpEnable, "ntp_enable"),
                      T_(R, ntpServer, "ntp_svr"), I_(R, ntpInterval, "ntp_interval"),
                      I_(R, ntpSync, "ntp_sync")}});
    }
    {
        using R = NasRecordSchedule;
        RecordDef d{"recordsch",
                    NAS_GET_RECORD_SCHEDULE,
                    NAS_SET_RECORD_SCHEDULE,
                    sizeof(R),
                    {I_(R, coverEnable, "cover_enable"), I_(R, timeEnable, "time_enable"),
                     I_(R, audioEnable, "audio_enable")}};
        IntArray(d.fields, offsetof(R, camera), 4, "camera");
        d.fields.push_back(I_(R, cameraMotion, "motion"));
        d.fields.push_back(I_(R, cameraGpio, "gpio"));
        d.fields.push_back(I_(R, timeScheduleEnable, "time_schedule_enable"));
        Schedule(d.fields, offsetof(R, schedule));
        r.push_back(d);
    }
    {
        using R = NasApWifi;
        r.push_back({"apwifi",
                     NAS_GET_APWIFI,
                     NAS_SET_APWIFI,
                     sizeof(R),
                     {I_(R, enable, "enable"), I_(R, encrypt, "encrypt"), T_(R, ssid, "ssid"),
                      T_(R, psk, "psk"), I_(R, channel, "channel"), T_(R, ipAddr, "ipaddr"),
                      T_(R, mask, "mask"), I_(R, mode, "mode"), T_(R, startIp, "startip"),
                      T_(R, endIp, "endip")}});
    }
    {
        RecordDef d{"camera", NAS_GET_CAMERA, NAS_SET_CAMERA, sizeof(NasCameras), {}};
        for (int c = 0; c < 4; ++c) {
            size_t base = sizeof(NasCamera) * size_t(c);
            std::string p = "cam" + std::to_string(c) + "_";
            using R = NasCamera;
            for (FieldDef f :
                 {T_(R, alias, "alias"), T_(R, deviceId, "deviceid"), T_(R, mac, "mac"),
                  T_(R, user, "user"), T_(R, pwd, "pwd"), T_(R, host, "host"), I_(R, port, "port"),
                  I_(R, dhcp, "dhcp"), I_(R, streamId, "streamid")}) {
                f.name = Name(p + f.name);
                f.offset += base;
                d.fields.push_back(f);
            }
        }
        r.push_back(d);
    }
    {
        using R = NasPppoe;
        r.push_back({"pppoe",
                     NAS_GET_PPPOE,
                     NAS_SET_PPPOE,
                     sizeof(R),
                     {I_(R, enable, "enable"), T_(R, user, "user"), T_(R, pwd, "pwd")}});
    }
    {
        using R = NasPnpServer;
        r.push_back({"pnp",
                     NAS_GET_PNP_SERVER,
                     NAS_SET_PNP_SERVER,
                     sizeof(R),
                     {T_(R, server, "server"), I_(R, port, "port"), T_(R, user, "user"),
                      T_(R, pwd, "pwd")}});
    }
    {
        using R = NasAlarm;
        RecordDef d{"alarm",
                    NAS_GET_ALARM,
                    NAS_SET_ALARM,
                    sizeof(R),
                    {I_(R, scheduleEnable, "schedule_enable")}};
        IntArray(d.fields, offsetof(R, cameraEnable), 4, "cameraenable");
        for (FieldDef f :
             {I_(R, smoke, "smoke"), I_(R, pir, "pir"), I_(R, irc, "irc"),
              I_(R, doorSensor, "doorsensor"), I_(R, gas, "gas"), I_(R, inputArmed, "input_armed"),
              I_(R, presetSit, "preset_sit"), I_(R, inputLevel, "input_level"),
              I_(R, linkageEnable, "linkage_enable"), I_(R, outputLevel, "output_level"),
              I_(R, mail, "mail"), I_(R, uploadInterval, "upload_interval")}) {
            d.fields.push_back(f);
        }
        Schedule(d.fields, offsetof(R, schedule));
        r.push_back(d);
    }
    {
        using R = NasFactory;
        r.push_back({"factory",
                     NAS_GET_FACTORY,
                     0,
                     sizeof(R),
                     {T_(R, user, "user"), I_(R, status, "status"), T_(R, server, "server"),
                      I_(R, port, "port"), T_(R, passwd, "passwd"), I_(R, mode, "mode"),
                      I_(R, index, "index"), I_(R, heartbeat, "heartbeat")}});
    }
    r.push_back({"appversion",
                 NAS_GET_APP_VERSION,
                 0,
                 sizeof(NasAppVersion),
                 {T_(NasAppVersion, version, "version")}});
    r.push_back({"plugrelay",
                 NAS_GET_PLUG_RELAY,
                 NAS_SET_PLUG_RELAY,
                 sizeof(NasPlugRelay),
                 {I_(NasPlugRelay, status, "status")}});
    r.push_back({"plugdelay",
                 NAS_GET_PLUG_DELAY,
                 NAS_SET_PLUG_DELAY,
                 sizeof(NasPlugDelay),
                 {I_(NasPlugDelay, enable, "enable"), I_(NasPlugDelay, minutes, "minutes")}});
    r.push_back({"plugkey",
                 NAS_GET_PLUG_KEY,
                 NAS_SET_PLUG_KEY,
                 sizeof(NasPlugKey),
                 {T_(NasPlugKey, key, "key")}});
    return r;
}

}  // namespace

const std::vector<RecordDef>& NasRecords() {
    static const std::vector<RecordDef> kRecords = Build();
    return kRecords;
}

const RecordDef* FindNasRecord(const std::string& nameOrType) {
    long long type = 0;
    bool numeric = ParseInt(nameOrType, 0, 0xFFFF, &type);
    for (const RecordDef& d : NasRecords()) {
        if (nameOrType == d.name || (numeric && (d.getType == type || d.setType == type)))
            return &d;
    }
    return nullptr;
}

}  // namespace vantor::cli
