#include "LanSearcher.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "DebugOut.h"
#include "LockGuard.h"

namespace vantor {
namespace {

uint32_t BroadcastAddress() {
    const char* env = getenv("VANTOR_BROADCAST_ADDR");
    in_addr a;
    if (env != nullptr && env[0] != '\0' && inet_pton(AF_INET, env, &a) == 1) {
        return a.s_addr;
    }
    return htonl(INADDR_BROADCAST);
}

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

LanSearcher::LanSearcher(int port)
    : destAddr_(BroadcastAddress()), destPort_(static_cast<uint16_t>(port)) {
    srand(static_cast<unsigned>(time(nullptr)));
}

LanSearcher::~LanSearcher() {
    Close();
}

int LanSearcher::Open() {
    if (socket_.load() >= 0) {
        return 1;
    }
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    int on = 1;
    int rcv = kSearchReceiveBufferBytes;
    if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0 ||
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcv, sizeof(rcv)) != 0) {
        close(fd);
        return 0;
    }
    // A random port may be taken: a few more draws before giving up.
    bool bound = false;
    for (int i = 0; i < kSearchBindAttempts && !bound; ++i) {
        int port = rand() % 65535;
        if (port < kSearchPortFloor) {
            port += kSearchPortFloor;
        }
        sockaddr_in local;
        memset(&local, 0, sizeof(local));
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = htons(static_cast<uint16_t>(port));
        if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0) {
            localPort_ = port;
            bound = true;
        }
    }
    if (!bound) {
        DebugOut("LAN search bind failed: %d\n", errno);
        close(fd);
        return 0;
    }
    socket_.store(fd);
    stop_.store(false);
    if (receiver_.start(&LanSearcher::Entry, this) < 0) {
        socket_.store(-1);
        close(fd);
        return 0;
    }
    return 1;
}

int LanSearcher::Search(DarvelSearchCallback cb, void* user) {
    {
        LockGuard g(callbackLock_);
        callback_ = cb;
        user_ = user;
    }
    int fd = socket_.load();
    if (fd < 0) {
        return -1;
    }
    uint8_t request[kSearchRequestBufferBytes] = {};
    request[0] = kSearchMagic & 0xFF;
    request[1] = kSearchMagic >> 8;
    request[2] = kSearchRequestCode & 0xFF;
    request[3] = kSearchRequestCode >> 8;
    sockaddr_in dest;
    memset(&dest, 0, sizeof(dest));
    dest.sin_family = AF_INET;
    dest.sin_addr.s_addr = destAddr_;
    dest.sin_port = htons(destPort_);
    ssize_t n = sendto(fd, request, kSearchRequestBytes, 0, reinterpret_cast<sockaddr*>(&dest),
                       sizeof(dest));
    return n < 0 ? -1 : static_cast<int>(n);
}

void LanSearcher::Close() {
    {
        LockGuard g(callbackLock_);
        callback_ = nullptr;
        user_ = nullptr;
    }
    stop_.store(true);
    int fd = socket_.load();
    if (fd >= 0) {
        shutdown(fd, SHUT_RDWR);
    }
    receiver_.stop();
    fd = socket_.exchange(-1);
    if (fd >= 0) {
        close(fd);
    }
}

void LanSearcher::Entry(void* arg) {
    static_cast<LanSearcher*>(arg)->ReceiveLoop();
}

void LanSearcher::ReceiveLoop() {
    // One byte more than a datagram may fill, and zeroed per reply: texts stay terminated.
    uint8_t buf[kSearchReplyBytes + 1];
    const int fd = socket_.load();
    while (!stop_.load()) {
        pollfd p = {fd, POLLIN, 0};
        int r = poll(&p, 1, kSearchPollSlice_ms);
        if (r == 0 || (r < 0 && errno == EINTR)) {
            continue;
        }
        if (r < 0) {
            break;
        }
        memset(buf, 0, sizeof(buf));
        ssize_t n = recvfrom(fd, buf, kSearchReplyBytes, 0, nullptr, nullptr);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            break;
        }
        if (stop_.load()) {
            break;
        }
        // An empty datagram is anyone's to send: it is ignored rather than ending the search.
        if (static_cast<size_t>(n) < kSearchReplyHeadBytes + kSearchReplyPayloadMin) {
            continue;
        }
        if (Get16(buf) != kSearchMagic || Get16(buf + 2) != kSearchReplyCode) {
            continue;
        }
        LockGuard g(callbackLock_);
        if (callback_ != nullptr) {
            callback_(reinterpret_cast<const char*>(buf + kSearchReplyHeadBytes), user_);
        }
    }
    stop_.store(true);
}

}  // namespace vantor
