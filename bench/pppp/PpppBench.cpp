// Transport speed on loopback, each figure next to its reference measured in the same run:
//  - one channel carrying 64 MiB in 64 KiB writes, against a plain TCP connection doing the
//    same (counters: tcp_MiBps, pppp_MiBps, ratio; goal ratio >= 0.7);
//  - round trip of a 64-byte request on channel 0 echoed by the device (counters p50_us,
//    p99_us; goal p50 < 500 us), against the same echo over plain TCP (tcp_p50_us).
// Traffic goes to loopback only: the discovery broadcast address is forced to 127.255.255.255.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "PPPP_API.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kTotalBytes = 64u << 20;
constexpr int kPieceBytes = 64 << 10;
constexpr int kRoundTrips = 2000;
constexpr int kRequestBytes = 64;
constexpr uint32_t kPaceBytes = 2u << 20;  // writer keeps at most this much unsent

double mibPerSecond(size_t bytes, Clock::duration d) {
    return static_cast<double>(bytes) / (1 << 20) / std::chrono::duration<double>(d).count();
}

// A connected pair of loopback TCP sockets.
struct TcpPair {
    int a = -1, b = -1;
    TcpPair() {
        int l = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(l, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(l, 1) != 0 ||
            getsockname(l, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("listen");
        a = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(a, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            throw std::runtime_error("connect");
        b = accept(l, nullptr, nullptr);
        close(l);
        int one = 1;
        setsockopt(a, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        setsockopt(b, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~TcpPair() {
        close(a);
        close(b);
    }
};

bool readAll(int fd, char* p, size_t n) {
    while (n > 0) {
        ssize_t r = read(fd, p, n);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

bool writeAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t r = write(fd, p, n);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

Clock::duration tcpBulk() {
    TcpPair pair;
    std::vector<char> out(kPieceBytes, 'v'), in(kPieceBytes);
    auto start = Clock::now();
    std::thread writer([&] {
        for (size_t sent = 0; sent < kTotalBytes; sent += kPieceBytes)
            writeAll(pair.a, out.data(), kPieceBytes);
    });
    for (size_t got = 0; got < kTotalBytes; got += kPieceBytes)
        readAll(pair.b, in.data(), kPieceBytes);
    auto d = Clock::now() - start;
    writer.join();
    return d;
}

double tcpRoundTripP50Us() {
    TcpPair pair;
    std::thread echo([&] {
        char buf[kRequestBytes];
        while (readAll(pair.b, buf, sizeof buf) && writeAll(pair.b, buf, sizeof buf)) {
        }
    });
    std::vector<double> us;
    char buf[kRequestBytes] = {};
    for (int i = 0; i < kRoundTrips; ++i) {
        auto t = Clock::now();
        writeAll(pair.a, buf, sizeof buf);
        readAll(pair.a, buf, sizeof buf);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t).count());
    }
    shutdown(pair.a, SHUT_RDWR);
    echo.join();
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

// One device and one client session, device handle on the other end.
struct PpppPair {
    int device = -1, client = -1, server = -1;
    PpppPair() {
        setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 1);
        PPPP_Initialize("");
        std::string id = "BENCH-" + std::to_string(getpid());
        device = PPPP_Device_Start(id.c_str(), nullptr);
        client = PPPP_Connect(id.c_str(), 1, 0);
        server = PPPP_Device_Accept(device, 5000, nullptr);
        if (device < 0 || client < 0 || server < 0)
            throw std::runtime_error("pppp pair");
    }
    ~PpppPair() {
        PPPP_ForceClose(client);
        PPPP_ForceClose(server);
        PPPP_Device_Stop(device);
        PPPP_DeInitialize();
    }
};

Clock::duration ppppBulk(const PpppPair& p) {
    std::vector<char> out(kPieceBytes, 'v'), in(kPieceBytes);
    auto start = Clock::now();
    std::thread writer([&] {
        for (size_t sent = 0; sent < kTotalBytes;) {
            uint32_t unsent = 0;
            if (PPPP_Check_Buffer(p.server, 1, &unsent, nullptr) != 0)
                return;
            if (unsent >= kPaceBytes) {  // paced like the libraries' writers
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            if (PPPP_Write(p.server, 1, out.data(), kPieceBytes) != kPieceBytes)
                return;
            sent += kPieceBytes;
        }
    });
    for (size_t got = 0; got < kTotalBytes;) {
        int size = kPieceBytes;
        int r = PPPP_Read(p.client, 1, in.data(), &size, 5000);
        if (r != 0 && r != ERROR_PPPP_TIME_OUT)
            break;
        got += static_cast<size_t>(size);
    }
    auto d = Clock::now() - start;
    writer.join();
    return d;
}

// CPU time of the whole process (every thread), in ms.
double processCpuMs() {
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Alternates the two transfers every iteration and reports medians, so a burst of load on a
// shared machine hits both sides alike.
void BM_ChannelThroughput(benchmark::State& state) {
    PpppPair pair;
    std::vector<double> tcp, pppp, tcpCpu, ppppCpu;
    for (auto _ : state) {
        double c0 = processCpuMs();
        tcp.push_back(mibPerSecond(kTotalBytes, tcpBulk()));
        double c1 = processCpuMs();
        pppp.push_back(mibPerSecond(kTotalBytes, ppppBulk(pair)));
        double c2 = processCpuMs();
        tcpCpu.push_back(c1 - c0);
        ppppCpu.push_back(c2 - c1);
    }
    state.counters["tcp_MiBps"] = median(tcp);
    state.counters["pppp_MiBps"] = median(pppp);
    state.counters["ratio"] = median(pppp) / median(tcp);
    // CPU spent per transfer (all threads): the cost side, which load on the machine does not
    // distort as much as the wall-clock rates.
    state.counters["tcp_cpu_ms"] = median(tcpCpu);
    state.counters["pppp_cpu_ms"] = median(ppppCpu);
}
BENCHMARK(BM_ChannelThroughput)->Iterations(7)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RoundTrip64(benchmark::State& state) {
    PpppPair pair;
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        char buf[kRequestBytes];
        while (!stop) {
            int size = kRequestBytes;
            int r = PPPP_Read(pair.server, 0, buf, &size, 100);
            if (r == ERROR_PPPP_TIME_OUT)
                continue;
            if (r != 0 || PPPP_Write(pair.server, 0, buf, kRequestBytes) < 0)
                return;
        }
    });
    std::vector<double> us;
    for (auto _ : state) {
        char buf[kRequestBytes] = {};
        auto t = Clock::now();
        PPPP_Write(pair.client, 0, buf, kRequestBytes);
        int size = kRequestBytes;
        PPPP_Read(pair.client, 0, buf, &size, 5000);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t).count());
    }
    stop = true;
    echo.join();
    std::sort(us.begin(), us.end());
    state.counters["p50_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
    state.counters["tcp_p50_us"] = tcpRoundTripP50Us();
}
BENCHMARK(BM_RoundTrip64)->Iterations(kRoundTrips)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
