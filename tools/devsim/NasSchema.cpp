#include "NasSchema.h"

#include <array>
#include <cstdio>

namespace devsim {

namespace {

constexpr const char* kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};

std::string Fmt(const char* fmt, int a, int b = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

using Fields = std::vector<NasField>;

// Fields whose request key equals the answer key.
Fields Same(std::initializer_list<std::pair<const char*, size_t>> list) {
    Fields out;
    for (const auto& [key, width] : list)
        out.push_back({key, key, width});
    return out;
}

void Schedule(Fields& out, const char* answerPrefix, const char* paramPrefix) {
    for (const char* d : kDays) {
        for (int p = 0; p < 3; ++p) {
            std::string suffix = std::string(d) + "_" + std::to_string(p);
            out.push_back({answerPrefix + suffix, paramPrefix + suffix, 0});
        }
    }
}

std::array<Fields, static_cast<size_t>(NasRecord::kCount)> Build() {
    std::array<Fields, static_cast<size_t>(NasRecord::kCount)> t;
    auto at = [&t](NasRecord r) -> Fields& { return t[static_cast<size_t>(r)]; };

    Fields& st = at(NasRecord::kStatus);
    for (auto [k, w] : std::initializer_list<std::pair<const char*, size_t>>{
             {"sys_ver", 32},      {"deviceid", 32},        {"alias", 32},
             {"apssid", 64},       {"apencrypt", 0},        {"externssid", 64},
             {"externsignale", 0}, {"externstatus", 0},     {"internet", 0},
             {"mac", 32},          {"wifimac", 32},         {"alarm_status", 0},
             {"p2pstatus", 0},     {"dns_status", 0},       {"upnp_status", 0},
             {"externwifi", 0},    {"record_sd_status", 0}, {"sdtotal", 0},
             {"sdfree", 0},        {"sdlevel", 0},          {"harddiskstatus", 0},
             {"hdpartitionnum", 0}}) {
        st.push_back({k, "", w});
    }
    for (int n = 0; n < NasSchema::kDisks; ++n)
        st.push_back({Fmt("harddisk%dstatus", n), "", 0});
    for (int n = 0; n < NasSchema::kDisks; ++n)
        st.push_back({Fmt("Partition%dsize", n), "", 0});
    for (int n = 0; n < NasSchema::kChannels; ++n)
        st.push_back({Fmt("cam%dstatus", n), "", 0});

    Fields& cams = at(NasRecord::kCameras);
    for (int n = 0; n < NasSchema::kChannels; ++n) {
        for (const char* k : {"cameraalia%d", "cameradeviceid%d", "cameramac%d", "camerauser%d",
                              "camerapwd%d", "camerahost%d"}) {
            cams.push_back({Fmt(k, n), Fmt(k, n), 32});
        }
        for (const char* k : {"cameraport%d", "cameradhcp%d", "camerastreamid%d"})
            cams.push_back({Fmt(k, n), Fmt(k, n), 0});
    }

    at(NasRecord::kDateTime) = {{"now", "now", 0},
                                {"tz", "tz", 0},
                                {"ntpenable", "ntp_enable", 0},
                                {"ntpsvr", "ntp_svr", 64},
                                {"ntpinterval", "ntpinterval", 0}};
    at(NasRecord::kPppoe) = Same({{"pppoeenable", 0}, {"pppoeuser", 64}, {"pppoepwd", 64}});
    at(NasRecord::kDdns) = Same({{"ddnsservice", 0},
                                 {"ddnsuser", 32},
                                 {"ddnspwd", 32},
                                 {"hostname", 64},
                                 {"ddnssvr", 64},
                                 {"ddnsport", 0}});

    Fields& rec = at(NasRecord::kRecordSchedule);
    rec = Same({{"record_cover_enable", 0}, {"record_time_enable", 0}, {"record_audio_enable", 0}});
    for (int n = 0; n < NasSchema::kChannels; ++n)
        rec.push_back({Fmt("recordcamera%d", n), Fmt("record_camera%d", n), 0});
    rec.push_back({"recorcameramotion", "recorcameramotion", 0});
    rec.push_back({"recorcameragpio", "recorcameragpio", 0});
    Schedule(rec, "record_schedule_", "schedule_");

    Fields& al = at(NasRecord::kAlarm);
    al = Same({{"alarm_schedule_enable", 0}});
    for (int n = 0; n < NasSchema::kChannels; ++n)
        al.push_back({Fmt("cameraenable%d", n), Fmt("cameraenable%d", n), 0});
    for (const char* k : {"smoke", "pir", "irc", "doorsensor", "gas", "alarm_input_armed",
                          "alarm_preset_sit", "alarm_input_level", "alarm_linkage_enable",
                          "alarm_output_level", "alarm_mail", "upload_interval"}) {
        al.push_back({k, k, 0});
    }
    Schedule(al, "alarm_schedule_", "alarm_schedule_");

    at(NasRecord::kMail) = {{"mail_svr", "mail_svr", 64},
                            {"mail_port", "mail_port", 0},
                            {"mail_user", "mail_user", 64},
                            {"mail_pwd", "mail_pwd", 64},
                            {"mailssl", "ssl", 0},
                            {"mail_sender", "mail_sender", 64},
                            {"mail_receiver1", "mail_receiver1", 64},
                            {"mail_receiver2", "mail_receiver2", 64},
                            {"mail_receiver3", "mail_receiver3", 64},
                            {"mail_receiver4", "mail_receiver4", 64}};
    at(NasRecord::kFtp) = {{"ftp_svr", "ftpsvr", 64},   {"ftp_port", "port", 0},
                           {"ftp_user", "ftpuser", 32}, {"ftp_pwd", "ftppwd", 32},
                           {"ftp_dir", "ftpdir", 32},   {"ftp_mode", "ftpmode", 0}};
    // "port=" ahead of "rtspport=".
    at(NasRecord::kNetwork) = {{"ipaddr", "ipaddr", 32},    {"mask", "mask", 32},
                               {"gateway", "gateway", 32},  {"port", "port", 0},
                               {"rtspport", "rtspport", 0}, {"dhcpen", "dhcp", 0},
                               {"dns1", "dns1", 32},        {"dns2", "dns2", 32}};
    at(NasRecord::kAp) = {{"apenable", "apenable", 0},    {"apencrypt", "apencrypt", 0},
                          {"apssid", "apssid", 64},       {"appsk", "appsk", 64},
                          {"apchannel", "apchannel", 0},  {"apipaddr", "apipaddr", 32},
                          {"apmask", "apmask", 32},       {"apmode", "", 0},
                          {"apstartip", "apstartip", 32}, {"apendip", "apendip", 32}};
    at(NasRecord::kWifi) = {{"wifi_enable", "enable", 0},   {"wifi_ssid", "ssid", 64},
                            {"wifi_channel", "channel", 0}, {"wifi_mode", "mode", 0},
                            {"wifi_encrypt", "encrypt", 0}, {"wifi_psk", "wpa_psk", 64}};
    at(NasRecord::kFactory) = {{"factory_user", "", 64},   {"factory_status", "", 0},
                               {"factory_server", "", 64}, {"factory_port", "", 0},
                               {"factory_passwd", "", 64}, {"factory_mode", "", 0},
                               {"factory_index", "", 0},   {"factory_heatbeat", "", 0}};
    at(NasRecord::kPnpServer) = {{"pnpserver", "Pnpserver", 256},
                                 {"pnpport", "pnpport", 0},
                                 {"pnpuser", "pnpuser", 64},
                                 {"pnppwd", "pnppwd", 64}};
    Fields& users = at(NasRecord::kUsers);
    for (int n = 1; n <= 3; ++n) {
        users.push_back({Fmt("user%d_name", n), Fmt("user%d", n), 64});
        users.push_back({Fmt("user%d_pwd", n), Fmt("pwd%d", n), 64});
    }
    at(NasRecord::kPlugRelay) = {{"status", "status", 0}};
    Fields& timers = at(NasRecord::kPlugTimers);
    for (int n = 0; n < NasSchema::kPlugTimers; ++n) {
        for (const char* k : {"used%d", "enable%d", "starttime%d", "endtime%d", "mon%d", "tue%d",
                              "wed%d", "thu%d", "fri%d", "sat%d", "sun%d"}) {
            timers.push_back({Fmt(k, n), "", 0});
        }
    }
    timers.push_back({"count", "", 0});
    at(NasRecord::kPlugKey) = {{"key", "key", 8}};
    at(NasRecord::kAppVersion) = {{"app_version", "", 16}};

    Fields& acc = at(NasRecord::kAccessories);
    for (int z = 0; z < NasSchema::kZones; ++z) {
        for (int s = 0; s < NasSchema::kZonePositions; ++s) {
            acc.push_back({Fmt("alarmcam[%d][%d]", z, s), "", 0});
            acc.push_back({Fmt("alarmkey[%d][%d]", z, s), "", 0});
            acc.push_back({Fmt("alarmptz[%d][%d]", z, s), "", 0});
            acc.push_back({Fmt("alarmalias[%d][%d]", z, s), "", 32});
            acc.push_back({Fmt("alarmlinkchnl[%d][%d]", z, s), "", 0});
            acc.push_back({Fmt("alarmbound[%d][%d]", z, s), "", 0});
        }
    }
    for (int z = 0; z < NasSchema::kZones; ++z)
        acc.push_back({Fmt("alarmaudio[%d]", z), "", 0});
    acc.push_back({"zonestatus", "", 0});
    return t;
}

}  // namespace

const std::vector<NasField>& NasSchema::Fields(NasRecord record) {
    static const auto tables = Build();
    return tables[static_cast<size_t>(record)];
}

void NasSchema::DefineDefaults(SettingsStore& s, const DeviceProfile& p) {
    for (size_t r = 0; r < static_cast<size_t>(NasRecord::kCount); ++r) {
        for (const auto& f : Fields(static_cast<NasRecord>(r))) {
            if (f.width > 0) {
                s.defineText(f.key, f.width, "");
            } else {
                s.defineInt(f.key, 0);
            }
        }
    }
    s.set("sys_ver", p.firmware);
    s.set("deviceid", p.id);
    s.set("alias", p.name);
    s.set("apssid", "NVR-" + p.id);
    s.set("apencrypt", "1");
    s.set("internet", "1");
    s.set("mac", p.mac);
    s.set("wifimac", p.mac);
    s.set("p2pstatus", "1");
    s.set("record_sd_status", "1");
    s.set("harddiskstatus", "1");
    s.set("hdpartitionnum", std::to_string(kPartitions));
    for (int n = 0; n < kPartitions; ++n) {
        s.set(Fmt("harddisk%dstatus", n), "1");
        s.set(Fmt("Partition%dsize", n), "476940");  // MB
    }
    s.set("sdtotal", std::to_string(2 * 476940));
    s.set("sdfree", "700000");
    for (int n = 0; n < kChannels; ++n) {
        s.set(Fmt("cam%dstatus", n), "1");
        s.set(Fmt("cameraalia%d", n), Fmt("CH%d", n));
        s.set(Fmt("cameradeviceid%d", n), Fmt("WCAM00000%dSIM", n));
        s.set(Fmt("camerauser%d", n), "admin");
        s.set(Fmt("camerahost%d", n), Fmt("192.168.10.%d", 101 + n));
        s.set(Fmt("cameraport%d", n), "81");
        s.set(Fmt("camerastreamid%d", n), "10");
        s.set(Fmt("recordcamera%d", n), "1");
        s.set(Fmt("cameraenable%d", n), "1");
    }
    s.set("tz", "-28800");
    s.set("ntpenable", "1");
    s.set("ntpsvr", "time.nist.gov");
    s.set("ntpinterval", "24");
    s.set("record_cover_enable", "1");
    s.set("record_time_enable", "1");
    s.set("mail_port", "25");
    s.set("ftp_port", "21");
    s.set("ipaddr", p.host);
    s.set("mask", "255.0.0.0");
    s.set("gateway", "127.0.0.1");
    s.set("port", "80");
    s.set("rtspport", "554");
    s.set("dhcpen", "1");
    s.set("dns1", "127.0.0.53");
    s.set("apenable", "1");
    s.set("apssid", "NVR-" + p.id);
    s.set("appsk", "12345678");
    s.set("apchannel", "6");
    s.set("apipaddr", "192.168.10.1");
    s.set("apmask", "255.255.255.0");
    s.set("apstartip", "192.168.10.100");
    s.set("apendip", "192.168.10.200");
    s.set("factory_server", "factory.invalid");
    s.set("factory_port", "8000");
    s.set("factory_heatbeat", "60");
    s.set("pnpserver", "P2P.SIM.INVALID");
    s.set("pnpport", "32100");
    s.set("user1_name", "");
    s.set("user3_name", p.user);
    s.set("user3_pwd", p.password);
    s.set("count", std::to_string(kPlugTimers));
    s.set("key", "1234");
    s.set("app_version", "2.1.0.8");
}

}  // namespace devsim
