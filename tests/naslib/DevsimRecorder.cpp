#include "DevsimRecorder.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

namespace {

constexpr const char* kHost = "127.0.0.14";

}  // namespace

DevsimRecorder::DevsimRecorder(std::string deviceId, std::string user, std::string password)
    : id_(std::move(deviceId)), user_(std::move(user)), password_(std::move(password)) {}

DevsimRecorder::~DevsimRecorder() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (toChild_ >= 0)
        ::close(toChild_);
    if (fromChild_ >= 0)
        ::close(fromChild_);
    if (!fleetPath_.empty())
        std::remove(fleetPath_.c_str());
}

bool DevsimRecorder::start() {
    ::signal(SIGPIPE, SIG_IGN);  // a simulator that died must fail the test, not kill it
    fleetPath_ = ::testing::TempDir() + "/morsk_devsim_" + id_ + ".xml";
    {
        // Small pictures and short recordings keep the simulator's start and playback quick.
        std::ofstream f(fleetPath_);
        f << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<fleet>\n"
          << "  <device id=\"" << id_ << "\" name=\"Rec\" kind=\"wvr\" user=\"" << user_
          << "\" password=\"" << password_
          << "\" width=\"320\" height=\"180\" fps=\"10\" recordings=\"2\" httpPort=\"0\" host=\""
          << kHost << "\"/>\n</fleet>\n";
        if (!f)
            return false;
    }
    int in[2], out[2];
    if (::pipe(in) != 0)
        return false;
    if (::pipe(out) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::close(in[0]);
        ::close(in[1]);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(DEVSIM_PATH, "devsim", "--fleet", fleetPath_.c_str(), "--lan-search-port", "0",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
    if (pid_ < 0)
        return false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyTimeout_ms);
    std::string line;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!readLine(&line, kReadyTimeout_ms))
            return false;
        const std::string tag = std::string("http=") + kHost + ":";
        size_t at = line.find(tag);
        if (line.rfind(id_, 0) == 0 && at != std::string::npos) {
            httpHost_ = kHost;
            httpPort_ = std::atoi(line.c_str() + at + tag.size());
        }
        if (line == "ready")
            return httpPort_ > 0;
    }
    return false;
}

bool DevsimRecorder::readLine(std::string* line, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        size_t eol = pending_.find('\n');
        if (eol != std::string::npos) {
            *line = pending_.substr(0, eol);
            pending_.erase(0, eol + 1);
            return true;
        }
        if (pending_.size() > kMaxLineBytes)
            return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            return false;
        pollfd p{fromChild_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buf[512];
        ssize_t n = ::read(fromChild_, buf, sizeof buf);
        if (n <= 0)
            return false;
        pending_.append(buf, static_cast<size_t>(n));
    }
}

std::string DevsimRecorder::command(const std::string& line) {
    std::string text = line + "\n";
    if (::write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return "error write";
    std::string reply;
    if (!readLine(&reply, kReplyTimeout_ms))
        return "error no reply";
    return reply.rfind("ok ", 0) == 0 ? reply.substr(3) : reply;
}

std::string DevsimRecorder::setting(const std::string& key) {
    return command("get " + id_ + " " + key);
}
