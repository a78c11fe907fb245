// Channels of one session: isolation under flow control, buffer counts, partial reads, and
// data that outlives a remote close.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace {

constexpr int kWindowBytes = 2 * 1024 * 1024;  // the transport's receive window per channel
constexpr int kSendCapBytes = PPPP_SEND_BUFFER_CAP_BYTES;

// One device and one connected client session, with both handles.
class PpppChannels : public ::testing::Test {
  protected:
    void SetUp() override {
        pppptest::useLoopbackEnvironment();
        PPPP_DeInitialize();
        ASSERT_EQ(PPPP_Initialize(""), 0);
        std::string id = pppptest::uniqueId("CHAN");
        device_ = PPPP_Device_Start(id.c_str(), nullptr);
        ASSERT_GT(device_, 0);
        client_ = PPPP_Connect(id.c_str(), 1, 0);
        ASSERT_GT(client_, 0);
        PPPP_AcceptInfo info{};
        server_ = PPPP_Device_Accept(device_, 5000, &info);
        ASSERT_GT(server_, 0);
        EXPECT_EQ(info.lanSearch, 1);
    }
    void TearDown() override {
        PPPP_ForceClose(client_);
        PPPP_ForceClose(server_);
        PPPP_Device_Stop(device_);
        PPPP_DeInitialize();
    }

    // Polls a buffer count until it matches or the deadline passes; returns the last value.
    static uint32_t waitCount(int session, uint8_t channel, bool unsent, uint32_t want) {
        uint32_t v = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        do {
            uint32_t u = 0, r = 0;
            if (PPPP_Check_Buffer(session, channel, &u, &r) != 0)
                return UINT32_MAX;
            v = unsent ? u : r;
            if (v == want)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (std::chrono::steady_clock::now() < deadline);
        return v;
    }

    static char pattern(size_t i) { return static_cast<char>((i * 7) % 251); }

    int device_ = -1, client_ = -1, server_ = -1;
};

TEST_F(PpppChannels, StalledChannelNeverBlocksCommands) {
    constexpr size_t kTotal = 10 * 1024 * 1024;
    constexpr int kPiece = 64 * 1024;
    std::vector<char> piece(kPiece);
    // Nobody reads channel 1: the device's writes fill its buffer up to the cap, then are
    // refused whole.
    size_t accepted = 0;
    while (accepted < kTotal) {
        for (int i = 0; i < kPiece; ++i)
            piece[i] = pattern(accepted + i);
        int r = PPPP_Write(server_, 1, piece.data(), kPiece);
        if (r == ERROR_PPPP_REMOTE_SITE_BUFFER_FULL)
            break;
        ASSERT_EQ(r, kPiece);
        accepted += kPiece;
    }
    EXPECT_GE(accepted, static_cast<size_t>(kSendCapBytes - kPiece));
    EXPECT_LT(accepted, kTotal);

    // Commands still flow both ways.
    for (int round = 0; round < 3; ++round) {
        std::string cmd = "get_params.cgi?round=" + std::to_string(round);
        ASSERT_EQ(PPPP_Write(client_, 0, cmd.data(), int(cmd.size())), int(cmd.size()));
        std::string got(cmd.size(), '\0');
        int size = int(got.size());
        ASSERT_EQ(PPPP_Read(server_, 0, got.data(), &size, 5000), 0);
        ASSERT_EQ(got, cmd);
        ASSERT_EQ(PPPP_Write(server_, 0, cmd.data(), int(cmd.size())), int(cmd.size()));
        size = int(got.size());
        ASSERT_EQ(PPPP_Read(client_, 0, got.data(), &size, 5000), 0);
    }
    // The reader holds at most its window; the rest waits unsent at the device.
    EXPECT_EQ(waitCount(client_, 1, false, kWindowBytes), uint32_t(kWindowBytes));
    EXPECT_EQ(waitCount(server_, 1, true, uint32_t(accepted - kWindowBytes)),
              uint32_t(accepted - kWindowBytes));

    // Now read everything while the device writes the rest, pacing by its unsent count.
    auto writer = std::async(std::launch::async, [&] {
        size_t sent = accepted;
        std::vector<char> p(kPiece);
        while (sent < kTotal) {
            uint32_t unsent = 0;
            if (PPPP_Check_Buffer(server_, 1, &unsent, nullptr) != 0)
                return false;
            if (unsent > kSendCapBytes - kPiece) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            for (int i = 0; i < kPiece; ++i)
                p[i] = pattern(sent + i);
            if (PPPP_Write(server_, 1, p.data(), kPiece) != kPiece)
                return false;
            sent += kPiece;
        }
        return true;
    });
    std::vector<char> in(100000);
    size_t got = 0;
    bool intact = true;
    while (got < kTotal) {
        int size = static_cast<int>(std::min(in.size(), kTotal - got));
        int r = PPPP_Read(client_, 1, in.data(), &size, 5000);
        ASSERT_TRUE(r == 0 || r == ERROR_PPPP_TIME_OUT) << r;
        ASSERT_GT(size, 0) << "stalled at " << got;
        for (int i = 0; i < size && intact; ++i)
            intact = in[i] == pattern(got + i);
        got += size;
    }
    EXPECT_TRUE(writer.get());
    EXPECT_TRUE(intact);
    EXPECT_EQ(waitCount(client_, 1, false, 0), 0u);
}

TEST_F(PpppChannels, OneReadLargerThanTheWindow) {
    const int total = 3 * kWindowBytes + 12345;
    auto writer = std::async(std::launch::async, [&] {
        std::vector<char> p(64 * 1024);
        for (int sent = 0; sent < total;) {
            int n = std::min<int>(int(p.size()), total - sent);
            for (int i = 0; i < n; ++i)
                p[i] = pattern(size_t(sent + i));
            int r = PPPP_Write(server_, 4, p.data(), n);
            if (r == ERROR_PPPP_REMOTE_SITE_BUFFER_FULL) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (r != n)
                return false;
            sent += n;
        }
        return true;
    });
    std::vector<char> in(total);
    int size = total;
    ASSERT_EQ(PPPP_Read(client_, 4, in.data(), &size, 20000), 0);
    EXPECT_EQ(size, total);
    EXPECT_TRUE(writer.get());
    int firstBad = -1;
    for (int i = 0; i < total && firstBad < 0; ++i)
        if (in[i] != pattern(size_t(i)))
            firstBad = i;
    EXPECT_EQ(firstBad, -1);
}

TEST_F(PpppChannels, BufferCountsAndPartialReads) {
    std::string data(1000, 'a');
    ASSERT_EQ(PPPP_Write(client_, 2, data.data(), 1000), 1000);
    EXPECT_EQ(waitCount(client_, 2, true, 0), 0u);
    EXPECT_EQ(waitCount(server_, 2, false, 1000), 1000u);
    uint32_t unsent = 7, unread = 7;
    ASSERT_EQ(PPPP_Check_Buffer(server_, 3, &unsent, &unread), 0);  // other channels untouched
    EXPECT_EQ(unsent, 0u);
    EXPECT_EQ(unread, 0u);
    EXPECT_EQ(PPPP_Check_Buffer(server_, 6, &unsent, &unread), ERROR_PPPP_INVALID_PARAMETER);

    char buf[2000];
    int size = 400;
    ASSERT_EQ(PPPP_Read(server_, 2, buf, &size, 0), 0);
    EXPECT_EQ(size, 400);
    EXPECT_EQ(waitCount(server_, 2, false, 600), 600u);
    // More asked than there is: the bytes that came, and a time-out.
    size = 2000;
    EXPECT_EQ(PPPP_Read(server_, 2, buf, &size, 100), ERROR_PPPP_TIME_OUT);
    EXPECT_EQ(size, 600);
    size = 10;
    EXPECT_EQ(PPPP_Read(server_, 2, buf, &size, 0), ERROR_PPPP_TIME_OUT);
    EXPECT_EQ(size, 0);

    struct Bad {
        const char* what;
        int session;
        uint8_t channel;
        char* data;
        int size;
    } bad[] = {
        {"channel 6", server_, 6, buf, 10},
        {"null buffer", server_, 0, nullptr, 10},
        {"zero size", server_, 0, buf, 0},
        {"negative size", server_, 0, buf, -5},
    };
    for (const Bad& b : bad) {
        int n = b.size;
        EXPECT_EQ(PPPP_Read(b.session, b.channel, b.data, &n, 0), ERROR_PPPP_INVALID_PARAMETER)
            << b.what;
        if (b.size != 0) {
            EXPECT_EQ(PPPP_Write(b.session, b.channel, b.data, b.size),
                      ERROR_PPPP_INVALID_PARAMETER)
                << b.what;
        }
    }
    EXPECT_EQ(PPPP_Read(server_, 0, buf, nullptr, 0), ERROR_PPPP_INVALID_PARAMETER);
    std::vector<char> huge(kSendCapBytes + 1);
    EXPECT_EQ(PPPP_Write(server_, 1, huge.data(), int(huge.size())), ERROR_PPPP_INVALID_PARAMETER);
}

TEST_F(PpppChannels, RemoteCloseLeavesArrivedDataReadable) {
    ASSERT_EQ(PPPP_Write(server_, 5, "last words", 10), 10);
    ASSERT_EQ(PPPP_Close(server_), 0);  // orderly: the queued bytes go out first
    char buf[32] = {};
    int size = 10;
    ASSERT_EQ(PPPP_Read(client_, 5, buf, &size, 5000), 0);
    EXPECT_EQ(std::string(buf, 10), "last words");
    size = 10;
    EXPECT_EQ(PPPP_Read(client_, 5, buf, &size, 5000), ERROR_PPPP_SESSION_CLOSED_REMOTE);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(PPPP_Check(client_, nullptr), ERROR_PPPP_SESSION_CLOSED_REMOTE);
    EXPECT_EQ(PPPP_Write(client_, 0, buf, 1), ERROR_PPPP_SESSION_CLOSED_REMOTE);
    uint32_t unsent = 0;
    EXPECT_EQ(PPPP_Check_Buffer(client_, 0, &unsent, nullptr), ERROR_PPPP_SESSION_CLOSED_REMOTE);
    // The caller's own close still succeeds once.
    EXPECT_EQ(PPPP_ForceClose(client_), 0);
    EXPECT_EQ(PPPP_ForceClose(client_), ERROR_PPPP_SESSION_CLOSED_CALLED);
}

}  // namespace
