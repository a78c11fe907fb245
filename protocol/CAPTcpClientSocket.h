// One TCP client connection on POSIX sockets: name resolution (IPv4 and IPv6, the last
// result of getaddrinfo wins), a non-blocking connect with a time-out, sends under a lock and
// timed reads.
//
// Thread: Send may be called from several threads (serialised by the send lock) and Close may
// come from another thread while a Send runs (it shuts the socket down first, which wakes a
// blocked send, and closes the descriptor under the send lock, so a send never reaches a
// reused descriptor). Reads belong to one thread per connection; Connect to the owner. Ownership:
// the owner of the object owns the descriptor; the destructor closes it.
#pragma once

#include <atomic>
#include <cstddef>

#include "CriticalLock.h"

namespace vantor {

inline constexpr int kTcpConnectTimeout_ms = 10000;
inline constexpr size_t kAddressTextBytes = 256;

class CAPTcpClientSocket {
  public:
    explicit CAPTcpClientSocket(int connectTimeout_ms = kTcpConnectTimeout_ms);
    virtual ~CAPTcpClientSocket();
    CAPTcpClientSocket(const CAPTcpClientSocket&) = delete;
    CAPTcpClientSocket& operator=(const CAPTcpClientSocket&) = delete;

    // 1 connected (also at once when already connected), 0 failed. Blocks up to the connect
    // time-out after resolution.
    int Connect(const char* host, int port);
    // -1 when there is no socket, else the close result; clears the connected flag.
    int Close();
    // Sends all `length` bytes: the count sent, or a negative errno value. Never raises SIGPIPE.
    int Send(const void* data, size_t length);
    // Bytes received, 0 when the peer closed, a negative errno value on error.
    int Recv(void* buffer, size_t size);
    // >0 readable (or closed by the peer), 0 time-out, <0 error.
    int WaitReadable(int timeout_ms);
    // 1 when a socket exists or was created for the resolved family, 0 on failure.
    int CreateSocket();

    // Takes over an already connected descriptor (a socketpair end in tests and fuzzing).
    void Adopt(int fd);

    bool connected() const { return connected_ != 0; }
    int fd() const { return socket_; }
    int port() const { return port_; }
    bool ipv6() const { return ipv6_ != 0; }
    const char* address() const { return address_; }
    void setConnectTimeout(int timeout_ms) { connectTimeout_ms_ = timeout_ms; }

  private:
    CriticalLock sendLock_;
    char address_[kAddressTextBytes] = {};
    int port_ = 0;
    std::atomic<int> connected_{0};
    std::atomic<int> socket_{-1};
    int ipv6_ = 0;
    int connectTimeout_ms_;
};

}  // namespace vantor
