#include "NasBroadcastSearch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vantor {
namespace {

uint32_t broadcastDestination() {
    const char* env = std::getenv("VANTOR_BROADCAST_ADDR");
    in_addr addr{};
    if (env != nullptr && inet_pton(AF_INET, env, &addr) == 1)
        return addr.s_addr;
    return htonl(INADDR_BROADCAST);
}

}  // namespace

NasBroadcastSearch::NasBroadcastSearch(int port) : port_(port) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    destination_ = broadcastDestination();
}

NasBroadcastSearch::~NasBroadcastSearch() {
    Close();
}

int NasBroadcastSearch::Open() {
    if (socket_ >= 0)
        return 1;
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return 0;
    int on = 1;
    int rcv = kNasSearchRecvBufferBytes;
    int r = std::rand() % 65535;
    int port = r < 1000 ? r + 1000 : r;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    if (setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, &rcv, sizeof rcv) != 0 ||
        bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(s);
        return 0;
    }
    socket_ = s;
    localPort_ = port;
    stop_ = false;
    try {
        receiver_ = std::thread([this] { ReceiveLoop(); });
    } catch (...) {
        stop_ = true;
        ::close(socket_);
        socket_ = -1;
        return 0;
    }
    return 1;
}

int NasBroadcastSearch::Search(MorskSearchCallback cb, void* user) {
    user_ = user;
    cb_ = cb;
    if (socket_ < 0)
        return -1;
    uint8_t request[4];
    uint16_t magic = kNasSearchMagic, kind = kNasSearchRequest;
    std::memcpy(request, &magic, 2);
    std::memcpy(request + 2, &kind, 2);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination_;
    to.sin_port = htons(static_cast<uint16_t>(port_));
    ssize_t n =
        sendto(socket_, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    return n < 0 ? -1 : static_cast<int>(n);
}

void NasBroadcastSearch::Close() {
    cb_ = nullptr;
    user_ = nullptr;
    stop_ = true;
    if (receiver_.joinable())
        receiver_.join();
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

const char* NasBroadcastSearch::ReplyPayload(const char* datagram, size_t length) {
    if (datagram == nullptr || length < 4)
        return nullptr;
    uint16_t magic, kind;
    std::memcpy(&magic, datagram, 2);
    std::memcpy(&kind, datagram + 2, 2);
    if (magic != kNasSearchMagic || kind != kNasSearchReply)
        return nullptr;
    return datagram + 4;
}

void NasBroadcastSearch::ReceiveLoop() {
    // One byte more than the read so the payload is always terminated for text readers.
    char buffer[kNasSearchReplyBytes + 1];
    while (!stop_) {
        pollfd p{socket_, POLLIN, 0};
        int w = poll(&p, 1, kNasSearchWait_ms);
        if (w == 0)
            continue;
        if (w < 0)
            break;
        ssize_t n = recvfrom(socket_, buffer, kNasSearchReplyBytes, 0, nullptr, nullptr);
        if (n <= 0)
            break;
        // Short replies are padded with zeros so readers of fixed offsets stay inside.
        std::memset(buffer + n, 0, sizeof buffer - static_cast<size_t>(n));
        const char* payload = ReplyPayload(buffer, static_cast<size_t>(n));
        MorskSearchCallback cb = cb_;
        if (payload != nullptr && cb != nullptr)
            cb(payload, user_);
    }
    stop_ = true;
}

}  // namespace vantor
