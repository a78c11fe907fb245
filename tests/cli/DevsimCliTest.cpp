// vantor-cli against the device simulator (loopback): the simulator's answers decode into
// every record the client reads, and a set, a snapshot and a record list go through.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "CliRun.h"

namespace {

using vantor::cli::test::Cli;
using vantor::cli::test::CliRun;

class DevsimCli : public ::testing::Test {
  protected:
    void SetUp() override {
        id_ = "VSIM" + std::to_string(100000 + getpid() % 800000) + "SIMAA";
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::string dev = "id=" + id_ + ",user=admin,password=pw,httpPort=-1";
            execl(DEVSIM_PATH, "devsim", "--device", dev.c_str(), "--lan-search-port", "0",
                  "--no-stdin", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // The simulator prints "ready" once its devices run (or exits on failure).
        FILE* f = fdopen(out[0], "r");
        char line[512];
        bool ready = false;
        while (!ready && fgets(line, sizeof(line), f) != nullptr) {
            ready = std::string(line).rfind("ready", 0) == 0;
        }
        fclose(f);
        ASSERT_TRUE(ready);
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string base() { return "--id " + id_ + " --user admin --password pw "; }
    std::string id_;
    pid_t pid_ = -1;
};

}  // namespace

TEST_F(DevsimCli, EveryReadableRecordDecodes) {
    for (const char* rec : {"status", "network", "users", "ddns", "ftp", "mail", "misc", "wifi",
                            "datetime", "alarm", "recordsch", "camera", "apwifi", "rtsp"}) {
        CliRun r =
            Cli(base() + (std::string(rec) == "status" ? "status" : "get " + std::string(rec)));
        EXPECT_EQ(r.status, 0) << rec << ": " << r.output;
    }
    CliRun r = Cli(base() + "status");
    EXPECT_NE(r.output.find("deviceid = " + id_ + "\n"), std::string::npos) << r.output;
}

TEST_F(DevsimCli, SetSnapshotAndRecords) {
    CliRun r = Cli(base() + "set datetime tz=7200");
    ASSERT_EQ(r.status, 0) << r.output;
    r = Cli(base() + "get datetime");
    EXPECT_NE(r.output.find("tz = 7200\n"), std::string::npos) << r.output;
    std::string pic = ::testing::TempDir() + "/devsim_snap_" + id_ + ".jpg";
    r = Cli(base() + "snapshot " + pic);
    EXPECT_EQ(r.status, 0) << r.output;
    unlink(pic.c_str());
    r = Cli(base() + "records 2000-01-01 2037-12-31");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("record 1/"), std::string::npos) << r.output;
}

namespace {

// A camera with an HTTP front and a battery door-bell, with the LAN search responder on.
class DevsimCliNet : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string n = std::to_string(100000 + getpid() % 800000);
        cam_ = "VSIM" + n + "SIMAC";
        bell_ = "VNTANB" + n + "SIMAD";
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::string c = "id=" + cam_ + ",user=admin,password=pw,httpPort=0";
            std::string b = "id=" + bell_ + ",kind=doorbell,battery=1,user=admin,password=pw";
            execl(DEVSIM_PATH, "devsim", "--device", c.c_str(), "--device", b.c_str(),
                  "--lan-search-port", "-1", "--no-stdin", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[512];
        bool ready = false;
        while (!ready && fgets(line, sizeof(line), f) != nullptr) {
            std::string l(line);
            ready = l.rfind("ready", 0) == 0;
            if (l.rfind("lan-search udp ", 0) == 0)
                searchPort_ = l.substr(15, l.find_first_of("\r\n") - 15);
            size_t h = l.find("http=127.0.0.1:");
            if (h != std::string::npos)
                httpPort_ = l.substr(h + 15, l.find_first_of(" \r\n", h + 15) - h - 15);
        }
        fclose(f);
        ASSERT_TRUE(ready);
        ASSERT_FALSE(searchPort_.empty());
        ASSERT_FALSE(httpPort_.empty());
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string cam_, bell_, searchPort_, httpPort_;
    pid_t pid_ = -1;
};

}  // namespace

TEST_F(DevsimCliNet, SearchTcpUpgradeAndBattery) {
    setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 1);  // never off loopback
    CliRun r = Cli("--search-port " + searchPort_ + " --timeout-ms 1500 search");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("id = " + cam_), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("id = " + bell_), std::string::npos) << r.output;

    r = Cli("--host 127.0.0.1 --port " + httpPort_ + " --password pw get users");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("pwd3 = pw\n"), std::string::npos) << r.output;

    std::string fw = ::testing::TempDir() + "/cli_fw_" + cam_ + ".bin";
    FILE* f = fopen(fw.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string image(40000, 'f');
    fwrite(image.data(), 1, image.size(), f);
    fclose(f);
    r = Cli("--id " + cam_ + " --password pw upgrade " + fw + " 2.0.0");
    unlink(fw.c_str());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("progress = 40000\noutcome = 9\nconfirm = 0\n"), std::string::npos)
        << r.output;

    r = Cli("--id " + bell_ + " --battery --password pw status");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("deviceid = " + bell_ + "\n"), std::string::npos) << r.output;

    r = Cli("--id " + cam_ + " --host 127.0.0.1 --port 1 status");
    EXPECT_EQ(r.status, 2) << r.output;
}
