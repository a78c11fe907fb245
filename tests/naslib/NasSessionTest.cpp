// The P2P session's connection policy against a scripted transport: the reconnect pause is
// shortened here through the transport table (the library's own sessions keep 30 x 100 ms).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "CAPP2pNas.h"
#include "CAPTcpNas.h"
#include "Probe.h"

using namespace vantor;

namespace {

// One scripted transport per test (the table holds plain functions).
struct Script {
    std::atomic<int> connectResult{ERROR_PPPP_TIME_OUT};
    std::atomic<int> connects{0};
    std::atomic<int> checkFailures{0};  // PPPP_Check fails this many times first
    std::atomic<bool> closed{false};
};
Script* g_script = nullptr;

int Connect(const char*, char, uint16_t) {
    ++g_script->connects;
    g_script->closed = false;
    return g_script->connectResult;
}
int ConnectByServer(const char* id, char lan, uint16_t port, const char*) {
    return Connect(id, lan, port);
}
int Break() {
    return 0;
}
int ForceClose(int) {
    g_script->closed = true;
    return 0;
}
int Check(int, st_PPPP_Session* info) {
    if (info != nullptr)
        *info = st_PPPP_Session{};
    if (g_script->checkFailures > 0) {
        --g_script->checkFailures;
        return ERROR_PPPP_SESSION_CLOSED_REMOTE;
    }
    return 0;
}
int CheckBuffer(int, uint8_t, uint32_t* unsent, uint32_t* unread) {
    if (unsent != nullptr)
        *unsent = 0;
    if (unread != nullptr)
        *unread = 0;
    return g_script->closed ? ERROR_PPPP_SESSION_CLOSED_CALLED : 0;
}
int Write(int, uint8_t, const char*, int size) {
    return g_script->closed ? ERROR_PPPP_SESSION_CLOSED_CALLED : size;
}
// Nothing ever arrives: each read is a time-out of (at most) 5 ms until the session closes.
int Read(int, uint8_t, char*, int* size, uint32_t timeout_ms) {
    if (g_script->closed)
        return ERROR_PPPP_SESSION_CLOSED_CALLED;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(timeout_ms, 5)));
    *size = 0;
    return ERROR_PPPP_TIME_OUT;
}

NasP2pTransport ScriptedTransport() {
    return NasP2pTransport{
        &Connect, &ConnectByServer, &Break, &ForceClose, &Check, &CheckBuffer, &Write, &Read, 1};
}

// A recorder whose check-user answer arrives before the check starts waiting for it.
class EarlyAnswerNas : public CAPP2pNas {
  public:
    using CAPP2pNas::CAPP2pNas;
    int GetParam(int type) override {
        int r = CAPP2pNas::GetParam(type);
        if (type == NAS_CHECK_USER)
            SetAccountResult(1);
        return r;
    }
};

DeviceConnectInfo Info() {
    return MakeInfo("admin", "123", "", 0, "NASX-000001");
}

}  // namespace

TEST(NasP2pPolicy, SevenTimeoutsThenEvent10) {
    Script script;
    g_script = &script;
    Probe probe;
    {
        CAPP2pNas s(Info(), ScriptedTransport());
        s.SetEventCallback(&Probe::OnEvent, &probe);
        s.Start();
        ASSERT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_TIMEOUT); }));
        s.Stop();
    }
    EXPECT_EQ(probe.events, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 10}));
    EXPECT_EQ(script.connects, 7);
}

TEST(NasP2pPolicy, ConnectFailuresEndTheThread) {
    struct Case {
        int connectResult;
        int event;
    } cases[] = {{ERROR_PPPP_INVALID_ID, 5},
                 {ERROR_PPPP_INVALID_PREFIX, 5},
                 {ERROR_PPPP_ID_OUT_OF_DATE, 5},
                 {ERROR_PPPP_DEVICE_NOT_ONLINE, 9},
                 {ERROR_PPPP_MAX_SESSION, 101}};
    for (const auto& c : cases) {
        Script script;
        script.connectResult = c.connectResult;
        g_script = &script;
        Probe probe;
        CAPP2pNas s(Info(), ScriptedTransport());
        s.SetEventCallback(&Probe::OnEvent, &probe);
        s.Start();
        ASSERT_TRUE(probe.waitFor([&] { return probe.events.size() == 2; })) << c.connectResult;
        s.Stop();
        EXPECT_EQ(probe.events, (std::vector<int>{0, c.event})) << c.connectResult;
        EXPECT_EQ(script.connects, 1);
    }
}

TEST(NasP2pPolicy, EarlyCheckAnswerIsKeptAndLostSessionReconnects) {
    Script script;
    script.connectResult = 1;
    script.checkFailures = 1;  // the first session is dead on arrival
    g_script = &script;
    Probe probe;
    {
        EarlyAnswerNas s(Info(), ScriptedTransport());
        s.SetEventCallback(&Probe::OnEvent, &probe);
        s.SetP2pModeCallback(&Probe::OnMode, &probe);
        s.Start();
        // With an answer that could be lost before the wait, this would end in event 10 after
        // the 15-second check.
        ASSERT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_ONLINE); }, 12000));
        s.Stop();
    }
    EXPECT_EQ(probe.events, (std::vector<int>{0, 11, 0, 12, 100}));
    EXPECT_EQ(probe.modes, std::vector<int>{MORSK_P2P_MODE_DIRECT});
    EXPECT_EQ(script.connects, 2);
}

TEST(NasP2pPolicy, CommandLengthLimits) {
    Script script;
    script.connectResult = 1;
    g_script = &script;
    Probe probe;
    std::string text(9000, 'x');
    EarlyAnswerNas p2p(Info(), ScriptedTransport());
    p2p.SetEventCallback(&Probe::OnEvent, &probe);
    EXPECT_EQ(p2p.AddCommandToBuf(0, text.data(), 10, 0), 0);  // not connected
    p2p.Start();
    ASSERT_TRUE(probe.waitFor([&] { return probe.hasEvent(MORSK_EVENT_ONLINE); }));
    // Entry + 20-byte head + text; one byte more is refused.
    EXPECT_EQ(p2p.AddCommandToBuf(0, text.data(), 8152, 0), 8192);
    EXPECT_EQ(p2p.AddCommandToBuf(0, text.data(), 8153, 0), 0);
    p2p.Stop();

    // TCP (port 1 on loopback: every exchange fails at once, nothing is sent anywhere else).
    CAPTcpNas tcp(MakeInfo("admin", "123", "127.0.0.1", 1, ""));
    EXPECT_EQ(tcp.AddCommandToBuf(0x2101, text.data(), 10, 0), 0);  // not started
    tcp.Start();
    EXPECT_EQ(tcp.AddCommandToBuf(0x2101, text.data(), 8172, 0), 8192);
    EXPECT_EQ(tcp.AddCommandToBuf(0x2101, text.data(), 8173, 0), 0);
    tcp.Stop();
}
