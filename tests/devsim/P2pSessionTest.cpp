// A device on the P2P transport, driven through the transport's client face: the handshake
// form of an enciphered family answered with 0x0A02 and the session key, plain families
// answered with 0x0A01, live video and playback on their channels, alarms, reboot, and a
// battery device that only takes the battery attempts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "CmdHead.h"
#include "CommandFraming.h"
#include "DeviceFamilies.h"
#include "DevsimTestSupport.h"
#include "PPPP_API.h"
#include "SessionCipher.h"
#include "SimDevice.h"

namespace devsim {
namespace {

constexpr const char* kLogin = "&loginuse=admin&loginpas=pw&user=admin&pwd=pw& ";

class P2pSessionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { PPPP_Initialize(""); }

    void startDevice(const std::string& id, bool battery = false) {
        ASSERT_FALSE(id.empty());
        DeviceProfile p;
        p.id = id;
        p.password = "pw";
        p.battery = battery;
        p.mainStream = {320, 240, 10};
        p.subStream = {160, 120, 15};
        p.recordings = 2;
        device_ = std::make_unique<SimDevice>(p, loops_);
        ASSERT_TRUE(device_->start());
        vantor::DeriveSessionKey(vantor::FamilyIndexOf(id.c_str()), id.c_str(), key_);
    }
    void TearDown() override {
        if (session_ >= 0)
            PPPP_ForceClose(session_);
        if (device_)
            device_->stop();
    }
    bool readExact(int channel, void* buf, size_t n) {
        size_t got = 0;
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(test::kIoTimeout_ms);
        while (got < n && std::chrono::steady_clock::now() < deadline) {
            int size = static_cast<int>(n - got);
            int rc = PPPP_Read(session_, static_cast<uint8_t>(channel),
                               static_cast<char*>(buf) + got, &size, 100);
            if (rc == 0)
                return true;
            if (rc != ERROR_PPPP_TIME_OUT)
                return false;
            got += static_cast<size_t>(size);
        }
        return got == n;
    }
    // Sends a request in the form the client's cmdType selects.
    void send(int cmdType, uint16_t cmd, const std::string& request) {
        std::vector<uint8_t> payload(request.size() + 256);
        size_t n = vantor::BuildRequestPayload(cmdType, key_, nullptr, request.data(),
                                               request.size(), payload.data(), payload.size());
        ASSERT_GT(n, 0u);
        vantor::CmdHead h{vantor::kStartCodePlain, cmd, static_cast<uint16_t>(n), 0};
        std::string packet(reinterpret_cast<const char*>(&h), sizeof h);
        packet.append(reinterpret_cast<const char*>(payload.data()), n);
        ASSERT_GE(PPPP_Write(session_, 0, packet.data(), static_cast<int>(packet.size())), 0);
    }
    // Reads one answer; deciphers 0x0A02 text answers.
    bool receive(vantor::CmdHead* h, std::string* text) {
        if (!readExact(0, h, sizeof *h))
            return false;
        std::string payload(h->len, '\0');
        if (h->len > 0 && !readExact(0, payload.data(), payload.size()))
            return false;
        if (h->startcode == vantor::kStartCodeCiphered && h->cmd != vantor::kAnswerSnapshot) {
            std::string plain(vantor::CipherOutputBytes(payload.size()), '\0');
            vantor::decrypt(key_, payload.data(), payload.size(), plain.data());
            *text = plain.c_str();
        } else {
            *text = payload;
        }
        return true;
    }
    bool readMedia(int channel, test::Frame* f) {
        if (!readExact(channel, &f->head, sizeof f->head))
            return false;
        f->data.resize(f->head.dataLen);
        return f->head.dataLen == 0 || readExact(channel, f->data.data(), f->data.size());
    }

    VideoLoopCache loops_;
    std::unique_ptr<SimDevice> device_;
    uint8_t key_[vantor::kSessionKeyBytes] = {};
    int session_ = -1;
};

TEST_F(P2pSessionTest, CipheredFamilyAnswersTheHandshakeEnciphered) {
    std::string id = test::IdOfFamily(7, 1);
    startDevice(id);
    session_ = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GE(session_, 0);
    send(0, 0x2708, std::string("GET check_user.cgi?") + kLogin);
    vantor::CmdHead h;
    std::string text;
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.startcode, vantor::kStartCodeCiphered);
    EXPECT_EQ(h.cmd, 0x60A0);
    EXPECT_EQ(h.len % 16, 0);
    EXPECT_EQ(text, "result= 0;\r\n");
    // After a 0x0A02 answer requests come enciphered without the marker.
    send(vantor::kStartCodeCiphered, 0x2701, std::string("GET get_status.cgi?") + kLogin);
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.startcode, vantor::kStartCodeCiphered);
    EXPECT_EQ(h.cmd, 0x6001);
    EXPECT_NE(text.find("deviceid=\"" + id + "\";"), std::string::npos) << text;
    // The snapshot stays raw even on an enciphered device.
    send(vantor::kStartCodeCiphered, 0x270E, std::string("GET snapshot.cgi?") + kLogin);
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.cmd, 0x6015);
    ASSERT_GT(text.size(), 4u);
    EXPECT_EQ(text.substr(0, 2), "\xFF\xD8");  // JPEG start of image
}

TEST_F(P2pSessionTest, PlainFamilyAnswersPlainAndRefusesAWrongAccount) {
    std::string id = test::UniqueId("PLN", 2);
    ASSERT_NE(vantor::FamilyIndexOf(id.c_str()), 7);
    ASSERT_NE(vantor::FamilyIndexOf(id.c_str()), 25);
    startDevice(id);
    session_ = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GE(session_, 0);
    send(0, 0x2708, "GET check_user.cgi?&loginuse=admin&loginpas=bad&user=admin&pwd=bad& ");
    vantor::CmdHead h;
    std::string text;
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.startcode, vantor::kStartCodePlain);
    EXPECT_EQ(h.cmd, 0x60A0);
    EXPECT_EQ(text.find("result=0"), std::string::npos);
    EXPECT_EQ(text.find("result= 0"), std::string::npos);
    send(vantor::kStartCodePlain, 0x2003, std::string("GET get_params.cgi?") + kLogin);
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.cmd, 0x6002);
    EXPECT_NE(text.find("user3_name=\"admin\";"), std::string::npos);
}

TEST_F(P2pSessionTest, LiveVideoDecodesAndAlarmsArriveOnChannelFive) {
    std::string id = test::UniqueId("LIV", 3);
    startDevice(id);
    session_ = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GE(session_, 0);
    send(0, 0, "GET livestream.cgi?user=admin&pwd=pw&streamid=10&substream=1&");
    std::vector<std::string> units;
    for (int i = 0; i < 12; ++i) {
        test::Frame f;
        ASSERT_TRUE(readMedia(1, &f)) << i;
        EXPECT_EQ(f.head.magic, vantor::kMediaFrameMagic);
        EXPECT_EQ(f.head.widthOrSampleRate, 160);  // the sub-stream
        units.push_back(f.data);
    }
    int w = 0, h = 0;
    EXPECT_GE(test::DecodeH264(units, &w, &h), 11);
    EXPECT_EQ(h, 120);

    EXPECT_EQ(device_->raiseAlarm(6), 1);
    vantor::CmdHead ah;
    ASSERT_TRUE(readExact(5, &ah, sizeof ah));
    EXPECT_EQ(ah.startcode, vantor::kStartCodePlain);
    ASSERT_EQ(ah.len, 4);
    uint32_t kind = 0;
    ASSERT_TRUE(readExact(5, &kind, 4));
    EXPECT_EQ(kind, 6u);

    // Talk blocks on channel 3 are counted by the device.
    for (int i = 0; i < 3; ++i) {
        vantor::MediaFrameHead th{};
        th.kind = vantor::kFrameTalk;
        th.talkFlag = 1;
        th.dataLen = 256;
        std::string frame(reinterpret_cast<const char*>(&th), sizeof th);
        frame.append(256, '\x2A');
        ASSERT_GE(PPPP_Write(session_, 3, frame.data(), static_cast<int>(frame.size())), 0);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device_->talkBlocks() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(device_->talkBlocks(), 3u);
    EXPECT_EQ(device_->talkBytes(), 768u);
}

TEST_F(P2pSessionTest, PlaybackOnChannelFourFromAnOffset) {
    std::string id = test::UniqueId("PBK", 4);
    startDevice(id);
    session_ = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GE(session_, 0);
    Recording r = device_->handler().recordings().back();
    auto loop = device_->loop(0);
    int64_t loopBytes = 0;
    for (const auto& f : loop->frames())
        loopBytes += static_cast<int64_t>(f.data.size() + 32);
    int64_t loops = r.sizeBytes / loopBytes;
    send(0, 0x5004,
         "GET livestream.cgi?streamid=4&filename=" + r.name +
             "&offset=" + std::to_string(loopBytes * (loops - 1)) + kLogin);
    size_t frames = 0;
    test::Frame f;
    while (readMedia(4, &f) && f.head.kind != vantor::kFramePlaybackEnd)
        ++frames;
    EXPECT_EQ(f.head.kind, vantor::kFramePlaybackEnd);
    EXPECT_EQ(frames, loop->frames().size());
}

TEST_F(P2pSessionTest, RebootDropsTheSessionAndTheDeviceComesBack) {
    std::string id = test::UniqueId("RBT", 5);
    startDevice(id);
    session_ = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GE(session_, 0);
    send(0, 0x2700, std::string("GET reboot.cgi?") + kLogin);
    vantor::CmdHead h;
    std::string text;
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.cmd, 0x6027);
    EXPECT_EQ(text, "result=0;\r\n");
    char byte;
    EXPECT_FALSE(readExact(0, &byte, 1));  // the session is gone
    PPPP_ForceClose(session_);
    session_ = -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (session_ < 0 && std::chrono::steady_clock::now() < deadline) {
        session_ = PPPP_Connect(id.c_str(), 1, 0);
    }
    EXPECT_GE(session_, 0);
    EXPECT_EQ(device_->reboots(), 1u);
}

TEST_F(P2pSessionTest, BatteryDeviceTakesOnlyTheBatteryAttempts) {
    std::string id = test::UniqueId("BAT", 6);
    startDevice(id, true);
    int normal = PPPP_Connect(id.c_str(), 1, 0);
    EXPECT_LT(normal, 0);
    session_ = PPPP_Connect(id.c_str(), 31, 0);
    ASSERT_GE(session_, 0);
    send(0, 0x2701, std::string("GET get_status.cgi?") + kLogin);
    vantor::CmdHead h;
    std::string text;
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_NE(text.find("batcapacity=87;"), std::string::npos);
}

TEST_F(P2pSessionTest, FirmwareDataPacketsArePlainAndChecked) {
    std::string id = test::IdOfFamily(25, 7);
    startDevice(id);
    session_ = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GE(session_, 0);
    std::string image(20000, 'f');
    vantor::CmdHead h;
    std::string text;
    send(0, 0x2717,
         "GET "
         "p2p_upgrade_firmware.cgi?filename=fw.bin&filetype=1&filever=2.0.0&filesize=20000&"
         "filemd5=" +
             vantor::md5hex(image) + "&forceflag=0" + kLogin);
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.cmd, 0x60C0);
    EXPECT_EQ(text, "result= 0;\r\n");
    for (size_t off = 0; off < image.size(); off += 16384) {
        // Data packets travel plain whatever the session's form.
        std::string block = image.substr(off, 16384);
        vantor::CmdHead dh{vantor::kStartCodePlain, vantor::kCmdFileData,
                           static_cast<uint16_t>(block.size()), 0};
        std::string packet(reinterpret_cast<const char*>(&dh), sizeof dh);
        packet += block;
        ASSERT_GE(PPPP_Write(session_, 0, packet.data(), static_cast<int>(packet.size())), 0);
        ASSERT_TRUE(receive(&h, &text));
        EXPECT_EQ(h.cmd, 0x60C2);
        EXPECT_EQ(text, "result= 1;\r\n");
    }
    send(vantor::kStartCodeCiphered, 0x5003,
         std::string("GET p2p_transfer_firmware_end.cgi?") + kLogin);
    ASSERT_TRUE(receive(&h, &text));
    EXPECT_EQ(h.cmd, 0x60C3);
    EXPECT_EQ(text, "result= 2;\r\n");
}

}  // namespace
}  // namespace devsim
