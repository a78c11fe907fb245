// End to end: the library's exports against a scripted camera on the transport's device face
// (loopback only).
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "ClientProbe.h"
#include "DeviceFamilies.h"
#include "FakeCamera.h"
#include "darvel.h"

namespace {

std::string UniqueId(bool enciphered) {
    static int counter = 0;
    std::string digits = std::to_string(getpid() % 100000) + "X" + std::to_string(++counter);
    if (enciphered) {
        const vantor::FamilyPrefixRule* rules = vantor::FamilyPrefixRules();
        for (size_t i = 0; i < vantor::kFamilyPrefixRuleCount; ++i) {
            if (rules[i].family != 7 && rules[i].family != 25)
                continue;
            std::string id = std::string(rules[i].prefix) + digits;
            int f = vantor::FamilyIndexOf(id.c_str());
            if (f == 7 || f == 25)
                return id;
        }
        return "";
    }
    for (const char* p : {"QZV", "ZQX", "XQZ", "VQQ"}) {
        std::string id = std::string(p) + digits;
        int f = vantor::FamilyIndexOf(id.c_str());
        if (f != 7 && f != 25)
            return id;
    }
    return "";
}

// Offset of the first differing byte, -1 when equal (keeps failures readable for big frames).
long FirstDifference(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return static_cast<long>(i);
    }
    return a.size() == b.size() ? -1 : static_cast<long>(n);
}

class DarvelE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("VANTOR_PPPP_DISCOVERY_MS", "400", 1);
        device_net_work_init(nullptr);
    }
    void TearDown() override {
        if (id_ >= 0) {
            device_net_work_stop(id_);
            device_net_work_destroyInstance(id_);
        }
        if (cam_)
            cam_->stop();
        device_net_work_deInit();
    }

    // Starts a camera and an instance for it; password given to the library.
    void Open(bool enciphered, const std::string& password = "pw", bool runCamera = true) {
        std::string id = UniqueId(enciphered);
        ASSERT_FALSE(id.empty());
        cam_ = std::make_unique<FakeCamera>(id, "admin", "pw", enciphered);
        if (runCamera) {
            ASSERT_TRUE(cam_->start());
        }
        id_ = device_net_work_createInstanceEx("admin", password.c_str(), id.c_str(), "", 0,
                                               DARVEL_KIND_P2P);
        ASSERT_GE(id_, 0);
        probe_.attach(id_);
        ASSERT_EQ(device_net_work_start(id_), 1);
    }
    void OpenOnline(bool enciphered = false) {
        Open(enciphered);
        ASSERT_TRUE(probe_.waitEvent(DARVEL_EVENT_ONLINE));
    }

    std::unique_ptr<FakeCamera> cam_;
    ClientProbe probe_;
    int id_ = -1;
};

TEST_F(DarvelE2e, PlainFamilyReachesOnlineThroughTheAccountCheck) {
    OpenOnline(false);
    std::lock_guard<std::mutex> g(probe_.mu);
    ASSERT_GE(probe_.events.size(), 3u);
    EXPECT_EQ(probe_.events[0], DARVEL_EVENT_CONNECTING);
    EXPECT_TRUE(probe_.hasEvent(DARVEL_EVENT_CHECKING));
    EXPECT_EQ(probe_.modes, std::vector<int>{DARVEL_P2P_MODE_DIRECT});
}

TEST_F(DarvelE2e, EncipheredFamilyReachesOnlineAndKeepsTalking) {
    OpenOnline(true);
    // The first request went in the handshake form; later ones use the device's own form.
    ASSERT_EQ(device_net_work_get_param(id_, DARVEL_GET_STATUS), 1);
    ASSERT_TRUE(probe_.waitFor([&] { return !probe_.data.empty(); }));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_EQ(probe_.data[0].first, DARVEL_GET_STATUS);
    DarvelStatusRecord st;
    ASSERT_EQ(probe_.data[0].second.size(), sizeof(st));
    memcpy(&st, probe_.data[0].second.data(), sizeof(st));
    EXPECT_STREQ(st.sysVer, "9.1");
}

TEST_F(DarvelE2e, WrongPasswordNeverGoesOnline) {
    Open(false, "wrong");
    ASSERT_TRUE(cam_->waitRequest("check_user.cgi", 15000));
    ASSERT_TRUE(probe_.waitEvent(DARVEL_EVENT_CHECKING));
    // Answers come back in order: once the status answer is in, the check answer was seen.
    ASSERT_EQ(device_net_work_get_param(id_, DARVEL_GET_STATUS), 1);
    ASSERT_TRUE(probe_.waitFor([&] { return !probe_.data.empty(); }));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_FALSE(probe_.hasEvent(DARVEL_EVENT_ONLINE));
}

TEST_F(DarvelE2e, DeviceNotRunningReportsConnectingThenNotOnline) {
    Open(false, "pw", /*runCamera=*/false);
    ASSERT_TRUE(probe_.waitEvent(DARVEL_EVENT_NOT_ONLINE));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_EQ(probe_.events.front(), DARVEL_EVENT_CONNECTING);
    EXPECT_FALSE(probe_.hasEvent(DARVEL_EVENT_ONLINE));
    EXPECT_EQ(device_net_work_get_param(id_, DARVEL_GET_STATUS), 0);  // not connected
}

TEST_F(DarvelE2e, GetAllDeliversEightRecordsAndAMissingKeyDropsOnlyItsRecord) {
    OpenOnline();
    ASSERT_EQ(device_net_work_get_param(id_, DARVEL_GET_DATETIME), 1);
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.data.size() >= 8; }));
    {
        std::lock_guard<std::mutex> g(probe_.mu);
        const int order[8] = {0x2001, 0x2013, 0x2003, 0x2007, 0x2009, 0x2005, 0x2016, 0x2018};
        ASSERT_EQ(probe_.data.size(), 8u);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(probe_.data[i].first, order[i]);
        DarvelDateTimeRecord dt;
        memcpy(&dt, probe_.data[6].second.data(), sizeof(dt));
        EXPECT_EQ(dt.now, 1700000000);
        probe_.data.clear();
    }
    cam_->on("get_params.cgi", [&](const std::string&, const std::string&) {
        std::string t = cam_->defaultGetParams();
        t.erase(t.find("dhcpen=0;"), strlen("dhcpen=0;"));
        return FakeCamera::Answer{0x6002, t};
    });
    ASSERT_EQ(device_net_work_get_param(id_, DARVEL_GET_NETWORK), 1);
    ASSERT_EQ(device_net_work_get_param(id_, DARVEL_GET_STATUS), 1);  // a marker behind it
    ASSERT_TRUE(probe_.waitFor(
        [&] { return !probe_.data.empty() && probe_.data.back().first == DARVEL_GET_STATUS; }));
    std::lock_guard<std::mutex> g(probe_.mu);
    ASSERT_EQ(probe_.data.size(), 8u);  // seven get-all records + the status
    EXPECT_EQ(probe_.data[0].first, 0x2013);
}

TEST_F(DarvelE2e, SuccessfulSetWifiIsFollowedByReboot) {
    OpenOnline();
    DarvelWifiRecord w{};
    w.enable = 1;
    strcpy(w.ssid, "lab2");
    EXPECT_EQ(device_net_work_set_param(id_, DARVEL_SET_WIFI, &w, sizeof(w) - 1), 0);
    ASSERT_EQ(device_net_work_set_param(id_, DARVEL_SET_WIFI, &w, sizeof(w)), 1);
    std::string req;
    ASSERT_TRUE(cam_->waitRequest("set_wifi.cgi?enable=1&ssid=lab2&", 15000, &req));
    ASSERT_TRUE(
        cam_->waitRequest("GET reboot.cgi?&loginuse=admin&loginpas=pw&user=admin&pwd=pw& ", 15000));
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.results.size() >= 2; }));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_EQ(probe_.results[0], std::make_pair(0x2012, 1));
    EXPECT_EQ(probe_.results[1], std::make_pair(0x2700, 1));
    EXPECT_EQ(cam_->countRequests("reboot.cgi"), 1);
}

TEST_F(DarvelE2e, PtzTextOnTheWire) {
    OpenOnline();
    ASSERT_EQ(device_net_work_ptz(id_, 6), 1);
    EXPECT_TRUE(cam_->waitRequest(
        "GET decoder_control.cgi?loginuse=admin&loginpas=pw&command=6&onestep=0 ", 15000));
}

TEST_F(DarvelE2e, LiveVideoAndAudioFramesArriveIntact) {
    OpenOnline();
    ASSERT_EQ(device_net_work_startStreamV2(id_, 3, 1, &ClientProbe::OnVideo, &probe_), 1);
    ASSERT_EQ(device_net_work_startAudio(id_, 2, &ClientProbe::OnAudio, &probe_), 1);
    ASSERT_TRUE(
        cam_->waitRequest("GET livestream.cgi?user=admin&pwd=pw&streamid=10&substream=1&", 15000));
    ASSERT_TRUE(cam_->waitRequest("GET audiostream.cgi?user=admin&pwd=pw&streamid=2& ", 15000));
    std::vector<std::string> sent;
    for (int i = 0; i < 12; ++i) {
        std::string payload(static_cast<size_t>(100 + i * 997), static_cast<char>('a' + i));
        payload[0] = static_cast<char>(i);
        sent.push_back(payload);
        ASSERT_TRUE(cam_->sendMedia(1, i == 0 ? 0 : 1, static_cast<uint32_t>(i), 1, 0, payload));
    }
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(cam_->sendMedia(2, 6, static_cast<uint32_t>(i), 1, 0,
                                    std::string(320, static_cast<char>(i))));
    }
    ASSERT_TRUE(
        probe_.waitFor([&] { return probe_.video.size() == 12 && probe_.audio.size() == 5; }));
    std::lock_guard<std::mutex> g(probe_.mu);
    for (size_t i = 0; i < sent.size(); ++i) {
        ASSERT_EQ(probe_.video[i].size(), 32 + sent[i].size());
        EXPECT_EQ(FirstDifference(probe_.video[i].substr(32), sent[i]), -1) << "frame " << i;
        EXPECT_EQ(static_cast<uint8_t>(probe_.video[i][12]), i);  // sequence
    }
    EXPECT_EQ(probe_.audio[4].substr(32), std::string(320, '\4'));
    EXPECT_EQ(device_net_work_stopStream(id_), 1);
    EXPECT_TRUE(cam_->waitRequest("GET livestream.cgi?user=admin&pwd=pw&streamid=16&", 15000));
}

// The largest frame a video channel takes, written while the socket blocks: it once caught the
// transport duplicating part of a large write.
TEST_F(DarvelE2e, LargestVideoFramesArriveIntact) {
    OpenOnline();
    ASSERT_EQ(device_net_work_startStream(id_, 0, &ClientProbe::OnVideo, &probe_), 1);
    ASSERT_TRUE(cam_->waitRequest("livestream.cgi", 15000));
    std::string payload(DARVEL_VIDEO_FRAME_MAX, 'z');
    for (int i = 0; i < 4; ++i) {
        payload[0] = static_cast<char>(i);
        ASSERT_TRUE(cam_->sendMedia(1, 1, static_cast<uint32_t>(i), 1, 0, payload));
    }
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.video.size() == 4; }));
    std::lock_guard<std::mutex> g(probe_.mu);
    for (int i = 0; i < 4; ++i) {
        payload[0] = static_cast<char>(i);
        EXPECT_EQ(FirstDifference(probe_.video[i].substr(32), payload), -1) << "frame " << i;
    }
}

TEST_F(DarvelE2e, TalkSendsOnly256ByteBlocks) {
    OpenOnline();
    EXPECT_EQ(device_net_work_startTalk(id_), 1);
    EXPECT_EQ(device_net_work_sendTalkData(id_, std::string(320, 'n').data(), 320), 1);
    std::string block(256, '\0');
    for (int i = 0; i < 256; ++i)
        block[i] = static_cast<char>(i);
    ASSERT_EQ(device_net_work_sendTalkData(id_, block.data(), 256), 1);
    std::string got;
    ASSERT_TRUE(cam_->readRaw(3, 32 + 256, 15000, &got));
    EXPECT_EQ(got[4], 8);  // talk kind
    EXPECT_EQ(got[5], 1);
    uint32_t len;
    memcpy(&len, got.data() + 16, 4);
    EXPECT_EQ(len, 256u);
    EXPECT_EQ(got.substr(32), block);  // the 320-byte frame never went out
}

TEST_F(DarvelE2e, LostDeviceRaisesEvent11AndStopStartConnectsAgain) {
    OpenOnline();
    cam_->stop();
    ASSERT_TRUE(probe_.waitEvent(DARVEL_EVENT_LOST));
    EXPECT_EQ(device_net_work_get_param(id_, DARVEL_GET_STATUS), 0);
    // The device comes back; the library does not reconnect by itself, stop + start does.
    ASSERT_TRUE(cam_->start());
    {
        std::lock_guard<std::mutex> g(probe_.mu);
        probe_.events.clear();
    }
    ASSERT_EQ(device_net_work_stop(id_), 1);
    ASSERT_EQ(device_net_work_start(id_), 1);
    EXPECT_TRUE(probe_.waitEvent(DARVEL_EVENT_ONLINE));
}

TEST_F(DarvelE2e, AlarmKindsMapToTheirCodes) {
    OpenOnline();
    const uint32_t kinds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 20};
    for (uint32_t k : kinds) {
        std::vector<uint8_t> p(4);
        memcpy(p.data(), &k, 4);
        ASSERT_TRUE(cam_->sendAlarm(0x6040, p));
    }
    ASSERT_TRUE(cam_->sendAlarm(0x6040, {7, 0}));  // too short: dropped
    ASSERT_TRUE(cam_->sendAlarm(0x6041, {0}));
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.alarms.size() >= 16; }));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_EQ(probe_.alarms,
              (std::vector<int>{25, 33, 32, 36, 36, 33, 37, 38, 39, 40, 41, 42, 43, 44, 20, 255}));
}

TEST_F(DarvelE2e, RecordSearchAndPacedPlayback) {
    OpenOnline();
    cam_->on("get_record_file.cgi", [](const std::string&, const std::string& req) {
        EXPECT_NE(req.find("&PageIndex=0&PageSize=2048&loginuse=admin"), std::string::npos);
        return FakeCamera::Answer{0x6007,
                                  "record_num0=2;record_name0[0]=\"20240101_000000.h264\";"
                                  "record_time0[0]=60;record_size0[0]=1000;"
                                  "record_name0[1]=\"20240101_010000.h264\";record_time0[1]=30;"};
    });
    DarvelRecordSearch q{};
    q.start = {2024, 1, 1, 0, 0, 0};
    q.end = {2024, 1, 1, 23, 59, 59};
    EXPECT_EQ(device_record_file_search(id_, &q, 55), 0);
    ASSERT_EQ(device_record_file_search(id_, &q, sizeof(q)), 1);
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.files.size() == 2; }));
    {
        std::lock_guard<std::mutex> g(probe_.mu);
        EXPECT_STREQ(probe_.files[1].name, "20240101_010000.h264");
        EXPECT_EQ(probe_.files[1].index, 2);
        EXPECT_EQ(probe_.files[0].size, 1000);
    }
    DarvelPlaybackRecord pb{};
    strcpy(pb.fileName, "20240101_000000.h264");
    pb.offset = 0;
    pb.streamId = 4;
    ASSERT_EQ(device_record_playback_control(id_, &pb, sizeof(pb)), 1);
    ASSERT_TRUE(cam_->waitRequest(
        "livestream.cgi?streamid=4&filename=20240101_000000.h264&offset=0", 15000));
    ASSERT_TRUE(cam_->sendMedia(4, 0, 7, 10, 900, "one"));
    ASSERT_TRUE(cam_->sendMedia(4, 1, 8, 11, 20, "two"));
    ASSERT_TRUE(cam_->sendMedia(4, 16, 9, 11, 60, ""));
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.playback.size() == 3; }));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_EQ(probe_.playback[0].substr(32), "one");
    EXPECT_EQ(probe_.playback[1].substr(32), "two");
    EXPECT_EQ(probe_.playback[2][4], 16);
}

std::atomic<bool> gStopReturned{false};
std::atomic<int> gAfterStop{0};
std::atomic<int> gInstance{-1};
void CountingVideo(const char*, int, void*) {
    if (gStopReturned.load())
        ++gAfterStop;
    // A callback may call back into the library for its own instance while another thread
    // stops it.
    device_net_work_get_param(gInstance.load(), DARVEL_GET_STATUS);
}

TEST_F(DarvelE2e, StopWhileStreamingJoinsEveryThread) {
    gStopReturned = false;
    gAfterStop = 0;
    OpenOnline();
    gInstance = id_;
    ASSERT_EQ(device_net_work_startStream(id_, 0, &CountingVideo, nullptr), 1);
    ASSERT_TRUE(cam_->waitRequest("livestream.cgi", 15000));
    std::atomic<bool> pushing{true};
    std::atomic<int> pushed{0};
    std::thread pusher([&] {
        // Bounded: at most 5000 frames, and only while the session lives.
        for (int i = 0; i < 5000 && pushing.load(); ++i) {
            if (!cam_->sendMedia(1, 1, static_cast<uint32_t>(i), 0, 0, std::string(4000, 'v'))) {
                break;
            }
            ++pushed;
        }
    });
    while (pushed.load() < 50)
        std::this_thread::yield();
    ASSERT_EQ(device_net_work_stop(id_), 1);
    gStopReturned = true;
    int atStop = pushed.load();
    // Keep the device sending a little longer: nothing may reach the callback now.
    while (pushing.load() && pushed.load() < atStop + 50 && pushed.load() < 5000) {
        std::this_thread::yield();
        if (!cam_->sendMedia(1, 1, 0, 0, 0, "late"))
            break;
    }
    pushing = false;
    pusher.join();
    EXPECT_EQ(gAfterStop.load(), 0);
    EXPECT_EQ(device_net_work_sendTalkData(id_, std::string(256, 'x').data(), 256), 0);
}

TEST_F(DarvelE2e, TwoHundredCreateStartStopDestroyCycles) {
    std::string id = UniqueId(false);
    cam_ = std::make_unique<FakeCamera>(id, "admin", "pw", false);
    ASSERT_TRUE(cam_->start());
    for (int i = 0; i < 200; ++i) {
        ClientProbe probe;
        int h = device_net_work_createInstanceEx("admin", "pw", id.c_str(), "", 0, DARVEL_KIND_P2P);
        ASSERT_GE(h, 0);
        probe.attach(h);
        ASSERT_EQ(device_net_work_start(h), 1);
        if (i % 40 == 0) {
            ASSERT_TRUE(probe.waitEvent(DARVEL_EVENT_ONLINE)) << "cycle " << i;
        }
        ASSERT_EQ(device_net_work_stop(h), 1);
        ASSERT_EQ(device_net_work_destroyInstance(h), 1);
    }
}

}  // namespace
