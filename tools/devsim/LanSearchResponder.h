// Answers the LAN search on UDP: a 4-byte request (0x4844, 0x0101) from a loopback sender
// gets one reply datagram per online device, sent back to that sender only. Requests from any
// other address are ignored, so the simulator never talks to a real network.
//
// Reply: u16 0x4844, u16 0x0801, then a kPayloadBytes payload: address text at 0, u16 HTTP
// port at 86, device ID at 88, name at 120, kind byte at 306.
// Thread: one receive thread; start/stop from the owner's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace devsim {

class LanSearchResponder {
  public:
    static constexpr size_t kPayloadBytes = 320;
    static constexpr size_t kAddressOffset = 0;
    static constexpr size_t kPortOffset = 86;
    static constexpr size_t kIdOffset = 88;
    static constexpr size_t kNameOffset = 120;
    static constexpr size_t kKindOffset = 306;
    static constexpr int kMaxRequestsPerSecond = 20;

    struct Entry {
        std::string address;
        uint16_t port = 0;
        std::string id;
        std::string name;
        uint8_t kind = 0;
    };
    using Lister = std::function<std::vector<Entry>()>;

    ~LanSearchResponder();
    // Binds UDP port (any address, so loopback broadcasts arrive; 0 = any free port, not
    // shared); false when it cannot.
    bool start(uint16_t port, Lister lister);
    void stop();
    uint16_t port() const { return port_; }

    static std::string BuildReply(const Entry& e);

  private:
    void loop();

    int fd_ = -1;
    uint16_t port_ = 0;
    Lister lister_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace devsim
