// The library's LAN search: a UDP socket on a random local port, a 4-byte search request sent
// to the broadcast address, and a receive thread that hands every reply payload to the
// client's callback.
//
// Destination: 255.255.255.255, or the IPv4 address named by VANTOR_BROADCAST_ADDR (tests use
// 127.255.255.255), at the search port.
// Replies shorter than kSearchReplyPayloadMin payload bytes are dropped (the client reads a
// kind byte at offset 306); accepted payloads are handed over in a zeroed buffer of
// kSearchReplyBytes + 1 bytes, so texts in them are always terminated.
// Thread: Open/Search/Close from any thread (the library serialises them); the callback runs on
// the receive thread. Close (and the destructor) blocks until the receive thread has ended; it
// must not be called from the callback.
#pragma once

#include <atomic>
#include <cstdint>

#include "CriticalLock.h"
#include "WorkerThread.h"
#include "darvel.h"

namespace vantor {

inline constexpr int kDefaultSearchPort = 8600;
inline constexpr size_t kSearchRequestBufferBytes = 1024;
inline constexpr size_t kSearchRequestBytes = 4;
inline constexpr size_t kSearchReplyBytes = 1400;  // most read of one datagram
inline constexpr size_t kSearchReplyHeadBytes = 4;
inline constexpr size_t kSearchReplyPayloadMin = 307;
inline constexpr uint16_t kSearchMagic = 0x4844;
inline constexpr uint16_t kSearchRequestCode = 0x0101;
inline constexpr uint16_t kSearchReplyCode = 0x0801;
inline constexpr int kSearchReceiveBufferBytes = 32768;
inline constexpr int kSearchPortFloor = 1000;
inline constexpr int kSearchBindAttempts = 8;
inline constexpr int kSearchPollSlice_ms = 200;

class LanSearcher {
  public:
    explicit LanSearcher(int port);
    ~LanSearcher();
    LanSearcher(const LanSearcher&) = delete;
    LanSearcher& operator=(const LanSearcher&) = delete;

    // 1 when the socket is bound and the receive thread runs (also when it already was), 0 on
    // failure (the object stays; a search then fails with -1).
    int Open();
    // Stores the callback and sends the request: the bytes sent (4), or -1.
    int Search(DarvelSearchCallback cb, void* user);
    // Clears the callback, ends the receive thread and closes the socket.
    void Close();

    int localPort() const { return localPort_; }

  private:
    static void Entry(void* arg);
    void ReceiveLoop();

    uint32_t destAddr_;  // network order
    uint16_t destPort_;  // host order
    std::atomic<int> socket_{-1};
    int localPort_ = 0;
    std::atomic<bool> stop_{false};
    WorkerThread receiver_;
    CriticalLock callbackLock_;
    DarvelSearchCallback callback_ = nullptr;  // guarded by callbackLock_
    void* user_ = nullptr;                     // guarded by callbackLock_
};

}  // namespace vantor
