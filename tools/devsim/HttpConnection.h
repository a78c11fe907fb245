// One client connection to a device's HTTP front. Answers CGI requests (keep-alive, body by
// Content-Length or chunked when the device is set to), or turns into a long-lived stream
// connection for livestream.cgi / audiostream.cgi / playback: frames with 32-byte heads and
// no HTTP header, as the client's stream reader expects. A live connection also carries alarm
// (32-35) and state (200-204) notices and takes the client's talk frames.
//
// Thread: run() on the connection's own thread; pushNotice() and shutdown() from any thread.
// Ownership: owned by HttpFront; the socket is closed by the destructor.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "DeviceContext.h"

namespace devsim {

class HttpConnection {
  public:
    static constexpr size_t kMaxHeadBytes = 16384;
    static constexpr size_t kMaxNotices = 64;
    static constexpr size_t kMaxTalkFrameBytes = 4096;
    static constexpr int kIdleTimeout_ms = 30000;
    static constexpr int kSendTimeout_ms = 5000;

    HttpConnection(DeviceContext& device, int fd);
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    void run();
    void shutdown();
    bool finished() const { return finished_.load(); }
    bool isLive() const { return live_.load(); }
    void pushNotice(uint8_t kind);

  private:
    enum class ReadResult { kRequest, kClosed };
    ReadResult readHead(std::string* head);
    bool sendAll(const std::string& data);
    bool answer(const CgiAnswer& a);
    void streamLive(const CgiAnswer& a);
    void streamAudio(const CgiAnswer& a);
    void streamPlayback(const CgiAnswer& a);
    void readTalk();

    DeviceContext& device_;
    const int fd_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> live_{false};
    std::string inbox_;  // bytes read past the current request (run thread only)
    std::mutex noticeMutex_;
    std::deque<uint8_t> notices_;  // guarded by noticeMutex_
};

}  // namespace devsim
