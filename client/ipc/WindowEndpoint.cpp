#include "WindowEndpoint.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "DebugOut.h"
#include "PostMessage.h"

namespace vantor::client {

namespace {

std::atomic<uint32_t> g_counter{0};

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
        return false;
    }
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

void SetTimeout(int fd, int option, int timeout_ms) {
    timeval tv{};
    tv.tv_sec = timeout_ms / 1000;
    tv.tv_usec = (timeout_ms % 1000) * 1000;
    setsockopt(fd, SOL_SOCKET, option, &tv, sizeof(tv));
}

// A blocking client socket connected to path; -1 with errno set on failure. The send
// time-out also bounds the wait for a full listen queue.
int ConnectTo(const std::string& path, int timeout_ms) {
    sockaddr_un addr;
    if (!FillAddress(path, addr)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    SetTimeout(fd, SO_SNDTIMEO, timeout_ms);
    int rc;
    do {
        rc = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

// Removes a socket left behind by an ended process of this user. Only a socket we own that
// refuses connections is taken for stale; a file, a link or a live socket stays.
bool RemoveStaleSocket(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != geteuid()) {
        return false;
    }
    const int fd = ConnectTo(path, WindowEndpoint::kIoTimeoutMs);
    if (fd >= 0) {
        close(fd);
        return false;
    }
    if (errno != ECONNREFUSED) {
        return false;
    }
    return unlink(path.c_str()) == 0;
}

}  // namespace

WindowEndpoint::WindowEndpoint(QObject* target, std::vector<uint32_t> accepted_msgs)
    : target_(target), accepted_msgs_(std::move(accepted_msgs)) {}

WindowEndpoint::~WindowEndpoint() {
    while (!connections_.empty()) {
        CloseConnection(connections_.front().get());
    }
    retired_.clear();
    listen_notifier_.reset();
    if (listen_fd_ >= 0) {
        close(listen_fd_);
        unlink(path_.c_str());
    }
}

std::string WindowEndpoint::RuntimeDir() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir != nullptr && dir[0] == '/') {
        return dir;
    }
    return "/tmp";
}

std::string WindowEndpoint::PathOf(Handle handle) {
    const uint64_t pid = handle >> 32;
    const uint64_t counter = handle & 0xffffffffu;
    if (pid == 0 || counter == 0) {
        return {};
    }
    std::string path =
        RuntimeDir() + "/vantor-wnd-" + std::to_string(pid) + "-" + std::to_string(counter);
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        return {};
    }
    return path;
}

bool WindowEndpoint::Open() {
    if (listen_fd_ >= 0) {
        return true;
    }
    const uint64_t pid = static_cast<uint64_t>(getpid());
    for (int attempt = 0; attempt < kMaxOpenAttempts; ++attempt) {
        uint32_t counter = g_counter.fetch_add(1) + 1;
        if (counter == 0) {
            counter = g_counter.fetch_add(1) + 1;  // 0 would make handle's low half empty
        }
        const Handle handle = (pid << 32) | counter;
        const std::string path = PathOf(handle);
        sockaddr_un addr;
        if (!FillAddress(path, addr)) {
            DebugOut("WindowEndpoint: no usable socket path in %s", RuntimeDir().c_str());
            return false;
        }
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            DebugOut("WindowEndpoint: socket failed: %s", std::strerror(errno));
            return false;
        }
        // Linux gives the socket file the mode of the socket inode, so no window opens
        // between bind and chmod.
        fchmod(fd, S_IRUSR | S_IWUSR);
        const auto* sa = reinterpret_cast<const sockaddr*>(&addr);
        int rc = bind(fd, sa, sizeof(addr));
        if (rc != 0 && errno == EADDRINUSE && RemoveStaleSocket(path)) {
            rc = bind(fd, sa, sizeof(addr));
        }
        if (rc != 0) {
            DebugOut("WindowEndpoint: bind %s failed: %s", path.c_str(), std::strerror(errno));
            close(fd);
            continue;
        }
        if (chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 || listen(fd, kListenBacklog) != 0) {
            DebugOut("WindowEndpoint: listen %s failed: %s", path.c_str(), std::strerror(errno));
            close(fd);
            unlink(path.c_str());
            return false;
        }
        listen_fd_ = fd;
        handle_ = handle;
        path_ = path;
        listen_notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(listen_notifier_.get(), &QSocketNotifier::activated,
                         listen_notifier_.get(), [this] { OnAcceptable(); });
        return true;
    }
    return false;
}

void WindowEndpoint::DropRetired() {
    retired_.clear();
}

void WindowEndpoint::OnAcceptable() {
    DropRetired();
    // Bounded: the notifier fires again while connections wait.
    for (size_t i = 0; i < 2 * kMaxConnections; ++i) {
        const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        ucred cred{};
        socklen_t len = sizeof(cred);
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != geteuid()) {
            DebugOut("WindowEndpoint: refused a peer of another user");
            close(fd);
            continue;
        }
        if (connections_.size() >= kMaxConnections) {
            // A stuck peer must not lock out the download program's next message.
            CloseConnection(connections_.front().get());
        }
        auto conn = std::make_unique<Connection>();
        conn->fd = fd;
        conn->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        Connection* raw = conn.get();
        QObject::connect(raw->notifier.get(), &QSocketNotifier::activated, raw->notifier.get(),
                         [this, raw] { OnReadable(raw); });
        connections_.push_back(std::move(conn));
    }
}

void WindowEndpoint::OnReadable(Connection* conn) {
    DropRetired();
    uint8_t chunk[kReadChunkBytes];
    for (int i = 0; i < kMaxReadsPerWakeup; ++i) {
        const ssize_t n = recv(conn->fd, chunk, sizeof(chunk), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n <= 0) {
            if (n == 0 && conn->reader.pending_bytes() != 0) {
                DebugOut("WindowEndpoint: frame cut short (%zu bytes)",
                         conn->reader.pending_bytes());
            }
            CloseConnection(conn);
            return;
        }
        bool refused = false;
        const bool ok = conn->reader.Feed(std::span<const uint8_t>(chunk, static_cast<size_t>(n)),
                                          [&](IpcFrame&& frame) {
                                              if (!refused && !Deliver(std::move(frame))) {
                                                  refused = true;
                                              }
                                          });
        if (!ok || refused) {
            DebugOut("WindowEndpoint: %s; connection closed", ok ? "message refused" : "bad frame");
            CloseConnection(conn);
            return;
        }
    }
}

bool WindowEndpoint::Deliver(IpcFrame&& frame) {
    if (std::find(accepted_msgs_.begin(), accepted_msgs_.end(), frame.msg) ==
        accepted_msgs_.end()) {
        return false;
    }
    if (frame.payload.empty()) {
        PostMessage(target_, frame.msg, static_cast<uintptr_t>(frame.wparam),
                    static_cast<intptr_t>(frame.lparam));
        return true;
    }
    const intptr_t ticket = next_ticket_++;
    if (next_ticket_ <= 0) {
        next_ticket_ = 1;
    }
    if (payloads_.size() >= kMaxPendingPayloads) {
        payloads_.pop_front();
    }
    payloads_.emplace_back(ticket, Payload{frame.lparam, std::move(frame.payload)});
    PostMessage(target_, frame.msg, static_cast<uintptr_t>(frame.wparam), ticket);
    return true;
}

std::optional<WindowEndpoint::Payload> WindowEndpoint::TakePayload(intptr_t ticket) {
    for (auto it = payloads_.begin(); it != payloads_.end(); ++it) {
        if (it->first == ticket) {
            Payload p = std::move(it->second);
            payloads_.erase(it);
            return p;
        }
    }
    return std::nullopt;
}

void WindowEndpoint::CloseConnection(Connection* conn) {
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [conn](const auto& c) { return c.get() == conn; });
    if (it == connections_.end()) {
        return;
    }
    (*it)->notifier->setEnabled(false);
    retired_.push_back(std::move((*it)->notifier));
    close((*it)->fd);
    connections_.erase(it);
}

bool WindowEndpoint::PostToEndpoint(Handle handle, uint32_t msg, uint64_t wparam, int64_t lparam,
                                    std::span<const uint8_t> payload) {
    const std::vector<uint8_t> frame = EncodeIpcFrame(msg, wparam, lparam, payload);
    const std::string path = PathOf(handle);
    if (frame.empty() || path.empty()) {
        return false;
    }
    const int fd = ConnectTo(path, kIoTimeoutMs);
    if (fd < 0) {
        return false;
    }
    // Each send waits at most the socket's time-out; the deadline bounds a receiver that
    // drains a few bytes at a time.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(2 * kIoTimeoutMs);
    size_t sent = 0;
    while (sent < frame.size() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;  // time-out or a receiver that went away
        }
        sent += static_cast<size_t>(n);
    }
    close(fd);
    return sent == frame.size();
}

bool WindowEndpoint::Exists(Handle handle) {
    const std::string path = PathOf(handle);
    if (path.empty()) {
        return false;
    }
    const int fd = ConnectTo(path, kIoTimeoutMs);
    if (fd >= 0) {
        close(fd);
        return true;
    }
    // A full listen queue still means a live listener behind it.
    return errno == EAGAIN;
}

}  // namespace vantor::client
