// Battery connect through the library's exports against the device simulator's battery
// door-bell over the P2P transport (loopback): the three racing attempts wake it and keep one
// session; a device that is nowhere raises event 9; an ID of no family raises event 13.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ClientProbe.h"
#include "DeviceFamilies.h"
#include "darvel.h"

namespace {

// An ID of a plain (not enciphered) family, unique to this process.
std::string FamilyId(const std::string& tag) {
    const vantor::FamilyPrefixRule* rules = vantor::FamilyPrefixRules();
    for (size_t i = 0; i < vantor::kFamilyPrefixRuleCount; ++i) {
        if (rules[i].family == 7 || rules[i].family == 25 || rules[i].notFollowedBy[0] != '\0')
            continue;
        std::string id = std::string(rules[i].prefix) + tag +
                         std::to_string(100000 + getpid() % 800000) + "SIMAB";
        int f = vantor::FamilyIndexOf(id.c_str());
        if (f >= 0 && f != 7 && f != 25)
            return id;
    }
    return "";
}

class DarvelBattery : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("VANTOR_PPPP_DISCOVERY_MS", "400", 1);
        device_net_work_init(nullptr);
    }
    void TearDown() override {
        if (id_ >= 0) {
            device_net_work_stop(id_);
            device_net_work_destroyInstance(id_);
        }
        if (in_ >= 0)
            close(in_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ != nullptr)
            fclose(out_);
    }
    void Spawn(const std::string& options) {
        int in[2];
        int out[2];
        ASSERT_EQ(pipe(in), 0);
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            execl(DEVSIM_PATH, "devsim", "--device", options.c_str(), "--lan-search-port", "0",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = fdopen(out[0], "r");
        char line[512];
        bool ready = false;
        while (!ready && fgets(line, sizeof(line), out_) != nullptr)
            ready = std::string(line).rfind("ready", 0) == 0;
        ASSERT_TRUE(ready);
    }
    std::string Device(const std::string& command) {
        std::string l = command + "\n";
        if (write(in_, l.data(), l.size()) != static_cast<ssize_t>(l.size()))
            return "";
        char line[512];
        return fgets(line, sizeof(line), out_) != nullptr ? std::string(line) : "";
    }
    void Create(const std::string& devId) {
        id_ =
            device_net_work_createInstanceEx("admin", "pw", devId.c_str(), "", 0, DARVEL_KIND_P2P);
        ASSERT_GE(id_, 0);
        probe_.attach(id_);
    }
    int Count(int event) {
        std::lock_guard<std::mutex> g(probe_.mu);
        int n = 0;
        for (int e : probe_.events)
            n += e == event ? 1 : 0;
        return n;
    }

    pid_t pid_ = -1;
    int in_ = -1;
    FILE* out_ = nullptr;
    int id_ = -1;
    ClientProbe probe_;
};

TEST_F(DarvelBattery, AttemptsWakeTheDoorbellAndKeepOneSession) {
    std::string devId = FamilyId("BA");
    ASSERT_FALSE(devId.empty());
    Spawn("id=" + devId + ",kind=doorbell,battery=1,user=admin,password=pw,httpPort=-1");
    Create(devId);
    ASSERT_EQ(device_net_work_startBat(id_), 1);
    ASSERT_TRUE(probe_.waitEvent(DARVEL_EVENT_ONLINE, 30000))
        << devId << " events " << ::testing::PrintToString(probe_.events) << " modes "
        << probe_.modes.size();
    ASSERT_GT(device_net_work_get_param(id_, DARVEL_GET_STATUS), 0);
    EXPECT_TRUE(probe_.waitFor([&] { return !probe_.data.empty(); }));
    // Every attempt reaches the device; the losers close theirs, the winner stays.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    std::string stats;
    while (std::chrono::steady_clock::now() < deadline) {
        stats = Device("stats " + devId);
        if (stats.find("sessions=1 ") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_NE(stats.find("sessions=1 "), std::string::npos) << stats;
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_EQ(probe_.modes.size(), 1u);  // one winner reported its mode
    EXPECT_FALSE(probe_.hasEvent(DARVEL_EVENT_LOST));
}

TEST_F(DarvelBattery, NowhereRaisesNotOnlineAndNoFamilyRaises13) {
    std::string devId = FamilyId("NW");
    ASSERT_FALSE(devId.empty());
    Create(devId);
    ASSERT_EQ(device_net_work_startBat(id_), 1);
    EXPECT_TRUE(probe_.waitEvent(DARVEL_EVENT_NOT_ONLINE, 30000));
    EXPECT_EQ(device_net_work_stop(id_), 1);
    EXPECT_EQ(device_net_work_destroyInstance(id_), 1);

    Create("Q1NOFAMILY");
    ASSERT_EQ(device_net_work_startBat(id_), 1);
    EXPECT_TRUE(probe_.waitFor([&] {
        int n = 0;
        for (int e : probe_.events)
            n += e == DARVEL_EVENT_NO_FAMILY ? 1 : 0;
        return n == 3;
    }));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_TRUE(probe_.modes.empty());
}

}  // namespace
