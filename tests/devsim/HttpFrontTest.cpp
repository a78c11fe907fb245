// A device's HTTP front driven with plain sockets: exact key=value answers, chunked bodies,
// refusals, and the long-lived stream connections (live video that decodes, notices, talk,
// playback from an offset).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "DevsimTestSupport.h"
#include "MediaFrames.h"
#include "SimDevice.h"

namespace devsim {
namespace {

using test::Frame;

constexpr const char* kLogin = "&loginuse=admin&loginpas=pw&user=admin&pwd=pw& ";

class HttpFrontTest : public ::testing::Test {
  protected:
    void startDevice(bool chunked = false) {
        DeviceProfile p;
        p.id = test::UniqueId("HTTP", 1);
        p.name = "Shed";
        p.password = "pw";
        p.p2p = false;
        p.httpPort = 0;
        p.chunked = chunked;
        p.mainStream = {320, 240, 25};
        p.subStream = {160, 120, 5};
        p.recordings = 2;
        device_ = std::make_unique<SimDevice>(p, loops_);
        ASSERT_TRUE(device_->start());
        port_ = device_->httpPort();
        ASSERT_GT(port_, 0);
    }
    void TearDown() override {
        if (device_)
            device_->stop();
    }
    // Waits (bounded) until cond holds.
    template <typename F>
    bool eventually(F cond) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (cond())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    VideoLoopCache loops_;
    std::unique_ptr<SimDevice> device_;
    int port_ = 0;
};

TEST_F(HttpFrontTest, SetThenGetRoundTripWithExactText) {
    startDevice();
    std::string head, body;
    ASSERT_TRUE(test::SplitHttp(
        test::HttpGet(port_, std::string("GET set_alias.cgi?alias=Barn") + kLogin), &head, &body));
    EXPECT_NE(head.find("200 OK"), std::string::npos);
    EXPECT_EQ(body, "result=0;\r\n");
    ASSERT_TRUE(test::SplitHttp(test::HttpGet(port_, std::string("GET get_status.cgi?") + kLogin),
                                &head, &body));
    EXPECT_NE(head.find("Content-Length: " + std::to_string(body.size()) + "\r\n"),
              std::string::npos)
        << head;
    EXPECT_NE(body.find("\r\nalias=\"Barn\";\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find("deviceid=\"" + device_->profile().id + "\";"), std::string::npos);
}

TEST_F(HttpFrontTest, ChunkedAnswersCarryOneLinePerChunk) {
    startDevice(true);
    std::string head, body;
    ASSERT_TRUE(test::SplitHttp(test::HttpGet(port_, std::string("GET get_rtsp.cgi?") + kLogin),
                                &head, &body));
    EXPECT_NE(head.find("Transfer-Encoding: chunked"), std::string::npos);
    // Undo the chunking the way the client does: size line, then one data line.
    std::string joined;
    size_t pos = 0;
    for (;;) {
        size_t eol = body.find("\r\n", pos);
        ASSERT_NE(eol, std::string::npos);
        size_t n = std::stoul(body.substr(pos, eol - pos), nullptr, 16);
        pos = eol + 2;
        if (n == 0)
            break;
        size_t dataEnd = body.find("\r\n", pos);
        ASSERT_EQ(dataEnd - pos, n) << "chunk data spans lines";
        joined += body.substr(pos, n);
        pos = dataEnd + 2;
    }
    EXPECT_EQ(joined, "rtspenable=0;rtspport=554;rtspuser=\"admin\";rtsppwd=\"pw\";");
}

TEST_F(HttpFrontTest, WrongAccountIsRefused) {
    startDevice();
    std::string head, body;
    ASSERT_TRUE(test::SplitHttp(
        test::HttpGet(port_, "GET get_status.cgi?&loginuse=admin&loginpas=x&user=admin&pwd=x& "),
        &head, &body));
    EXPECT_NE(head.find("401"), std::string::npos);
    EXPECT_EQ(body.find("deviceid"), std::string::npos);
    int fd = test::ConnectLoopback(port_);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(test::SendAll(
        fd, "GET livestream.cgi?user=admin&pwd=x&streamid=10&substream=0&HTTP/1.1\r\n\r\n"));
    char c;
    // No frames: the refusal answer and then the close.
    std::string rest;
    while (::recv(fd, &c, 1, 0) == 1)
        rest += c;
    EXPECT_EQ(rest.find("\x55\xAA\x15\xA8"), std::string::npos);
    ::close(fd);
}

TEST_F(HttpFrontTest, LiveStreamFramesHaveValidHeadsAndDecode) {
    startDevice();
    int fd = test::ConnectLoopback(port_);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(test::SendAll(
        fd, "GET livestream.cgi?user=admin&pwd=pw&streamid=10&substream=0&HTTP/1.1\r\n\r\n"));
    std::vector<std::string> units;
    uint32_t lastSeq = 0;
    for (int i = 0; i < 25; ++i) {
        Frame f;
        ASSERT_TRUE(test::ReadFrame(fd, &f)) << i;
        EXPECT_EQ(f.head.magic, vantor::kMediaFrameMagic);
        ASSERT_TRUE(f.head.kind == vantor::kFrameVideoKey ||
                    f.head.kind == vantor::kFrameVideoInter);
        if (i == 0) {
            EXPECT_EQ(f.head.kind, vantor::kFrameVideoKey);
        } else {
            EXPECT_EQ(f.head.sequence, lastSeq + 1);
        }
        lastSeq = f.head.sequence;
        EXPECT_EQ(f.head.codec, vantor::kCodecH264);
        EXPECT_EQ(f.head.rateOrChannels, 25);
        EXPECT_EQ(f.head.widthOrSampleRate, 320);
        EXPECT_EQ(f.head.heightOrBits, 240);
        units.push_back(f.data);
    }
    int w = 0, h = 0;
    EXPECT_GE(test::DecodeH264(units, &w, &h), 24);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);

    // Alarms and state notices travel on the same connection as head-only frames.
    EXPECT_EQ(device_->raiseAlarm(1), 1);
    EXPECT_EQ(device_->pushStateNotice(201), 1);
    std::vector<int> notices;
    for (int i = 0; i < 40 && notices.size() < 2; ++i) {
        Frame f;
        ASSERT_TRUE(test::ReadFrame(fd, &f));
        if (f.head.kind >= 32) {
            notices.push_back(f.head.kind);
            EXPECT_EQ(f.head.dataLen, 0u);
        }
    }
    EXPECT_EQ(notices, (std::vector<int>{33, 201}));

    // Talk frames from the client on the live connection are counted.
    std::string block(MediaFrames::kTalkBlockBytes, '\x55');
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(
            test::SendAll(fd, MediaFrames::Build(vantor::kFrameTalk, {}, 0, block, 0, 0, 0, 0)));
    }
    EXPECT_TRUE(eventually([&] { return device_->talkBlocks() == 5; }));
    EXPECT_EQ(device_->talkBytes(), 5 * MediaFrames::kTalkBlockBytes);
    ::close(fd);
}

TEST_F(HttpFrontTest, AudioStreamCarriesALawBlocks) {
    startDevice();
    int fd = test::ConnectLoopback(port_);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(
        test::SendAll(fd, "GET audiostream.cgi?user=admin&pwd=pw&streamid=0& HTTP/1.1\r\n\r\n"));
    for (int i = 0; i < 3; ++i) {
        Frame f;
        ASSERT_TRUE(test::ReadFrame(fd, &f));
        EXPECT_EQ(f.head.kind, vantor::kFrameCameraAudio);
        EXPECT_EQ(f.head.codec, vantor::kCodecG711A);
        EXPECT_EQ(f.head.widthOrSampleRate, 8000);
        EXPECT_EQ(f.data, MediaFrames::ToneBlock());
    }
    ::close(fd);
}

TEST_F(HttpFrontTest, PlaybackFromAnOffsetEndsWithTheEndNotice) {
    startDevice();
    auto recs = device_->handler().recordings();
    ASSERT_FALSE(recs.empty());
    const Recording& r = recs.front();
    auto loop = device_->loop(0);
    int64_t loopBytes = 0;
    for (const auto& f : loop->frames())
        loopBytes += static_cast<int64_t>(f.data.size() + 32);
    ASSERT_EQ(r.sizeBytes % loopBytes, 0);
    int64_t loops = r.sizeBytes / loopBytes;
    int64_t offset = loopBytes * (loops - 2) + 100;  // inside the second-to-last loop
    int fd = test::ConnectLoopback(port_);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(test::SendAll(fd, "GET livestream.cgi?streamid=4&filename=" + r.name + "&offset=" +
                                      std::to_string(offset) + kLogin + "HTTP/1.1\r\n\r\n"));
    std::vector<std::string> units;
    Frame f;
    int64_t firstMs = -1;
    while (test::ReadFrame(fd, &f) && f.head.kind != vantor::kFramePlaybackEnd) {
        if (firstMs < 0) {
            EXPECT_EQ(f.head.kind, vantor::kFrameVideoKey);
            firstMs = int64_t(f.head.seconds) * 1000 + f.head.millis;
        }
        units.push_back(f.data);
    }
    EXPECT_EQ(f.head.kind, vantor::kFramePlaybackEnd);
    EXPECT_EQ(f.head.dataLen, 0u);
    EXPECT_EQ(units.size(), 2 * loop->frames().size());
    EXPECT_EQ(firstMs, (r.startSeconds + (loops - 2) * VideoLoop::kLoopSeconds) * 1000);
    int w = 0, h = 0;
    EXPECT_EQ(test::DecodeH264(units, &w, &h), static_cast<int>(units.size()));
    ::close(fd);
}

TEST_F(HttpFrontTest, FaultSwitchesShapeTheNextOutput) {
    startDevice();
    std::string head, body;
    device_->faults().arm(DeviceFaults::Malformed::kGarbage);
    ASSERT_TRUE(test::SplitHttp(test::HttpGet(port_, std::string("GET get_rtsp.cgi?") + kLogin),
                                &head, &body));
    EXPECT_FALSE(body.empty());
    EXPECT_EQ(body.find('='), std::string::npos);  // nothing a key search could find
    // One-shot: the next answer is sound again.
    ASSERT_TRUE(test::SplitHttp(test::HttpGet(port_, std::string("GET get_rtsp.cgi?") + kLogin),
                                &head, &body));
    EXPECT_NE(body.find("rtspport=554;"), std::string::npos);

    int fd = test::ConnectLoopback(port_);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(test::SendAll(
        fd, "GET livestream.cgi?user=admin&pwd=pw&streamid=10&substream=0&HTTP/1.1\r\n\r\n"));
    Frame f;
    ASSERT_TRUE(test::ReadFrame(fd, &f));
    device_->faults().arm(DeviceFaults::Malformed::kBadMagic);
    bool sawBadMagic = false;
    for (int i = 0; i < 10 && !sawBadMagic; ++i) {
        ASSERT_TRUE(test::ReadFrame(fd, &f));
        sawBadMagic = f.head.magic != vantor::kMediaFrameMagic;
    }
    EXPECT_TRUE(sawBadMagic);
    // A stalled channel sends nothing; afterwards the stream resumes at a key frame.
    // Frames already on their way arrive first; the gap in the time stamps shows the stall.
    device_->faults().stall(1, 300);
    int64_t lastMs = int64_t(f.head.seconds) * 1000 + f.head.millis;
    bool resumed = false;
    for (int i = 0; i < 100 && !resumed; ++i) {
        ASSERT_TRUE(test::ReadFrame(fd, &f));
        int64_t ms = int64_t(f.head.seconds) * 1000 + f.head.millis;
        if (ms - lastMs >= 250) {
            resumed = true;
            EXPECT_EQ(f.head.kind, vantor::kFrameVideoKey);
        }
        lastMs = ms;
    }
    EXPECT_TRUE(resumed);
    ::close(fd);
}

}  // namespace
}  // namespace devsim
