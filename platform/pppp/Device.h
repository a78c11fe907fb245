// The device face of the transport: one registered device ID that answers discovery on the
// shared discovery port and accepts sessions on its own TCP port (pppp_wire.h).
//
// Threads: one service thread per device runs discovery, the listener and handshakes; the
// public functions may be called from any thread. Blocking: accept() waits at most its
// time-out; stop() joins the service thread. Ownership: shared (std::shared_ptr) so a thread
// blocked in accept() keeps it alive while another stops it.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "PPPP_API.h"
#include "UniqueFd.h"
#include "pppp_wire.h"

namespace vantor::pppp {

class Device {
  public:
    static constexpr int kMaxPendingHandshakes = 16;  // half-open connections at once
    static constexpr size_t kMaxAcceptQueue = 16;     // sessions waiting for accept()
    static constexpr int kHandshakeTimeoutMs = 3000;
    static constexpr int kListenBacklog = 16;

    Device(const char* deviceId, const PPPP_DeviceOptions& options);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Binds the sockets and starts the service thread. 0, or ERROR_PPPP_UDP_PORT_BIND_FAILED.
    int start();
    // A session handle, ERROR_PPPP_TIME_OUT or ERROR_PPPP_USER_LISTEN_BREAK (stopped).
    int accept(uint32_t timeout_ms, PPPP_AcceptInfo* info);
    void setOnline(bool online);
    int port() const { return port_; }
    // Stops discovery and listening, wakes accept(); sessions not yet accepted are closed.
    void stop();

  private:
    struct Pending {
        UniqueFd fd;
        sockaddr_in remote{};
        uint8_t hello[kHelloBytes] = {};
        size_t have = 0;
        std::chrono::steady_clock::time_point deadline;
    };
    struct Accepted {
        int handle;
        int lanSearch;
        sockaddr_in remote;
    };

    void serviceLoop();
    void answerDiscovery();
    void acceptConnections();
    // Returns false when the pending connection is finished (handed on or dropped).
    bool continueHandshake(Pending& p);
    void finishHandshake(Pending& p);
    bool modeAccepted(int lanSearch) const;

    // Immutable after construction / start().
    char deviceId_[kDeviceIdFieldBytes] = {};
    PPPP_DeviceOptions options_{};
    int port_ = 0;

    // Owned by the service thread after start().
    UniqueFd udp_;
    UniqueFd listen_;
    UniqueFd wake_;
    std::deque<Pending> pending_;
    std::thread service_;

    // Guarded by mutex_.
    mutable std::mutex mutex_;
    std::condition_variable acceptable_;
    std::deque<Accepted> queue_;
    bool online_ = true;
    bool stopped_ = false;
};

}  // namespace vantor::pppp
