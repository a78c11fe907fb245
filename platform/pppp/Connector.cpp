#include "Connector.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <set>

#include "PPPP_API.h"
#include "Registry.h"
#include "Session.h"
#include "Trace.h"
#include "TransportConfig.h"
#include "UniqueFd.h"
#include "pppp_wire.h"

namespace vantor::pppp {
namespace {

using Clock = std::chrono::steady_clock;

std::mutex g_breakMutex;
std::set<int>* g_breakFds = new std::set<int>;  // guarded by g_breakMutex; never destroyed

// Registers an eventfd that breakAll() signals, for the lifetime of one connect.
class BreakToken {
  public:
    BreakToken() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        if (!fd_.valid())
            return;
        std::lock_guard<std::mutex> lock(g_breakMutex);
        g_breakFds->insert(fd_.get());
    }
    ~BreakToken() {
        if (!fd_.valid())
            return;
        std::lock_guard<std::mutex> lock(g_breakMutex);
        g_breakFds->erase(fd_.get());
    }
    int fd() const { return fd_.get(); }
    bool broken() const {
        uint64_t v = 0;
        struct pollfd p = {fd_.get(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) && ::read(fd_.get(), &v, sizeof v) > 0;
    }

  private:
    UniqueFd fd_;
};

uint32_t nextNonce() {
    static std::atomic<uint32_t> counter{std::random_device{}()};
    return counter.fetch_add(0x9E3779B9u);
}

int msUntil(Clock::time_point t) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(ms, 0, 60000));
}

// Waits for fd to become ready for events, or the break, or the deadline.
// Returns 1 ready, 0 time-out, ERROR_PPPP_USER_CONNECT_BREAK, or -1 poll failure.
int waitFd(int fd, short events, const BreakToken& brk, Clock::time_point deadline) {
    while (true) {
        struct pollfd p[2] = {{fd, events, 0}, {brk.fd(), POLLIN, 0}};
        int r = ::poll(p, 2, msUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (p[1].revents & POLLIN)
            return ERROR_PPPP_USER_CONNECT_BREAK;
        if (r == 0)
            return 0;
        return 1;
    }
}

struct Located {
    sockaddr_in address{};
};

// Runs discovery; returns 0 with the session address, or an error.
int discover(const char* deviceId, uint8_t lanSearch, uint16_t udpPort, const BreakToken& brk,
             Located* out) {
    UniqueFd udp(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!udp.valid())
        return ERROR_PPPP_UDP_PORT_BIND_FAILED;
    int one = 1;
    setsockopt(udp.get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(udpPort);
    if (::bind(udp.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return ERROR_PPPP_UDP_PORT_BIND_FAILED;

    sockaddr_in dest{};
    dest.sin_family = AF_INET;
    dest.sin_addr = TransportConfig::broadcastAddress();
    dest.sin_port = htons(TransportConfig::discoveryPort());

    DiscoveryQuery q;
    q.lanSearch = lanSearch;
    q.nonce = nextNonce();
    std::strncpy(q.deviceId, deviceId, kDeviceIdMaxChars);
    uint8_t query[kDiscoveryQueryBytes];
    encodeQuery(q, query);

    const bool battery = Connector::isBatteryMode(lanSearch);
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(TransportConfig::discoveryWindowMs());
    auto nextSend =
        battery ? start + std::chrono::milliseconds((lanSearch - 30) * Connector::kBatteryOffsetMs)
                : start;
    int gap_ms = Connector::kNormalFirstGapMs;
    while (Clock::now() < deadline) {
        if (Clock::now() >= nextSend) {
            ssize_t r = ::sendto(udp.get(), query, sizeof query, 0,
                                 reinterpret_cast<sockaddr*>(&dest), sizeof dest);
            if (r < 0)
                Trace("discovery send failed: %s", std::strerror(errno));
            if (battery) {
                nextSend += std::chrono::milliseconds(Connector::kBatteryQueryMs);
            } else {
                nextSend += std::chrono::milliseconds(gap_ms);
                gap_ms = std::min(gap_ms * 2, Connector::kNormalMaxGapMs);
            }
        }
        int w = waitFd(udp.get(), POLLIN, brk, std::min(nextSend, deadline));
        if (w == ERROR_PPPP_USER_CONNECT_BREAK)
            return w;
        if (w < 0)
            return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
        if (w == 0)
            continue;
        // Drain what arrived; every datagram is checked whole and dropped unless it is ours.
        for (int i = 0; i < 16; ++i) {
            uint8_t buf[kDiscoveryAnswerBytes + 1];
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            ssize_t n = ::recvfrom(udp.get(), buf, sizeof buf, 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n < 0)
                break;
            DiscoveryAnswer a;
            if (!decodeAnswer(buf, static_cast<size_t>(n), &a))
                continue;
            if (a.nonce != q.nonce || !sameDeviceId(a.deviceId, deviceId))
                continue;
            if (a.status == kDiscoveryModeRefused) {
                Trace("device %s refuses lanSearch %u", deviceId, lanSearch);
                return ERROR_PPPP_DEVICE_NOT_ONLINE;
            }
            out->address = from;
            out->address.sin_port = htons(a.sessionPort);
            return 0;
        }
    }
    return ERROR_PPPP_DEVICE_NOT_ONLINE;
}

int openSession(const char* deviceId, int lanSearch, const Located& at, const BreakToken& brk,
                UniqueFd* out, uint32_t* peerWindow) {
    UniqueFd tcp(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!tcp.valid())
        return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
    if (::connect(tcp.get(), reinterpret_cast<const sockaddr*>(&at.address), sizeof at.address) !=
            0 &&
        errno != EINPROGRESS) {
        return errno == ECONNREFUSED ? ERROR_PPPP_DEVICE_NOT_ONLINE
                                     : ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(Connector::kTcpConnectMs);
    int w = waitFd(tcp.get(), POLLOUT, brk, deadline);
    if (w == ERROR_PPPP_USER_CONNECT_BREAK)
        return w;
    if (w == 0)
        return ERROR_PPPP_TIME_OUT;
    int err = 0;
    socklen_t len = sizeof err;
    if (w < 0 || getsockopt(tcp.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0)
        return err == ECONNREFUSED ? ERROR_PPPP_DEVICE_NOT_ONLINE
                                   : ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;

    Hello h;
    h.lanSearch = lanSearch;
    h.nonce = nextNonce();
    h.windowBytes = Session::kReceiveWindowBytes;
    std::strncpy(h.deviceId, deviceId, kDeviceIdMaxChars);
    uint8_t hello[kHelloBytes];
    encodeHello(h, hello);
    // A fresh socket's send buffer always takes the whole hello at once.
    if (::send(tcp.get(), hello, sizeof hello, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof hello))
        return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;

    uint8_t ack[kHelloAckBytes];
    size_t have = 0;
    deadline = Clock::now() + std::chrono::milliseconds(Connector::kHandshakeMs);
    while (have < sizeof ack) {
        w = waitFd(tcp.get(), POLLIN, brk, deadline);
        if (w == ERROR_PPPP_USER_CONNECT_BREAK)
            return w;
        if (w == 0)
            return ERROR_PPPP_TIME_OUT;
        if (w < 0)
            return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
        ssize_t n = ::recv(tcp.get(), ack + have, sizeof ack - have, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
        have += static_cast<size_t>(n);
    }
    HelloAck a;
    if (!decodeHelloAck(ack, sizeof ack, &a))
        return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
    switch (a.status) {
        case kHelloAccepted:
            break;
        case kHelloUnknownId:
        case kHelloRefused:
            return ERROR_PPPP_DEVICE_NOT_ONLINE;
        case kHelloBusy:
            return ERROR_PPPP_MAX_SESSION;
        default:
            return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
    }
    *peerWindow = a.windowBytes;
    *out = std::move(tcp);
    return 0;
}

}  // namespace

int Connector::connect(const char* deviceId, char lanSearch, uint16_t udpPort) {
    BreakToken brk;
    if (brk.fd() < 0)
        return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
    const auto mode = static_cast<uint8_t>(lanSearch);
    Located at;
    int r = discover(deviceId, mode, udpPort, brk, &at);
    if (r != 0)
        return r;
    UniqueFd tcp;
    uint32_t peerWindow = 0;
    r = openSession(deviceId, mode, at, brk, &tcp, &peerWindow);
    if (r != 0)
        return r;
    // A break that came in the last instant still wins: the caller asked to stop.
    if (brk.broken())
        return ERROR_PPPP_USER_CONNECT_BREAK;

    Session::Params p;
    socklen_t len = sizeof p.local;
    getsockname(tcp.get(), reinterpret_cast<sockaddr*>(&p.local), &len);
    len = sizeof p.remote;
    getpeername(tcp.get(), reinterpret_cast<sockaddr*>(&p.remote), &len);
    std::strncpy(p.deviceId, deviceId, kDeviceIdMaxChars);
    p.lanSearch = mode;
    p.peerWindowBytes = peerWindow;
    auto session = std::make_shared<Session>(tcp.release(), p);
    if (!session->start())
        return ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE;
    int handle = Registry::sessions().add(session, Registry::kClientTag);
    if (handle < 0) {
        session->close(false);
        return ERROR_PPPP_MAX_SESSION;
    }
    Trace("connected to %s (lanSearch %u) as session %d", deviceId, mode, handle);
    return handle;
}

int Connector::breakAll() {
    std::lock_guard<std::mutex> lock(g_breakMutex);
    uint64_t one = 1;
    for (int fd : *g_breakFds) {
        ssize_t r = ::write(fd, &one, sizeof one);
        (void)r;
    }
    return static_cast<int>(g_breakFds->size());
}

}  // namespace vantor::pppp
