// One HTTP exchange over a CAPTcpClientSocket: send a request built by the packet class, read
// one response (header lines, then a body by Content-Length or chunked coding).
//
// Never writes past the caller's buffers: header text beyond the header buffer is cut (the
// lines are still parsed), and a body longer than the body buffer is an error.
//
// Thread: one thread per exchange object (Send is also safe from another thread). Blocking:
// every read waits in steps of readWait_ms; the defaults are the device protocol's
// (2 s per wait, 10 waits per byte of a line, 5 s per line, 15 waits for a body).
#pragma once

#include <cstddef>

#include "CAPTcpClientSocket.h"

namespace vantor {

inline constexpr size_t kHttpLineBytes = 8192;
inline constexpr size_t kHttpMaxChunks = 65536;  // chunks per body, beyond: error

struct HttpTimeouts {
    int connect_ms = kTcpConnectTimeout_ms;
    int readWait_ms = 2000;  // one wait for readability
    int lineByteWaits = 10;  // waits for one byte of a line before giving up
    int line_ms = 5000;      // a line taking longer gives -2
    int bodyRetries = 15;    // waits allowed while reading a Content-Length body
};

class CAPHttpClient {
  public:
    explicit CAPHttpClient(const HttpTimeouts& timeouts = HttpTimeouts());
    ~CAPHttpClient();
    CAPHttpClient(const CAPHttpClient&) = delete;
    CAPHttpClient& operator=(const CAPHttpClient&) = delete;

    int Connect(const char* host, int port) { return socket_.Connect(host, port); }
    int Close() { return socket_.Close(); }
    int Send(const void* data, size_t length) { return socket_.Send(data, length); }

    // Reads exactly `size` bytes and writes a 0 byte after them (bufferBytes >= size + 1, else
    // -1). size on success; 0 when the peer closed or the retries ran out; -1 on error.
    int ReadExact(char* buffer, size_t bufferBytes, size_t size, int retries);
    // One line including its line feed, NUL-terminated. The length; 0 or a short count when
    // the peer closed or a byte did not come in time; -1 on error; -2 when the line took
    // longer than line_ms; -3 when it does not fit bufferBytes.
    int ReadLine(char* buffer, size_t bufferBytes);
    // The body length (> 0), 0 for no body or an unusable response, negative on error
    // (including a body that does not fit bodyBytes - 1). Both buffers are NUL-terminated.
    int ReadResponse(char* header, size_t headerBytes, char* body, size_t bodyBytes);

    CAPTcpClientSocket& socket() { return socket_; }

  private:
    int readChunked(char* body, size_t bodyBytes);

    HttpTimeouts timeouts_;
    CAPTcpClientSocket socket_;
};

}  // namespace vantor
