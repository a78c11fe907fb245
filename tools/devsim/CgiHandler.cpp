#include "CgiHandler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "NasHandler.h"
#include "SettingsSchema.h"
#include "SimulatedAccessPoints.h"
#include "SettingsWriter.h"

namespace devsim {

namespace {

constexpr const char* kOk = "result=0;\r\n";
constexpr const char* kRefused = "result=-1;\r\n";
constexpr int kLiveStreamStop = 16;
constexpr int kPlaybackStop = 17;

struct GetCgi {
    const char* name;
    uint16_t code;
    Group group;
};

// Get-CGIs that answer one record group as it stands in the store.
constexpr GetCgi kGetCgis[] = {
    {"get_misc.cgi", 0x6005, Group::kMisc},
    {"get_record.cgi", 0x6006, Group::kRecordSchedule},
    {"get_camera_params.cgi", 0x6003, Group::kCameraParams},
    {"get_apwifi.cgi", 0x6035, Group::kApWifi},
    {"get_onvif.cgi", 0x60AB, Group::kOnvif},
    {"get_rtsp.cgi", 0x60AA, Group::kRtsp},
    {"get_alarmpnp_cam.cgi", 0x60BF, Group::kAlarmLinkage},
    {"door_bell_get_language.cgi", 0x60C7, Group::kLanguage},
    {"get_alarm_ptz.cgi", 0x60CC, Group::kAlarmPtz},
    {"get_doorbell_user.cgi", 0x60CE, Group::kDoorbellUser},
    {"get_factory_param.cgi", 0x6009, Group::kWakeWord},
    {"zel_get_wifi_modules_params.cgi", 0x60D8, Group::kSwitchModule},
    {"get_ismart_params.cgi", 0x60DA, Group::kSmartLight},
    {"get_wifilist.cgi", 0x60DC, Group::kWifiList},
    {"get_smart_record.cgi", 0x60E0, Group::kSmartRecord},
    {"get_xg_params.cgi", 0x60E5, Group::kPush},
    {"get_preset_status.cgi", 0x60E3, Group::kPresetStatus},
    {"get_web_telnet_status.cgi", 0x60E7, Group::kWebTelnet},
    {"get_buzzer.cgi", 0x60E9, Group::kBuzzer},
    {"get_alarm_times.cgi", 0x60EC, Group::kAlarmTimes},
    {"get_alarm_switch.cgi", 0x60EE, Group::kAlarmSwitch},
    {"get_p2p_user.cgi", 0x60EF, Group::kP2pUser},
    {"get_bat_doorbell_param.cgi", 0x6101, Group::kBatteryDoorbell},
    {"get_area_alarm_switch.cgi", 0x6105, Group::kAreaAlarmSwitch},
};

// CGIs that only answer a result: actions and tests that change no stored setting.
constexpr struct {
    const char* name;
    uint16_t code;
} kResultCgis[] = {
    {"mailtest.cgi", 0x601C},
    {"test_mail.cgi", 0x601D},
    {"ftptest.cgi", 0x6018},
    {"test_ftp.cgi", 0x6022},
    {"set_ios_pushstop.cgi", 0x60B9},
    {"serial_transparent.cgi", 0x60B8},
    {"alarmcam_control.cgi", 0x60BE},
    {"set_extra.cgi", 0x60A6},
    {"door_bell_master_busy.cgi", 0x60C8},
    {"serial_input.cgi", 0x60D2},
    {"snapshot_local.cgi", 0x60D4},
    {"bat_door_control.cgi", 0x6102},
};

bool accountMatches(const SettingsStore& store, const std::string& user,
                    const std::string& password) {
    for (int i = 1; i <= 3; ++i) {
        std::string name = store.get("user" + std::to_string(i) + "_name");
        if (!name.empty() && name == user &&
            store.get("user" + std::to_string(i) + "_pwd") == password) {
            return true;
        }
    }
    return false;
}

int64_t NowSeconds() {
    return static_cast<int64_t>(time(nullptr));
}

void AppendInt(std::string& out, const std::string& key, long long v) {
    out += key + "=" + std::to_string(v) + ";\r\n";
}

void AppendText(std::string& out, const std::string& key, const std::string& v) {
    out += key + "=\"" + v + "\";\r\n";
}

std::string Indexed(const char* fmt, long long a, long long b = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

}  // namespace

CgiHandler::CgiHandler(const DeviceProfile& profile, int64_t loopBytes, int loopSeconds,
                       const std::vector<int64_t>& channelLoopBytes)
    : profile_(profile) {
    resetToFactory();
    if (profile_.kind == DeviceKind::kNas) {
        std::vector<int64_t> sizes = channelLoopBytes;
        if (sizes.empty())
            sizes.assign(NasSchema::kChannels, loopBytes);
        nas_ = std::make_unique<NasHandler>(profile_, sizes, loopSeconds, NowSeconds());
        return;
    }
    constexpr int kLoopsPerRecording = 10;
    card_.populate(profile_.recordings, kLoopsPerRecording, loopBytes, loopSeconds, NowSeconds());
}

CgiHandler::~CgiHandler() = default;

void CgiHandler::resetToFactory() {
    store_ = SettingsStore();
    DefineDefaults(store_, profile_);
    if (!pendingVersion_.empty())
        store_.set("sys_ver", pendingVersion_);
    clockOffset_s_ = 0;
}

void CgiHandler::setSnapshotSource(SnapshotSource source) {
    std::lock_guard<std::mutex> g(mutex_);
    snapshot_ = std::move(source);
}

bool CgiHandler::checkAccount(const std::string& user, const std::string& password) const {
    std::lock_guard<std::mutex> g(mutex_);
    if (nas_)
        return nas_->checkAccount(user, password);
    return accountMatches(store_, user, password);
}

bool CgiHandler::checkAccountLocked(const CgiRequest& r) const {
    return accountMatches(store_, r.loginUser(), r.loginPassword());
}

void CgiHandler::setOnlineUsers(int count) {
    std::lock_guard<std::mutex> g(mutex_);
    onlineUsers_ = count;
}

void CgiHandler::noteAlarm(int kind) {
    std::lock_guard<std::mutex> g(mutex_);
    if (log_.size() >= kMaxLogEntries)
        log_.erase(log_.begin());
    log_.push_back({kind, NowSeconds()});
    store_.set("alarm_status", std::to_string(kind));
    if (nas_)
        nas_->noteAlarm(kind);
}

void CgiHandler::setUpgradeFailure(FirmwareUpgrade::Failure f) {
    std::lock_guard<std::mutex> g(mutex_);
    upgrade_.setFailure(f);
}

void CgiHandler::completeReboot() {
    std::lock_guard<std::mutex> g(mutex_);
    if (!pendingVersion_.empty())
        store_.set("sys_ver", pendingVersion_);
}

std::string CgiHandler::setting(const std::string& key) const {
    std::lock_guard<std::mutex> g(mutex_);
    if (nas_)
        return nas_->setting(key);
    if (key == "now")
        return std::to_string(NowSeconds() + clockOffset_s_);
    return store_.get(key);
}

int CgiHandler::lastPtzCommand() const {
    std::lock_guard<std::mutex> g(mutex_);
    return lastPtz_;
}

bool CgiHandler::findRecording(const std::string& name, Recording* out, int* channel) const {
    std::lock_guard<std::mutex> g(mutex_);
    int scratch = 0;
    if (nas_)
        return nas_->findRecording(name, out, channel != nullptr ? channel : &scratch);
    if (channel != nullptr)
        *channel = 0;
    const Recording* r = card_.find(name);
    if (r == nullptr)
        return false;
    *out = *r;
    return true;
}

std::vector<Recording> CgiHandler::recordings() const {
    std::lock_guard<std::mutex> g(mutex_);
    if (nas_)
        return nas_->recordings();
    return card_.recordings();
}

bool CgiHandler::hearAccessory(int code) {
    std::lock_guard<std::mutex> g(mutex_);
    if (!nas_)
        return false;
    nas_->hearAccessory(code);
    return true;
}

CgiAnswer CgiHandler::handle(std::string_view request) {
    CgiRequest r = CgiRequest::Parse(request);
    CgiAnswer a;
    if (!r.ok())
        return a;
    if (nas_) {
        {
            std::lock_guard<std::mutex> g(mutex_);
            a = nas_->handle(r);
        }
        if (a.body.size() > kMaxAnswerBytes)
            a.body.resize(kMaxAnswerBytes);
        if (a.body.empty())
            a.answered = false;
        return a;
    }
    bool wantSnapshot = false;
    SnapshotSource source;
    {
        std::lock_guard<std::mutex> g(mutex_);
        a = handleLocked(r, &wantSnapshot);
        source = snapshot_;
    }
    if (wantSnapshot) {
        a.binary = true;
        a.body = source ? source() : std::string();
        a.answered = !a.body.empty();
    }
    if (!a.binary && a.body.size() > kMaxAnswerBytes)
        a.body.resize(kMaxAnswerBytes);
    if (!a.binary && a.body.empty())
        a.answered = false;  // a silent device sends nothing
    return a;
}

CgiAnswer CgiHandler::handleFileData(const uint8_t* bytes, size_t n) {
    std::lock_guard<std::mutex> g(mutex_);
    CgiAnswer a;
    a.code = 0x60C2;
    a.body = upgrade_.data(bytes, n);
    a.answered = !a.body.empty();
    return a;
}

CgiAnswer CgiHandler::handleLocked(const CgiRequest& r, bool* wantSnapshot) {
    CgiAnswer a;
    const std::string& n = r.name();
    a.answered = true;
    auto code = [&a](uint16_t c) { a.code = c; };

    // Streams and pan/tilt carry no answer on the command channel. The action is set even
    // for a refused request, so a front can tell a refused stream from an unknown request.
    if (n == "livestream.cgi" || n == "audiostream.cgi" || n == "decoder_control.cgi") {
        a.answered = false;
        a.streamId = static_cast<int>(r.getInt("streamid", 10));
        if (n == "decoder_control.cgi") {
            a.action = CgiAnswer::Action::kPtz;
        } else if (n == "audiostream.cgi") {
            a.action = a.streamId == kLiveStreamStop ? CgiAnswer::Action::kStopAudio
                                                     : CgiAnswer::Action::kStartAudio;
        } else if (r.has("filename")) {
            a.fileName = r.get("filename");
            a.offset = r.getInt("offset", 0);
            a.action = a.streamId == kPlaybackStop ? CgiAnswer::Action::kStopPlayback
                                                   : CgiAnswer::Action::kPlayback;
        } else {
            a.substream = static_cast<int>(r.getInt("substream", 0));
            a.action = a.streamId == kLiveStreamStop ? CgiAnswer::Action::kStopLive
                                                     : CgiAnswer::Action::kStartLive;
        }
        a.authorised = checkAccountLocked(r);
        if (a.authorised && a.action == CgiAnswer::Action::kPtz) {
            lastPtz_ = static_cast<int>(r.getInt("command", -1));
        }
        return a;
    }

    if (n == "check_user.cgi") {
        code(0x60A0);
        a.authorised = checkAccountLocked(r);
        a.body = a.authorised ? "result= 0;\r\n" : kRefused;
        return a;
    }

    // Everything else needs the right account; a refusal keeps the CGI's answer code so the
    // client reports the failure against the request it made.
    uint16_t refusalCode = 0;
    for (const auto& g : kGetCgis) {
        if (n == g.name)
            refusalCode = g.code;
    }
    if (!checkAccountLocked(r)) {
        a.authorised = false;
        a.code = refusalCode;
        a.body = kRefused;
        return a;
    }

    for (const auto& g : kGetCgis) {
        if (n == g.name) {
            code(g.code);
            store_.appendAll(a.body, GroupKeys(g.group));
            return a;
        }
    }
    for (const auto& c : kResultCgis) {
        if (n == c.name) {
            code(c.code);
            a.body = kOk;
            return a;
        }
    }

    if (n == "get_params.cgi") {
        code(0x6002);
        for (Group g : GetAllGroups()) {
            if (g == Group::kDateTime) {
                AppendInt(a.body, "now", NowSeconds() + clockOffset_s_);
                for (const char* k : {"tz", "ntp_enable", "ntp_svr", "dst_enable", "dst_time"}) {
                    store_.append(a.body, k);
                }
            } else {
                store_.appendAll(a.body, GroupKeys(g));
            }
        }
    } else if (n == "get_status.cgi") {
        code(0x6001);
        store_.appendAll(a.body, GroupKeys(Group::kStatus));
    } else if (n == "login.cgi") {
        code(0x601F);
        a.body = loginRecord(r);
    } else if (n == "get_online_user.cgi") {
        code(0x60AD);
        AppendInt(a.body, "p2pcount", onlineUsers_);
    } else if (n == "wifi_scan.cgi" || n == "get_wifi_scan_result.cgi") {
        // The scan itself answers with the results too, so a P2P client (which dispatches
        // by answer code) and a TCP client (which follows up with the result CGI) both work.
        code(0x602A);
        a.body = std::string(kOk) + wifiScan();
    } else if (n == "get_record_file.cgi") {
        code(r.has("start_date") ? 0x6007 : 0x6067);
        a.body = recordList(r);
    } else if (n == "get_lxlog.cgi") {
        code(0x60DD);
        a.body = deviceLog(r);
    } else if (n == "set_lxlog_clear.cgi") {
        code(0x60DE);
        log_.clear();
        a.body = kOk;
    } else if (n == "snapshot.cgi" || n == "get_tf_picture.cgi" || n == "getrecordjpg.cgi") {
        code(n == "snapshot.cgi" ? 0x6015 : n == "get_tf_picture.cgi" ? 0x6103 : 0x60D3);
        *wantSnapshot = true;
    } else if (n == "reboot.cgi") {
        code(0x6027);
        a.body = kOk;
        a.action = CgiAnswer::Action::kReboot;
    } else if (n == "restore_factory.cgi") {
        code(0x602B);
        resetToFactory();
        a.body = kOk;
    } else if (n == "set_formatsd.cgi") {
        code(0x6028);
        card_.clear();
        store_.set("sdfree", store_.get("sdtotal"));
        a.body = kOk;
    } else if (n == "del_record_file.cgi") {
        code(0x60D5);
        a.body = card_.remove(r.get("filename")) ? kOk : kRefused;
    } else if (n == "delete_tf_file.cgi") {
        code(0x6106);
        for (int i = 0; i < 10; ++i)
            card_.remove(r.get("file_" + std::to_string(i)));
        a.body = kOk;
    } else if (n == "set_alias.cgi") {
        code(0x600F);
        a.body = r.has("alias") && store_.set("alias", r.get("alias")) ? kOk : kRefused;
    } else if (n == "set_datetime.cgi") {
        code(0x6013);
        if (r.has("now") && r.getInt("now") != 0)
            clockOffset_s_ = r.getInt("now") - NowSeconds();
        SettingsWriter::ApplyGroup(store_, r, Group::kDateTime, nullptr, {}, false);
        a.body = kOk;
    } else if (n == "camera_control.cgi") {
        code(0x6012);
        a.body = SettingsWriter::CameraControl(store_, r) ? kOk : kRefused;
    } else if (n == "p2p_upgrade_firmware.cgi") {
        code(0x60C0);
        a.body = upgrade_.announce(r);
    } else if (n == "p2p_transfer_firmware_start.cgi") {
        code(0x60C1);
        a.body = upgrade_.start();
    } else if (n == "p2p_transfer_firmware_data.cgi") {
        code(0x60C2);
        a.body = upgrade_.dataStep();
    } else if (n == "p2p_transfer_firmware_end.cgi") {
        code(0x60C3);
        a.body = upgrade_.end();
    } else if (n == "p2p_upgrade_confirm.cgi") {
        code(0x60C4);
        bool accepted = false;
        a.body = upgrade_.confirm(r, &accepted);
        if (accepted) {
            pendingVersion_ = upgrade_.announcedVersion();
            a.action = CgiAnswer::Action::kReboot;
        }
    } else if (n == "p2p_get_file_md5.cgi") {
        code(0x60C5);
        a.body = upgrade_.fileMd5();
    } else if (n == "check_doorbell_user.cgi") {
        code(0x60D0);
        bool same = r.get("doorbell_user") == store_.get("doorbell_user") &&
                    r.get("doorbell_pwd") == store_.get("doorbell_pwd");
        a.body = same ? kOk : kRefused;
    } else if (n == "set_alarm_cam.cgi") {
        code(0x60BD);
        a.body = SettingsWriter::AlarmCam(store_, r) ? kOk : kRefused;
    } else if (n == "set_alarm_ptz.cgi") {
        code(0x60CB);
        a.body = SettingsWriter::AlarmPtz(store_, r) ? kOk : kRefused;
    } else if (n == "new_preset_control.cgi" || n == "control_preset.cgi") {
        code(n == "control_preset.cgi" ? 0x60E8 : 0x60CD);
        long long num = r.getInt(n == "control_preset.cgi" ? "presetnum" : "number", -1);
        bool ok = num >= 0 && num < 16;
        if (ok) {
            store_.set(Indexed("presetused[%lld]", num),
                       n == "control_preset.cgi" ? r.get("presetstatus", "1") : "1");
        }
        a.body = ok ? kOk : kRefused;
    } else if (n == "zel_control_wifi_modules.cgi") {
        code(0x60D7);
        static const char* kModuleKeys[] = {"zel_wifi_lock", "zel_wifi_light_status",
                                            "zel_wifi_socket_status"};
        long long cmd = r.getInt("cmd", -1);
        bool ok = cmd >= 0 && cmd < 3;
        if (ok)
            store_.set(kModuleKeys[cmd], r.get("value", "0"));
        a.body = ok ? kOk : kRefused;
    } else if (n == "set_xg_params.cgi") {
        code(0x60E4);
        a.body = SettingsWriter::PushEntry(store_, r) ? kOk : kRefused;
    } else if (n == "set_alarm_times.cgi") {
        code(0x60EB);
        a.body = SettingsWriter::AlarmTimes(store_, r) ? kOk : kRefused;
    } else {
        SettingsWriter::SetResult s = SettingsWriter::ApplySetCgi(store_, r);
        a.answered = s.matched;  // unknown CGI: no answer
        a.code = s.code;
        a.body = s.ok ? kOk : kRefused;
    }
    return a;
}

std::string CgiHandler::loginRecord(const CgiRequest& r) const {
    std::string out;
    std::string user = r.loginUser();
    AppendText(out, "loginuser", SanitizeText(user, 31));
    AppendText(out, "loginpass", SanitizeText(r.loginPassword(), 31));
    // Rights: the third account is the administrator, the second an operator, the first a
    // visitor.
    int pri = 0;
    if (user == store_.get("user3_name")) {
        pri = 255;
    } else if (user == store_.get("user2_name")) {
        pri = 1;
    }
    AppendInt(out, "pri", pri);
    return out;
}

std::string CgiHandler::wifiScan() const {
    const auto& kAps = kSimulatedAccessPoints;
    std::string out;
    AppendInt(out, "ap_number", static_cast<long long>(sizeof kAps / sizeof kAps[0]));
    int i = 0;
    for (const auto& ap : kAps) {
        // The client searches "ap_ssid[%d] =" with a blank before '='.
        out += Indexed("ap_ssid[%lld] =", i) + "\"" + ap.ssid + "\";\r\n";
        AppendText(out, Indexed("ap_mac[%lld]", i), ap.mac);
        AppendInt(out, Indexed("ap_security[%lld]", i), ap.security);
        AppendText(out, Indexed("ap_dbm0[%lld]", i), std::to_string(ap.dbm));
        AppendText(out, Indexed("ap_dbm1[%lld]", i), std::to_string(ap.dbm));
        AppendInt(out, Indexed("ap_mode[%lld]", i), 0);
        AppendInt(out, Indexed("ap_channel[%lld]", i), ap.channel);
        ++i;
    }
    return out;
}

std::string CgiHandler::recordList(const CgiRequest& r) const {
    std::vector<Recording> list;
    if (r.has("start_date")) {
        list = card_.between(r.getInt("start_date"), r.getInt("end_date"));
    } else {
        long long pageSize =
            std::clamp<long long>(r.getInt("PageSize", 0), 0, RecordCard::kMaxRecordings);
        long long page = r.getInt("PageIndex", 0);
        const auto& all = card_.recordings();
        if (pageSize > 0 && page >= 0 && page < static_cast<long long>(all.size())) {
            long long first = page * pageSize;
            for (long long i = first;
                 i < first + pageSize && i < static_cast<long long>(all.size()); ++i) {
                list.push_back(all[static_cast<size_t>(i)]);
            }
        }
    }
    std::string out;
    AppendInt(out, "record_num0", static_cast<long long>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
        long long k = static_cast<long long>(i);
        AppendText(out, Indexed("record_name0[%lld]", k), list[i].name);
        AppendInt(out, Indexed("record_time0[%lld]", k), list[i].startSeconds);
        AppendInt(out, Indexed("record_size0[%lld]", k), list[i].sizeBytes);
        AppendInt(out, Indexed("record_alarm0[%lld]", k), list[i].alarm ? 1 : 0);
    }
    return out;
}

std::string CgiHandler::deviceLog(const CgiRequest& r) const {
    long long from = r.getInt("lx700_start_time", 0), to = r.getInt("lx700_end_time", 0);
    std::vector<LogEntry> hits;
    for (const auto& e : log_) {
        if (e.time_s >= from && (to <= 0 || e.time_s <= to))
            hits.push_back(e);
    }
    std::string out;
    AppendInt(out, "logcnt", static_cast<long long>(hits.size()));
    for (size_t i = 0; i < hits.size(); ++i) {
        AppendInt(out, Indexed("type[%lld]", static_cast<long long>(i)), hits[i].type);
        AppendInt(out, Indexed("time[%lld]", static_cast<long long>(i)), hits[i].time_s);
    }
    return out;
}

}  // namespace devsim
