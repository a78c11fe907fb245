#include "NasHandler.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "MediaFrameHead.h"
#include "SimulatedAccessPoints.h"

namespace devsim {

namespace {

constexpr const char* kOk = "result=\"ok\";\r\n";
constexpr const char* kFail = "result=\"error\";\r\n";
constexpr int kLoopsPerRecording = 10;

std::string Fmt(const char* fmt, long long a, long long b = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

void AppendInt(std::string& out, const std::string& key, long long v) {
    out += key + "=" + std::to_string(v) + ";\r\n";
}

void AppendText(std::string& out, const std::string& key, const std::string& v) {
    out += key + "=\"" + v + "\";\r\n";
}

int64_t NowSeconds() {
    return static_cast<int64_t>(time(nullptr));
}

struct GetCgi {
    const char* name;
    uint16_t code;
    NasRecord record;
};

constexpr GetCgi kGetCgis[] = {
    {"get_status.cgi", 0x7001, NasRecord::kStatus},
    {"get_camera.cgi", 0x7002, NasRecord::kCameras},
    {"get_pppoe.cgi", 0x7014, NasRecord::kPppoe},
    {"get_ddns.cgi", 0x7013, NasRecord::kDdns},
    {"get_record_schdule.cgi", 0x7004, NasRecord::kRecordSchedule},
    {"get_alarm.cgi", 0x7007, NasRecord::kAlarm},
    {"get_mail.cgi", 0x7008, NasRecord::kMail},
    {"get_ftp.cgi", 0x7009, NasRecord::kFtp},
    {"get_network.cgi", 0x700B, NasRecord::kNetwork},
    {"get_apwifi.cgi", 0x700C, NasRecord::kAp},
    {"get_wifi.cgi", 0x700D, NasRecord::kWifi},
    {"get_factory_param.cgi", 0x700F, NasRecord::kFactory},
    {"get_pnp_server.cgi", 0x7010, NasRecord::kPnpServer},
    {"get_users.cgi", 0x7011, NasRecord::kUsers},
    {"get_smart_plug_relay.cgi", 0x7101, NasRecord::kPlugRelay},
    {"get_smart_plug_task_schedule.cgi", 0x7103, NasRecord::kPlugTimers},
    {"get_smart_plug_key.cgi", 0x7104, NasRecord::kPlugKey},
    {"get_appversion.cgi", 0x7015, NasRecord::kAppVersion},
    {"get_alarmpnp_cam.cgi", 0x7017, NasRecord::kAccessories},
};

// Sets that copy request keys into one record. Network, users, Wi-Fi and access point take
// effect when the client follows up with reboot.cgi, as the recorder does.
constexpr GetCgi kSetCgis[] = {
    {"set_network.cgi", 0x703A, NasRecord::kNetwork},
    {"set_users.cgi", 0x7030, NasRecord::kUsers},
    {"set_ddns.cgi", 0x7033, NasRecord::kDdns},
    {"set_ftp.cgi", 0x703F, NasRecord::kFtp},
    {"set_mail.cgi", 0x703E, NasRecord::kMail},
    {"set_wifi.cgi", 0x703C, NasRecord::kWifi},
    {"set_record_schdule.cgi", 0x7039, NasRecord::kRecordSchedule},
    {"set_apwifi.cgi", 0x703B, NasRecord::kAp},
    {"set_camera.cgi", 0x7035, NasRecord::kCameras},
    {"set_pppoe.cgi", 0x7037, NasRecord::kPppoe},
    {"set_pnp_server.cgi", 0x7040, NasRecord::kPnpServer},
    {"set_alarm.cgi", 0x703D, NasRecord::kAlarm},
    {"set_smart_plug_relay.cgi", 0x7201, NasRecord::kPlugRelay},
    {"set_smart_plug_key.cgi", 0x7205, NasRecord::kPlugKey},
};

// Actions and tests that answer a result and change nothing the simulator keeps.
constexpr struct {
    const char* name;
    uint16_t code;
} kResultCgis[] = {
    {"camera_control.cgi", 0x7064},    {"alarmcam_control.cgi", 0x7066},
    {"set_ios_pushparam.cgi", 0x7043}, {"set_ios_pushstop.cgi", 0x7046},
    {"set_alarmlogclr.cgi", 0x7041},   {"ap_wps_pbc_start.cgi", 0x705A},
    {"sta_wps_pbc_start.cgi", 0x705B}, {"wifi_scan.cgi", 0x7053},
    {"search_camera.cgi", 0x7059},
};

}  // namespace

NasHandler::NasHandler(const DeviceProfile& profile, const std::vector<int64_t>& channelLoopBytes,
                       int loopSeconds, int64_t now_s)
    : profile_(profile) {
    resetToFactory();
    populate(channelLoopBytes, loopSeconds, now_s);
}

void NasHandler::resetToFactory() {
    store_ = SettingsStore();
    NasSchema::DefineDefaults(store_, profile_);
    for (auto& ch : scenes_)
        ch.fill(Scene());
    heard_.clear();
    listening_ = false;
    plugDelayEnable_ = 0;
    plugDelayMinutes_ = 0;
    clockOffset_s_ = 0;
}

void NasHandler::populate(const std::vector<int64_t>& channelLoopBytes, int loopSeconds,
                          int64_t now_s) {
    int perList = std::clamp(profile_.recordings, 0, 16);
    int64_t hourStart = now_s - now_s % 3600;
    for (int p = 0; p < NasSchema::kPartitions; ++p) {
        for (int c = 0; c < NasSchema::kChannels; ++c) {
            int64_t loopBytes = static_cast<size_t>(c) < channelLoopBytes.size()
                                    ? channelLoopBytes[static_cast<size_t>(c)]
                                    : 0;
            for (int i = perList; i >= 1; --i) {
                NasRecording f;
                f.partition = p;
                f.channel = c;
                f.alarmType = i % 2;
                f.rec.startSeconds = hourStart - (i + p * perList) * 3600LL + 60LL * c;
                f.rec.durationSeconds = kLoopsPerRecording * std::max(1, loopSeconds);
                f.rec.sizeBytes = loopBytes * kLoopsPerRecording;
                f.rec.alarm = f.alarmType != 0;
                time_t t = static_cast<time_t>(f.rec.startSeconds);
                struct tm tmv;
                gmtime_r(&t, &tmv);
                char name[96];
                std::snprintf(name, sizeof name, "/hd%d/ch%d/%04d%02d%02d%02d%02d%02d_%d.rec", p, c,
                              tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour,
                              tmv.tm_min, tmv.tm_sec, f.alarmType);
                f.rec.name = name;
                files_.push_back(std::move(f));
            }
        }
    }
}

bool NasHandler::checkAccount(const std::string& user, const std::string& password) const {
    for (int i = 1; i <= 3; ++i) {
        std::string name = store_.get(Fmt("user%lld_name", i));
        if (!name.empty() && name == user && store_.get(Fmt("user%lld_pwd", i)) == password)
            return true;
    }
    return false;
}

void NasHandler::noteAlarm(int kind) {
    store_.set("alarm_status", std::to_string(kind));
}

std::string NasHandler::setting(const std::string& key) const {
    if (key == "now")
        return std::to_string(NowSeconds() + clockOffset_s_);
    if (key == "minute")
        return std::to_string(plugDelayMinutes_);
    if (key == "livestream")
        return lastLive_;
    return store_.get(key);
}

bool NasHandler::findRecording(const std::string& name, Recording* out, int* channel) const {
    for (const auto& f : files_) {
        if (f.rec.name == name) {
            *out = f.rec;
            *channel = f.channel;
            return true;
        }
    }
    return false;
}

std::vector<Recording> NasHandler::recordings() const {
    std::vector<Recording> out;
    for (const auto& f : files_)
        out.push_back(f.rec);
    return out;
}

void NasHandler::hearAccessory(int code) {
    if (listening_ && heard_.size() < kMaxHeardCodes)
        heard_.push_back(code);
}

bool NasHandler::applyFields(NasRecord record, const CgiRequest& r) {
    bool any = false;
    for (const auto& f : NasSchema::Fields(record)) {
        if (!f.param.empty() && f.key != "now" && r.has(f.param))
            any = store_.set(f.key, r.get(f.param)) || any;
    }
    return any;
}

std::string NasHandler::recordAnswer(NasRecord record) const {
    std::string out;
    for (const auto& f : NasSchema::Fields(record))
        store_.append(out, f.key);
    return out;
}

CgiAnswer NasHandler::handle(const CgiRequest& r) {
    CgiAnswer a;
    const std::string& n = r.name();
    a.answered = true;
    a.authorised = checkAccount(r.loginUser(), r.loginPassword());

    // Streams, playback and pan/tilt carry no answer on the command channel.
    if (n == "livestream.cgi" || n == "audiostream.cgi" || n == "decoder_control.cgi" ||
        n == "nas_recordplay.cgi") {
        a.answered = false;
        a.channel = static_cast<int>(
            std::clamp<long long>(r.getInt("channel", 0), 0, NasSchema::kChannels - 1));
        a.streamId = static_cast<int>(r.getInt("streamid", 80));
        if (n == "decoder_control.cgi") {
            a.action = CgiAnswer::Action::kPtz;
        } else if (n == "audiostream.cgi") {
            a.action = a.streamId == kLiveStop ? CgiAnswer::Action::kStopAudio
                                               : CgiAnswer::Action::kStartAudio;
        } else if (n == "livestream.cgi") {
            a.action = a.streamId == kLiveStop ? CgiAnswer::Action::kStopLive
                                               : CgiAnswer::Action::kStartLive;
            if (a.action == CgiAnswer::Action::kStartLive && a.authorised)
                lastLive_ = "streamid=" + std::to_string(a.streamId) +
                            " channel=" + std::to_string(a.channel);
        } else {
            a.fileName = r.get("filename");
            a.offset = std::max(0LL, r.getInt("fileoffset", 0));
            a.action = r.getInt("mode", 0) == kPlaybackStopMode ? CgiAnswer::Action::kStopPlayback
                                                                : CgiAnswer::Action::kPlayback;
            Recording rec;
            int channel = 0;
            if (findRecording(a.fileName, &rec, &channel))
                a.channel = channel;
        }
        a.endKind = vantor::kFrameCameraAudio;  // the recorder's end-of-recording kind
        a.audioKind = vantor::kFrameNasAudio;
        return a;
    }

    if (n == "check_user.cgi") {
        a.code = 0x7055;
        a.body = a.authorised ? "result= 0;\r\n" : kFail;
        return a;
    }

    uint16_t code = 0;
    for (const auto& g : kGetCgis)
        code = n == g.name ? g.code : code;
    for (const auto& g : kSetCgis)
        code = n == g.name ? g.code : code;
    if (!a.authorised) {
        // The answer keeps its ID so the client drops it against the request it made.
        a.code = code;
        a.answered = code != 0;
        a.body = kFail;
        return a;
    }
    for (const auto& g : kGetCgis) {
        if (n == g.name) {
            a.code = g.code;
            a.body = recordAnswer(g.record);
            return a;
        }
    }
    for (const auto& g : kSetCgis) {
        if (n == g.name) {
            a.code = g.code;
            a.body = applyFields(g.record, r) ? kOk : kFail;
            return a;
        }
    }
    for (const auto& c : kResultCgis) {
        if (n == c.name) {
            a.code = c.code;
            a.body = kOk;
            return a;
        }
    }

    if (n == "login.cgi") {
        a.code = 0x7016;
        std::string user = r.loginUser();
        AppendText(a.body, "user", SanitizeText(user, 31));
        AppendText(a.body, "pwd", SanitizeText(r.loginPassword(), 31));
        // The third account is the administrator, the second an operator, the first a visitor.
        int pri = user == store_.get("user3_name") ? 255 : user == store_.get("user2_name") ? 1 : 0;
        AppendInt(a.body, "pri", pri);
    } else if (n == "get_datetime.cgi") {
        a.code = 0x7012;
        AppendInt(a.body, "now", NowSeconds() + clockOffset_s_);
        for (const char* k : {"tz", "ntpenable", "ntpsvr", "ntpinterval"})
            store_.append(a.body, k);
    } else if (n == "set_datetime.cgi") {
        a.code = 0x7032;
        if (r.getInt("now", 0) != 0)
            clockOffset_s_ = r.getInt("now") - NowSeconds();
        applyFields(NasRecord::kDateTime, r);
        a.body = kOk;
    } else if (n == "set_alias.cgi") {
        a.code = 0x7031;
        a.body = r.has("alias") && store_.set("alias", r.get("alias")) ? kOk : kFail;
    } else if (n == "get_smart_plug_task_delay.cgi") {
        a.code = 0x7102;
        AppendInt(a.body, "minute", plugDelayMinutes_);
    } else if (n == "set_smart_plug_task_delay.cgi") {
        a.code = 0x7203;
        plugDelayEnable_ = static_cast<int>(r.getInt("enable", 0));
        plugDelayMinutes_ = static_cast<int>(std::clamp<long long>(r.getInt("minute", 0), 0, 1440));
        a.body = kOk;
    } else if (n == "set_smart_plug_task_schedule.cgi") {
        a.code = 0x7204;
        a.body = setPlugTimer(r) ? kOk : kFail;
    } else if (n == "set_smart_plug_direct_connect.cgi") {
        a.code = 0x7202;
        AppendText(a.body, "direct_ssid", SanitizeText("PLUG-" + profile_.id, 31));
    } else if (n == "get_wifi_scan_result.cgi") {
        a.code = 0x700E;
        a.body = wifiScan();
    } else if (n == "get_search_camera_result.cgi") {
        a.code = 0x7063;
        a.body = cameraSearch();
    } else if (n == "get_record_file.cgi") {
        a.code = 0x7005;
        a.body = recordList(r);
    } else if (n == "set_formathd.cgi") {
        a.code = 0x7038;
        long long p = r.getInt("partition", -1);
        files_.erase(std::remove_if(files_.begin(), files_.end(),
                                    [p](const NasRecording& f) { return f.partition == p; }),
                     files_.end());
        a.body = kOk;
    } else if (n == "set_default.cgi" || n == "restore_factory.cgi") {
        a.code = n == "set_default.cgi" ? 0x7034 : 0x7052;
        resetToFactory();
        a.body = kOk;
    } else if (n == "reboot.cgi") {
        a.code = 0x7051;
        a.body = kOk;
        a.action = CgiAnswer::Action::kReboot;
    } else if (n == "set_alarm_cam.cgi") {
        a.code = 0x7042;
        a.body = clearAccessory(r) ? kOk : kFail;
    } else if (n == "set_alarm_value.cgi") {
        a.code = 0x7044;
        a.body = setAccessory(r) ? kOk : kFail;
    } else if (n == "search_alarm_device.cgi") {
        // Listening starts afresh; the simulated recorder hears two codes of its own at once.
        a.code = 0x706A;
        heard_.clear();
        listening_ = true;
        ++searches_;
        hearAccessory(0x100000 + searches_ * 16 + 1);
        hearAccessory(0x100000 + searches_ * 16 + 2);
        a.body = kOk;
    } else if (n == "get_alarm_list.cgi") {
        a.code = 0x7069;
        a.body = heardList();
    } else if (n == "get_config_result.cgi") {
        a.code = 0x7068;
        AppendInt(a.body, "Isconfig", 1);
    } else if (n == "get_channel_scene.cgi") {
        a.code = 0x706B;
        long long ch = r.getInt("channel", -1);
        if (ch < 0 || ch >= NasSchema::kChannels) {
            a.body = kFail;
        } else {
            a.body = sceneTable(static_cast<int>(ch));
        }
    } else if (n == "set_channel_scene.cgi") {
        a.code = 0x7045;
        a.body = setScene(r) ? kOk : kFail;
    } else {
        a.answered = false;  // unknown CGI: the recorder stays silent
    }
    return a;
}

std::string NasHandler::recordList(const CgiRequest& r) const {
    long long partition = r.getInt("partition", 0);
    long long channel = r.getInt("channel", -1);
    long long from = r.getInt("startdate", 0), to = r.getInt("enddate", 0);
    long long alarmType = r.getInt("alarmtype", 0);
    std::vector<const NasRecording*> hits;
    for (const auto& f : files_) {
        if (f.partition != partition)
            continue;
        if (channel >= 0 && channel < NasSchema::kChannels && f.channel != channel)
            continue;
        if (to > 0 && (f.rec.startSeconds < from || f.rec.startSeconds > to))
            continue;
        if (alarmType > 0 && f.alarmType != alarmType)
            continue;
        if (hits.size() < kMaxListedFiles)
            hits.push_back(&f);
    }
    std::string out;
    AppendInt(out, "record_num0", static_cast<long long>(hits.size()));
    for (size_t i = 0; i < hits.size(); ++i) {
        long long k = static_cast<long long>(i);
        const NasRecording& f = *hits[i];
        AppendText(out, Fmt("record_name0[%lld]", k), f.rec.name);
        AppendInt(out, Fmt("record_channel0[%lld]", k), f.channel);
        AppendInt(out, Fmt("record_size0[%lld]", k), f.rec.sizeBytes);
        AppendInt(out, Fmt("record_alarmtype0[%lld]", k), f.alarmType);
        AppendInt(out, Fmt("record_starttime0[%lld]", k), f.rec.startSeconds);
        AppendInt(out, Fmt("record_endtime0[%lld]", k), f.rec.startSeconds + f.rec.durationSeconds);
        AppendInt(out, Fmt("record_partition0[%lld]", k), f.partition);
    }
    return out;
}

std::string NasHandler::sceneTable(int channel) const {
    std::string out;
    const auto& table = scenes_[static_cast<size_t>(channel)];
    for (size_t i = 0; i < table.size(); ++i) {
        long long k = static_cast<long long>(i);
        const Scene& s = table[i];
        AppendInt(out, Fmt("using[%lld]", k), s.used);
        AppendInt(out, Fmt("bound[%lld]", k), s.bound);
        AppendInt(out, Fmt("type[%lld]", k), s.type);  // ahead of "scenetype[%d]="
        AppendInt(out, Fmt("sit[%lld]", k), s.sit);
        AppendText(out, Fmt("name[%lld]", k), s.name);
        AppendInt(out, Fmt("scenetype[%lld]", k), s.sceneType);
    }
    return out;
}

bool NasHandler::setScene(const CgiRequest& r) {
    long long ch = r.getInt("channel", -1), num = r.getInt("number", -1);
    if (ch < 0 || ch >= NasSchema::kChannels || num < 0 || num >= NasSchema::kSceneEntries)
        return false;
    Scene& s = scenes_[static_cast<size_t>(ch)][static_cast<size_t>(num)];
    if (r.getInt("clear", 0) != 0) {
        s = Scene();
        return true;
    }
    s.used = 1;
    s.bound = static_cast<int>(r.getInt("bound", 0));
    s.type = static_cast<int>(r.getInt("type", 0));
    s.sit = static_cast<int>(r.getInt("sit", 0));
    s.sceneType = static_cast<int>(r.getInt("scenetype", 0));
    s.name = SanitizeText(r.get("name"), 31);
    return true;
}

bool NasHandler::setAccessory(const CgiRequest& r) {
    long long z = r.getInt("zone", -1), s = r.getInt("sit", -1);
    if (z < 0 || z >= NasSchema::kZones || s < 0 || s >= NasSchema::kZonePositions)
        return false;
    bool clear = r.getInt("clear", 0) != 0;
    store_.set(Fmt("alarmcam[%lld][%lld]", z, s), clear ? "0" : "2");  // 2: position in use
    store_.set(Fmt("alarmkey[%lld][%lld]", z, s), clear ? "0" : r.get("modulevalue", "0"));
    store_.set(Fmt("alarmalias[%lld][%lld]", z, s), clear ? "" : r.get("modulealias"));
    return true;
}

bool NasHandler::clearAccessory(const CgiRequest& r) {
    long long z = r.getInt("zone", -1), s = r.getInt("sit", -1);
    bool all = r.getInt("clearall", 0) != 0;
    for (long long zi = 0; zi < NasSchema::kZones; ++zi) {
        for (long long si = 0; si < NasSchema::kZonePositions; ++si) {
            if (!all && (zi != z || si != s))
                continue;
            for (const char* k :
                 {"alarmcam[%lld][%lld]", "alarmkey[%lld][%lld]", "alarmptz[%lld][%lld]",
                  "alarmlinkchnl[%lld][%lld]", "alarmbound[%lld][%lld]"}) {
                store_.set(Fmt(k, zi, si), "0");
            }
            store_.set(Fmt("alarmalias[%lld][%lld]", zi, si), "");
        }
    }
    return all || (z >= 0 && z < NasSchema::kZones && s >= 0 && s < NasSchema::kZonePositions);
}

bool NasHandler::setPlugTimer(const CgiRequest& r) {
    long long num = r.getInt("number", -1);
    if (num < 0 || num >= NasSchema::kPlugTimers)
        return false;
    for (const char* k : {"used", "enable", "starttime", "endtime", "mon", "tue", "wed", "thu",
                          "fri", "sat", "sun"}) {
        store_.set(k + std::to_string(num), r.get(k, "0"));
    }
    return true;
}

std::string NasHandler::heardList() const {
    std::string out;
    for (size_t i = 0; i < heard_.size(); ++i)
        AppendInt(out, Fmt("keyvalue[%lld]", static_cast<long long>(i)), heard_[i]);
    AppendInt(out, "searchalarmtotal", static_cast<long long>(heard_.size()));
    return out;
}

std::string NasHandler::wifiScan() const {
    const auto& kAps = kSimulatedAccessPoints;
    std::string out;
    AppendInt(out, "ap_number", static_cast<long long>(sizeof kAps / sizeof kAps[0]));
    long long i = 0;
    for (const auto& ap : kAps) {
        AppendText(out, Fmt("ap_ssid[%lld]", i), ap.ssid);
        AppendText(out, Fmt("ap_mac[%lld]", i), ap.mac);
        AppendInt(out, Fmt("ap_security[%lld]", i), ap.security);
        AppendText(out, Fmt("ap_dbm0[%lld]", i), std::to_string(ap.dbm));
        AppendText(out, Fmt("ap_dbm1[%lld]", i), std::to_string(ap.dbm));
        AppendInt(out, Fmt("ap_mode[%lld]", i), 0);
        AppendInt(out, Fmt("ap_channel[%lld]", i), ap.channel);
        ++i;
    }
    return out;
}

std::string NasHandler::cameraSearch() const {
    constexpr long long kFound = 2;
    std::string out;
    AppendInt(out, "searchcamertotal", kFound);
    for (long long i = 0; i < kFound; ++i) {
        AppendText(out, Fmt("recordcameraalias[%lld]", i), Fmt("LANCAM%lld", i));
        AppendText(out, Fmt("recorddeviceid[%lld]", i), Fmt("WCAM10000%lldSIM", i));
        AppendText(out, Fmt("recordmac[%lld]", i), Fmt("02:00:00:00:01:%02lld", i));
        AppendText(out, Fmt("recordipaddr[%lld]", i), Fmt("192.168.10.%lld", 150 + i));
        AppendInt(out, Fmt("recordport[%lld]", i), 81);
        AppendText(out, Fmt("recorduser[%lld]", i), "admin");
        AppendText(out, Fmt("recordpwd[%lld]", i), "");
        AppendInt(out, Fmt("recorddhcp[%lld]", i), 1);
        AppendInt(out, Fmt("recordstreamid[%lld]", i), 10);
    }
    return out;
}

}  // namespace devsim
