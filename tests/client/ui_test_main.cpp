// The shell tests need a display: the run starts its own Xvfb (-displayfd) and uses it; test
// discovery only lists names and runs offscreen.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>

#include <cstring>
#include <string>

extern char** environ;

// The X11 platform plugin's D-Bus connection keeps a buffer until exit; it is not ours.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace {

pid_t StartXvfb() {
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    std::string fd = std::to_string(fds[1]);
    std::string exe = "/usr/bin/Xvfb", a1 = "-displayfd", a3 = "-screen", a4 = "0",
                a5 = "1600x1000x24", a6 = "-nolisten", a7 = "tcp";
    char* argv[] = {exe.data(), a1.data(), fd.data(), a3.data(), a4.data(),
                    a5.data(),  a6.data(), a7.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    char buf[16] = {};
    size_t got = 0;
    while (pid > 0 && got < sizeof buf - 1) {
        const ssize_t n = ::read(fds[0], buf + got, sizeof buf - 1 - got);
        if (n <= 0 || std::memchr(buf, '\n', got + static_cast<size_t>(n))) {
            got += n > 0 ? static_cast<size_t>(n) : 0;
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fds[0]);
    const std::string display = ":" + std::string(buf, strcspn(buf, "\n"));
    ::setenv("DISPLAY", display.c_str(), 1);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        listing |= std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    }
    pid_t xvfb = -1;
    if (listing) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        xvfb = StartXvfb();
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    int rc;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (xvfb > 0) {
        ::kill(xvfb, SIGTERM);
        int status = 0;
        ::waitpid(xvfb, &status, 0);
    }
    return rc;
}
