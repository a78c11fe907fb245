#include "Session.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "Trace.h"
#include "TransportConfig.h"

namespace vantor::pppp {
namespace {

constexpr int kMaxIov = 64;
constexpr int kMaxReadsPerTurn = 8;  // let the writer side run between long bursts

}  // namespace

Session::Session(int fd, const Params& params)
    : params_(params),
      started_(Clock::now()),
      keepAliveMs_(TransportConfig::keepAliveMs()),
      wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      input_(kInputBufferBytes),
      fd_(fd) {
    int flags = fcntl(fd_, F_GETFL, 0);
    fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (Channel& c : channels_) {
        c.sendCredit = params_.peerWindowBytes;
        c.windowLeft = kReceiveWindowBytes;
    }
    lastRecv_ = lastSend_ = started_;
    if (wakeFd_ < 0)
        status_ = ERROR_PPPP_SESSION_CLOSED_REMOTE;
}

Session::~Session() {
    close(false);
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    if (fd_ >= 0)
        ::close(fd_);
}

bool Session::start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status_ != 0)
        return false;
    try {
        io_ = std::thread([this] { ioLoop(); });
    } catch (const std::system_error&) {
        failLocked(ERROR_PPPP_SESSION_CLOSED_REMOTE);
        return false;
    }
    ioRunning_ = true;
    return true;
}

int Session::write(uint8_t channel, const char* data, int size) {
    if (channel >= kChannelCount || size < 0 || (data == nullptr && size > 0))
        return ERROR_PPPP_INVALID_PARAMETER;
    if (static_cast<size_t>(size) > kSendCapBytes)
        return ERROR_PPPP_INVALID_PARAMETER;
    std::unique_lock<std::mutex> lock(mutex_);
    if (closing_)
        return ERROR_PPPP_SESSION_CLOSED_CALLED;
    if (status_ != 0)
        return status_;
    if (size == 0)
        return 0;
    Channel& c = channels_[channel];
    if (c.send.size() + static_cast<size_t>(size) > kSendCapBytes)
        return ERROR_PPPP_REMOTE_SITE_BUFFER_FULL;
    c.send.append(reinterpret_cast<const uint8_t*>(data), static_cast<size_t>(size));
    lock.unlock();
    sendFromCaller();
    return size;
}

void Session::sendFromCaller() {
    // The caller's thread puts its bytes on the wire itself when nobody else is sending: no
    // hand-over to the I/O thread on the common path. The socket is non-blocking, so this
    // never waits; whatever is left (a full socket, a busy sender) goes to the I/O thread.
    bool handedOver = true;
    if (sendMutex_.try_lock()) {
        if (fd_ >= 0 && !socketBlocked_) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                fillOutFramesLocked(Clock::now(), false);
            }
            handedOver = !writeOut() || !outFrames_.empty();
        }
        sendMutex_.unlock();
    }
    if (handedOver) {
        std::lock_guard<std::mutex> lock(mutex_);
        wakeLocked();
    }
}

int Session::read(uint8_t channel, char* data, int* size, uint32_t timeout_ms) {
    if (size == nullptr)
        return ERROR_PPPP_INVALID_PARAMETER;
    int want = *size;
    if (channel >= kChannelCount || data == nullptr || want <= 0) {
        *size = 0;
        return ERROR_PPPP_INVALID_PARAMETER;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    auto* out = reinterpret_cast<uint8_t*>(data);
    int got = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    Channel& c = channels_[channel];
    while (true) {
        if (status_ == ERROR_PPPP_SESSION_CLOSED_CALLED)
            break;
        size_t n = c.recv.take(out + got, static_cast<size_t>(want - got));
        if (n > 0) {
            got += static_cast<int>(n);
            c.pendingGrant += static_cast<uint32_t>(n);
            if (c.pendingGrant >= kGrantThresholdBytes)
                wakeLocked();
        }
        if (got == want) {
            *size = got;
            return 0;
        }
        // Bytes that arrived before the session ended are still delivered, then the error.
        if (status_ != 0)
            break;
        // Woken once the rest is there (or the session ends), not per piece; a request larger
        // than the window is served in grant-sized steps so credit keeps flowing.
        c.needBytes = std::min<size_t>(static_cast<size_t>(want - got), kGrantThresholdBytes);
        auto waited = c.readable.wait_until(lock, deadline);
        c.needBytes = 0;
        if (waited == std::cv_status::timeout) {
            size_t last = c.recv.take(out + got, static_cast<size_t>(want - got));
            got += static_cast<int>(last);
            c.pendingGrant += static_cast<uint32_t>(last);
            if (c.pendingGrant >= kGrantThresholdBytes)
                wakeLocked();
            *size = got;
            return got == want ? 0 : ERROR_PPPP_TIME_OUT;
        }
    }
    *size = got;
    return status_;
}

int Session::check(st_PPPP_Session* info) {
    if (info != nullptr) {
        std::memset(info, 0, sizeof *info);
        info->socket = 0;
        std::memcpy(info->remoteAddr, &params_.remote, sizeof info->remoteAddr);
        std::memcpy(info->localAddr, &params_.local, sizeof info->localAddr);
        auto up = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started_);
        info->connectSeconds = static_cast<uint32_t>(up.count());
        std::memcpy(info->deviceId, params_.deviceId, sizeof info->deviceId - 1);
        info->deviceId[sizeof info->deviceId - 1] = '\0';
        info->mode = 0;  // stage 1 sessions are always direct
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

int Session::checkBuffer(uint8_t channel, uint32_t* unsentWriteBytes, uint32_t* unreadBytes) {
    if (channel >= kChannelCount)
        return ERROR_PPPP_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(mutex_);
    if (unsentWriteBytes != nullptr)
        *unsentWriteBytes = static_cast<uint32_t>(channels_[channel].send.size());
    if (unreadBytes != nullptr)
        *unreadBytes = static_cast<uint32_t>(channels_[channel].recv.size());
    return status_;
}

int Session::close(bool graceful) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (status_ == ERROR_PPPP_SESSION_CLOSED_CALLED)
        return ERROR_PPPP_SESSION_CLOSED_CALLED;
    if (closing_) {
        // Another thread is closing; it finishes the job, this call only reports it.
        return ERROR_PPPP_SESSION_CLOSED_CALLED;
    }
    closing_ = true;
    if (graceful && status_ == 0) {
        auto deadline = Clock::now() + std::chrono::milliseconds(kGracefulCloseMs);
        drained_.wait_until(lock, deadline, [this] {
            if (status_ != 0)
                return true;
            for (const Channel& c : channels_)
                if (!c.send.empty())
                    return false;
            return true;
        });
    }
    stopIo_ = true;
    wakeLocked();
    bool join = ioRunning_;
    ioRunning_ = false;
    lock.unlock();
    if (join && io_.joinable())
        io_.join();
    lock.lock();
    failLocked(ERROR_PPPP_SESSION_CLOSED_CALLED);
    for (Channel& c : channels_) {
        c.send.clear();
        c.recv.clear();
    }
    return 0;
}

void Session::failLocked(int status) {
    // The first cause sticks, except that a close here overrides everything.
    if (status_ == 0 || status == ERROR_PPPP_SESSION_CLOSED_CALLED)
        status_ = status;
    for (Channel& c : channels_)
        c.readable.notify_all();
    drained_.notify_all();
}

void Session::notifyReaderLocked(uint8_t channel) {
    Channel& c = channels_[channel];
    if (c.needBytes > 0 && c.recv.size() >= c.needBytes)
        c.readable.notify_all();
}

void Session::wakeLocked() {
    if (wakePending_ || wakeFd_ < 0)
        return;
    wakePending_ = true;
    uint64_t one = 1;
    ssize_t r = ::write(wakeFd_, &one, sizeof one);
    (void)r;  // an eventfd only refuses at 2^64-1 pending wakes
}

void Session::addControlLocked(uint8_t type, uint8_t channel, const uint8_t* payload, uint32_t n) {
    OutFrame f;
    encodeFrameHead(FrameHead{type, channel, n}, f.head);
    if (n > 0)
        std::memcpy(f.head + kFrameHeadBytes, payload, n);
    f.headBytes = kFrameHeadBytes + n;
    outFrames_.push_back(f);
}

void Session::fillOutFramesLocked(Clock::time_point now, bool mayPing) {
    for (uint8_t ch = 0; ch < kChannelCount; ++ch) {
        Channel& c = channels_[ch];
        if (c.pendingGrant >= kGrantThresholdBytes) {
            uint8_t p[4];
            for (int i = 0; i < 4; ++i)
                p[i] = static_cast<uint8_t>(c.pendingGrant >> (8 * i));
            addControlLocked(kFrameCredit, ch, p, 4);
            c.windowLeft += c.pendingGrant;
            c.pendingGrant = 0;
        }
    }
    // Channel 0 first: commands must not wait behind media.
    for (uint8_t ch = 0; ch < kChannelCount; ++ch) {
        Channel& c = channels_[ch];
        if (c.frameCommitted || c.send.empty() || c.sendCredit == 0)
            continue;
        uint32_t n = static_cast<uint32_t>(
            std::min<size_t>({c.send.size(), c.sendCredit, kMaxFramePayloadBytes}));
        OutFrame f;
        encodeFrameHead(FrameHead{kFrameData, ch, n}, f.head);
        f.headBytes = kFrameHeadBytes;
        f.channel = ch;
        f.dataBytes = n;
        outFrames_.push_back(f);
        c.sendCredit -= n;
        c.frameCommitted = true;
    }
    if (mayPing && outFrames_.empty() && now - lastSend_ >= std::chrono::milliseconds(keepAliveMs_))
        addControlLocked(kFramePing, 0, nullptr, 0);
}

bool Session::writeOut() {
    struct iovec iov[kMaxIov];
    int count = 0;
    size_t requested = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const OutFrame& f : outFrames_) {
            if (count >= kMaxIov - 1)
                break;
            if (f.sent < f.headBytes) {
                iov[count].iov_base = const_cast<uint8_t*>(f.head) + f.sent;
                iov[count].iov_len = f.headBytes - f.sent;
                requested += iov[count].iov_len;
                ++count;
            }
            if (f.dataBytes > 0) {
                uint32_t dataSent = f.sent > f.headBytes ? f.sent - f.headBytes : 0;
                size_t want = f.dataBytes - dataSent;
                // The unsent payload is at the front of the queue: sent bytes were dropped.
                int k = channels_[f.channel].send.peek(want, iov + count, kMaxIov - count);
                size_t got = 0;
                for (int i = 0; i < k; ++i)
                    got += iov[count + i].iov_len;
                count += k;
                requested += got;
                // Nothing of a later frame may follow a payload cut short by the iovec limit.
                if (got < want)
                    break;
            }
        }
    }
    if (count == 0)
        return true;
    // sendmsg rather than writev: a peer that vanished must give EPIPE, never SIGPIPE.
    msghdr msg{};
    msg.msg_iov = iov;
    msg.msg_iovlen = static_cast<size_t>(count);
    ssize_t n = ::sendmsg(fd_, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            socketBlocked_ = (errno != EINTR);
            return true;
        }
        return false;
    }
    lastSend_ = Clock::now();
    size_t left = static_cast<size_t>(n);
    std::lock_guard<std::mutex> lock(mutex_);
    size_t done = 0;
    for (OutFrame& f : outFrames_) {
        if (left == 0)
            break;
        uint32_t total = f.headBytes + f.dataBytes;
        uint32_t k = static_cast<uint32_t>(std::min<size_t>(left, total - f.sent));
        uint32_t headPart = f.sent < f.headBytes ? std::min(k, f.headBytes - f.sent) : 0;
        if (k > headPart)
            channels_[f.channel].send.drop(k - headPart);
        f.sent += k;
        left -= k;
        if (f.sent == total) {
            if (f.channel >= 0)
                channels_[f.channel].frameCommitted = false;
            ++done;
        }
    }
    outFrames_.erase(outFrames_.begin(), outFrames_.begin() + static_cast<long>(done));
    socketBlocked_ = static_cast<size_t>(n) < requested;
    drained_.notify_all();
    return true;
}

bool Session::dataBegins(uint8_t channel, uint32_t length) {
    Channel& c = channels_[channel];
    if (length > c.windowLeft) {
        Trace("session %s: data beyond credit on channel %u", params_.deviceId, channel);
        return false;
    }
    c.windowLeft -= length;
    return true;
}

void Session::data(uint8_t channel, const uint8_t* bytes, size_t n) {
    channels_[channel].recv.append(bytes, n);
    touched_[channel] = true;
}

bool Session::credit(uint8_t channel, uint32_t bytes) {
    Channel& c = channels_[channel];
    if (bytes > params_.peerWindowBytes - c.sendCredit) {
        Trace("session %s: credit beyond window on channel %u", params_.deviceId, channel);
        return false;
    }
    c.sendCredit += bytes;
    return true;
}

bool Session::readIn() {
    for (int i = 0; i < kMaxReadsPerTurn; ++i) {
        ssize_t n = ::read(fd_, input_.data(), input_.size());
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return true;
            if (errno == EINTR)
                continue;
            return false;
        }
        lastRecv_ = Clock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        auto result = parser_.feed(input_.data(), static_cast<size_t>(n), *this);
        for (uint8_t ch = 0; ch < kChannelCount; ++ch) {
            if (touched_[ch])
                notifyReaderLocked(ch);
            touched_[ch] = false;
        }
        if (result != FrameParser::Result::kOk) {
            if (result == FrameParser::Result::kBroken)
                Trace("session %s: protocol violation, closing", params_.deviceId);
            return false;
        }
        if (static_cast<size_t>(n) < input_.size())
            return true;
    }
    return true;
}

void Session::sendCloseBestEffort() {
    // Only at a frame boundary; a half-written frame would make the CLOSE unreadable.
    for (const OutFrame& f : outFrames_)
        if (f.sent > 0)
            return;
    uint8_t head[kFrameHeadBytes];
    encodeFrameHead(FrameHead{kFrameClose, 0, 0}, head);
    ssize_t r = ::send(fd_, head, sizeof head, MSG_NOSIGNAL | MSG_DONTWAIT);
    (void)r;
}

void Session::ioLoop() {
    const auto interval = std::chrono::milliseconds(keepAliveMs_);
    const auto deadAfter = interval * kDeadIntervals;
    int endStatus = 0;
    while (true) {
        auto now = Clock::now();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            wakePending_ = false;
            if (stopIo_)
                break;
            if (now - lastRecv_ >= deadAfter) {
                Trace("session %s: keep-alive time-out", params_.deviceId);
                endStatus = ERROR_PPPP_SESSION_CLOSED_TIMEOUT;
                break;
            }
        }
        bool moreToWrite = false;
        bool blocked = false;
        Clock::time_point lastSend;
        {
            std::lock_guard<std::mutex> send(sendMutex_);
            if (!socketBlocked_) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    fillOutFramesLocked(now, true);
                }
                if (!writeOut()) {
                    endStatus = ERROR_PPPP_SESSION_CLOSED_REMOTE;
                    break;
                }
            }
            moreToWrite = !outFrames_.empty();
            blocked = socketBlocked_;
            lastSend = lastSend_;
        }
        int timeout_ms = 0;
        if (!moreToWrite || blocked) {
            auto next = std::min(lastSend + interval, lastRecv_ + deadAfter);
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
            timeout_ms = static_cast<int>(std::clamp<int64_t>(wait.count() + 1, 0, 60000));
        }
        struct pollfd fds[2] = {};
        fds[0].fd = fd_;
        fds[0].events = static_cast<short>(POLLIN | (moreToWrite ? POLLOUT : 0));
        fds[1].fd = wakeFd_;
        fds[1].events = POLLIN;
        int r = ::poll(fds, 2, timeout_ms);
        if (r < 0 && errno != EINTR) {
            endStatus = ERROR_PPPP_SESSION_CLOSED_REMOTE;
            break;
        }
        if (r <= 0)
            continue;
        if (fds[1].revents & POLLIN) {
            uint64_t v;
            ssize_t k = ::read(wakeFd_, &v, sizeof v);
            (void)k;
        }
        if (fds[0].revents & POLLOUT) {
            std::lock_guard<std::mutex> send(sendMutex_);
            socketBlocked_ = false;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!readIn()) {
                endStatus = ERROR_PPPP_SESSION_CLOSED_REMOTE;
                break;
            }
        }
    }
    {
        // Callers' threads may be about to send: the socket goes away under the send lock.
        std::lock_guard<std::mutex> send(sendMutex_);
        if (endStatus == 0)
            sendCloseBestEffort();
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        fd_ = -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (endStatus != 0)
        failLocked(endStatus);
}

}  // namespace vantor::pppp
