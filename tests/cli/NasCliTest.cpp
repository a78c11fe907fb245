// vantor-cli --nas against a simulated recorder (devsim, loopback): records decode, a change
// goes through, channels reach the recorder, and recorder-only rules hold.
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

class NasCli : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 1);  // never off loopback
        id_ = "VSIM" + std::to_string(100000 + getpid() % 800000) + "SIMNC";
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::string dev = "id=" + id_ +
                              ",kind=wvr,user=admin,password=pw,httpPort=0,host=127.0.0.15,"
                              "width=320,height=180,fps=10,recordings=2";
            execl(DEVSIM_PATH, "devsim", "--device", dev.c_str(), "--lan-search-port", "0",
                  "--no-stdin", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[512];
        bool ready = false;
        while (!ready && fgets(line, sizeof(line), f) != nullptr) {
            std::string l(line);
            ready = l.rfind("ready", 0) == 0;
            size_t h = l.find("http=127.0.0.15:");
            if (h != std::string::npos)
                httpPort_ = l.substr(h + 16, l.find_first_of(" \r\n", h + 16) - h - 16);
        }
        fclose(f);
        ASSERT_TRUE(ready);
        ASSERT_FALSE(httpPort_.empty());
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string p2p() { return "--nas --id " + id_ + " --password pw --timeout-ms 8000 "; }
    std::string tcp() {
        return "--nas --host 127.0.0.15 --port " + httpPort_ + " --password pw --timeout-ms 8000 ";
    }
    std::string id_, httpPort_;
    pid_t pid_ = -1;
};

}  // namespace

TEST_F(NasCli, RecordsChangesAndChannels) {
    for (const std::string& via : {p2p(), tcp()}) {
        SCOPED_TRACE(via);
        for (const char* rec : {"network", "users", "ddns", "ftp", "mail", "wifi", "datetime",
                                "recordsch", "apwifi", "camera", "pppoe", "pnp", "alarm", "factory",
                                "appversion", "plugrelay", "plugdelay", "plugkey"}) {
            CliRun r = Cli(via + "get " + rec);
            EXPECT_EQ(r.status, 0) << rec << ": " << r.output;
        }
        CliRun r = Cli(via + "status");
        EXPECT_NE(r.output.find("deviceid = " + id_ + "\n"), std::string::npos) << r.output;
    }

    // A change read back; the recorder's clock is left alone unless asked.
    CliRun r = Cli(p2p() + "set datetime tz=7200 ntp_svr=pool.example");
    ASSERT_EQ(r.status, 0) << r.output;
    r = Cli(tcp() + "get datetime");
    EXPECT_NE(r.output.find("tz = 7200\nntp_enable = 1\nntp_svr = pool.example\n"),
              std::string::npos)
        << r.output;

    // Records of the chosen channel and partition; then one played back.
    r = Cli(p2p() + "--channel 2 records 2000-01-01 2037-12-31 1");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("record 2/2: name = /hd1/ch2/"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("records = 2\n"), std::string::npos) << r.output;
    std::string name = r.output.substr(r.output.find("name = ") + 7);
    name = name.substr(0, name.find(' '));
    std::string out = ::testing::TempDir() + "/nascli_" + id_ + ".bin";
    r = Cli(tcp() + "--timeout-ms 2000 playback " + name + " " + out + " 1");
    EXPECT_EQ(r.status, 0) << r.output;
    r = Cli(p2p() + "--channel 3 stream 1 " + out);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("frames = "), std::string::npos) << r.output;
    unlink(out.c_str());
    r = Cli(p2p() + "--channel 1 ptz 2");
    EXPECT_EQ(r.status, 0) << r.output;
    r = Cli(tcp() + "nas-alarms");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("accessories = 0\n"), std::string::npos) << r.output;
}

TEST_F(NasCli, RecorderRules) {
    struct Case {
        const char* args;
        int status;
        const char* says;
    } cases[] = {
        {"ptz 70", 2, "PTZ commands 0-7, 25-61 and 90-95"},
        {"snapshot x.jpg", 2, "not available for recorders"},
        {"--channel 4 status", 2, "--channel needs"},
        {"get rtsp", 2, "unknown recorder record"},
        {"set status alias=x", 2, "cannot be written"},
    };
    for (const auto& c : cases) {
        CliRun r = Cli(p2p() + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << ": " << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << ": " << r.output;
    }
    CliRun r = Cli("--nas --id " + id_ + " --password wrong --timeout-ms 8000 status");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("did not accept user"), std::string::npos) << r.output;
    r = Cli("--id " + id_ + " --channel 1 status");
    EXPECT_EQ(r.status, 2) << r.output;
}
