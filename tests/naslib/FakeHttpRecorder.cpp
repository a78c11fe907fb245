#include "FakeHttpRecorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

FakeHttpRecorder::FakeHttpRecorder(const std::string& user, const std::string& pwd)
    : user_(user), pwd_(pwd) {}

FakeHttpRecorder::~FakeHttpRecorder() {
    stop();
}

bool FakeHttpRecorder::start() {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(listenFd_, 64) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return false;
    port_ = ntohs(a.sin_port);
    running_ = true;
    acceptThread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void FakeHttpRecorder::stop() {
    if (!running_.exchange(false))
        return;
    acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> g(mu_);
        for (int fd : fds_)
            shutdown(fd, SHUT_RDWR);
        threads.swap(threads_);
    }
    for (auto& t : threads)
        t.join();
    close(listenFd_);
}

void FakeHttpRecorder::on(const std::string& cgi, FakeHandler h) {
    std::lock_guard<std::mutex> g(mu_);
    handlers_[cgi] = std::move(h);
}

void FakeHttpRecorder::acceptLoop() {
    while (running_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> g(mu_);
        fds_.push_back(fd);
        threads_.emplace_back([this, fd] { serve(fd); });
    }
}

void FakeHttpRecorder::serve(int fd) {
    serveOne(fd);
    std::lock_guard<std::mutex> g(mu_);
    for (auto it = fds_.begin(); it != fds_.end(); ++it) {
        if (*it == fd) {
            fds_.erase(it);
            break;
        }
    }
    close(fd);
}

void FakeHttpRecorder::serveOne(int fd) {
    std::string req;
    char buf[4096];
    while (running_ && req.find("\r\n\r\n") == std::string::npos && req.size() < 65536) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        req.append(buf, static_cast<size_t>(n));
    }
    log_.add(req);
    std::string cgi = CgiOf(req);
    if (cgi == "livestream.cgi" || cgi == "audiostream.cgi" || cgi == "nas_recordplay.cgi") {
        {
            std::lock_guard<std::mutex> g(mu_);
            streams_[cgi] = fd;
        }
        cv_.notify_all();
        // Keep the connection until the client closes it or the fake stops.
        while (running_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) > 0 && recv(fd, buf, sizeof buf, 0) <= 0)
                break;
        }
        std::lock_guard<std::mutex> g(mu_);
        if (streams_[cgi] == fd)
            streams_.erase(cgi);
        return;
    }
    FakeHandler h;
    {
        std::lock_guard<std::mutex> g(mu_);
        auto it = handlers_.find(cgi);
        if (it != handlers_.end())
            h = it->second;
    }
    FakeAnswer a = h ? h(cgi, req) : FakeAnswer{0, ""};
    std::string resp = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                       std::to_string(a.text.size()) + "\r\n\r\n" + a.text;
    send(fd, resp.data(), resp.size(), MSG_NOSIGNAL);
    shutdown(fd, SHUT_WR);
}

bool FakeHttpRecorder::sendStream(const std::string& cgi, const std::string& bytes,
                                  int timeout_ms) {
    int fd = -1;
    {
        std::unique_lock<std::mutex> g(mu_);
        if (!cv_.wait_for(g, std::chrono::milliseconds(timeout_ms),
                          [&] { return streams_.count(cgi) > 0; }))
            return false;
        fd = streams_[cgi];
    }
    return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}
