#include "HttpConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "LiveSource.h"
#include "MediaFrames.h"
#include "PlaybackSource.h"

namespace devsim {

namespace {

constexpr int kTick_ms = 5;

bool Writable(int fd) {
    pollfd p{fd, POLLOUT, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLOUT);
}

}  // namespace

HttpConnection::HttpConnection(DeviceContext& device, int fd) : device_(device), fd_(fd) {
    timeval tv{kSendTimeout_ms / 1000, 0};
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

HttpConnection::~HttpConnection() {
    ::close(fd_);
}

void HttpConnection::shutdown() {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);
}

void HttpConnection::pushNotice(uint8_t kind) {
    std::lock_guard<std::mutex> g(noticeMutex_);
    if (notices_.size() < kMaxNotices)
        notices_.push_back(kind);
}

bool HttpConnection::sendAll(const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        if (stop_)
            return false;
        ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

HttpConnection::ReadResult HttpConnection::readHead(std::string* head) {
    int idle_ms = 0;
    for (;;) {
        size_t end = inbox_.find("\r\n\r\n");
        if (end != std::string::npos) {
            *head = inbox_.substr(0, end + 4);
            inbox_.erase(0, end + 4);
            return ReadResult::kRequest;
        }
        if (inbox_.size() > kMaxHeadBytes || stop_ || idle_ms > kIdleTimeout_ms)
            return ReadResult::kClosed;
        pollfd p{fd_, POLLIN, 0};
        int rc = poll(&p, 1, 100);
        if (rc == 0) {
            idle_ms += 100;
            continue;
        }
        if (rc < 0 && errno == EINTR)
            continue;
        char buf[4096];
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            return ReadResult::kClosed;
        inbox_.append(buf, static_cast<size_t>(n));
        idle_ms = 0;
    }
}

bool HttpConnection::answer(const CgiAnswer& a) {
    DeviceFaults& f = device_.faults();
    std::string body = a.body;
    if (f.take(DeviceFaults::Malformed::kGarbage)) {
        for (size_t i = 0; i < body.size(); ++i)
            body[i] = static_cast<char>(0x80 | (i * 37));
    }
    std::string status = a.answered ? "200 OK" : "404 Not Found";
    if (!a.authorised)
        status = "401 Unauthorized";
    std::string type = a.binary ? "image/jpeg" : "text/plain";
    std::string head = "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\n";
    if (f.take(DeviceFaults::Malformed::kTruncated)) {
        head += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        sendAll(head + body.substr(0, body.size() / 2));
        return false;
    }
    if (device_.profile().chunked && !a.binary) {
        // One chunk per answer line, without its line break: the client's chunk reader takes
        // a chunk's data from a single line.
        head += "Transfer-Encoding: chunked\r\nConnection: keep-alive\r\n\r\n";
        std::string out = head;
        size_t pos = 0;
        while (pos < body.size()) {
            size_t eol = body.find("\r\n", pos);
            std::string line =
                body.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
            pos = eol == std::string::npos ? body.size() : eol + 2;
            if (line.empty())
                continue;
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", line.size());
            out += size + line + "\r\n";
        }
        out += "0\r\n\r\n";
        return sendAll(out);
    }
    head += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: keep-alive\r\n\r\n";
    return sendAll(head + body);
}

void HttpConnection::run() {
    std::string head;
    while (!stop_ && readHead(&head) == ReadResult::kRequest) {
        CgiAnswer a = device_.handler().handle(head);
        int delay = device_.faults().answerDelay();
        while (!stop_ && (delay > 0 || device_.faults().stalled(0))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            delay -= 10;
        }
        using A = CgiAnswer::Action;
        if (a.authorised &&
            (a.action == A::kStartLive || a.action == A::kStartAudio || a.action == A::kPlayback)) {
            if (a.action == A::kStartLive)
                streamLive(a);
            if (a.action == A::kStartAudio)
                streamAudio(a);
            if (a.action == A::kPlayback)
                streamPlayback(a);
            break;
        }
        if (a.action == A::kPtz || a.action == A::kStopLive || a.action == A::kStopAudio ||
            a.action == A::kStopPlayback) {
            a.answered = true;
            a.body = "result=0;\r\n";
        }
        bool refusedStream =
            !a.authorised &&
            (a.action == A::kStartLive || a.action == A::kStartAudio || a.action == A::kPlayback);
        if (!answer(a) || refusedStream)
            break;
        if (a.authorised && a.action == A::kReboot) {
            device_.requestReboot();
            break;
        }
    }
    ::shutdown(fd_, SHUT_RDWR);
    finished_ = true;
}

void HttpConnection::readTalk() {
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 0) != 1)
            break;
        char buf[8192];
        ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0) {
            if (n == 0)
                stop_ = true;
            break;
        }
        inbox_.append(buf, static_cast<size_t>(n));
    }
    while (inbox_.size() >= vantor::kMediaFrameHeadBytes) {
        vantor::MediaFrameHead h;
        std::memcpy(&h, inbox_.data(), sizeof h);
        if (h.dataLen > kMaxTalkFrameBytes) {  // not our framing: drop what came
            inbox_.clear();
            break;
        }
        if (inbox_.size() < sizeof h + h.dataLen)
            break;
        if (h.kind == vantor::kFrameTalk)
            device_.talkReceived(inbox_.data() + sizeof h, h.dataLen);
        inbox_.erase(0, sizeof h + h.dataLen);
    }
}

void HttpConnection::streamLive(const CgiAnswer& a) {
    live_ = true;
    LiveSource src(device_.loopFor(a), SteadyMillis());
    uint32_t noticeSeq = 0;
    DeviceFaults& f = device_.faults();
    while (!stop_) {
        readTalk();
        std::deque<uint8_t> notices;
        {
            std::lock_guard<std::mutex> g(noticeMutex_);
            notices.swap(notices_);
        }
        for (uint8_t kind : notices) {
            if (!sendAll(MediaFrames::Notice(kind, noticeSeq++)))
                return;
        }
        int64_t now = SteadyMillis();
        if (src.videoDue(now)) {
            if (f.stalled(1) || !Writable(fd_)) {
                src.skipVideo();
            } else {
                std::string frame = src.takeVideo(now);
                if (!frame.empty()) {
                    auto* head = reinterpret_cast<vantor::MediaFrameHead*>(frame.data());
                    if (f.take(DeviceFaults::Malformed::kBadMagic))
                        head->magic = 0x12345678;
                    if (f.take(DeviceFaults::Malformed::kOversize)) {
                        head->dataLen = 0x100000;
                        frame.resize(sizeof *head);
                    }
                    if (!sendAll(frame))
                        return;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kTick_ms));
    }
}

void HttpConnection::streamAudio(const CgiAnswer& a) {
    LiveSource src(nullptr, SteadyMillis(),
                   a.audioKind != 0 ? a.audioKind : vantor::kFrameCameraAudio);
    while (!stop_) {
        readTalk();
        if (src.audioDue(SteadyMillis())) {
            std::string block = src.takeAudio();
            if (!device_.faults().stalled(2) && !sendAll(block))
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kTick_ms));
    }
}

void HttpConnection::streamPlayback(const CgiAnswer& a) {
    Recording r;
    bool found = device_.handler().findRecording(a.fileName, &r);
    PlaybackSource src(found ? device_.loopFor(a) : nullptr, r, a.offset,
                       a.endKind != 0 ? a.endKind : vantor::kFramePlaybackEnd);
    while (!stop_ && !src.finished()) {
        if (device_.faults().stalled(4)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kTick_ms));
            continue;
        }
        if (!sendAll(src.next()))
            return;
    }
}

}  // namespace devsim
