#include "CAPTcpClientSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "DebugOut.h"
#include "LockGuard.h"

namespace vantor {
namespace {

bool setBlocking(int fd, bool blocking) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}

int pollOne(int fd, short events, int timeout_ms) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = poll(&p, 1, timeout_ms);
    } while (r < 0 && errno == EINTR);
    return r;
}

}  // namespace

CAPTcpClientSocket::CAPTcpClientSocket(int connectTimeout_ms)
    : connectTimeout_ms_(connectTimeout_ms) {}

CAPTcpClientSocket::~CAPTcpClientSocket() {
    Close();
}

int CAPTcpClientSocket::Connect(const char* host, int port) {
    if (connected_)
        return 1;
    port_ = port;
    addrinfo* results = nullptr;
    if (host == nullptr || getaddrinfo(host, nullptr, nullptr, &results) != 0) {
        DebugOut("TcpClientSocket getaddrinfo failed.");
        return 0;
    }
    address_[0] = 0;
    // The resolver's last answer of either family is the one used.
    for (addrinfo* ai = results; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET) {
            auto* sin = reinterpret_cast<sockaddr_in*>(ai->ai_addr);
            inet_ntop(AF_INET, &sin->sin_addr, address_, sizeof address_);
            ipv6_ = 0;
        } else if (ai->ai_family == AF_INET6) {
            auto* sin6 = reinterpret_cast<sockaddr_in6*>(ai->ai_addr);
            inet_ntop(AF_INET6, &sin6->sin6_addr, address_, sizeof address_);
            ipv6_ = 1;
        }
    }
    freeaddrinfo(results);
    DebugOut("IPV%d addr:%s\n", ipv6_ ? 6 : 4, address_);
    if (address_[0] == 0)
        return 0;

    if (!CreateSocket()) {
        DebugOut("TcpClientSocket create socket failed.");
        return 0;
    }

    sockaddr_storage addr{};
    socklen_t addrLen;
    if (ipv6_) {
        auto* sin6 = reinterpret_cast<sockaddr_in6*>(&addr);
        sin6->sin6_family = AF_INET6;
        sin6->sin6_port = htons(static_cast<uint16_t>(port));
        if (inet_pton(AF_INET6, address_, &sin6->sin6_addr) != 1) {
            Close();
            return 0;
        }
        addrLen = sizeof *sin6;
    } else {
        auto* sin = reinterpret_cast<sockaddr_in*>(&addr);
        sin->sin_family = AF_INET;
        sin->sin_port = htons(static_cast<uint16_t>(port));
        if (inet_pton(AF_INET, address_, &sin->sin_addr) != 1) {
            Close();
            return 0;
        }
        addrLen = sizeof *sin;
    }

    if (!setBlocking(socket_, false)) {
        Close();
        return 0;
    }
    if (connect(socket_, reinterpret_cast<sockaddr*>(&addr), addrLen) != 0 &&
        errno != EINPROGRESS) {
        DebugOut("TcpClientSocket connect error. %d", errno);
        Close();
        return 0;
    }
    DebugOut("socket connect succ.\n");
    // A refused connection also reports writable; SO_ERROR tells the two apart.
    int soError = 0;
    socklen_t soLen = sizeof soError;
    if (pollOne(socket_, POLLOUT, connectTimeout_ms_) <= 0 ||
        getsockopt(socket_, SOL_SOCKET, SO_ERROR, &soError, &soLen) != 0 || soError != 0 ||
        !setBlocking(socket_, true)) {
        DebugOut("TcpClientSocket select error or timeout.\n");
        Close();
        return 0;
    }
    connected_ = 1;
    return 1;
}

int CAPTcpClientSocket::CreateSocket() {
    if (socket_ >= 0)
        return 1;
    socket_ = socket(ipv6_ ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        DebugOut("%s socket failed.", "CAPTcpClientSocket::CreateSocket");
        return 0;
    }
    int on = 1;
    if (setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        Close();
        return 0;
    }
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return 1;
}

int CAPTcpClientSocket::Close() {
    int fd = socket_.load();
    if (fd < 0) {
        connected_ = 0;
        return -1;
    }
    shutdown(fd, SHUT_RDWR);
    LockGuard guard(sendLock_);
    connected_ = 0;
    fd = socket_.exchange(-1);
    return fd < 0 ? -1 : close(fd);
}

int CAPTcpClientSocket::Send(const void* data, size_t length) {
    LockGuard guard(sendLock_);
    const int fd = socket_.load();
    if (fd < 0)
        return -EBADF;
    const auto* p = static_cast<const char*>(data);
    size_t sent = 0;
    while (sent < length) {
        ssize_t r = send(fd, p + sent, length - sent, MSG_NOSIGNAL);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -errno;
        }
        sent += static_cast<size_t>(r);
    }
    return static_cast<int>(sent);
}

int CAPTcpClientSocket::Recv(void* buffer, size_t size) {
    const int fd = socket_.load();
    if (fd < 0)
        return -EBADF;
    ssize_t r;
    do {
        r = recv(fd, buffer, size, 0);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? -errno : static_cast<int>(r);
}

int CAPTcpClientSocket::WaitReadable(int timeout_ms) {
    const int fd = socket_.load();
    if (fd < 0)
        return -1;
    return pollOne(fd, POLLIN, timeout_ms);
}

void CAPTcpClientSocket::Adopt(int fd) {
    Close();
    socket_ = fd;
    connected_ = fd >= 0 ? 1 : 0;
}

}  // namespace vantor
