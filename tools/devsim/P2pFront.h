// A device's presence on the P2P transport: registers the device ID, accepts client sessions
// (battery devices only the battery wake-up attempts) and keeps the sessions it accepted.
// Battery devices close a session that has been quiet for the profile's sleep time, as a
// device that goes back to sleep.
//
// Thread: one accept thread; the public calls may come from any thread.
// Ownership: owned by SimDevice; stop() closes every session and joins the accept thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "DeviceContext.h"
#include "P2pSession.h"

namespace devsim {

class P2pFront {
  public:
    static constexpr size_t kMaxSessions = 8;
    static constexpr uint32_t kAcceptTimeout_ms = 100;

    explicit P2pFront(DeviceContext& device);
    ~P2pFront();
    P2pFront(const P2pFront&) = delete;
    P2pFront& operator=(const P2pFront&) = delete;

    // Registers the ID and starts accepting; false when the transport refuses the ID.
    bool start();
    void stop();
    void setOnline(bool online);
    void dropSessions();
    // Returns the number of sessions the alarm reached.
    int sendAlarm(uint32_t kind, uint16_t cmd = 0, uint16_t channel = 0);
    int sessionCount();
    int port() const;

  private:
    void acceptLoop();
    void reap(bool all);

    DeviceContext& device_;
    int handle_ = -1;
    std::atomic<bool> running_{false};
    std::thread thread_;
    std::mutex mutex_;  // guards sessions_
    std::vector<std::unique_ptr<P2pSession>> sessions_;
};

}  // namespace devsim
