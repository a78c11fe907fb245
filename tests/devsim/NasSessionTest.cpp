// A recorder driven through the transport's client face and plain sockets: 20-byte heads on
// the command and alarm channels, check-user, a set/get round trip, distinct live pictures
// per channel, record lists and playback ending with kind 6, accessory pairing, alarms with
// their channel, and the TCP command and stream connections.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "DevsimTestSupport.h"
#include "NasHead.h"
#include "PPPP_API.h"
#include "SimDevice.h"

namespace devsim {
namespace {

constexpr const char* kAuth = "&user=admin&pwd=pw& ";

class NasSessionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { PPPP_Initialize(""); }

    void startRecorder(int n) {
        DeviceProfile p;
        p.id = test::UniqueId("NAS", n);
        p.name = "Rec";
        p.kind = DeviceKind::kNas;
        p.password = "pw";
        p.httpPort = 0;
        p.mainStream = {160, 96, 10};
        p.recordings = 2;
        device_ = std::make_unique<SimDevice>(p, loops_);
        ASSERT_TRUE(device_->start());
    }
    int connect() {
        int s = PPPP_Connect(device_->profile().id.c_str(), 1, 0);
        if (s >= 0)
            sessions_.push_back(s);
        return s;
    }
    void TearDown() override {
        for (int s : sessions_)
            PPPP_ForceClose(s);
        if (device_)
            device_->stop();
    }
    static bool readExact(int session, int channel, void* buf, size_t n) {
        size_t got = 0;
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(test::kIoTimeout_ms);
        while (got < n && std::chrono::steady_clock::now() < deadline) {
            int size = static_cast<int>(n - got);
            int rc = PPPP_Read(session, static_cast<uint8_t>(channel),
                               static_cast<char*>(buf) + got, &size, 100);
            if (rc == 0)
                return true;
            if (rc != ERROR_PPPP_TIME_OUT)
                return false;
            got += static_cast<size_t>(size);
        }
        return got == n;
    }
    static void send(int session, const std::string& request) {
        NasHead h;
        h.len = static_cast<uint32_t>(request.size());
        std::string packet(reinterpret_cast<const char*>(&h), sizeof h);
        packet += request;
        ASSERT_GE(PPPP_Write(session, 0, packet.data(), static_cast<int>(packet.size())), 0);
    }
    // One request and its answer: the answer ID and text.
    static bool ask(int session, const std::string& request, uint16_t* id, std::string* text) {
        send(session, request);
        NasHead h;
        if (!readExact(session, 0, &h, sizeof h) || h.startcode != NasHead::kStartCode)
            return false;
        text->assign(h.len, '\0');
        *id = h.cmd;
        return h.len == 0 || readExact(session, 0, text->data(), h.len);
    }
    static bool readMedia(int session, int channel, test::Frame* f) {
        if (!readExact(session, channel, &f->head, sizeof f->head))
            return false;
        f->data.resize(f->head.dataLen);
        return f->head.dataLen == 0 || readExact(session, channel, f->data.data(), f->data.size());
    }
    // The first picture of a live channel, asked for on a session of its own.
    std::vector<uint8_t> livePicture(int channel) {
        int s = connect();
        EXPECT_GE(s, 0);
        send(s, "GET livestream.cgi?user=admin&pwd=pw&streamid=90&channel=" +
                    std::to_string(channel) + " ");
        std::vector<std::string> units;
        for (int i = 0; i < 3; ++i) {
            test::Frame f;
            if (!readMedia(s, 1, &f))
                break;
            EXPECT_EQ(f.head.kind, i == 0 ? vantor::kFrameVideoKey : vantor::kFrameVideoInter);
            units.push_back(f.data);
        }
        return test::DecodeFirstLuma(units);
    }

    VideoLoopCache loops_;
    std::unique_ptr<SimDevice> device_;
    std::vector<int> sessions_;
};

TEST_F(NasSessionTest, CheckUserAndASetGetRoundTrip) {
    startRecorder(1);
    int s = connect();
    ASSERT_GE(s, 0);
    uint16_t id = 0;
    std::string text;
    ASSERT_TRUE(ask(s, "GET check_user.cgi?&user=admin&pwd=bad& ", &id, &text));
    EXPECT_EQ(id, 0x7055);
    EXPECT_EQ(text.find("result= 0"), std::string::npos);
    ASSERT_TRUE(ask(s, std::string("GET check_user.cgi?") + kAuth, &id, &text));
    EXPECT_EQ(id, 0x7055);
    EXPECT_EQ(text, "result= 0;\r\n");

    ASSERT_TRUE(ask(s,
                    std::string("GET set_ddns.cgi?ddnsservice=3&ddnsuser=me&ddnspwd=pw2&") +
                        "hostname=rec.example&ddnssvr=ddns.example&ddnsport=8245" + kAuth,
                    &id, &text));
    EXPECT_EQ(id, 0x7033);
    EXPECT_EQ(text, "result=\"ok\";\r\n");
    ASSERT_TRUE(ask(s, std::string("GET get_ddns.cgi?") + kAuth, &id, &text));
    EXPECT_EQ(id, 0x7013);
    EXPECT_EQ(text,
              "ddnsservice=3;\r\nddnsuser=\"me\";\r\nddnspwd=\"pw2\";\r\nhostname=\"rec.example\";"
              "\r\nddnssvr=\"ddns.example\";\r\nddnsport=8245;\r\n");

    // The fault switches shape a recorder's next answer too.
    device_->faults().arm(DeviceFaults::Malformed::kBadStartCode);
    send(s, std::string("GET get_status.cgi?") + kAuth);
    NasHead h;
    ASSERT_TRUE(readExact(s, 0, &h, sizeof h));
    EXPECT_EQ(h.startcode, 0x0B0B);
    std::string skip(h.len, '\0');
    ASSERT_TRUE(readExact(s, 0, skip.data(), skip.size()));

    // The client follows a network, users, Wi-Fi or access point change with reboot.cgi.
    ASSERT_TRUE(ask(s, std::string("GET reboot.cgi?") + kAuth, &id, &text));
    EXPECT_EQ(id, 0x7051);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device_->reboots() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(device_->reboots(), 1u);
}

TEST_F(NasSessionTest, EachChannelShowsItsOwnPicture) {
    startRecorder(2);
    std::vector<uint8_t> ch1 = livePicture(1);
    std::vector<uint8_t> ch2 = livePicture(2);
    std::vector<uint8_t> ch1Again = livePicture(1);
    ASSERT_EQ(ch1.size(), 160u * 96u);
    ASSERT_EQ(ch2.size(), ch1.size());
    EXPECT_NE(ch1, ch2);       // the channel number is drawn into the picture
    EXPECT_EQ(ch1, ch1Again);  // and nothing else differs between first pictures

    // Live audio of a recorder carries the recorder's audio kind.
    int s = sessions_.front();
    send(s, "GET audiostream.cgi?user=admin&pwd=pw&streamid=0&channel=1 ");
    test::Frame f;
    ASSERT_TRUE(readMedia(s, 2, &f));
    EXPECT_EQ(f.head.kind, vantor::kFrameNasAudio);
    EXPECT_EQ(f.head.codec, vantor::kCodecG711A);
}

TEST_F(NasSessionTest, RecordListThenPlaybackEndsWithKindSix) {
    startRecorder(3);
    int s = connect();
    ASSERT_GE(s, 0);
    uint16_t id = 0;
    std::string text;
    ASSERT_TRUE(ask(s,
                    std::string("GET get_record_file.cgi?partition=0&mode=0&startdate=0&enddate=0&"
                                "alarmtype=0&channel=3") +
                        kAuth,
                    &id, &text));
    EXPECT_EQ(id, 0x7005);
    ASSERT_NE(text.find("record_num0=2;"), std::string::npos) << text;
    size_t at = text.find("record_name0[1]=\"") + 17;
    std::string name = text.substr(at, text.find('"', at) - at);
    ASSERT_EQ(name.rfind("/hd0/ch3/", 0), 0u) << name;

    send(s, "GET nas_recordplay.cgi?mode=0&partition=0&filename=" + name +
                "&fileoffset=0&filesize=0" + kAuth);
    std::vector<std::string> units;
    int frames = 0;
    test::Frame f;
    while (readMedia(s, 4, &f) && f.head.kind != 6) {
        ASSERT_LE(f.head.kind, vantor::kFrameVideoInter);
        if (units.size() < 10)
            units.push_back(f.data);
        ++frames;
    }
    EXPECT_EQ(f.head.kind, 6);
    EXPECT_EQ(f.head.dataLen, 0u);
    EXPECT_EQ(frames, 10 * 2 * 10);  // ten 2-second loops at 10 frames per second
    int w = 0, h = 0;
    EXPECT_EQ(test::DecodeH264(units, &w, &h), 10);
    // The recording is channel 3's picture.
    EXPECT_EQ(test::DecodeFirstLuma(units), livePicture(3));
}

TEST_F(NasSessionTest, AccessoryPairingAndAlarmsWithTheirChannel) {
    startRecorder(4);
    int s = connect();
    ASSERT_GE(s, 0);
    uint16_t id = 0;
    std::string text;
    ASSERT_TRUE(ask(s, std::string("GET search_alarm_device.cgi?") + kAuth, &id, &text));
    EXPECT_EQ(id, 0x706A);
    EXPECT_EQ(text, "result=\"ok\";\r\n");
    EXPECT_TRUE(device_->handler().hearAccessory(5150));
    ASSERT_TRUE(ask(s, std::string("GET get_alarm_list.cgi?") + kAuth, &id, &text));
    EXPECT_EQ(id, 0x7069);
    EXPECT_NE(text.find("keyvalue[2]=5150;\r\nsearchalarmtotal=3;"), std::string::npos) << text;

    // The session has answered above, so the device has it among its live sessions.
    EXPECT_EQ(device_->raiseAlarm(6, 2), 1);
    NasHead h;
    ASSERT_TRUE(readExact(s, 5, &h, sizeof h));
    EXPECT_EQ(h.startcode, NasHead::kStartCode);
    EXPECT_EQ(h.channel, 2);
    ASSERT_EQ(h.len, 4u);
    int32_t kind = 0;
    ASSERT_TRUE(readExact(s, 5, &kind, 4));
    EXPECT_EQ(kind, 6);
}

TEST_F(NasSessionTest, TcpCommandAndStreamConnections) {
    startRecorder(5);
    int port = device_->httpPort();
    ASSERT_GT(port, 0);
    std::string head, body;
    ASSERT_TRUE(test::SplitHttp(
        test::HttpGet(port, std::string("GET set_alias.cgi?alias=Barn") + kAuth), &head, &body));
    EXPECT_EQ(body, "result=\"ok\";\r\n");
    ASSERT_TRUE(test::SplitHttp(test::HttpGet(port, std::string("GET get_status.cgi?") + kAuth),
                                &head, &body));
    EXPECT_NE(body.find("\r\nalias=\"Barn\";\r\n"), std::string::npos) << body;

    // The live connection of channel 0 carries that channel's picture and the alarm notices.
    int fd = test::ConnectLoopback(port);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(test::SendAll(
        fd, "GET livestream.cgi?user=admin&pwd=pw&streamid=90&channel=0 HTTP/1.1\r\n\r\n"));
    std::vector<std::string> units;
    test::Frame f;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(test::ReadFrame(fd, &f));
        units.push_back(f.data);
    }
    EXPECT_EQ(test::DecodeFirstLuma(units), livePicture(0));
    EXPECT_EQ(device_->raiseAlarm(1, 0), 2);  // the P2P session above and this stream
    bool notice = false;
    for (int i = 0; i < 50 && !notice && test::ReadFrame(fd, &f); ++i)
        notice = f.head.kind == 33;
    EXPECT_TRUE(notice);
    ::close(fd);
}

}  // namespace
}  // namespace devsim
