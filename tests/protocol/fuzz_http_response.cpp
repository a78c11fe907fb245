// HTTP response parsing through the real reader: the input is written into one end of a
// socketpair and closed; CAPHttpClient reads the response from the other end into buffers of
// their exact size.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "CAPHttpClient.h"

namespace {
constexpr size_t kMaxInputBytes = 32768;  // stays inside the socket buffer: no writer thread
constexpr size_t kHeaderBytes = 512;
constexpr size_t kBodyBytes = 2048;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes)
        size = kMaxInputBytes;
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return 0;
    int sndbuf = 4 * kMaxInputBytes;
    setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    size_t sent = 0;
    while (sent < size) {
        ssize_t r = write(fds[1], data + sent, size - sent);
        if (r <= 0)
            break;
        sent += static_cast<size_t>(r);
    }
    close(fds[1]);

    vantor::HttpTimeouts timeouts;
    timeouts.readWait_ms = 50;
    timeouts.line_ms = 1000;
    vantor::CAPHttpClient http(timeouts);
    http.socket().Adopt(fds[0]);
    auto header = std::make_unique<char[]>(kHeaderBytes);
    auto body = std::make_unique<char[]>(kBodyBytes);
    int n = http.ReadResponse(header.get(), kHeaderBytes, body.get(), kBodyBytes);
    if (n > static_cast<int>(kBodyBytes) - 1)
        __builtin_trap();
    return 0;
}
