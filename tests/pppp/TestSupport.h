// Shared pieces of the transport tests: loopback-only environment, unique device IDs, the
// server-string encoder, and an echo device (channel 0 echoed back) used in-process and by the
// helper process pppp_test_device.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PPPP_API.h"

namespace pppptest {

// Every test talks to loopback only, whatever the caller's environment says, and keeps the
// discovery window short so "not online" answers come quickly.
inline void useLoopbackEnvironment() {
    setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 1);
    setenv("VANTOR_PPPP_DISCOVERY_MS", "1000", 1);
}

// IDs are unique per process and call, because ctest runs test processes in parallel and
// every device of the machine listens on the same discovery port.
inline std::string uniqueId(const char* tag) {
    static std::atomic<int> counter{0};
    return std::string(tag) + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// Encodes "host:port" fields the way the server initialisation string carries them.
inline std::string encodeServers(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        for (unsigned char c : fields[i]) {
            out += static_cast<char>('A' + (c >> 4));
            out += static_cast<char>('A' + (c & 15));
        }
    }
    return out;
}

// A device that accepts every session and echoes channel 0 back until stopped.
class EchoDevice {
  public:
    static constexpr int kChunkBytes = 4096;

    explicit EchoDevice(const std::string& id, uint32_t acceptModes = 0) {
        PPPP_DeviceOptions o{};
        o.acceptModes = acceptModes;
        handle_ = PPPP_Device_Start(id.c_str(), &o);
        if (handle_ >= 0)
            acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~EchoDevice() { stop(); }

    int handle() const { return handle_; }

    void stop() {
        if (handle_ < 0)
            return;
        PPPP_Device_Stop(handle_);  // ends acceptLoop
        if (acceptor_.joinable())
            acceptor_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& w : workers_)
            PPPP_ForceClose(w->session);  // ends every echo loop; each
                                          // handle is closed once
        for (auto& w : workers_)
            w->thread.join();
        workers_.clear();
        handle_ = -1;
    }

  private:
    struct Worker {
        int session = -1;
        std::atomic<bool> done{false};
        std::thread thread;
    };

    void acceptLoop() {
        while (true) {
            PPPP_AcceptInfo info{};
            int s = PPPP_Device_Accept(handle_, 1000, &info);
            if (s == ERROR_PPPP_TIME_OUT)
                continue;
            if (s < 0)
                return;
            std::lock_guard<std::mutex> lock(mutex_);
            // Reap finished echo loops so long runs keep a bounded number of threads.
            for (auto it = workers_.begin(); it != workers_.end();) {
                if ((*it)->done) {
                    (*it)->thread.join();
                    PPPP_ForceClose((*it)->session);
                    it = workers_.erase(it);
                } else {
                    ++it;
                }
            }
            auto w = std::make_unique<Worker>();
            w->session = s;
            Worker* raw = w.get();
            w->thread = std::thread([raw] {
                echo(raw->session);
                raw->done = true;
            });
            workers_.push_back(std::move(w));
        }
    }

    // Waits for one byte, then takes whatever else is already there, and sends it all back.
    static void echo(int s) {
        std::vector<char> buf(kChunkBytes);
        while (true) {
            int size = 1;
            int r = PPPP_Read(s, 0, buf.data(), &size, 200);
            if (r == ERROR_PPPP_TIME_OUT)
                continue;
            if (r != 0)
                return;
            uint32_t unread = 0;
            if (PPPP_Check_Buffer(s, 0, nullptr, &unread) < 0)
                return;
            int more = static_cast<int>(unread < kChunkBytes - 1 ? unread : kChunkBytes - 1);
            if (more > 0 && PPPP_Read(s, 0, buf.data() + 1, &more, 0) < 0)
                return;
            if (PPPP_Write(s, 0, buf.data(), 1 + more) < 0)
                return;
        }
    }

    int handle_ = -1;
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Worker>> workers_;  // guarded by mutex_
};

}  // namespace pppptest
