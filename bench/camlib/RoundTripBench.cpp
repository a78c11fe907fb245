// Command round trip through the camera library (get_param 0x2701 -> status record callback)
// against the transport's own round trip of a 64-byte request on channel 0, both on loopback in
// the same run. The gap between the two is what the library adds: framing, the writer thread's
// hand-over and the answer dispatch.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "FakeCamera.h"
#include "PPPP_API.h"
#include "darvel.h"

namespace {

std::string UniqueId(const char* prefix) {
    return std::string(prefix) + std::to_string(getpid() % 100000) + "BENCH";
}

struct StatusWaiter {
    std::mutex mu;
    std::condition_variable cv;
    int statusRecords = 0;  // guarded by mu
    bool online = false;    // guarded by mu

    static void OnEvent(int e, void* u) {
        auto* w = static_cast<StatusWaiter*>(u);
        std::lock_guard<std::mutex> lock(w->mu);
        if (e == 100) w->online = true;
        w->cv.notify_all();
    }
    static void OnData(int type, const char*, int, void* u) {
        auto* w = static_cast<StatusWaiter*>(u);
        if (type != 0x2701) return;
        std::lock_guard<std::mutex> lock(w->mu);
        ++w->statusRecords;
        w->cv.notify_all();
    }
    static void OnResult(int, int, void*) {}
};

void BM_LibraryCommandRoundTrip(benchmark::State& state) {
    setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 0);
    const std::string id = UniqueId("VSIM");
    FakeCamera cam(id, "admin", "pw", false);
    if (!cam.start()) {
        state.SkipWithError("fake camera did not start");
        return;
    }
    device_net_work_init(nullptr);
    StatusWaiter w;
    int uid = device_net_work_createInstanceEx("admin", "pw", id.c_str(), "", 0, 1);
    device_net_work_set_event_callback(uid, &StatusWaiter::OnEvent, &w);
    device_net_work_param_callback(uid, &StatusWaiter::OnData, &StatusWaiter::OnResult, &w);
    device_net_work_start(uid);
    {
        std::unique_lock<std::mutex> lock(w.mu);
        if (!w.cv.wait_for(lock, std::chrono::seconds(15), [&] { return w.online; })) {
            lock.unlock();
            device_net_work_destroyInstance(uid);
            device_net_work_deInit();
            state.SkipWithError("camera did not come online");
            return;
        }
    }
    for (auto _ : state) {
        int before;
        {
            std::lock_guard<std::mutex> lock(w.mu);
            before = w.statusRecords;
        }
        device_net_work_get_param(uid, 0x2701);
        std::unique_lock<std::mutex> lock(w.mu);
        if (!w.cv.wait_for(lock, std::chrono::seconds(5),
                           [&] { return w.statusRecords > before; })) {
            state.SkipWithError("status answer did not come");
            break;
        }
    }
    device_net_work_destroyInstance(uid);
    device_net_work_deInit();
    cam.stop();
}
BENCHMARK(BM_LibraryCommandRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_TransportRoundTrip64(benchmark::State& state) {
    setenv("VANTOR_BROADCAST_ADDR", "127.255.255.255", 0);
    const std::string id = UniqueId("VECHO");
    PPPP_DeviceOptions opts{};
    int dev = PPPP_Device_Start(id.c_str(), &opts);
    if (dev < 0) {
        state.SkipWithError("device face did not start");
        return;
    }
    PPPP_Initialize("");
    int deviceSession = -1;
    std::thread acceptor([&] {
        PPPP_AcceptInfo info{};
        deviceSession = PPPP_Device_Accept(dev, 10000, &info);
    });
    int s = PPPP_Connect(id.c_str(), 1, 0);
    acceptor.join();
    if (s < 0 || deviceSession < 0) {
        PPPP_Device_Stop(dev);
        state.SkipWithError("no session");
        return;
    }
    std::thread echo([&] {
        char buf[64];
        for (;;) {
            int n = sizeof buf;
            int r = PPPP_Read(deviceSession, 0, buf, &n, 100);
            if (r == ERROR_PPPP_TIME_OUT && n == 0) continue;
            if (r != 0 && r != ERROR_PPPP_TIME_OUT) return;
            if (PPPP_Write(deviceSession, 0, buf, n) < 0) return;
        }
    });
    char req[64] = "GET get_status.cgi?loginuse=admin&loginpas=pw&user=admin& ";
    char ans[64];
    for (auto _ : state) {
        PPPP_Write(s, 0, req, sizeof req);
        int got = 0;
        while (got < static_cast<int>(sizeof ans)) {
            int n = sizeof ans - got;
            int r = PPPP_Read(s, 0, ans + got, &n, 100);
            got += n;
            if (r != 0 && r != ERROR_PPPP_TIME_OUT) break;
        }
    }
    PPPP_ForceClose(s);
    PPPP_ForceClose(deviceSession);
    echo.join();
    PPPP_Device_Stop(dev);
    PPPP_DeInitialize();
}
BENCHMARK(BM_TransportRoundTrip64)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
