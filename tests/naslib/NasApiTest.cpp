// The exported interface: registry results and refusals, through the shared library only.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "morsk.h"

namespace {

DeviceConnectInfo Tcp(int port) {
    DeviceConnectInfo info{};
    std::strcpy(info.user, "admin");
    std::strcpy(info.password, "123");
    std::strcpy(info.host, "127.0.0.1");
    info.port = port;
    return info;
}

}  // namespace

TEST(MorskApi, RegistryResults) {
    ASSERT_EQ(nas_net_work_createInstance(Tcp(1), MORSK_KIND_TCP), MORSK_ERR_NOT_INIT);
    ASSERT_EQ(nas_net_work_init(nullptr), 1);
    EXPECT_EQ(nas_net_work_GetAPIVersion(), 0x01000100);
    EXPECT_EQ(nas_net_work_createInstance(Tcp(1), 2), MORSK_ERR_BAD_KIND);
    EXPECT_EQ(nas_net_work_createInstance(Tcp(1), -1), MORSK_ERR_BAD_KIND);

    for (int i = 0; i < MORSK_MAX_INSTANCES; ++i)
        ASSERT_EQ(nas_net_work_createInstance(Tcp(1), MORSK_KIND_TCP), i);
    EXPECT_EQ(nas_net_work_createInstance(Tcp(1), MORSK_KIND_TCP), MORSK_ERR_FULL);
    EXPECT_EQ(nas_net_work_destroyInstance(100), 1);
    EXPECT_EQ(nas_net_work_destroyInstance(100), 0);
    EXPECT_EQ(nas_net_work_createInstance(Tcp(1), MORSK_KIND_TCP), 100);  // lowest empty slot
    ASSERT_EQ(nas_net_work_deInit(), 1);
    EXPECT_EQ(nas_net_work_createInstance(Tcp(1), MORSK_KIND_TCP), MORSK_ERR_NOT_INIT);
}

TEST(MorskApi, BadInstancesAndRefusals) {
    ASSERT_EQ(nas_net_work_init(""), 1);
    int id = nas_net_work_createInstance(Tcp(1), MORSK_KIND_TCP);
    ASSERT_EQ(id, 0);
    NasRecordSearch rs{};
    NasPlayback pb{};
    char talk[256] = {};
    for (int bad : {-1, 1, 511, 512, 100000}) {
        EXPECT_EQ(nas_net_work_start(bad), -3) << bad;
        EXPECT_EQ(nas_net_work_stop(bad), -3);
        EXPECT_EQ(nas_net_work_set_event_callback(bad, nullptr, nullptr), -3);
        EXPECT_EQ(nas_net_work_set_p2pmode_callback(bad, nullptr, nullptr), -3);
        EXPECT_EQ(nas_net_work_set_alarmMessage_callback(bad, nullptr, nullptr), -3);
        EXPECT_EQ(nas_net_work_param_callback(bad, nullptr, nullptr, nullptr), -3);
        EXPECT_EQ(nas_net_work_set_param(bad, 0x2101, nullptr, 0), -3);
        EXPECT_EQ(nas_net_work_device_GetParamEx(bad, 0x2101, nullptr, 0), -3);
        EXPECT_EQ(nas_net_work_get_param(bad, 0x2101), -3);
        EXPECT_EQ(nas_net_work_ptz(bad, 0, 0), -3);
        EXPECT_EQ(nas_net_work_startStream(bad, 0, 0, nullptr, nullptr), -3);
        EXPECT_EQ(nas_net_work_stopStream(bad, 0), -3);
        EXPECT_EQ(nas_net_work_startAudio(bad, 0, 0, nullptr, nullptr), -3);
        EXPECT_EQ(nas_net_work_stopAudio(bad, 0), -3);
        EXPECT_EQ(nas_net_work_startTalk(bad), -3);
        EXPECT_EQ(nas_net_work_stopTalk(bad), -3);
        EXPECT_EQ(nas_net_work_sendTalkData(bad, 0, talk, 256), -3);
        EXPECT_EQ(nas_record_file_callback(bad, nullptr, nullptr), -3);
        EXPECT_EQ(nas_record_file_search(bad, &rs), -3);
        EXPECT_EQ(nas_record_data_callback(bad, nullptr, nullptr), -3);
        EXPECT_EQ(nas_record_playback_control(bad, &pb), -3);
        EXPECT_EQ(nas_net_work_destroyInstance(bad), bad == 1 || bad == 511 ? 0 : -3);
    }
    EXPECT_EQ(nas_net_work_startTalk(id), 0);
    EXPECT_EQ(nas_net_work_stopTalk(id), 0);
    // Not started: nothing is queued for later.
    EXPECT_EQ(nas_net_work_get_param(id, 0x2101), 0);
    EXPECT_EQ(nas_net_work_ptz(id, 0, 1), 0);
    EXPECT_EQ(nas_net_work_ptz(id, 8, 1), 1);  // not a PTZ command: nothing, 1
    EXPECT_EQ(nas_net_work_set_channel_param(), 0);
    EXPECT_EQ(nas_net_work_get_channel_param(), 0);
    EXPECT_EQ(nas_net_work_channel_param_callback(), 0);
    EXPECT_EQ(nas_net_work_destroyInstance(id), 1);
    EXPECT_EQ(nas_net_work_deInit(), 1);
}

namespace {

struct Replies {
    std::mutex mu;
    std::condition_variable cv;
    std::vector<std::string> payloads;
};

void OnReply(const char* payload, void* user) {
    auto* r = static_cast<Replies*>(user);
    std::lock_guard<std::mutex> g(r->mu);
    r->payloads.emplace_back(payload);
    r->cv.notify_all();
}

}  // namespace

TEST(MorskApi, BroadcastSearchOnLoopback) {
    // Never a real interface, also when the binary runs outside ctest.
    setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 1);
    // A recorder answering the search on 127.0.0.1: one reply of another kind, one match.
    int dev = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(dev, 0);
    int on = 1;
    setsockopt(dev, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(dev, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(MORSK_SEARCH_PORT);
    if (bind(dev, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(dev);
        GTEST_SKIP() << "search port busy";
    }
    EXPECT_EQ(nas_broadcast_search(nullptr, nullptr), 0);
    ASSERT_EQ(nas_broadcast_Initialization(), 1);
    EXPECT_EQ(nas_broadcast_Initialization(), 1);
    Replies replies;
    EXPECT_EQ(nas_broadcast_search(&OnReply, &replies), 4);

    pollfd p{dev, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    uint8_t req[16];
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    ASSERT_EQ(recvfrom(dev, req, sizeof req, 0, reinterpret_cast<sockaddr*>(&from), &fromLen), 4);
    EXPECT_EQ(std::memcmp(req, "\x44\x48\x01\x01", 4), 0);
    EXPECT_GE(ntohs(from.sin_port), 1000);
    from.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string other = std::string("\x44\x48\x02\x08", 4) + "other";
    std::string match = std::string("\x44\x48\x01\x08", 4) + "NAS-1";
    for (const std::string& d : {other, match})
        sendto(dev, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
    {
        std::unique_lock<std::mutex> g(replies.mu);
        ASSERT_TRUE(replies.cv.wait_for(g, std::chrono::seconds(5),
                                        [&] { return !replies.payloads.empty(); }));
        EXPECT_EQ(replies.payloads, std::vector<std::string>{"NAS-1"});
    }
    EXPECT_EQ(nas_broadcast_unInitialization(), 1);
    EXPECT_EQ(nas_broadcast_search(nullptr, nullptr), 0);
    close(dev);
}
