// A helper server process for the HTTP tests: started with a pipe on its stdout, from which
// the first line (the port it listens on, on 127.0.0.1) is read with a deadline. The
// destructor always kills and reaps it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace testtools {

// The system interpreter when there is one: version-manager shims start slowly and stand
// between the test and the process it has to kill.
inline std::string pythonPath() {
    return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

class PeerProcess {
  public:
    // argv[0] is the program. Starting does not wait; port() waits up to startDeadline_ms for
    // the port line, so several peers can start side by side.
    explicit PeerProcess(const std::vector<std::string>& argv, int startDeadline_ms = 10000)
        : startDeadline_ms_(startDeadline_ms) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (posix_spawnp(&pid_, args[0], &fa, nullptr, args.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        out_ = fds[0];
    }
    ~PeerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // 0 when the server did not come up.
    int port() {
        if (!portRead_ && pid_ > 0)
            port_ = readPort(startDeadline_ms_);
        portRead_ = true;
        return port_;
    }

  private:
    int readPort(int deadline_ms) {
        std::string line;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline_ms);
        while (line.find('\n') == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return 0;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return 0;
            char c;
            if (read(out_, &c, 1) != 1)
                return 0;
            line.push_back(c);
        }
        // "Serving HTTP on 127.0.0.1 port N ..." (http.server) or just "N" (our peer).
        size_t at = line.find(" port ");
        return std::atoi(line.c_str() + (at == std::string::npos ? 0 : at + 6));
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int port_ = 0;
    bool portRead_ = false;
    int startDeadline_ms_;
};

}  // namespace testtools
