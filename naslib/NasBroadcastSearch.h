// LAN search for recorders: a 4-byte UDP request (u16 0x4844, u16 0x0101) to the search port
// of the broadcast address, and a receive thread that hands the payload of every reply
// (u16 0x4844, u16 0x0801, then the payload) to the search callback. The destination is
// 255.255.255.255 unless VANTOR_BROADCAST_ADDR names another IPv4 address.
//
// Thread: the owner serialises Open/Search/Close (the library's lock B); the callback runs on
// the receive thread. Close joins the receive thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "morsk.h"

namespace vantor {

inline constexpr size_t kNasSearchReplyBytes = 1400;
inline constexpr uint16_t kNasSearchMagic = 0x4844;
inline constexpr uint16_t kNasSearchRequest = 0x0101;
inline constexpr uint16_t kNasSearchReply = 0x0801;
inline constexpr int kNasSearchWait_ms = 100;
inline constexpr int kNasSearchRecvBufferBytes = 32768;

class NasBroadcastSearch {
  public:
    explicit NasBroadcastSearch(int port = MORSK_SEARCH_PORT);
    ~NasBroadcastSearch();
    NasBroadcastSearch(const NasBroadcastSearch&) = delete;
    NasBroadcastSearch& operator=(const NasBroadcastSearch&) = delete;

    // 1 when the socket is ready (bound to a random port from 1000, receive thread running).
    int Open();
    // The bytes sent (4) or -1.
    int Search(MorskSearchCallback cb, void* user);
    void Close();

    // The reply payload of a datagram, or nullptr when its head is not a search reply.
    static const char* ReplyPayload(const char* datagram, size_t length);
    int localPort() const { return localPort_; }

  private:
    void ReceiveLoop();

    int port_;
    int socket_ = -1;
    int localPort_ = 0;
    uint32_t destination_ = 0;  // network order
    std::atomic<bool> stop_{true};
    std::atomic<MorskSearchCallback> cb_{nullptr};
    std::atomic<void*> user_{nullptr};
    std::thread receiver_;
};

}  // namespace vantor
