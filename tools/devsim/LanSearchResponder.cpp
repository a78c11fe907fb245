#include "LanSearchResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "DeviceFaults.h"

namespace devsim {

namespace {

void PutText(std::string& buf, size_t offset, size_t width, const std::string& text) {
    size_t n = std::min(text.size(), width - 1);  // always NUL-terminated inside its field
    std::memcpy(&buf[offset], text.data(), n);
}

}  // namespace

LanSearchResponder::~LanSearchResponder() {
    stop();
}

std::string LanSearchResponder::BuildReply(const Entry& e) {
    std::string d(4 + kPayloadBytes, '\0');
    const uint16_t head[2] = {0x4844, 0x0801};
    std::memcpy(&d[0], head, sizeof head);
    std::string p(kPayloadBytes, '\0');
    PutText(p, kAddressOffset, 64, e.address);
    std::memcpy(&p[kPortOffset], &e.port, sizeof e.port);
    PutText(p, kIdOffset, kNameOffset - kIdOffset, e.id);
    PutText(p, kNameOffset, 64, e.name);
    p[kKindOffset] = static_cast<char>(e.kind);
    std::memcpy(&d[4], p.data(), p.size());
    return d;
}

bool LanSearchResponder::start(uint16_t port, Lister lister) {
    lister_ = std::move(lister);
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // The well-known port is shared with other simulators on the host; a free port is not.
    if (port != 0)
        setsockopt(fd_, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    running_ = true;
    thread_ = std::thread([this] { loop(); });
    return true;
}

void LanSearchResponder::stop() {
    if (running_.exchange(false) && thread_.joinable())
        thread_.join();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void LanSearchResponder::loop() {
    int64_t windowStart = SteadyMillis();
    int inWindow = 0;
    while (running_) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 100) != 1)
            continue;
        uint8_t buf[1500];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 4)
            continue;
        uint16_t h0, h1;
        std::memcpy(&h0, buf, 2);
        std::memcpy(&h1, buf + 2, 2);
        if (h0 != 0x4844 || h1 != 0x0101)
            continue;
        if ((ntohl(from.sin_addr.s_addr) >> 24) != 127)
            continue;  // loopback senders only
        int64_t now = SteadyMillis();
        if (now - windowStart >= 1000) {
            windowStart = now;
            inWindow = 0;
        }
        if (++inWindow > kMaxRequestsPerSecond)
            continue;
        for (const auto& e : lister_()) {
            std::string d = BuildReply(e);
            sendto(fd_, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    }
}

}  // namespace devsim
