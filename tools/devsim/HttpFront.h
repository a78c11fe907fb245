// A device's HTTP front on 127.0.0.1: accepts connections and runs each on its own thread
// (at most kMaxConnections at once; more are closed at once).
// Thread: one accept thread; the public calls from any thread.
// Ownership: owned by SimDevice; stop() shuts every connection down and joins all threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DeviceContext.h"
#include "HttpConnection.h"

namespace devsim {

class HttpFront {
  public:
    static constexpr size_t kMaxConnections = 32;

    explicit HttpFront(DeviceContext& device);
    ~HttpFront();
    HttpFront(const HttpFront&) = delete;
    HttpFront& operator=(const HttpFront&) = delete;

    // Listens on host:port (a 127/8 address; 0 = any free port); false when the address is
    // not loopback or cannot be bound.
    bool start(int port, const std::string& host);
    void stop();
    int port() const { return port_; }
    // Offline devices close new connections at once.
    void setOnline(bool online) { online_ = online; }
    void dropConnections();
    // Sends a notice frame on every live stream connection; returns how many took it.
    int pushNotice(uint8_t kind);

  private:
    struct Conn {
        std::unique_ptr<HttpConnection> conn;
        std::thread thread;
    };
    void acceptLoop();
    void reap(bool all);

    DeviceContext& device_;
    int listenFd_ = -1;
    int wakeFd_ = -1;  // eventfd that ends the accept wait at stop
    int port_ = -1;
    std::atomic<bool> running_{false};
    std::atomic<bool> online_{true};
    std::thread thread_;
    std::mutex mutex_;  // guards conns_
    std::vector<Conn> conns_;
};

}  // namespace devsim
