// LAN search: the searcher against a scripted responder (reply heads and lengths) and, through
// the library's exports, against the device simulator's responder. Broadcasts go to
// 127.255.255.255 only (VANTOR_BROADCAST_ADDR).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LanSearcher.h"

namespace {

// Whatever the runner sets: searches in this binary never leave loopback.
const bool kLoopbackBroadcast = setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 1) == 0;

struct Found {
    std::mutex mu;
    std::condition_variable cv;
    std::vector<std::string> ids;  // text at offset 88
    static void On(const char* payload, void* user) {
        auto* f = static_cast<Found*>(user);
        {
            std::lock_guard<std::mutex> g(f->mu);
            f->ids.emplace_back(payload + 88);
        }
        f->cv.notify_all();
    }
    bool waitCount(size_t n, int timeout_ms = 10000) {
        std::unique_lock<std::mutex> g(mu);
        return cv.wait_for(g, std::chrono::milliseconds(timeout_ms),
                           [&] { return ids.size() >= n; });
    }
};

std::vector<uint8_t> Reply(uint16_t code, size_t payloadBytes, const char* id) {
    std::vector<uint8_t> d(4 + payloadBytes, 0);
    d[0] = 0x44;
    d[1] = 0x48;
    d[2] = code & 0xFF;
    d[3] = code >> 8;
    if (payloadBytes > 88 + strlen(id))
        memcpy(d.data() + 4 + 88, id, strlen(id));
    return d;
}

TEST(LanSearch, OnlyWholeRepliesWithTheReplyHeadReachTheCallback) {
    ASSERT_TRUE(kLoopbackBroadcast);
    ASSERT_STREQ(getenv("VANTOR_BROADCAST_ADDR"), "127.255.255.255");
    int dev = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(dev, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    ASSERT_EQ(bind(dev, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    socklen_t al = sizeof(a);
    ASSERT_EQ(getsockname(dev, reinterpret_cast<sockaddr*>(&a), &al), 0);

    Found found;
    {
        vantor::LanSearcher s(ntohs(a.sin_port));
        ASSERT_EQ(s.Open(), 1);
        EXPECT_GE(s.localPort(), vantor::kSearchPortFloor);
        ASSERT_EQ(s.Search(&Found::On, &found), 4);

        uint8_t req[64];
        sockaddr_in from{};
        socklen_t fl = sizeof(from);
        pollfd p = {dev, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
        ASSERT_EQ(recvfrom(dev, req, sizeof(req), 0, reinterpret_cast<sockaddr*>(&from), &fl), 4);
        EXPECT_EQ(memcmp(req, "\x44\x48\x01\x01", 4), 0);
        EXPECT_EQ(ntohs(from.sin_port), s.localPort());
        from.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

        // Loopback keeps the order: the last reply arrives after the ones to be dropped.
        const std::vector<std::vector<uint8_t>> replies = {
            Reply(0x0802, 320, "WRONGCODE"),  // another head
            Reply(0x0801, 306, "TOOSHORT"),   // kind byte missing
            {},                               // empty datagram
            Reply(0x0801, 307, "GOOD"),
        };
        for (const auto& r : replies) {
            ASSERT_GE(sendto(dev, r.data(), r.size(), 0, reinterpret_cast<sockaddr*>(&from),
                             sizeof(from)),
                      0);
        }
        ASSERT_TRUE(found.waitCount(1));
        // A reply filling the whole datagram still reads as a terminated text.
        std::vector<uint8_t> full(1400, 'A');
        memcpy(full.data(), Reply(0x0801, 307, "").data(), 4);
        ASSERT_GE(sendto(dev, full.data(), full.size(), 0, reinterpret_cast<sockaddr*>(&from),
                         sizeof(from)),
                  0);
        ASSERT_TRUE(found.waitCount(2));
    }
    close(dev);
    std::lock_guard<std::mutex> g(found.mu);
    ASSERT_EQ(found.ids.size(), 2u);
    EXPECT_EQ(found.ids[0], "GOOD");
    EXPECT_EQ(found.ids[1], std::string(1400 - 4 - 88, 'A'));
}

TEST(LanSearch, ExportsFindEverySimulatedDevice) {
    ASSERT_TRUE(kLoopbackBroadcast);
    EXPECT_EQ(device_broadcast_search(&Found::On, nullptr), 0);  // before initialisation
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        std::string prefix = "VL" + std::to_string(1000 + getpid() % 9000);
        execl(DEVSIM_PATH, "devsim", "--count", "3", "--id-prefix", prefix.c_str(),
              "--lan-search-port", "-1", "--no-stdin", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* f = fdopen(out[0], "r");
    char line[512];
    int port = 0;
    std::set<std::string> expected;
    bool ready = false;
    while (!ready && fgets(line, sizeof(line), f) != nullptr) {
        std::string l(line);
        ready = l.rfind("ready", 0) == 0;
        if (l.rfind("lan-search udp ", 0) == 0)
            port = atoi(l.c_str() + 15);
        else if (!ready && l.find(" p2p=") != std::string::npos)
            expected.insert(l.substr(0, l.find(' ')));
    }
    ASSERT_TRUE(ready);
    ASSERT_GT(port, 0);
    ASSERT_EQ(expected.size(), 3u);

    Found found;
    ASSERT_EQ(device_broadcast_InitializationEx(port), 1);
    EXPECT_EQ(device_broadcast_InitializationEx(port + 1), 1);  // keeps the first object
    ASSERT_EQ(device_broadcast_search(&Found::On, &found), 4);
    EXPECT_TRUE(found.waitCount(3));
    EXPECT_EQ(device_broadcast_unInitialization(), 1);
    EXPECT_EQ(device_broadcast_search(&Found::On, &found), 0);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    fclose(f);
    std::lock_guard<std::mutex> g(found.mu);
    std::set<std::string> got(found.ids.begin(), found.ids.end());
    EXPECT_EQ(got, expected);
}

}  // namespace
