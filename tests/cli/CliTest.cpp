// vantor-cli: field tables, and the program itself against a scripted camera (loopback).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "FakeCamera.h"
#include "RecordFields.h"
#include "darvel.h"

using namespace vantor::cli;

TEST(CliRecordFields, AssignAndFormat) {
    const RecordDef* wifi = FindRecord("wifi");
    ASSERT_NE(wifi, nullptr);
    EXPECT_EQ(FindRecord("0x2013"), wifi);
    EXPECT_EQ(FindRecord("0x2012"), wifi);
    EXPECT_EQ(FindRecord("nosuch"), nullptr);
    DarvelWifiRecord w{};
    EXPECT_EQ(ApplyAssignment(*wifi, &w, "ssid=lab"), "");
    EXPECT_EQ(ApplyAssignment(*wifi, &w, "channel=0x0b"), "");
    EXPECT_STREQ(w.ssid, "lab");
    EXPECT_EQ(w.channel, 11);
    struct Bad {
        const char* text;
        const char* problem;
    } bad[] = {{"channel=eleven", "not a 32-bit integer"},
               {"channel=4294967296", "not a 32-bit integer"},
               {"nosuch=1", "has no field"},
               {"=1", "expected FIELD=VALUE"},
               {"ssid", "expected FIELD=VALUE"}};
    for (const Bad& b : bad) {
        EXPECT_NE(ApplyAssignment(*wifi, &w, b.text).find(b.problem), std::string::npos) << b.text;
    }
    std::string longSsid = "ssid=" + std::string(128, 's');
    EXPECT_NE(ApplyAssignment(*wifi, &w, longSsid).find("longer than 127"), std::string::npos);
    EXPECT_STREQ(w.ssid, "lab");  // a refused value changes nothing
    std::string text = FormatRecord(*wifi, &w, sizeof(w));
    EXPECT_NE(text.find("ssid = lab\n"), std::string::npos);
    EXPECT_NE(text.find("channel = 11\n"), std::string::npos);
    EXPECT_EQ(FormatRecord(*wifi, &w, sizeof(w) - 1), "");
}

#include "CliRun.h"

namespace {

using vantor::cli::test::Cli;
using vantor::cli::test::CliRun;

class CliE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("VANTOR_PPPP_DISCOVERY_MS", "400", 1);
        id_ = "QZC" + std::to_string(getpid() % 100000) + "X" + std::to_string(++counter_);
        cam_ = std::make_unique<FakeCamera>(id_, "admin", "pw", false);
        ASSERT_TRUE(cam_->start());
    }
    void TearDown() override { cam_->stop(); }
    std::string base(const std::string& pwd = "pw") {
        return "--id " + id_ + " --user admin --password " + pwd + " --timeout-ms 15000 ";
    }
    static int counter_;
    std::string id_;
    std::unique_ptr<FakeCamera> cam_;
};
int CliE2e::counter_ = 0;

}  // namespace

TEST_F(CliE2e, StatusGetSetAndPtz) {
    CliRun r = Cli(base() + "status");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("sys_ver = 9.1\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("deviceid = " + id_ + "\n"), std::string::npos) << r.output;

    r = Cli(base() + "get network");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("ip = 127.0.0.1\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("port = 81\n"), std::string::npos) << r.output;

    r = Cli(base() + "set wifi ssid=lab2 channel=3");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("result = ok"), std::string::npos) << r.output;
    EXPECT_TRUE(cam_->waitRequest("set_wifi.cgi?enable=1&ssid=lab2&", 1000));
    EXPECT_TRUE(cam_->waitRequest("&channel=3&loginuse=admin", 1000));

    r = Cli(base() + "ptz 6");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(
        cam_->waitRequest("decoder_control.cgi?loginuse=admin&loginpas=pw&command=6&", 15000));
}

TEST_F(CliE2e, SnapshotAndStreamWriteFiles) {
    const std::string jpeg("\xFF\xD8 picture \xFF\xD9", 13);
    cam_->on("snapshot.cgi", [&](const std::string&, const std::string&) {
        return FakeCamera::Answer{0x6015, jpeg};
    });
    cam_->on("livestream.cgi", [&](const std::string&, const std::string& req) {
        if (req.find("streamid=10&") != std::string::npos) {
            for (int i = 0; i < 5; ++i)
                cam_->sendMedia(1, 1, i, 1, 0, std::string(100, 'v'));
        }
        return FakeCamera::Answer{};
    });
    std::string dir = ::testing::TempDir();
    std::string pic = dir + "/cli_snap_" + id_ + ".jpg";
    CliRun r = Cli(base() + "snapshot " + pic);
    EXPECT_EQ(r.status, 0) << r.output;
    std::ifstream in(pic, std::ios::binary);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, jpeg);

    std::string out = dir + "/cli_stream_" + id_ + ".bin";
    r = Cli(base() + "stream 1 " + out);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("frames = 5"), std::string::npos) << r.output;
    std::ifstream s(out, std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<long>(s.tellg()), 5 * (32 + 100));
    unlink(pic.c_str());
    unlink(out.c_str());
}

TEST_F(CliE2e, FailuresExitNonZeroWithAMessage) {
    CliRun r = Cli(base("wrong") + "--timeout-ms 3000 status");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("did not accept user \"admin\""), std::string::npos) << r.output;

    r = Cli("--id " + id_ + " frobnicate");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("unknown command"), std::string::npos);
    r = Cli("get network");
    EXPECT_EQ(r.status, 2);
    r = Cli(base() + "records 2024-13-01 2024-01-02");
    EXPECT_EQ(r.status, 2);
    // Nobody listens there: every request is dropped, and the wait ends with a message.
    r = Cli("--host 127.0.0.1 --port 81 --timeout-ms 1000 status");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no status record"), std::string::npos) << r.output;
    r = Cli(base() + "set wifi channel=x");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("not a 32-bit integer"), std::string::npos);
}
