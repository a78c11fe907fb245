// The library through its exports against a simulated recorder (devsim) on loopback, over P2P
// by device ID and over TCP by address: account events, live channels, alarms, playback,
// settings round trips through the simulator's stored settings, reboots, connect time-outs
// and create/destroy cycles.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "DevsimRecorder.h"
#include "MediaFrameHead.h"
#include "Probe.h"

namespace {

constexpr const char* kUser = "admin";
constexpr const char* kPassword = "rec-pw";
constexpr int kSlow_ms = 30000;  // reconnects after a reboot, playback pacing

int Kind(const std::string& frame) {
    return static_cast<uint8_t>(frame[4]);
}

class MorskDevsim : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Set here as well as by the test runner: discovery must stay on loopback however the
        // binary is started, and the simulator inherits it.
        setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 1);
        // Unique per process: parallel test processes share the transport's discovery port.
        std::string id = "VSIM" + std::to_string(100000 + getpid() % 800000) + "SIMNJ";
        sim_ = new DevsimRecorder(id, kUser, kPassword);
        if (!sim_->start()) {
            delete sim_;
            sim_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(sim_, nullptr) << "devsim did not start";
        ASSERT_EQ(nas_net_work_init(nullptr), 1);
    }
    void TearDown() override {
        for (int id : open_) {
            nas_net_work_stop(id);
            nas_net_work_destroyInstance(id);
        }
        nas_net_work_deInit();
    }

    DeviceConnectInfo p2pInfo(const char* password = kPassword) {
        return MakeInfo(kUser, password, "", 0, sim_->id().c_str());
    }
    DeviceConnectInfo tcpInfo() {
        return MakeInfo(kUser, kPassword, sim_->httpHost().c_str(), sim_->httpPort(), "");
    }
    // A started instance with every callback on the probe; P2P waits for the account.
    int open(Probe& probe, int kind) {
        int id = nas_net_work_createInstance(kind == MORSK_KIND_P2P ? p2pInfo() : tcpInfo(), kind);
        EXPECT_GE(id, 0);
        if (id < 0)
            return id;
        open_.push_back(id);
        probe.attach(id);
        EXPECT_EQ(nas_net_work_start(id), 1);
        if (kind == MORSK_KIND_P2P) {
            EXPECT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_ONLINE); }));
        }
        return id;
    }
    void close(int id) {
        nas_net_work_stop(id);
        nas_net_work_destroyInstance(id);
        open_.erase(std::remove(open_.begin(), open_.end(), id), open_.end());
    }
    // Polls the simulator (which cannot signal the test) until `done` or the deadline.
    static bool eventually(const std::function<bool()>& done, int timeout_ms = 10000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            if (done())
                return true;
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    bool settingBecomes(const std::string& key, const std::string& want) {
        return eventually([&] { return sim_->setting(key) == want; });
    }
    long long talkBytes() {
        std::string s = sim_->command("stats " + sim_->id());
        size_t at = s.find(" talk_bytes=");
        return at == std::string::npos ? -1 : std::atoll(s.c_str() + at + 12);
    }
    bool rebootsReach(int n) {
        std::string want = "reboots=" + std::to_string(n) + " ";
        return eventually(
            [&] { return sim_->command("stats " + sim_->id()).find(want) != std::string::npos; });
    }

    static DevsimRecorder* sim_;
    std::vector<int> open_;
};

DevsimRecorder* MorskDevsim::sim_ = nullptr;

// Asks for `type` and waits for a new record of `delivered`; empty when none came.
std::string Fetch(Probe& probe, int id, int type, int delivered, const void* request = nullptr,
                  int size = 0) {
    size_t seen;
    {
        std::lock_guard<std::mutex> g(probe.mu);
        seen = probe.records.size();
    }
    int sent = request != nullptr ? nas_net_work_device_GetParamEx(id, type, request, size)
                                  : nas_net_work_get_param(id, type);
    if (sent <= 0)
        return {};
    std::string out;
    probe.waitFor([&] {
        for (size_t i = seen; i < probe.records.size(); ++i) {
            if (probe.records[i].first == delivered) {
                out = probe.records[i].second;
                return true;
            }
        }
        return false;
    });
    return out;
}

template <typename R>
bool FetchRecord(Probe& probe, int id, int type, R* out, const void* request = nullptr,
                 int size = 0) {
    std::string r = Fetch(probe, id, type, type, request, size);
    if (r.size() != sizeof(R))
        return false;
    std::memcpy(out, r.data(), sizeof(R));
    return true;
}

// Sends a setting and waits for its result; -1 when none came.
int SetAndWait(Probe& probe, int id, int type, const void* record, int size) {
    size_t seen;
    {
        std::lock_guard<std::mutex> g(probe.mu);
        seen = probe.results.size();
    }
    if (nas_net_work_set_param(id, type, record, size) <= 0)
        return -1;
    int result = -1;
    probe.waitFor([&] {
        for (size_t i = seen; i < probe.results.size(); ++i) {
            if (probe.results[i].first == type) {
                result = probe.results[i].second;
                return true;
            }
        }
        return false;
    });
    return result;
}

}  // namespace

TEST_F(MorskDevsim, P2pAccountEvents) {
    struct Case {
        const char* password;
        std::vector<int> events;
    } cases[] = {{kPassword, {0, 12, 100}}, {"wrong", {0, 12, 1}}};
    for (const auto& c : cases) {
        Probe probe;
        int id = nas_net_work_createInstance(p2pInfo(c.password), MORSK_KIND_P2P);
        ASSERT_GE(id, 0);
        open_.push_back(id);
        probe.attach(id);
        ASSERT_EQ(nas_net_work_start(id), 1);
        ASSERT_TRUE(probe.waitFor([&] { return probe.events.size() >= c.events.size(); }));
        if (c.events.back() == MORSK_EVENT_ONLINE) {
            // Accepted: the session reads the recorder's accounts at once.
            ASSERT_TRUE(probe.waitFor([&] { return !probe.records.empty(); }));
            ASSERT_EQ(probe.records[0].first, NAS_GET_USERS);
            NasUsers users;
            ASSERT_EQ(probe.records[0].second.size(), sizeof users);
            std::memcpy(&users, probe.records[0].second.data(), sizeof users);
            EXPECT_STREQ(users.user3, kUser);
            EXPECT_STREQ(users.pwd3, kPassword);
            EXPECT_EQ(probe.modes, std::vector<int>{MORSK_P2P_MODE_DIRECT});
        }
        close(id);
        EXPECT_EQ(probe.events, c.events) << c.password;
    }
}

TEST_F(MorskDevsim, P2pChannelsAlarmsAndPlayback) {
    // One instance per recorder channel, as the client runs a WVR.
    Probe ch0, ch1;
    int a = open(ch0, MORSK_KIND_P2P);
    int b = open(ch1, MORSK_KIND_P2P);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    ASSERT_EQ(nas_net_work_startStream(a, 0, 0, &Probe::OnVideo, &ch0), 1);
    EXPECT_TRUE(settingBecomes("livestream", "streamid=80 channel=0"));
    ASSERT_EQ(nas_net_work_startStream(b, 1, 1, &Probe::OnVideo, &ch1), 1);
    EXPECT_TRUE(settingBecomes("livestream", "streamid=81 channel=1"));

    auto firstKey = [](Probe& p, std::string* out) {
        return p.waitFor([&] {
            for (const auto& f : p.video) {
                if (f.size() > vantor::kMediaFrameHeadBytes && Kind(f) == vantor::kFrameVideoKey) {
                    *out = f;
                    return true;
                }
            }
            return false;
        });
    };
    std::string key0, key1;
    ASSERT_TRUE(firstKey(ch0, &key0));
    ASSERT_TRUE(firstKey(ch1, &key1));
    vantor::MediaFrameHead h0, h1;
    std::memcpy(&h0, key0.data(), sizeof h0);
    std::memcpy(&h1, key1.data(), sizeof h1);
    EXPECT_EQ(h0.magic, vantor::kMediaFrameMagic);
    EXPECT_EQ(key0.size(), sizeof h0 + h0.dataLen);  // whole frames, head included
    EXPECT_EQ(h0.codec, vantor::kCodecH264);
    EXPECT_EQ(h0.widthOrSampleRate, h1.widthOrSampleRate);
    // Each channel shows its own camera.
    EXPECT_NE(key0.substr(sizeof h0), key1.substr(sizeof h1));
    EXPECT_EQ(nas_net_work_stopStream(a, 0), 1);
    EXPECT_EQ(nas_net_work_stopStream(b, 1), 1);

    // Live audio is the recorder's kind 5; talk goes out in whole 256-byte blocks only.
    ASSERT_EQ(nas_net_work_startAudio(a, 0, 0, &Probe::OnAudio, &ch0), 1);
    ASSERT_TRUE(ch0.waitFor([&] { return !ch0.audio.empty(); }));
    EXPECT_EQ(Kind(ch0.audio[0]), vantor::kFrameNasAudio);
    EXPECT_EQ(nas_net_work_stopAudio(a, 0), 1);
    long long talk = talkBytes();
    char block[256] = {};
    EXPECT_EQ(nas_net_work_sendTalkData(a, 0, block, 255), 1);
    EXPECT_EQ(nas_net_work_sendTalkData(a, 0, block, 256), 1);
    EXPECT_TRUE(eventually([&] { return talkBytes() == talk + 256; }));

    // Alarms carry their channel; the device's alarm type maps to the client's code.
    struct AlarmCase {
        const char* kind;
        int channel;
        int code;  // 0: not reported
    } alarms[] = {{"motion", 2, 33}, {"io", 0, 32}, {"sound", 3, 36},
                  {"pir", 1, 37},    {"11", 1, 0},  {"bell", 3, 38}};
    std::vector<std::pair<int, int>> want;
    for (const auto& c : alarms) {
        EXPECT_EQ(
            sim_->command("alarm " + sim_->id() + " " + c.kind + " " + std::to_string(c.channel)),
            "2");  // both sessions reached
        if (c.code != 0)
            want.emplace_back(c.channel, c.code);
    }
    ASSERT_TRUE(ch0.waitFor([&] { return ch0.alarms.size() >= want.size(); }));
    EXPECT_EQ(ch0.alarms, want);

    // Record files of channel 1, then the tail of one played back until kind 6.
    NasRecordSearch search{0, 0, 0, 1, 0, 0};
    ASSERT_GT(nas_record_file_search(b, &search), 0);
    ASSERT_TRUE(ch1.waitFor(
        [&] { return !ch1.files.empty() && ch1.files.size() == size_t(ch1.files[0].total); }));
    for (size_t i = 0; i < ch1.files.size(); ++i) {
        EXPECT_EQ(ch1.files[i].index, int(i) + 1);
        EXPECT_EQ(ch1.files[i].channel, 1);
        EXPECT_GT(ch1.files[i].size, 0);
    }
    NasPlayback pb{};
    ASSERT_LT(std::strlen(ch1.files[0].name), sizeof pb.fileName);
    std::memcpy(pb.fileName, ch1.files[0].name, std::strlen(ch1.files[0].name));
    pb.fileSize = ch1.files[0].size;
    pb.fileOffset = ch1.files[0].size - 1;  // the last loop of the recording
    ASSERT_GT(nas_record_playback_control(b, &pb), 0);
    ASSERT_TRUE(ch1.waitFor([&] { return !ch1.playback.empty() && Kind(ch1.playback.back()) == 6; },
                            kSlow_ms));
    EXPECT_GT(ch1.playback.size(), 1u);
    EXPECT_EQ(Kind(ch1.playback[0]), vantor::kFrameVideoKey);
    EXPECT_TRUE(ch0.playback.empty());
    // The end held the pacing; the next playback request runs again to its own end.
    size_t played = ch1.playback.size();
    std::memset(pb.fileName, 0, sizeof pb.fileName);
    std::memcpy(pb.fileName, ch1.files[1].name, std::strlen(ch1.files[1].name));
    pb.fileSize = ch1.files[1].size;
    pb.fileOffset = ch1.files[1].size - 1;
    ASSERT_GT(nas_record_playback_control(b, &pb), 0);
    ASSERT_TRUE(ch1.waitFor(
        [&] { return ch1.playback.size() > played + 1 && Kind(ch1.playback.back()) == 6; },
        kSlow_ms));
}

TEST_F(MorskDevsim, TcpLiveAlarmAndPlayback) {
    Probe probe;
    int id = open(probe, MORSK_KIND_TCP);
    ASSERT_GE(id, 0);
    ASSERT_EQ(nas_net_work_startStream(id, 2, 3, &Probe::OnVideo, &probe), 1);
    EXPECT_TRUE(settingBecomes("livestream", "streamid=82 channel=3"));
    ASSERT_TRUE(probe.waitFor([&] { return !probe.video.empty(); }));

    // An alarm on the live connection reaches the alarm callback, never the video one.
    EXPECT_EQ(sim_->command("alarm " + sim_->id() + " motion 2"), "1");
    ASSERT_TRUE(probe.waitFor([&] { return !probe.alarms.empty(); }));
    EXPECT_EQ(probe.alarms, (std::vector<std::pair<int, int>>{{-1, 33}}));
    {
        std::lock_guard<std::mutex> g(probe.mu);
        for (const auto& f : probe.video)
            EXPECT_LT(Kind(f), 32);
    }
    // Talk rides on the live connection.
    long long talk = talkBytes();
    char block[256] = {};
    EXPECT_EQ(nas_net_work_sendTalkData(id, 0, block, sizeof block), 1);
    EXPECT_TRUE(eventually([&] { return talkBytes() == talk + 256; }));
    EXPECT_EQ(nas_net_work_stopStream(id, 3), 1);

    NasRecordSearch search{1, 0, 0, 2, 0, 0};
    ASSERT_GT(nas_record_file_search(id, &search), 0);
    ASSERT_TRUE(probe.waitFor([&] {
        return !probe.files.empty() && probe.files.size() == size_t(probe.files[0].total);
    }));
    EXPECT_EQ(probe.files[0].partition, 1);
    NasPlayback pb{};
    pb.partition = 1;
    ASSERT_LT(std::strlen(probe.files[0].name), sizeof pb.fileName);
    std::memcpy(pb.fileName, probe.files[0].name, std::strlen(probe.files[0].name));
    pb.fileSize = probe.files[0].size;
    pb.fileOffset = probe.files[0].size - 1;
    ASSERT_EQ(nas_record_playback_control(id, &pb), 1);
    ASSERT_TRUE(probe.waitFor(
        [&] { return !probe.playback.empty() && Kind(probe.playback.back()) == 6; }, kSlow_ms));
    EXPECT_GT(probe.playback.size(), 1u);
    EXPECT_TRUE(probe.events.empty());  // TCP sessions report no events
}

// The same reads and writes on both transports, through the simulator's stored settings.
TEST_F(MorskDevsim, SettingsRoundTrips) {
    for (int kind : {MORSK_KIND_P2P, MORSK_KIND_TCP}) {
        SCOPED_TRACE(kind == MORSK_KIND_P2P ? "p2p" : "tcp");
        Probe probe;
        int id = open(probe, kind);
        ASSERT_GE(id, 0);

        NasStatus status;
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_STATUS, &status));
        EXPECT_EQ(sim_->id(), status.deviceId);
        EXPECT_STREQ(status.alias, "Rec");

        // Record schedule: change a camera and a schedule slot, read them back.
        NasRecordSchedule sch;
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_RECORD_SCHEDULE, &sch));
        sch.camera[2] = sch.camera[2] == 0 ? 1 : 0;
        sch.schedule[5] = sch.schedule[5] + 0x55;
        sch.cameraGpio = 1;
        EXPECT_EQ(SetAndWait(probe, id, NAS_SET_RECORD_SCHEDULE, &sch, sizeof sch), 1);
        NasRecordSchedule back;
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_RECORD_SCHEDULE, &back));
        EXPECT_EQ(back.camera[2], sch.camera[2]);
        EXPECT_EQ(back.schedule[5], sch.schedule[5]);
        EXPECT_EQ(back.cameraGpio, 1);
        EXPECT_EQ(sim_->setting("record_schedule_mon_2"), std::to_string(sch.schedule[5]));

        // A scene on channel 2 shows in that channel's table only; then it is cleared.
        NasSceneSet scene{0, 5, 2, 1, 3, 4, "Door", 2};
        EXPECT_EQ(SetAndWait(probe, id, NAS_SET_CHANNEL_SCENE, &scene, sizeof scene), 1);
        NasScenes table;
        NasSceneQuery q2{2}, q1{1};
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_CHANNEL_SCENE, &table, &q2, sizeof q2));
        EXPECT_EQ(table.scene[5].used, 1);
        EXPECT_EQ(table.scene[5].bound, 1);
        EXPECT_EQ(table.scene[5].type, 3);
        EXPECT_EQ(table.scene[5].position, 4);
        EXPECT_STREQ(table.scene[5].name, "Door");
        EXPECT_EQ(table.scene[5].sceneType, 2);
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_CHANNEL_SCENE, &table, &q1, sizeof q1));
        EXPECT_EQ(table.scene[5].used, 0);
        scene.clear = 1;
        EXPECT_EQ(SetAndWait(probe, id, NAS_SET_CHANNEL_SCENE, &scene, sizeof scene), 1);
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_CHANNEL_SCENE, &table, &q2, sizeof q2));
        EXPECT_EQ(table.scene[5].used, 0);

        // Pairing: the recorder listens, hears the codes it is given, lists them.
        EXPECT_EQ(SetAndWait(probe, id, NAS_SEARCH_ALARM_DEVICE, nullptr, 0), 1);
        EXPECT_EQ(sim_->command("accessory " + sim_->id() + " 4660"), "1");
        NasAlarmList heard;
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_ALARM_LIST, &heard));
        ASSERT_EQ(heard.count, 3);
        EXPECT_EQ(heard.keyValue[2], 4660);
        EXPECT_NE(heard.keyValue[0], 0);
        EXPECT_NE(heard.keyValue[1], heard.keyValue[0]);

        // The paired code stored in zone 1, position 3 shows in the accessory table.
        NasAlarmValue value{heard.keyValue[2], 1, 3, "Hall door", 0};
        EXPECT_EQ(SetAndWait(probe, id, NAS_SET_ALARM_VALUE, &value, sizeof value), 1);
        NasAccessories acc;
        ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_ACCESSORIES, &acc));
        const NasAccessory& e = acc.entry[1][3];
        EXPECT_EQ(e.key, 4660);
        EXPECT_STREQ(e.alias, "Hall door");
        NasAlarmCamSet clear{1, 3, 0};
        EXPECT_GT(nas_net_work_set_param(id, NAS_SET_ALARM_CAM, &clear, sizeof clear), 0);
        EXPECT_TRUE(settingBecomes("alarmkey[1][3]", "0"));
        close(id);
    }
}

// Every setting that does not restart the recorder: read, change, write, read back equal.
TEST_F(MorskDevsim, SettableRecordsRoundTrip) {
    struct Case {
        const char* name;
        int getType, setType;
        size_t size;
        size_t compareFrom, compareTo;  // bytes the answer carries back
        std::function<void(char*)> change;
    };
    // Whole field: the decoder zero-fills behind a text, so must the expectation.
    auto text = [](auto& field, const char* v) {
        std::memset(field, 0, sizeof field);
        std::strcpy(field, v);
    };
    const Case cases[] = {
        {"pppoe", NAS_GET_PPPOE, NAS_SET_PPPOE, sizeof(NasPppoe), 0, sizeof(NasPppoe),
         [&](char* r) {
             auto* x = reinterpret_cast<NasPppoe*>(r);
             x->enable = 1;
             text(x->user, "dsl-user");
             text(x->pwd, "dsl pw-x");
         }},
        {"ddns", NAS_GET_DDNS, NAS_SET_DDNS, sizeof(NasDdns), 0, sizeof(NasDdns),
         [&](char* r) {
             auto* x = reinterpret_cast<NasDdns*>(r);
             x->service = 3;
             text(x->hostName, "rec.example");
             x->port = 8053;
         }},
        {"ftp", NAS_GET_FTP, NAS_SET_FTP, sizeof(NasFtp), 0, sizeof(NasFtp),
         [&](char* r) {
             auto* x = reinterpret_cast<NasFtp*>(r);
             text(x->server, "ftp.example");
             x->port = 2121;
             text(x->dir, "/up");
             x->mode = 1;
         }},
        {"mail", NAS_GET_MAIL, NAS_SET_MAIL, sizeof(NasMail), 0, sizeof(NasMail),
         [&](char* r) {
             auto* x = reinterpret_cast<NasMail*>(r);
             x->port = 465;
             x->ssl = 1;
             text(x->receiver[3], "four@example");
         }},
        {"alarm", NAS_GET_ALARM, NAS_SET_ALARM, sizeof(NasAlarm), 0, sizeof(NasAlarm),
         [&](char* r) {
             auto* x = reinterpret_cast<NasAlarm*>(r);
             x->cameraEnable[3] = 1;
             x->gas = 1;
             x->uploadInterval = 7;
             x->schedule[20] = 0x123;
         }},
        {"pnp", NAS_GET_PNP_SERVER, NAS_SET_PNP_SERVER, sizeof(NasPnpServer), 0,
         sizeof(NasPnpServer),
         [&](char* r) {
             auto* x = reinterpret_cast<NasPnpServer*>(r);
             text(x->server, "P2P.EXAMPLE");
             x->port = 32100;
         }},
        {"cameras", NAS_GET_CAMERA, NAS_SET_CAMERA, sizeof(NasCameras), 0, sizeof(NasCameras),
         [&](char* r) {
             auto* x = reinterpret_cast<NasCameras*>(r);
             text(x->camera[3].alias, "Garage");
             text(x->camera[3].host, "10.0.0.9");
             x->camera[3].port = 8080;
             x->camera[1].streamId = 11;
         }},
        {"datetime", NAS_GET_DATETIME, NAS_SET_DATETIME, sizeof(NasDateTime),
         offsetof(NasDateTime, tz), offsetof(NasDateTime, ntpSync),
         [&](char* r) {
             auto* x = reinterpret_cast<NasDateTime*>(r);
             x->now = 0;  // leaves the clock alone
             x->tz = -3600;
             text(x->ntpServer, "ntp.example");
             x->ntpInterval = 6;
         }},
        {"plug relay", NAS_GET_PLUG_RELAY, NAS_SET_PLUG_RELAY, sizeof(NasPlugRelay), 0,
         sizeof(NasPlugRelay), [](char* r) { reinterpret_cast<NasPlugRelay*>(r)->status ^= 1; }},
        {"plug key", NAS_GET_PLUG_KEY, NAS_SET_PLUG_KEY, sizeof(NasPlugKey), 0, sizeof(NasPlugKey),
         [&](char* r) { text(reinterpret_cast<NasPlugKey*>(r)->key, "k7"); }},
        {"plug delay", NAS_GET_PLUG_DELAY, NAS_SET_PLUG_DELAY, sizeof(NasPlugDelay),
         offsetof(NasPlugDelay, minutes), sizeof(NasPlugDelay),
         [](char* r) {
             auto* x = reinterpret_cast<NasPlugDelay*>(r);
             x->enable = 1;
             x->minutes = 30;
         }},
    };
    Probe probe;
    int id = open(probe, MORSK_KIND_TCP);
    ASSERT_GE(id, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string rec = Fetch(probe, id, c.getType, c.getType);
        ASSERT_EQ(rec.size(), c.size);
        c.change(rec.data());
        EXPECT_EQ(SetAndWait(probe, id, c.setType, rec.data(), int(c.size)), 1);
        std::string back = Fetch(probe, id, c.getType, c.getType);
        ASSERT_EQ(back.size(), c.size);
        EXPECT_EQ(back.substr(c.compareFrom, c.compareTo - c.compareFrom),
                  rec.substr(c.compareFrom, c.compareTo - c.compareFrom));
    }

    // One smart plug timer, and the alias the status record shows.
    NasPlugTimerSet timer{1, 2, 600, 720, 1, 0, 1, 0, 1, 0, 0, 1};
    EXPECT_EQ(SetAndWait(probe, id, NAS_SET_PLUG_TIMER, &timer, sizeof timer), 1);
    NasPlugTimers timers;
    ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_PLUG_TIMERS, &timers));
    EXPECT_EQ(timers.timer[2].used, 1);
    EXPECT_EQ(timers.timer[2].startTime, 600);
    EXPECT_EQ(timers.timer[2].endTime, 720);
    EXPECT_EQ(timers.timer[2].day[2], 1);  // wednesday
    NasAlias alias{};
    std::strcpy(alias.alias, "Cellar");
    EXPECT_EQ(SetAndWait(probe, id, NAS_SET_ALIAS, &alias, sizeof alias), 1);
    NasStatus status;
    ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_STATUS, &status));
    EXPECT_STREQ(status.alias, "Cellar");
}

// Accounts and Wi-Fi changes restart the recorder; the P2P session comes back by itself.
TEST_F(MorskDevsim, P2pSettingsThatReboot) {
    Probe probe;
    int id = open(probe, MORSK_KIND_P2P);
    ASSERT_GE(id, 0);
    NasUsers users;
    ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_USERS, &users));
    std::strcpy(users.user1, "guest");
    std::strcpy(users.pwd1, "g-pw");
    EXPECT_EQ(SetAndWait(probe, id, NAS_SET_USERS, &users, sizeof users), 1);
    EXPECT_TRUE(settingBecomes("user1_name", "guest"));
    EXPECT_TRUE(rebootsReach(1));
    ASSERT_TRUE(probe.waitFor(
        [&] {
            return std::count(probe.events.begin(), probe.events.end(), MORSK_EVENT_ONLINE) == 2;
        },
        kSlow_ms));
    EXPECT_EQ(probe.events, (std::vector<int>{0, 12, 100, 11, 0, 12, 100}));

    NasWifi wifi;
    ASSERT_TRUE(FetchRecord(probe, id, NAS_GET_WIFI, &wifi));
    std::strcpy(wifi.ssid, "attic");
    EXPECT_EQ(SetAndWait(probe, id, NAS_SET_WIFI, &wifi, sizeof wifi), 1);
    EXPECT_TRUE(settingBecomes("wifi_ssid", "attic"));
    EXPECT_TRUE(rebootsReach(2));
}

TEST_F(MorskDevsim, P2pTimeouts) {
    // A recorder that is found but never completes a connection: seven attempts, then 10.
    ASSERT_EQ(sim_->command("unreachable " + sim_->id() + " 1"), "0");
    Probe probe;
    int id = nas_net_work_createInstance(p2pInfo(), MORSK_KIND_P2P);
    ASSERT_GE(id, 0);
    open_.push_back(id);
    probe.attach(id);
    ASSERT_EQ(nas_net_work_start(id), 1);
    bool timedOut = probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_TIMEOUT); }, 120000);
    EXPECT_EQ(sim_->command("unreachable " + sim_->id() + " 0"), "0");
    ASSERT_TRUE(timedOut) << ::testing::PrintToString(probe.events);
    EXPECT_EQ(probe.events, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 10}));
    close(id);

    // Connected, but the account check is never answered within its 15 s.
    ASSERT_EQ(sim_->command("stall " + sim_->id() + " 0 25000"), "0");
    Probe quiet;
    id = nas_net_work_createInstance(p2pInfo(), MORSK_KIND_P2P);
    open_.push_back(id);
    quiet.attach(id);
    ASSERT_EQ(nas_net_work_start(id), 1);
    timedOut = quiet.waitFor([&] { return quiet.hasEvent(MORSK_EVENT_TIMEOUT); }, 30000);
    EXPECT_EQ(sim_->command("stall " + sim_->id() + " 0 0"), "0");
    ASSERT_TRUE(timedOut);
    EXPECT_EQ(quiet.events, (std::vector<int>{0, 12, 10}));
}

// Runs in the sanitizer build too: every thread and buffer of a session is released.
TEST_F(MorskDevsim, CreateStartStopDestroyCycles) {
    for (int i = 0; i < 200; ++i) {
        Probe probe;
        bool p2p = i % 2 == 1;
        int kind = p2p ? MORSK_KIND_P2P : MORSK_KIND_TCP;
        int id = nas_net_work_createInstance(p2p ? p2pInfo() : tcpInfo(), kind);
        ASSERT_EQ(id, 0) << i;
        probe.attach(id);
        ASSERT_EQ(nas_net_work_start(id), 1);
        if (p2p && i % 20 == 1) {
            ASSERT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_ONLINE); })) << i;
            nas_net_work_startStream(id, 0, i % 4, &Probe::OnVideo, &probe);
        }
        if (!p2p) {
            nas_net_work_get_param(id, NAS_GET_STATUS);
            nas_net_work_startStream(id, 0, i % 4, &Probe::OnVideo, &probe);
        }
        ASSERT_EQ(nas_net_work_stop(id), 1);
        ASSERT_EQ(nas_net_work_destroyInstance(id), 1);
    }
    // The recorder still serves a fresh session afterwards.
    Probe probe;
    int id = open(probe, MORSK_KIND_P2P);
    NasStatus status;
    EXPECT_TRUE(FetchRecord(probe, id, NAS_GET_STATUS, &status));
}
