// A device in another process dies (killed: the kernel closes its socket) or hangs (stopped:
// the socket stays open but nothing comes): the client sees it through its session calls.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <string>

#include "TestSupport.h"

extern char** environ;

namespace {

// Starts pppp_test_device (beside this test binary) for one ID and waits for "ready".
class DeviceProcess {
  public:
    explicit DeviceProcess(const std::string& id) {
        char self[PATH_MAX] = {};
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0)
            return;
        std::string path(self, static_cast<size_t>(n));
        path = path.substr(0, path.rfind('/') + 1) + "pppp_test_device";
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        char* argv[] = {path.data(), const_cast<char*>(id.c_str()), nullptr};
        if (posix_spawn(&pid_, path.c_str(), &fa, nullptr, argv, environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        struct pollfd p = {out[0], POLLIN, 0};
        char buf[16] = {};
        if (pid_ > 0 && poll(&p, 1, 10000) == 1 && read(out[0], buf, sizeof buf - 1) > 0)
            ready_ = std::string(buf).rfind("ready", 0) == 0;
        close(out[0]);
    }
    ~DeviceProcess() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    bool ready() const { return ready_; }
    void signal(int sig) { kill(pid_, sig); }

  private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

TEST(PpppPeerDeath, DeadOrHungDeviceIsNoticed) {
    pppptest::useLoopbackEnvironment();
    setenv("VANTOR_PPPP_KEEPALIVE_MS", "500", 1);  // dead after 2 s of silence
    PPPP_DeInitialize();
    ASSERT_EQ(PPPP_Initialize(""), 0);
    struct Case {
        const char* what;
        int sig;
        int expected;
    } cases[] = {
        {"killed", SIGKILL, ERROR_PPPP_SESSION_CLOSED_REMOTE},
        {"stopped", SIGSTOP, ERROR_PPPP_SESSION_CLOSED_TIMEOUT},
    };
    for (const Case& c : cases) {
        std::string id = pppptest::uniqueId("PEER");
        DeviceProcess device(id);
        ASSERT_TRUE(device.ready()) << c.what;
        int s = PPPP_Connect(id.c_str(), 1, 0);
        ASSERT_GT(s, 0) << c.what;
        char buf[4] = {'p', 'i', 'n', 'g'};
        ASSERT_EQ(PPPP_Write(s, 0, buf, 4), 4);
        int size = 4;
        ASSERT_EQ(PPPP_Read(s, 0, buf, &size, 5000), 0) << c.what;

        device.signal(c.sig);
        // A reader blocked on the command channel is the first to learn of it.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        int r = ERROR_PPPP_TIME_OUT;
        while (r == ERROR_PPPP_TIME_OUT && std::chrono::steady_clock::now() < deadline) {
            size = 4;
            r = PPPP_Read(s, 0, buf, &size, 100);
        }
        EXPECT_EQ(r, c.expected) << c.what;
        st_PPPP_Session info;
        EXPECT_EQ(PPPP_Check(s, &info), c.expected) << c.what;
        EXPECT_EQ(PPPP_ForceClose(s), 0);
    }
    PPPP_DeInitialize();
}

}  // namespace
