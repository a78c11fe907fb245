// End to end through the exported interface: the library against scripted recorders on
// loopback (P2P on the transport's device face, TCP on 127.0.0.1).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "FakeHttpRecorder.h"
#include "FakeRecorder.h"
#include "MediaFrameHead.h"
#include "Probe.h"

namespace {

class MorskE2e : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(nas_net_work_init(nullptr), 1); }
    void TearDown() override { nas_net_work_deInit(); }
};

std::string StatusAnswer() {
    std::string t =
        "sys_ver=\"1.2\";deviceid=\"NAS-1\";alias=\"box\";apssid=\"ap\";apencrypt=1;"
        "externssid=\"ext\";externsignale=50;externstatus=1;internet=1;mac=\"00:11\";"
        "wifimac=\"00:22\";alarm_status=0;p2pstatus=1;dns_status=0;upnp_status=0;externwifi=0;"
        "record_sd_status=1;sdtotal=100;sdfree=50;sdlevel=3;harddiskstatus=1;hdpartitionnum=2;";
    for (int i = 0; i < 16; ++i)
        t += "harddisk" + std::to_string(i) + "status=0;Partition" + std::to_string(i) + "size=0;";
    for (int i = 0; i < 4; ++i)
        t += "cam" + std::to_string(i) + "status=1;";
    return t;
}

FakeHandler Answer(int id, const std::string& text) {
    return [id, text](const std::string&, const std::string&) { return FakeAnswer{id, text}; };
}

int Kind(const std::string& frame) {
    return static_cast<uint8_t>(frame[4]);
}

}  // namespace

TEST_F(MorskE2e, P2pAccountCheckEvents) {
    struct Case {
        const char* pwd;
        std::vector<int> events;
    } cases[] = {{"123", {0, 12, 100}}, {"wrong", {0, 12, 1}}};
    FakeRecorder rec("NASE2E-000001", "admin", "123");
    ASSERT_TRUE(rec.start());
    for (const auto& c : cases) {
        Probe probe;
        int id = nas_net_work_createInstance(MakeInfo("admin", c.pwd, "", 0, "NASE2E-000001"),
                                             MORSK_KIND_P2P);
        ASSERT_GE(id, 0);
        probe.attach(id);
        ASSERT_EQ(nas_net_work_start(id), 1);
        ASSERT_TRUE(probe.waitFor([&] { return probe.events.size() >= c.events.size(); }));
        if (c.events.back() == 100) {
            // The account accepted, the session fetches the user list.
            ASSERT_TRUE(probe.waitFor([&] { return !probe.records.empty(); }));
            EXPECT_EQ(probe.records[0].first, NAS_GET_USERS);
            EXPECT_EQ(probe.modes, std::vector<int>{MORSK_P2P_MODE_DIRECT});
        }
        EXPECT_EQ(nas_net_work_stop(id), 1);
        EXPECT_EQ(nas_net_work_destroyInstance(id), 1);
        EXPECT_EQ(probe.events, c.events) << c.pwd;
    }
    rec.stop();
}

TEST_F(MorskE2e, P2pStreamsAlarmsSettingsPlaybackTalk) {
    FakeRecorder rec("NASE2E-000002", "admin", "123");
    rec.on("set_wifi.cgi", Answer(0x703C, "result= 0;"));
    rec.on("set_alarm_cam.cgi", Answer(0x7042, "result= 0;"));
    rec.on("get_record_file.cgi",
           Answer(0x7005, "record_num0=2;record_name0[0]=\"a\";record_name0[1]=\"b\";"));
    ASSERT_TRUE(rec.start());
    Probe probe;
    int id = nas_net_work_createInstance(MakeInfo("admin", "123", "", 0, "NASE2E-000002"),
                                         MORSK_KIND_P2P);
    ASSERT_GE(id, 0);
    probe.attach(id);
    ASSERT_EQ(nas_net_work_start(id), 1);
    ASSERT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_ONLINE); }));

    // Live video asks for stream 80 + id; frames come back whole.
    ASSERT_EQ(nas_net_work_startStream(id, 0, 2, &Probe::OnVideo, &probe), 1);
    EXPECT_TRUE(
        rec.log().wait("GET livestream.cgi?user=admin&pwd=123&streamid=80&channel=2 ", 5000));
    ASSERT_EQ(nas_net_work_startAudio(id, 3, 2, &Probe::OnAudio, &probe), 1);
    EXPECT_TRUE(
        rec.log().wait("GET audiostream.cgi?user=admin&pwd=123&streamid=3&channel=2 ", 5000));
    std::string vframe = MediaFrame(0, 1, 10, 0, "h264-data");
    std::string aframe = MediaFrame(5, 1, 10, 0, std::string(320, 'a'));
    ASSERT_TRUE(rec.sendRaw(1, vframe.data(), vframe.size()));
    ASSERT_TRUE(rec.sendRaw(2, aframe.data(), aframe.size()));
    ASSERT_TRUE(probe.waitFor([&] { return !probe.video.empty() && !probe.audio.empty(); }));
    EXPECT_EQ(probe.video[0], vframe);
    EXPECT_EQ(probe.audio[0], aframe);

    // Alarms carry their recorder channel; unknown device types are not reported.
    auto type = [](int32_t t) { return std::string(reinterpret_cast<const char*>(&t), 4); };
    ASSERT_TRUE(rec.sendAlarm(3, type(1)));
    ASSERT_TRUE(rec.sendAlarm(2, type(11)));
    ASSERT_TRUE(rec.sendAlarm(1, type(0)));
    ASSERT_TRUE(probe.waitFor([&] { return probe.alarms.size() >= 2; }));
    EXPECT_EQ(probe.alarms, (std::vector<std::pair<int, int>>{{3, 33}, {1, 25}}));

    // A Wi-Fi change: result 1, then the recorder is restarted.
    NasWifi wifi{};
    std::strcpy(wifi.ssid, "home");
    EXPECT_GT(nas_net_work_set_param(id, NAS_SET_WIFI, &wifi, sizeof wifi), 0);
    ASSERT_TRUE(probe.waitFor([&] { return !probe.results.empty(); }));
    EXPECT_EQ(probe.results[0], std::make_pair(int{NAS_SET_WIFI}, 1));
    EXPECT_TRUE(rec.log().wait("GET reboot.cgi?&user=admin&pwd=123& ", 5000));

    // Size rules of the accessory request; its answer is never reported.
    std::vector<char> big(6692, 0);
    NasAlarmCamSet acs{1, 2, 0};
    EXPECT_EQ(nas_net_work_set_param(id, NAS_SET_ALARM_CAM, big.data(), 6692), 0);
    EXPECT_EQ(nas_net_work_set_param(id, NAS_SET_ALARM_CAM, &acs, sizeof acs),
              static_cast<int>(std::strlen("GET set_alarm_cam.cgi?zone=1&sit=2&clearall=0"
                                           "&user=admin&pwd=123& ")) +
                  40);
    EXPECT_TRUE(rec.log().wait("set_alarm_cam.cgi?zone=1&sit=2&clearall=0", 5000));

    // Record files, one callback each.
    NasRecordSearch rs{0, 0, 0, 1, 20240101, 20240102};
    EXPECT_GT(nas_record_file_search(id, &rs), 0);
    ASSERT_TRUE(probe.waitFor([&] { return probe.files.size() == 2; }));
    EXPECT_STREQ(probe.files[1].name, "b");
    EXPECT_EQ(probe.files[1].index, 2);
    EXPECT_EQ(probe.results.size(), 1u);  // still only the Wi-Fi result

    // Playback: frames reach the record-data callback; kind 6 ends the recording.
    NasPlayback pb{};
    std::strcpy(pb.fileName, "a");
    EXPECT_GT(nas_record_playback_control(id, &pb), 0);
    EXPECT_TRUE(rec.log().wait("nas_recordplay.cgi?mode=0&partition=0&filename=a", 5000));
    for (const std::string& f : {MediaFrame(0, 1, 10, 0, "k"), MediaFrame(6, 2, 10, 40, "end"),
                                 MediaFrame(1, 3, 10, 80, "p")})
        ASSERT_TRUE(rec.sendRaw(4, f.data(), f.size()));
    ASSERT_TRUE(probe.waitFor([&] { return probe.playback.size() == 3; }));
    EXPECT_EQ(Kind(probe.playback[1]), 6);

    // Talk: only whole 256-byte blocks go out, each behind its 32-byte head.
    char block[256];
    std::memset(block, 0x55, sizeof block);
    EXPECT_EQ(nas_net_work_sendTalkData(id, 0, block, 255), 1);
    EXPECT_EQ(nas_net_work_sendTalkData(id, 0, block, 256), 1);
    std::string talk;
    ASSERT_TRUE(rec.readRaw(3, 288, 5000, &talk));
    EXPECT_EQ(Kind(talk), 8);
    EXPECT_EQ(talk[5], 1);
    uint32_t len = 0;
    std::memcpy(&len, talk.data() + 16, 4);
    EXPECT_EQ(len, 256u);
    EXPECT_EQ(talk.substr(32), std::string(block, 256));
    EXPECT_EQ(rec.unread(3), 0);

    // PTZ: only the recorder's commands are sent.
    EXPECT_GT(nas_net_work_ptz(id, 2, 1), 0);
    EXPECT_EQ(nas_net_work_ptz(id, 70, 1), 1);
    EXPECT_TRUE(rec.log().wait(
        "/decoder_control.cgi?loginuse=admin&loginpas=123&command=2&onestep=0&channel=1", 5000));
    EXPECT_EQ(rec.log().count("command=70"), 0);

    EXPECT_EQ(nas_net_work_stopStream(id, 2), 1);
    EXPECT_TRUE(
        rec.log().wait("GET livestream.cgi?user=admin&pwd=123&streamid=16&channel=2&", 5000));
    EXPECT_EQ(nas_net_work_stop(id), 1);
    // Stopped: nothing is accepted.
    EXPECT_EQ(nas_net_work_get_param(id, NAS_GET_STATUS), 0);
    EXPECT_EQ(nas_net_work_destroyInstance(id), 1);
    rec.stop();
}

TEST_F(MorskE2e, P2pOversizeFrameEndsOnlyItsReader) {
    FakeRecorder rec("NASE2E-000003", "admin", "123");
    rec.on("get_status.cgi", Answer(0x7001, StatusAnswer()));
    ASSERT_TRUE(rec.start());
    Probe probe;
    int id = nas_net_work_createInstance(MakeInfo("admin", "123", "", 0, "NASE2E-000003"),
                                         MORSK_KIND_P2P);
    probe.attach(id);
    nas_net_work_start(id);
    ASSERT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_ONLINE); }));
    ASSERT_EQ(nas_net_work_startAudio(id, 0, 0, &Probe::OnAudio, &probe), 1);
    std::string bad = MediaFrame(5, 1, 0, 0, std::string(2049, 'x'));
    ASSERT_TRUE(rec.sendRaw(2, bad.data(), bad.size()));
    std::string good = MediaFrame(0, 1, 0, 0, "v");
    ASSERT_TRUE(rec.sendRaw(1, good.data(), good.size()));
    EXPECT_GT(nas_net_work_get_param(id, NAS_GET_STATUS), 0);
    ASSERT_TRUE(probe.waitFor([&] {
        for (auto& r : probe.records)
            if (r.first == NAS_GET_STATUS)
                return true;
        return false;
    }));
    nas_net_work_stop(id);
    EXPECT_TRUE(probe.audio.empty());
    nas_net_work_destroyInstance(id);
}

TEST_F(MorskE2e, TcpCommandsStreamsAndPlayback) {
    FakeHttpRecorder rec("admin", "123");
    rec.on("get_status.cgi", Answer(0, StatusAnswer()));
    rec.on("set_wifi.cgi", Answer(0, "result=\"ok\";"));
    rec.on("reboot.cgi", Answer(0, "result= 0;"));
    ASSERT_TRUE(rec.start());
    Probe probe;
    int id = nas_net_work_createInstance(MakeInfo("admin", "123", "127.0.0.1", rec.port(), ""),
                                         MORSK_KIND_TCP);
    ASSERT_GE(id, 0);
    probe.attach(id);
    EXPECT_EQ(nas_net_work_get_param(id, NAS_GET_STATUS), 0);  // not started
    ASSERT_EQ(nas_net_work_start(id), 1);

    EXPECT_GT(nas_net_work_get_param(id, NAS_GET_STATUS), 0);
    ASSERT_TRUE(probe.waitFor([&] { return !probe.records.empty(); }));
    EXPECT_EQ(probe.records[0].first, NAS_GET_STATUS);
    EXPECT_EQ(probe.records[0].second.size(), sizeof(NasStatus));
    std::string req;
    ASSERT_TRUE(rec.log().wait("get_status.cgi", 1000, &req));
    EXPECT_EQ(req.rfind("GET get_status.cgi?&user=admin&pwd=123& HTTP/1.1\r\n", 0), 0u) << req;

    NasWifi wifi{};
    EXPECT_GT(nas_net_work_set_param(id, NAS_SET_WIFI, &wifi, sizeof wifi), 0);
    ASSERT_TRUE(probe.waitFor([&] { return !probe.results.empty(); }));
    EXPECT_EQ(probe.results[0], std::make_pair(int{NAS_SET_WIFI}, 1));
    EXPECT_TRUE(rec.log().wait("GET reboot.cgi?", 5000));

    // Live stream: alarm notices (kinds 32-35) go to the alarm callback, not the video one.
    ASSERT_EQ(nas_net_work_startStream(id, 1, 3, &Probe::OnVideo, &probe), 1);
    EXPECT_TRUE(
        rec.log().wait("GET livestream.cgi?user=admin&pwd=123&streamid=81&channel=3 ", 5000));
    ASSERT_TRUE(rec.sendStream("livestream.cgi",
                               MediaFrame(33, 0, 0, 0, "") + MediaFrame(0, 1, 0, 0, "key")));
    ASSERT_TRUE(probe.waitFor([&] { return !probe.video.empty() && !probe.alarms.empty(); }));
    EXPECT_EQ(probe.alarms, (std::vector<std::pair<int, int>>{{-1, 33}}));
    ASSERT_EQ(probe.video.size(), 1u);
    EXPECT_EQ(Kind(probe.video[0]), 0);

    // Playback on its own connection, ended by kind 6.
    NasPlayback pb{};
    std::strcpy(pb.fileName, "a");
    EXPECT_EQ(nas_record_playback_control(id, &pb), 1);
    ASSERT_TRUE(rec.sendStream("nas_recordplay.cgi",
                               MediaFrame(0, 1, 0, 0, "k") + MediaFrame(6, 2, 0, 40, "")));
    ASSERT_TRUE(probe.waitFor([&] { return probe.playback.size() == 2; }));
    EXPECT_EQ(Kind(probe.playback[1]), 6);

    // A frame too large for the stream buffer ends only that connection.
    vantor::MediaFrameHead h{};
    h.magic = vantor::kMediaFrameMagic;
    h.dataLen = 0x80000;
    ASSERT_TRUE(
        rec.sendStream("livestream.cgi", std::string(reinterpret_cast<const char*>(&h), sizeof h)));
    size_t records = probe.records.size();
    EXPECT_GT(nas_net_work_get_param(id, NAS_GET_STATUS), 0);
    ASSERT_TRUE(probe.waitFor([&] { return probe.records.size() > records; }));

    EXPECT_EQ(nas_net_work_stop(id), 1);
    EXPECT_TRUE(probe.events.empty());  // TCP sessions report no events
    EXPECT_EQ(nas_net_work_destroyInstance(id), 1);
    rec.stop();
}

TEST_F(MorskE2e, LifecycleCycles) {
    FakeRecorder p2p("NASE2E-000004", "admin", "123");
    FakeHttpRecorder tcp("admin", "123");
    tcp.on("get_status.cgi", Answer(0, StatusAnswer()));
    ASSERT_TRUE(p2p.start());
    ASSERT_TRUE(tcp.start());
    for (int i = 0; i < 200; ++i) {
        Probe probe;
        bool isP2p = i % 2 == 1;
        int id = nas_net_work_createInstance(
            MakeInfo("admin", "123", "127.0.0.1", tcp.port(), "NASE2E-000004"),
            isP2p ? MORSK_KIND_P2P : MORSK_KIND_TCP);
        ASSERT_EQ(id, 0) << i;
        probe.attach(id);
        ASSERT_EQ(nas_net_work_start(id), 1);
        if (isP2p && i % 20 == 1) {
            ASSERT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_ONLINE); })) << i;
        }
        if (!isP2p) {
            nas_net_work_get_param(id, NAS_GET_STATUS);
            nas_net_work_startStream(id, 0, 0, &Probe::OnVideo, &probe);
        }
        ASSERT_EQ(nas_net_work_stop(id), 1);
        ASSERT_EQ(nas_net_work_destroyInstance(id), 1);
    }
    p2p.stop();
    tcp.stop();
}
