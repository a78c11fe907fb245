#include "NasTcpStream.h"

#include <sys/socket.h>

#include "DebugOut.h"

namespace vantor {

NasTcpStream::NasTcpStream() = default;

NasTcpStream::~NasTcpStream() {
    Stop();
}

int NasTcpStream::Open(const char* ipv4, int port, Handler handler) {
    Stop();
    if (!framer_.Ensure() || socket_.Connect(ipv4, port) != 1) {
        socket_.Close();
        return 0;
    }
    framer_.Reset();  // a fresh connection starts with an empty buffer
    handler_ = std::move(handler);
    running_ = true;
    try {
        reader_ = std::thread([this] { ReaderLoop(); });
    } catch (...) {
        running_ = false;
        socket_.Close();
        return 0;
    }
    return 1;
}

int NasTcpStream::Send(const void* data, size_t length) {
    if (!socket_.connected())
        return -1;
    return socket_.Send(data, length);
}

void NasTcpStream::Stop() {
    running_ = false;
    // Wakes a reader waiting for data at once; the descriptor stays ours until the join.
    int fd = socket_.fd();
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
    if (reader_.joinable())
        reader_.join();
    socket_.Close();
}

void NasTcpStream::ReaderLoop() {
    while (running_) {
        int w = socket_.WaitReadable(kNasStreamWait_ms);
        if (w == 0)
            continue;
        if (w < 0)
            break;
        int n = socket_.Recv(framer_.space(), framer_.spaceBytes());
        if (n <= 0)
            break;
        if (!framer_.Commit(static_cast<size_t>(n), handler_)) {
            DebugOut("stream: bad frame head, connection closed");
            break;
        }
    }
    socket_.Close();
}

}  // namespace vantor
