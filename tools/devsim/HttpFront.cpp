#include "HttpFront.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace devsim {

HttpFront::HttpFront(DeviceContext& device) : device_(device) {}

HttpFront::~HttpFront() {
    stop();
}

bool HttpFront::start(int port, const std::string& host) {
    in_addr addr{};
    if (inet_pton(AF_INET, host.c_str(), &addr) != 1 || (ntohl(addr.s_addr) >> 24) != 127)
        return false;
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        return false;
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr = addr;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 ||
        ::listen(listenFd_, 16) < 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socklen_t len = sizeof a;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    running_ = true;
    thread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void HttpFront::stop() {
    if (running_.exchange(false)) {
        uint64_t one = 1;
        if (wakeFd_ >= 0 && ::write(wakeFd_, &one, sizeof one) < 0) {
            // The accept loop still ends within its poll interval.
        }
        if (thread_.joinable())
            thread_.join();
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
    reap(true);
}

void HttpFront::dropConnections() {
    reap(true);
}

int HttpFront::pushNotice(uint8_t kind) {
    std::lock_guard<std::mutex> g(mutex_);
    int n = 0;
    for (auto& c : conns_) {
        if (c.conn->isLive() && !c.conn->finished()) {
            c.conn->pushNotice(kind);
            ++n;
        }
    }
    return n;
}

void HttpFront::reap(bool all) {
    std::vector<Conn> dead;
    {
        std::lock_guard<std::mutex> g(mutex_);
        for (auto it = conns_.begin(); it != conns_.end();) {
            if (all || it->conn->finished()) {
                it->conn->shutdown();
                dead.push_back(std::move(*it));
                it = conns_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : dead) {
        if (c.thread.joinable())
            c.thread.join();
    }
}

void HttpFront::acceptLoop() {
    while (running_) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        int rc = poll(p, 2, 100);
        reap(false);
        if (rc <= 0 || !(p[0].revents & POLLIN))
            continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> g(mutex_);
        if (!online_ || conns_.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Conn c;
        c.conn = std::make_unique<HttpConnection>(device_, fd);
        HttpConnection* raw = c.conn.get();
        c.thread = std::thread([raw] { raw->run(); });
        conns_.push_back(std::move(c));
    }
}

}  // namespace devsim
