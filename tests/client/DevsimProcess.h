// A devsim process on loopback for the client tests.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace vantor::client::test {

// Runs devsim until destroyed; Ready() waits for its "ready" line.
class Devsim {
  public:
    explicit Devsim(const std::string& options)
        : Devsim(std::vector<std::string>{"--device", options}) {}
    // Any devsim arguments (e.g. {"--fleet", path}); LAN search off, no standard input.
    explicit Devsim(std::vector<std::string> args) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
        std::string exe = DEVSIM_PATH;
        args.insert(args.begin(), exe);
        for (const char* a : {"--lan-search-port", "0", "--no-stdin"}) {
            args.emplace_back(a);
        }
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, exe.c_str(), &fa, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&fa);
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Devsim() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (out_ >= 0) {
            ::close(out_);
        }
    }
    bool Ready(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::string seen;
        while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                char buf[256];
                const ssize_t n = ::read(out_, buf, sizeof buf);
                if (n <= 0) {
                    return false;
                }
                seen.append(buf, static_cast<size_t>(n));
                if (seen.find("ready\n") != std::string::npos) {
                    return true;
                }
            }
        }
        return false;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

}  // namespace vantor::client::test
