// Cost of serving one device. The reference is encoding: a loop is encoded once per format,
// and every live frame after that is a replay. Compare BM_ReplayLiveFrame with
// BM_EncodeFramePerFrame (encoding cost per frame of a 2 s loop) for the saving that lets one
// process serve 64 devices; BM_HandleGetParams is the cost of the largest common answer.
#include <benchmark/benchmark.h>

#include "CgiHandler.h"
#include "LiveSource.h"
#include "MediaFrames.h"
#include "VideoLoop.h"

namespace {

const devsim::StreamFormat kFormat{640, 360, 25};

void BM_EncodeFramePerFrame(benchmark::State& state) {
    for (auto _ : state) {
        auto loop = devsim::VideoLoop::Encode(kFormat, "Bench");
        benchmark::DoNotOptimize(loop);
    }
    state.SetItemsProcessed(state.iterations() * kFormat.fps * devsim::VideoLoop::kLoopSeconds);
}
BENCHMARK(BM_EncodeFramePerFrame)->Unit(benchmark::kMillisecond);

void BM_ReplayLiveFrame(benchmark::State& state) {
    auto loop = devsim::VideoLoop::Encode(kFormat, "Bench");
    devsim::LiveSource src(loop, 0);
    int64_t now = 0;
    for (auto _ : state) {
        now += 40;
        std::string f = src.takeVideo(now);
        benchmark::DoNotOptimize(f);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReplayLiveFrame);

void BM_HandleGetParams(benchmark::State& state) {
    devsim::DeviceProfile p;
    p.id = "VSIM000001SIMAA";
    p.password = "pw";
    devsim::CgiHandler h(p, 100000, 2);
    const std::string req = "GET get_params.cgi?&loginuse=admin&loginpas=pw&user=admin&pwd=pw& ";
    for (auto _ : state) {
        auto a = h.handle(req);
        benchmark::DoNotOptimize(a);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleGetParams);

void BM_SnapshotJpeg(benchmark::State& state) {
    for (auto _ : state) {
        std::string jpeg = devsim::VideoLoop::EncodeJpeg(kFormat, "Bench", 7);
        benchmark::DoNotOptimize(jpeg);
    }
}
BENCHMARK(BM_SnapshotJpeg)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
