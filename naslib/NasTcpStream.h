// One long-lived stream connection of a TCP recorder session (playback, live video or
// audio): a socket, a reader thread that cuts media frames out of a fixed 512 KB buffer, and
// the handler the frames go to. A broken stream (bad head, oversize frame, receive error or
// peer close) ends the reader and closes the socket; the owner stops it before reopening.
//
// Thread: Open/Send/Stop from the owner's threads (the session serialises them with its
// stream lock); the handler runs on the reader thread, which Stop joins: the handler must not
// take a lock the stopping thread holds.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>

#include "CAPTcpClientSocket.h"
#include "NasStreamFramer.h"

namespace vantor {

inline constexpr int kNasStreamWait_ms = 100;

class NasTcpStream {
  public:
    using Handler = NasStreamFramer::Deliver;

    NasTcpStream();
    ~NasTcpStream();
    NasTcpStream(const NasTcpStream&) = delete;
    NasTcpStream& operator=(const NasTcpStream&) = delete;

    // Connects to an IPv4 literal and starts the reader. 1 or 0 (nothing left running).
    int Open(const char* ipv4, int port, Handler handler);
    // Bytes sent, or a negative value when there is no connection.
    int Send(const void* data, size_t length);
    // Ends the reader (joins) and closes the socket. Safe when not open.
    void Stop();

  private:
    void ReaderLoop();

    CAPTcpClientSocket socket_;
    NasStreamFramer framer_;  // reader thread only while open
    Handler handler_;         // set before the reader starts
    std::atomic<bool> running_{false};
    std::thread reader_;
};

}  // namespace vantor
