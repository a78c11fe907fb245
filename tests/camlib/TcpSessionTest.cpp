// The TCP camera session through the library's exports: against the device simulator's HTTP
// front (commands, live video with its notices, audio, talk, playback) and against a scripted
// HTTP server (the request text and both body codings). Loopback only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "ClientProbe.h"
#include "darvel.h"

namespace {

// A child process with its standard input on a pipe and its output in a file.
struct Child {
    pid_t pid = -1;
    int in = -1;
    std::string outPath;

    bool spawn(const std::vector<std::string>& argv) {
        char tmpl[] = "/tmp/vantor-tcp-XXXXXX";
        int fd = mkstemp(tmpl);
        if (fd < 0)
            return false;
        outPath = tmpl;
        int p[2];
        if (pipe(p) != 0)
            return false;
        pid = fork();
        if (pid == 0) {
            dup2(p[0], 0);
            dup2(fd, 1);
            close(p[0]);
            close(p[1]);
            std::vector<char*> args;
            for (const auto& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(p[0]);
        close(fd);
        in = p[1];
        return pid > 0;
    }
    std::string output() const {
        std::ifstream f(outPath);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    // Polls the output until it contains `text` (deadline 20 s).
    bool waitOutput(const std::string& text) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end) {
            if (output().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void command(const std::string& line) {
        std::string l = line + "\n";
        ASSERT_EQ(write(in, l.data(), l.size()), static_cast<ssize_t>(l.size()));
    }
    ~Child() {
        if (in >= 0)
            close(in);
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (!outPath.empty())
            unlink(outPath.c_str());
    }
};

int CreateTcp(int port) {
    DeviceConnectInfo info;
    memset(&info, 0, sizeof(info));
    strcpy(info.user, "admin");
    strcpy(info.password, "pw");
    strcpy(info.host, "127.0.0.1");
    info.port = port;
    return device_net_work_createInstance(info, DARVEL_KIND_TCP);
}

class DarvelTcp : public ::testing::Test {
  protected:
    void SetUp() override { device_net_work_init(nullptr); }
    void TearDown() override {
        if (id_ >= 0) {
            device_net_work_stop(id_);
            device_net_work_destroyInstance(id_);
        }
    }
    int id_ = -1;
    ClientProbe probe_;
};

class DarvelTcpDevsim : public DarvelTcp {
  protected:
    void SetUp() override {
        DarvelTcp::SetUp();
        devId_ = "VTCP" + std::to_string(100000 + getpid() % 800000) + "SIMAA";
        started_s_ = time(nullptr);
        ASSERT_TRUE(sim_.spawn({DEVSIM_PATH, "--device",
                                "id=" + devId_ + ",user=admin,password=pw,httpPort=0,p2p=0",
                                "--lan-search-port", "0"}));
        ASSERT_TRUE(sim_.waitOutput("ready")) << sim_.output();
        std::string out = sim_.output();
        size_t at = out.find("http=127.0.0.1:");
        ASSERT_NE(at, std::string::npos) << out;
        int port = atoi(out.c_str() + at + strlen("http=127.0.0.1:"));
        ASSERT_GT(port, 0);
        id_ = CreateTcp(port);
        ASSERT_GE(id_, 0);
        probe_.attach(id_);
    }
    Child sim_;
    std::string devId_;
    time_t started_s_ = 0;
};

bool HasKind(const std::vector<std::string>& frames, uint8_t kind) {
    for (const auto& f : frames) {
        if (f.size() >= 32 && static_cast<uint8_t>(f[4]) == kind)
            return true;
    }
    return false;
}

TEST_F(DarvelTcpDevsim, CommandsRefusedUntilStartThenAnswered) {
    EXPECT_EQ(device_net_work_get_param(id_, DARVEL_GET_USERS), 0);
    ASSERT_EQ(device_net_work_start(id_), 1);
    DarvelAliasRecord alias;
    memset(&alias, 0, sizeof(alias));
    strcpy(alias.alias, "porch");
    EXPECT_GT(device_net_work_set_param(id_, 0x2702, &alias, sizeof(alias)), 0);
    EXPECT_GT(device_net_work_ptz(id_, 0), 0);
    EXPECT_GT(device_net_work_get_param(id_, DARVEL_GET_STATUS), 0);
    ASSERT_TRUE(probe_.waitFor([&] {
        for (auto& d : probe_.data) {
            if (d.first == DARVEL_GET_STATUS)
                return true;
        }
        return false;
    }));
    std::lock_guard<std::mutex> g(probe_.mu);
    bool setOk = false;
    for (auto& r : probe_.results)
        setOk = setOk || (r.first == 0x2702 && r.second == 1);
    EXPECT_TRUE(setOk);
    for (auto& d : probe_.data) {
        if (d.first == DARVEL_GET_STATUS) {
            ASSERT_EQ(d.second.size(), sizeof(DarvelStatusRecord));
            DarvelStatusRecord s;
            memcpy(&s, d.second.data(), sizeof(s));
            EXPECT_STREQ(s.alias, "porch");
        }
    }
}

TEST_F(DarvelTcpDevsim, LiveStreamCarriesVideoAlarmsAndNotices) {
    // Never started: the live connection still opens and event 100 is raised.
    ASSERT_EQ(device_net_work_startStreamV2(id_, 10, 0, &ClientProbe::OnVideo, &probe_), 1);
    EXPECT_TRUE(probe_.waitEvent(DARVEL_EVENT_ONLINE));
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.video.size() >= 3; })) << sim_.output();
    ASSERT_EQ(device_net_work_start(id_), 1);  // deliveries need a started session
    sim_.command("alarm " + devId_ + " motion");
    sim_.command("notice " + devId_ + " 200");
    sim_.command("notice " + devId_ + " 203");
    EXPECT_TRUE(probe_.waitFor([&] {
        return !probe_.alarms.empty() && probe_.hasEvent(DARVEL_EVENT_TCP_STATE_1) &&
               probe_.hasEvent(DARVEL_EVENT_TCP_STATE_4);
    })) << sim_.output();
    std::string talk(1024, 'x');
    EXPECT_EQ(device_net_work_sendTalkData(id_, talk.data(), static_cast<int>(talk.size())), 1);
    EXPECT_EQ(device_net_work_sendTalkData(id_, talk.data(), 5000), 0);
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_EQ(probe_.alarms.front(), 33);
    EXPECT_FALSE(HasKind(probe_.video, 33));
    EXPECT_FALSE(HasKind(probe_.video, 200));
}

TEST_F(DarvelTcpDevsim, AudioAndPlaybackConnections) {
    ASSERT_EQ(device_net_work_start(id_), 1);
    ASSERT_EQ(device_net_work_startAudio(id_, 10, &ClientProbe::OnAudio, &probe_), 1);
    EXPECT_TRUE(probe_.waitFor([&] { return probe_.audio.size() >= 2; })) << sim_.output();
    EXPECT_EQ(device_net_work_stopAudio(id_), 1);

    // The newest recording of the simulated card (named after the hour the device started).
    int64_t hourStart = started_s_ - started_s_ % 3600;
    time_t t = static_cast<time_t>(hourStart - 3600 + 600);
    struct tm tmv;
    gmtime_r(&t, &tmv);
    DarvelPlaybackRecord rec;
    memset(&rec, 0, sizeof(rec));
    snprintf(rec.fileName, sizeof(rec.fileName), "%04d%02d%02d%02d%02d%02d_%d.h264",
             tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
             0);
    rec.streamId = 10;
    ASSERT_EQ(device_record_playback_control(id_, &rec, sizeof(rec)), 1);
    EXPECT_TRUE(probe_.waitFor([&] { return probe_.playback.size() >= 2; })) << rec.fileName;
    // Stream id 17 is sent and the connection closed: no more playback frames after it.
    rec.streamId = 17;
    ASSERT_EQ(device_record_playback_control(id_, &rec, sizeof(rec)), 1);
    size_t after = 0;
    {
        std::lock_guard<std::mutex> g(probe_.mu);
        after = probe_.playback.size();
    }
    EXPECT_FALSE(probe_.waitFor([&] { return probe_.playback.size() > after; }, 500));
    EXPECT_EQ(device_record_playback_control(id_, &rec, 10), 0);
}

// A bad magic or an over-long frame on the live connection closes that connection only: the
// audio connection goes on, and a new startStream brings the video back.
TEST_F(DarvelTcpDevsim, BadLiveFrameClosesOnlyTheLiveConnection) {
    ASSERT_EQ(device_net_work_start(id_), 1);
    ASSERT_EQ(device_net_work_startAudio(id_, 10, &ClientProbe::OnAudio, &probe_), 1);
    for (const char* mode : {"badmagic", "oversize"}) {
        ASSERT_EQ(device_net_work_startStreamV2(id_, 10, 0, &ClientProbe::OnVideo, &probe_), 1);
        size_t v0 = 0;
        {
            std::lock_guard<std::mutex> g(probe_.mu);
            v0 = probe_.video.size();
        }
        ASSERT_TRUE(probe_.waitFor([&] { return probe_.video.size() >= v0 + 2; })) << mode;
        sim_.command("malformed " + devId_ + " " + mode);
        // The next video frame is the bad one; audio keeps coming meanwhile.
        size_t a0 = 0;
        size_t v1 = 0;
        {
            std::lock_guard<std::mutex> g(probe_.mu);
            a0 = probe_.audio.size();
            v1 = probe_.video.size();
        }
        ASSERT_TRUE(probe_.waitFor([&] { return probe_.audio.size() >= a0 + 30; })) << mode;
        std::lock_guard<std::mutex> g(probe_.mu);
        EXPECT_LE(probe_.video.size(), v1 + 1) << mode;
    }
}

// Against a scripted server: the request text with its HTTP tail, and the users record by
// Content-Length and by chunked coding; a TCP get_params delivers only the users record.
TEST_F(DarvelTcp, CommandPathAgainstScriptedServer) {
    Child server;
    std::string script = std::string(CAMLIB_TEST_DIR) + "/tcp_answer_server.py";
    ASSERT_TRUE(server.spawn({"python3", script}));
    ASSERT_TRUE(server.waitOutput("\n"));
    int port = atoi(server.output().c_str());
    ASSERT_GT(port, 0);
    id_ = CreateTcp(port);
    ASSERT_GE(id_, 0);
    probe_.attach(id_);
    ASSERT_EQ(device_net_work_start(id_), 1);
    EXPECT_GT(device_net_work_ptz(id_, 4), 0);
    EXPECT_GT(device_net_work_get_param(id_, DARVEL_GET_USERS), 0);
    EXPECT_GT(device_net_work_get_param(id_, DARVEL_GET_USERS), 0);
    ASSERT_TRUE(probe_.waitFor([&] { return probe_.data.size() >= 2; }));
    EXPECT_TRUE(server.waitOutput("GET decoder_control.cgi?loginuse=admin&loginpas=pw&command=4"));
    EXPECT_NE(server.output().find("Host: 127.0.0.1"), std::string::npos) << server.output();
    std::lock_guard<std::mutex> g(probe_.mu);
    for (auto& d : probe_.data) {
        ASSERT_EQ(d.first, DARVEL_GET_USERS);
        ASSERT_EQ(d.second.size(), sizeof(DarvelUsersRecord));
        DarvelUsersRecord u;
        memcpy(&u, d.second.data(), sizeof(u));
        EXPECT_STREQ(u.user1, "u1");
        EXPECT_STREQ(u.user3, "admin");
    }
}

TEST_F(DarvelTcp, DeviceAwayDropsRequestsWithoutLostEvent) {
    // A loopback port nobody listens on: every connect is refused.
    id_ = CreateTcp(1);
    ASSERT_GE(id_, 0);
    probe_.attach(id_);
    ASSERT_EQ(device_net_work_start(id_), 1);
    EXPECT_GT(device_net_work_get_param(id_, DARVEL_GET_USERS), 0);
    EXPECT_EQ(device_net_work_startAudio(id_, 10, &ClientProbe::OnAudio, &probe_), 0);
    EXPECT_EQ(device_net_work_stop(id_), 1);
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_TRUE(probe_.data.empty());
    EXPECT_FALSE(probe_.hasEvent(DARVEL_EVENT_LOST));
}

}  // namespace
