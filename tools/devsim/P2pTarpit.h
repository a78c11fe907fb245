// A P2P presence that answers discovery for one device ID and then never completes the
// session handshake: clients find the device, connect, and time out. Stands in for a device
// that is reachable on the network but hangs, which a clean offline device cannot show.
//
// Thread: one service thread; start/stop from the owner's thread.
// Ownership: owned by SimDevice; stop() (or the destructor) closes every socket it holds.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace devsim {

class P2pTarpit {
  public:
    static constexpr size_t kMaxHeldConnections = 16;
    static constexpr int kMaxDatagramsPerTurn = 32;

    explicit P2pTarpit(std::string deviceId);
    ~P2pTarpit();
    P2pTarpit(const P2pTarpit&) = delete;
    P2pTarpit& operator=(const P2pTarpit&) = delete;

    // False when a socket cannot be opened (nothing runs then).
    bool start();
    void stop();
    bool running() const { return thread_.joinable(); }

  private:
    void serviceLoop();
    void answerQueries();
    void holdConnections();
    void closeAll();

    const std::string deviceId_;
    int udp_ = -1;
    int listen_ = -1;
    int wake_ = -1;
    uint16_t port_ = 0;
    std::vector<int> held_;  // service thread only while it runs
    std::thread thread_;
};

}  // namespace devsim
