// A device facing a client that does not follow the protocol: it refuses what it must and
// ends only that session, whatever the bytes.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "pppp_wire.h"

using namespace vantor::pppp;

namespace {

class PpppHostilePeer : public ::testing::Test {
  protected:
    void SetUp() override {
        pppptest::useLoopbackEnvironment();
        id_ = pppptest::uniqueId("HOSTILE");
        device_ = PPPP_Device_Start(id_.c_str(), nullptr);
        ASSERT_GT(device_, 0);
    }
    void TearDown() override { PPPP_Device_Stop(device_); }

    // A raw TCP connection to the device's session port.
    int dial() {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(PPPP_Device_Port(device_)));
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        return fd;
    }

    static std::vector<uint8_t> hello(const char* id, uint16_t version) {
        Hello h;
        h.lanSearch = 1;
        h.windowBytes = kMinWindowBytes;
        std::strncpy(h.deviceId, id, kDeviceIdMaxChars);
        std::vector<uint8_t> out(kHelloBytes);
        encodeHello(h, out.data());
        out[4] = static_cast<uint8_t>(version);
        return out;
    }

    // Reads the hello-ack; returns its status, or -1 when the device just closed.
    static int ackStatus(int fd) {
        uint8_t buf[kHelloAckBytes];
        size_t have = 0;
        while (have < sizeof buf) {
            struct pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, 5000) != 1)
                return -2;
            ssize_t n = recv(fd, buf + have, sizeof buf - have, 0);
            if (n <= 0)
                return -1;
            have += static_cast<size_t>(n);
        }
        return buf[6] | (buf[7] << 8);
    }

    // Waits until the session's reads fail with something other than a time-out.
    static int waitForEnd(int session) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int r = ERROR_PPPP_TIME_OUT;
        while (r == ERROR_PPPP_TIME_OUT && std::chrono::steady_clock::now() < deadline) {
            char c;
            int size = 1;
            r = PPPP_Read(session, 0, &c, &size, 100);
        }
        return r;
    }

    std::string id_;
    int device_ = -1;
};

TEST_F(PpppHostilePeer, HandshakeRefusals) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int status;  // expected ack status, -1 = closed without an answer
    } cases[] = {
        {"other device ID", hello("SOMEONE-ELSE", kWireVersion), kHelloUnknownId},
        {"future version", hello(id_.c_str(), kWireVersion + 1), kHelloBadVersion},
        {"garbage", std::vector<uint8_t>(kHelloBytes, 0x5A), -1},
    };
    for (const Case& c : cases) {
        int fd = dial();
        ASSERT_EQ(send(fd, c.bytes.data(), c.bytes.size(), 0), ssize_t(c.bytes.size()));
        EXPECT_EQ(ackStatus(fd), c.status) << c.what;
        close(fd);
    }
    // None of them produced a session.
    EXPECT_EQ(PPPP_Device_Accept(device_, 0, nullptr), ERROR_PPPP_TIME_OUT);
}

TEST_F(PpppHostilePeer, ProtocolViolationsEndOnlyThatSession) {
    uint8_t creditBeyondWindow[kFrameHeadBytes + 4] = {};
    encodeFrameHead(FrameHead{kFrameCredit, 2, 4}, creditBeyondWindow);
    creditBeyondWindow[kFrameHeadBytes] = 1;  // the sender already has the whole window
    uint8_t channel9[kFrameHeadBytes] = {kFrameData, 9, 0, 0, 1, 0, 0, 0};
    uint8_t hugeFrame[kFrameHeadBytes] = {kFrameData, 0, 0, 0, 0, 0, 0, 0x40};
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"credit beyond the window",
         {creditBeyondWindow, creditBeyondWindow + sizeof creditBeyondWindow}},
        {"channel 9", {channel9, channel9 + sizeof channel9}},
        {"1 GiB frame", {hugeFrame, hugeFrame + sizeof hugeFrame}},
    };
    for (const Case& c : cases) {
        int fd = dial();
        auto h = hello(id_.c_str(), kWireVersion);
        ASSERT_EQ(send(fd, h.data(), h.size(), 0), ssize_t(h.size()));
        ASSERT_EQ(ackStatus(fd), kHelloAccepted) << c.what;
        int session = PPPP_Device_Accept(device_, 5000, nullptr);
        ASSERT_GT(session, 0) << c.what;
        ASSERT_EQ(send(fd, c.bytes.data(), c.bytes.size(), 0), ssize_t(c.bytes.size()));
        EXPECT_EQ(waitForEnd(session), ERROR_PPPP_SESSION_CLOSED_REMOTE) << c.what;
        EXPECT_EQ(PPPP_ForceClose(session), 0);
        close(fd);
    }
    // The device itself is unharmed.
    ASSERT_EQ(PPPP_Initialize(""), 0);
    int s = PPPP_Connect(id_.c_str(), 1, 0);
    EXPECT_GT(s, 0);
    int accepted = PPPP_Device_Accept(device_, 5000, nullptr);
    EXPECT_GT(accepted, 0);
    PPPP_ForceClose(s);
    PPPP_ForceClose(accepted);
    PPPP_DeInitialize();
}

}  // namespace
