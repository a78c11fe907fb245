#include "Device.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#include "Connector.h"
#include "Registry.h"
#include "Session.h"
#include "Trace.h"
#include "TransportConfig.h"

namespace vantor::pppp {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxDatagramsPerTurn = 32;

void sendAck(int fd, uint16_t status, uint16_t version = kWireVersion) {
    HelloAck a;
    a.version = version;
    a.status = status;
    a.windowBytes = status == kHelloAccepted ? Session::kReceiveWindowBytes : 0;
    uint8_t buf[kHelloAckBytes];
    encodeHelloAck(a, buf);
    ssize_t r = ::send(fd, buf, sizeof buf, MSG_NOSIGNAL | MSG_DONTWAIT);
    (void)r;  // a refused client that already left needs no answer
}

}  // namespace

Device::Device(const char* deviceId, const PPPP_DeviceOptions& options) : options_(options) {
    std::strncpy(deviceId_, deviceId, kDeviceIdMaxChars);
    if (options_.acceptModes == 0)
        options_.acceptModes = PPPP_ACCEPT_NORMAL | PPPP_ACCEPT_BATTERY;
}

Device::~Device() {
    stop();
}

int Device::start() {
    udp_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    listen_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    wake_.reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!udp_.valid() || !listen_.valid() || !wake_.valid())
        return ERROR_PPPP_UDP_PORT_BIND_FAILED;

    // Every device of every process on this host shares the discovery port; broadcasts reach
    // all of them and each answers only for its own ID.
    int one = 1;
    setsockopt(udp_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(udp_.get(), SOL_SOCKET, SO_REUSEPORT, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(TransportConfig::discoveryPort());
    if (::bind(udp_.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        Trace("device %s: discovery bind failed: %s", deviceId_, std::strerror(errno));
        return ERROR_PPPP_UDP_PORT_BIND_FAILED;
    }

    setsockopt(listen_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    a.sin_port = htons(options_.sessionPort);
    if (::bind(listen_.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listen_.get(), kListenBacklog) != 0) {
        Trace("device %s: session port bind failed: %s", deviceId_, std::strerror(errno));
        return ERROR_PPPP_UDP_PORT_BIND_FAILED;
    }
    socklen_t len = sizeof a;
    getsockname(listen_.get(), reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);

    try {
        service_ = std::thread([this] { serviceLoop(); });
    } catch (const std::system_error&) {
        return ERROR_PPPP_UDP_PORT_BIND_FAILED;
    }
    Trace("device %s: listening on port %d", deviceId_, port_);
    return 0;
}

int Device::accept(uint32_t timeout_ms, PPPP_AcceptInfo* info) {
    std::unique_lock<std::mutex> lock(mutex_);
    bool ready = acceptable_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                      [this] { return stopped_ || !queue_.empty(); });
    if (stopped_)
        return ERROR_PPPP_USER_LISTEN_BREAK;
    if (!ready)
        return ERROR_PPPP_TIME_OUT;
    Accepted a = queue_.front();
    queue_.pop_front();
    if (info != nullptr) {
        std::memset(info, 0, sizeof *info);
        info->lanSearch = a.lanSearch;
        std::memcpy(info->remoteAddr, &a.remote, sizeof info->remoteAddr);
    }
    return a.handle;
}

void Device::setOnline(bool online) {
    std::lock_guard<std::mutex> lock(mutex_);
    online_ = online;
}

void Device::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_)
            return;
        stopped_ = true;
        acceptable_.notify_all();
    }
    if (wake_.valid()) {
        uint64_t one = 1;
        ssize_t r = ::write(wake_.get(), &one, sizeof one);
        (void)r;
    }
    if (service_.joinable())
        service_.join();
    pending_.clear();
    udp_.reset();
    listen_.reset();
    // Only now is the queue final: the service thread may have queued a session up to its end.
    std::deque<Accepted> orphans;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        orphans.swap(queue_);
    }
    for (const Accepted& a : orphans) {
        HandleTable<Session>::Found found;
        auto s = Registry::sessions().retire(a.handle, &found);
        if (s != nullptr)
            s->close(false);
    }
}

bool Device::modeAccepted(int lanSearch) const {
    uint32_t need = Connector::isBatteryMode(lanSearch) ? PPPP_ACCEPT_BATTERY : PPPP_ACCEPT_NORMAL;
    return (options_.acceptModes & need) != 0;
}

void Device::answerDiscovery() {
    for (int i = 0; i < kMaxDatagramsPerTurn; ++i) {
        uint8_t buf[kDiscoveryQueryBytes + 1];
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        ssize_t n = ::recvfrom(udp_.get(), buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from),
                               &fromLen);
        if (n < 0)
            return;
        DiscoveryQuery q;
        if (!decodeQuery(buf, static_cast<size_t>(n), &q) || !sameDeviceId(q.deviceId, deviceId_))
            continue;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!online_)
                continue;
        }
        DiscoveryAnswer a;
        a.status = modeAccepted(q.lanSearch) ? kDiscoveryReady : kDiscoveryModeRefused;
        a.nonce = q.nonce;
        std::memcpy(a.deviceId, deviceId_, sizeof a.deviceId);
        a.sessionPort = static_cast<uint16_t>(port_);
        uint8_t out[kDiscoveryAnswerBytes];
        encodeAnswer(a, out);
        ssize_t r =
            ::sendto(udp_.get(), out, sizeof out, 0, reinterpret_cast<sockaddr*>(&from), fromLen);
        (void)r;
    }
}

void Device::acceptConnections() {
    for (int i = 0; i < kListenBacklog; ++i) {
        Pending p;
        socklen_t len = sizeof p.remote;
        p.fd.reset(::accept4(listen_.get(), reinterpret_cast<sockaddr*>(&p.remote), &len,
                             SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!p.fd.valid())
            return;
        if (pending_.size() >= static_cast<size_t>(kMaxPendingHandshakes)) {
            Trace("device %s: too many half-open connections, dropping one", deviceId_);
            continue;  // closed by Pending's destructor
        }
        p.deadline = Clock::now() + std::chrono::milliseconds(kHandshakeTimeoutMs);
        pending_.push_back(std::move(p));
    }
}

bool Device::continueHandshake(Pending& p) {
    ssize_t n = ::recv(p.fd.get(), p.hello + p.have, sizeof p.hello - p.have, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (n <= 0)
        return false;
    p.have += static_cast<size_t>(n);
    if (p.have < sizeof p.hello)
        return true;
    finishHandshake(p);
    return false;
}

void Device::finishHandshake(Pending& p) {
    Hello h;
    uint16_t version = 0;
    if (!decodeHello(p.hello, sizeof p.hello, &h, &version))
        return;  // hostile or garbled
    if (version != kWireVersion) {
        sendAck(p.fd.get(), kHelloBadVersion);
        return;
    }
    if (!sameDeviceId(h.deviceId, deviceId_)) {
        sendAck(p.fd.get(), kHelloUnknownId);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!online_ || !modeAccepted(h.lanSearch)) {
            sendAck(p.fd.get(), kHelloRefused);
            return;
        }
        if (queue_.size() >= kMaxAcceptQueue) {
            sendAck(p.fd.get(), kHelloBusy);
            return;
        }
    }
    Session::Params params;
    socklen_t len = sizeof params.local;
    getsockname(p.fd.get(), reinterpret_cast<sockaddr*>(&params.local), &len);
    params.remote = p.remote;
    std::memcpy(params.deviceId, deviceId_, sizeof params.deviceId);
    params.lanSearch = h.lanSearch;
    params.peerWindowBytes = h.windowBytes;
    int fd = p.fd.get();
    sendAck(fd, kHelloAccepted);
    auto session = std::make_shared<Session>(p.fd.release(), params);
    if (!session->start())
        return;
    int handle = Registry::sessions().add(session, Registry::kDeviceTag);
    if (handle < 0) {
        // The client already saw "accepted"; it now sees the session closed at once.
        Trace("device %s: no free session handle", deviceId_);
        session->close(false);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(Accepted{handle, h.lanSearch, p.remote});
    acceptable_.notify_one();
}

void Device::serviceLoop() {
    std::vector<struct pollfd> fds;
    while (true) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopped_)
                return;
        }
        auto now = Clock::now();
        // Half-open connections that never finish their hello are dropped.
        pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                      [now](const Pending& p) { return now >= p.deadline; }),
                       pending_.end());
        int timeout_ms = -1;
        for (const Pending& p : pending_) {
            auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(p.deadline - now);
            int t = static_cast<int>(std::max<int64_t>(ms.count() + 1, 0));
            timeout_ms = timeout_ms < 0 ? t : std::min(timeout_ms, t);
        }
        fds.clear();
        fds.push_back({wake_.get(), POLLIN, 0});
        fds.push_back({udp_.get(), POLLIN, 0});
        fds.push_back({listen_.get(), POLLIN, 0});
        for (const Pending& p : pending_)
            fds.push_back({p.fd.get(), POLLIN, 0});
        int r = ::poll(fds.data(), fds.size(), timeout_ms);
        if (r < 0 && errno != EINTR) {
            Trace("device %s: poll failed: %s", deviceId_, std::strerror(errno));
            return;
        }
        if (r <= 0)
            continue;
        if (fds[0].revents & POLLIN)
            continue;  // stop() woke us; checked at the top
        if (fds[1].revents & POLLIN)
            answerDiscovery();
        // Handshakes before new connections: the poll entries match pending_ as it was.
        size_t count = pending_.size();
        std::deque<Pending> keep;
        for (size_t i = 0; i < count; ++i) {
            Pending& p = pending_[i];
            bool more = true;
            if (fds[3 + i].revents & (POLLIN | POLLHUP | POLLERR))
                more = continueHandshake(p);
            if (more)
                keep.push_back(std::move(p));
        }
        pending_.swap(keep);
        if (fds[2].revents & POLLIN)
            acceptConnections();
    }
}

}  // namespace vantor::pppp
