#include "P2pTarpit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "pppp_wire.h"

namespace devsim {

namespace {

// The transport's discovery port, as the transport itself reads it.
uint16_t DiscoveryPort() {
    const char* v = std::getenv("VANTOR_PPPP_DISCOVERY_PORT");
    if (v != nullptr && *v != '\0') {
        char* end = nullptr;
        long n = std::strtol(v, &end, 10);
        if (end != v && *end == '\0' && n >= 1 && n <= 65535)
            return static_cast<uint16_t>(n);
    }
    return vantor::pppp::kDiscoveryPortDefault;
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

}  // namespace

P2pTarpit::P2pTarpit(std::string deviceId) : deviceId_(std::move(deviceId)) {}

P2pTarpit::~P2pTarpit() {
    stop();
}

bool P2pTarpit::start() {
    if (running())
        return true;
    udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int one = 1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(DiscoveryPort());
    bool ok = udp_ >= 0 && listen_ >= 0 && wake_ >= 0;
    if (ok) {
        // Shares the discovery port with every device face of this host, as they do.
        setsockopt(udp_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        setsockopt(udp_, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one);
        ok = ::bind(udp_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    if (ok) {
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        ok = ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
             ::listen(listen_, static_cast<int>(kMaxHeldConnections)) == 0;
    }
    socklen_t len = sizeof a;
    if (ok && getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port_ = ntohs(a.sin_port);
    if (!ok || port_ == 0) {
        closeAll();
        return false;
    }
    thread_ = std::thread([this] { serviceLoop(); });
    return true;
}

void P2pTarpit::stop() {
    if (thread_.joinable()) {
        uint64_t one = 1;
        ssize_t r = ::write(wake_, &one, sizeof one);
        (void)r;
        thread_.join();
    }
    closeAll();
}

void P2pTarpit::closeAll() {
    for (int& fd : held_)
        CloseFd(fd);
    held_.clear();
    CloseFd(udp_);
    CloseFd(listen_);
    CloseFd(wake_);
}

void P2pTarpit::answerQueries() {
    namespace w = vantor::pppp;
    for (int i = 0; i < kMaxDatagramsPerTurn; ++i) {
        uint8_t buf[w::kDiscoveryQueryBytes + 1];
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        ssize_t n =
            ::recvfrom(udp_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0)
            return;
        w::DiscoveryQuery q;
        if (!w::decodeQuery(buf, static_cast<size_t>(n), &q) ||
            !w::sameDeviceId(q.deviceId, deviceId_.c_str()))
            continue;
        w::DiscoveryAnswer ans;
        ans.status = w::kDiscoveryReady;
        ans.nonce = q.nonce;
        std::strncpy(ans.deviceId, deviceId_.c_str(), sizeof ans.deviceId - 1);
        ans.sessionPort = port_;
        uint8_t out[w::kDiscoveryAnswerBytes];
        w::encodeAnswer(ans, out);
        ssize_t r = ::sendto(udp_, out, sizeof out, 0, reinterpret_cast<sockaddr*>(&from), fromLen);
        (void)r;
    }
}

void P2pTarpit::holdConnections() {
    for (size_t i = 0; i < kMaxHeldConnections; ++i) {
        int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        // The client's hello is never answered; the oldest held connection makes room.
        if (held_.size() >= kMaxHeldConnections) {
            ::close(held_.front());
            held_.erase(held_.begin());
        }
        held_.push_back(fd);
    }
}

void P2pTarpit::serviceLoop() {
    for (;;) {
        pollfd fds[3] = {{wake_, POLLIN, 0}, {udp_, POLLIN, 0}, {listen_, POLLIN, 0}};
        int r = ::poll(fds, 3, -1);
        if (r < 0)
            continue;
        if (fds[0].revents & POLLIN)
            return;
        if (fds[1].revents & POLLIN)
            answerQueries();
        if (fds[2].revents & POLLIN)
            holdConnections();
    }
}

}  // namespace devsim
