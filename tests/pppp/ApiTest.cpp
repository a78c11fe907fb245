// The client face against devices started in the same process: results the callers rely on.
#include <gtest/gtest.h>

#include <netinet/in.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "TestSupport.h"

namespace {

using pppptest::EchoDevice;
using pppptest::uniqueId;

class PpppApi : public ::testing::Test {
  protected:
    void SetUp() override {
        pppptest::useLoopbackEnvironment();
        PPPP_DeInitialize();
        ASSERT_EQ(PPPP_Initialize(""), ERROR_PPPP_SUCCESSFUL);
    }
    void TearDown() override { PPPP_DeInitialize(); }

    // Sends text on channel 0 and expects it back.
    static void expectEcho(int session, const std::string& text) {
        ASSERT_EQ(PPPP_Write(session, 0, text.data(), static_cast<int>(text.size())),
                  static_cast<int>(text.size()));
        std::string back(text.size(), '\0');
        int size = static_cast<int>(back.size());
        ASSERT_EQ(PPPP_Read(session, 0, back.data(), &size, 5000), 0);
        EXPECT_EQ(back, text);
    }
};

TEST_F(PpppApi, InitialisationStates) {
    ASSERT_EQ(PPPP_DeInitialize(), ERROR_PPPP_SUCCESSFUL);
    EXPECT_EQ(PPPP_DeInitialize(), ERROR_PPPP_NOT_INITIALIZED);
    EXPECT_EQ(PPPP_Connect("ABC-000001-XYZ", 1, 0), ERROR_PPPP_NOT_INITIALIZED);
    EXPECT_EQ(PPPP_ConnectByServer("ABC-000001-XYZ", 1, 0, "AA"), ERROR_PPPP_NOT_INITIALIZED);
    EXPECT_EQ(PPPP_Connect_Break(), ERROR_PPPP_NOT_INITIALIZED);
    st_PPPP_NetInfo net;
    EXPECT_EQ(PPPP_NetworkDetect(&net, 0), ERROR_PPPP_NOT_INITIALIZED);

    // A malformed server list is reported, but LAN sessions still work afterwards.
    EXPECT_EQ(PPPP_Initialize("AB,"), ERROR_PPPP_INVALID_PARAMETER);
    EXPECT_EQ(PPPP_Initialize(""), ERROR_PPPP_ALREADY_INITIALIZED);
    std::string id = uniqueId("INIT");
    EchoDevice device(id);
    int s = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GT(s, 0);
    EXPECT_EQ(PPPP_NetworkDetect(&net, 0), ERROR_PPPP_SUCCESSFUL);
    EXPECT_EQ(net.internetReachable, 0);
    // De-initialising closes the library's sessions.
    ASSERT_EQ(PPPP_DeInitialize(), ERROR_PPPP_SUCCESSFUL);
    EXPECT_EQ(PPPP_Check(s, nullptr), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_ForceClose(s), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_GetAPIVersion() >> 24, 1u);
}

TEST_F(PpppApi, InvalidIdsAndServerStrings) {
    const std::string servers = pppptest::encodeServers({"127.0.0.1:9", "localhost:10"});
    struct Case {
        const char* id;
        int expected;
    } cases[] = {
        {nullptr, ERROR_PPPP_INVALID_ID},
        {"", ERROR_PPPP_INVALID_ID},
        {"AB", ERROR_PPPP_INVALID_ID},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", ERROR_PPPP_INVALID_ID},
        {"-BCDEF", ERROR_PPPP_INVALID_PREFIX},
        {"ABC 123", ERROR_PPPP_ID_OUT_OF_DATE},
        {"ABC/123", ERROR_PPPP_ID_OUT_OF_DATE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PPPP_Connect(c.id, 1, 0), c.expected) << (c.id ? c.id : "null");
        EXPECT_EQ(PPPP_ConnectByServer(c.id, 1, 0, servers.c_str()), c.expected);
        EXPECT_EQ(PPPP_Device_Start(c.id, nullptr), c.expected);
    }
    EXPECT_EQ(PPPP_ConnectByServer("ABC-123", 1, 0, "ABC"), ERROR_PPPP_INVALID_PARAMETER);
    EXPECT_EQ(PPPP_ConnectByServer("ABC-123", 1, 0, nullptr), ERROR_PPPP_INVALID_PARAMETER);
}

TEST_F(PpppApi, ConnectsByIdAndEchoes) {
    std::string id = uniqueId("ECHO");
    EchoDevice device(id);
    ASSERT_GT(device.handle(), 0);
    // An unknown family prefix is fine, and the server list is only validated.
    std::string servers = pppptest::encodeServers({"192.0.2.1:32100"});
    int s = PPPP_ConnectByServer(id.c_str(), 1, 0, servers.c_str());
    ASSERT_GT(s, 0);
    st_PPPP_Session info;
    std::memset(&info, 0xEE, sizeof info);
    ASSERT_EQ(PPPP_Check(s, &info), 0);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&info)[81], 0);  // direct
    EXPECT_EQ(std::string(info.deviceId), id.substr(0, 24));
    sockaddr_in remote;
    std::memcpy(&remote, info.remoteAddr, sizeof remote);
    EXPECT_EQ(ntohs(remote.sin_port), PPPP_Device_Port(device.handle()));
    expectEcho(s, "get_status.cgi?");
    expectEcho(s, std::string(100000, 'x'));

    // Lower-case IDs reach the same device; a new session gets a new handle.
    std::string lower = id;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    int s2 = PPPP_Connect(lower.c_str(), 1, 0);
    ASSERT_GT(s2, 0);
    EXPECT_NE(s2, s);
    expectEcho(s2, "second");
    EXPECT_EQ(PPPP_Close(s), 0);
    EXPECT_EQ(PPPP_Close(s), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_ForceClose(s2), 0);
    int s3 = PPPP_Connect(id.c_str(), 1, 0);
    EXPECT_NE(s3, s);  // closed handles are not handed out again at once
    EXPECT_NE(s3, s2);
    PPPP_ForceClose(s3);
}

TEST_F(PpppApi, EachDeviceAnswersForItsOwnId) {
    // Several devices share the discovery port in one process (and with other test processes).
    std::string ids[3] = {uniqueId("MULTI"), uniqueId("MULTI"), uniqueId("MULTI")};
    int devices[3];
    for (int i = 0; i < 3; ++i) {
        devices[i] = PPPP_Device_Start(ids[i].c_str(), nullptr);
        ASSERT_GT(devices[i], 0);
    }
    for (int i = 2; i >= 0; --i) {
        int s = PPPP_Connect(ids[i].c_str(), 1, 0);
        ASSERT_GT(s, 0);
        st_PPPP_Session info;
        ASSERT_EQ(PPPP_Check(s, &info), 0);
        sockaddr_in remote;
        std::memcpy(&remote, info.remoteAddr, sizeof remote);
        EXPECT_EQ(ntohs(remote.sin_port), PPPP_Device_Port(devices[i]));
        int accepted = PPPP_Device_Accept(devices[i], 5000, nullptr);
        EXPECT_GT(accepted, 0);
        PPPP_ForceClose(accepted);
        PPPP_ForceClose(s);
    }
    for (int d : devices)
        EXPECT_EQ(PPPP_Device_Stop(d), 0);
}

TEST_F(PpppApi, DevicesThatCannotBeReachedAreNotOnline) {
    EXPECT_EQ(PPPP_Connect(uniqueId("NOBODY").c_str(), 1, 0), ERROR_PPPP_DEVICE_NOT_ONLINE);

    std::string stoppedId = uniqueId("STOPPED");
    int d = PPPP_Device_Start(stoppedId.c_str(), nullptr);
    ASSERT_GT(d, 0);
    ASSERT_EQ(PPPP_Device_Stop(d), 0);
    EXPECT_EQ(PPPP_Device_Stop(d), ERROR_PPPP_USER_LISTEN_BREAK);
    EXPECT_EQ(PPPP_Connect(stoppedId.c_str(), 1, 0), ERROR_PPPP_DEVICE_NOT_ONLINE);

    std::string offId = uniqueId("OFFLINE");
    EchoDevice device(offId);
    ASSERT_EQ(PPPP_Device_SetOnline(device.handle(), 0), 0);
    EXPECT_EQ(PPPP_Connect(offId.c_str(), 1, 0), ERROR_PPPP_DEVICE_NOT_ONLINE);
    ASSERT_EQ(PPPP_Device_SetOnline(device.handle(), 1), 0);
    int s = PPPP_Connect(offId.c_str(), 1, 0);
    EXPECT_GT(s, 0);
    PPPP_ForceClose(s);
}

TEST_F(PpppApi, ConnectBreakInterruptsPendingConnects) {
    setenv("VANTOR_PPPP_DISCOVERY_MS", "20000", 1);
    std::string id = uniqueId("NOBODY");
    auto pending = std::async(std::launch::async, [&] { return PPPP_Connect(id.c_str(), 1, 0); });
    auto pending2 = std::async(std::launch::async, [&] { return PPPP_Connect(id.c_str(), 30, 0); });
    // Break until both have returned; without the break they would wait 20 s and report -6.
    auto ready = [](std::future<int>& f) {
        return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(ready(pending) && ready(pending2)) && std::chrono::steady_clock::now() < deadline) {
        PPPP_Connect_Break();
        pending.wait_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    ASSERT_EQ(pending2.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_EQ(pending.get(), ERROR_PPPP_USER_CONNECT_BREAK);
    EXPECT_EQ(pending2.get(), ERROR_PPPP_USER_CONNECT_BREAK);
}

TEST_F(PpppApi, ForceCloseWakesBlockedCallsAndSticks) {
    std::string id = uniqueId("CLOSE");
    EchoDevice device(id);
    int s = PPPP_Connect(id.c_str(), 1, 0);
    ASSERT_GT(s, 0);
    auto reader = std::async(std::launch::async, [s] {
        char buf[100];
        int size = sizeof buf;
        int r = PPPP_Read(s, 1, buf, &size, 30000);
        return std::make_pair(r, size);
    });
    // The reader is blocked (nothing ever comes on channel 1) until the close wakes it.
    EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    ASSERT_EQ(PPPP_ForceClose(s), 0);
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    auto [result, size] = reader.get();
    EXPECT_EQ(result, ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(size, 0);

    char buf[8] = {};
    int n = sizeof buf;
    uint32_t unsent = 0, unread = 0;
    EXPECT_EQ(PPPP_ForceClose(s), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_Close(s), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_Write(s, 0, buf, 8), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_Read(s, 0, buf, &n, 10), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_Check(s, nullptr), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_Check_Buffer(s, 0, &unsent, &unread), ERROR_PPPP_SESSION_CLOSED_CALLED);
    EXPECT_EQ(PPPP_Check(0, nullptr), ERROR_PPPP_INVALID_SESSION_HANDLE);
    EXPECT_EQ(PPPP_Check(-1, nullptr), ERROR_PPPP_INVALID_SESSION_HANDLE);
    EXPECT_EQ(PPPP_Check(100000, nullptr), ERROR_PPPP_INVALID_SESSION_HANDLE);
}

TEST_F(PpppApi, BatteryDeviceTakesOnlyWakeUpAttempts) {
    std::string id = uniqueId("BATT");
    int d = PPPP_Device_Start(id.c_str(), [] {
        static PPPP_DeviceOptions o{};
        o.acceptModes = PPPP_ACCEPT_BATTERY;
        return &o;
    }());
    ASSERT_GT(d, 0);
    EXPECT_EQ(PPPP_Connect(id.c_str(), 1, 0), ERROR_PPPP_DEVICE_NOT_ONLINE);
    EXPECT_EQ(PPPP_Connect(id.c_str(), 0, 0), ERROR_PPPP_DEVICE_NOT_ONLINE);

    // Three racing attempts, as a battery connect makes them: each gets its own session and
    // the device sees each mode; the caller keeps one and force-closes the others.
    std::future<int> attempts[3];
    for (int i = 0; i < 3; ++i)
        attempts[i] = std::async(std::launch::async,
                                 [&id, i] { return PPPP_Connect(id.c_str(), char(30 + i), 0); });
    int modesSeen = 0;
    int accepted[3];
    for (int i = 0; i < 3; ++i) {
        PPPP_AcceptInfo info{};
        accepted[i] = PPPP_Device_Accept(d, 5000, &info);
        ASSERT_GT(accepted[i], 0);
        ASSERT_GE(info.lanSearch, 30);
        ASSERT_LE(info.lanSearch, 32);
        modesSeen |= 1 << (info.lanSearch - 30);
    }
    EXPECT_EQ(modesSeen, 7);
    int handles[3];
    for (int i = 0; i < 3; ++i) {
        handles[i] = attempts[i].get();
        ASSERT_GT(handles[i], 0);
    }
    EXPECT_EQ(PPPP_ForceClose(handles[1]), 0);
    EXPECT_EQ(PPPP_ForceClose(handles[2]), 0);
    EXPECT_EQ(PPPP_Check(handles[0], nullptr), 0);
    for (int h : handles)
        PPPP_ForceClose(h);
    for (int h : accepted)
        PPPP_ForceClose(h);
    EXPECT_EQ(PPPP_Device_Stop(d), 0);
    EXPECT_EQ(PPPP_Device_Accept(d, 0, nullptr), ERROR_PPPP_USER_LISTEN_BREAK);
}

TEST_F(PpppApi, DeviceStopWakesAccept) {
    std::string id = uniqueId("ACCEPT");
    int d = PPPP_Device_Start(id.c_str(), nullptr);
    ASSERT_GT(d, 0);
    EXPECT_EQ(PPPP_Device_Accept(d, 0, nullptr), ERROR_PPPP_TIME_OUT);
    auto waiter =
        std::async(std::launch::async, [d] { return PPPP_Device_Accept(d, 30000, nullptr); });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    ASSERT_EQ(PPPP_Device_Stop(d), 0);
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), ERROR_PPPP_USER_LISTEN_BREAK);
}

TEST_F(PpppApi, ThousandConnectCloseCycles) {
    std::string id = uniqueId("CYCLE");
    EchoDevice device(id);
    for (int i = 0; i < 1000; ++i) {
        int s = PPPP_Connect(id.c_str(), 1, 0);
        ASSERT_GT(s, 0) << "cycle " << i;
        ASSERT_EQ(PPPP_Check(s, nullptr), 0);
        // A round trip per cycle: data moves every time, and the device has taken the session
        // before it closes (else a starved device thread could let its accept queue fill up).
        expectEcho(s, "cycle " + std::to_string(i));
        ASSERT_EQ(PPPP_ForceClose(s), 0);
    }
}

}  // namespace
