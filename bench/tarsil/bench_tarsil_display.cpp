// CPU cost of decoding and displaying many H.264 streams through the player, against the
// ffmpeg command decoding the same streams to nothing (-f null), measured in one run.
//
// Usage: bench_tarsil_display STREAM.h264 [streams=16] [window_w=320] [window_h=180]
// Needs DISPLAY (run_bench.sh starts a private Xvfb) and the ffmpeg command.
// The stream is an Annex B H.264 file with an access unit delimiter before each picture.
#include <X11/Xlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tarsil.h"

namespace {

struct Unit {
    std::vector<uint8_t> frame;  // head + data
};

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

std::vector<Unit> loadUnits(const std::string& path, int width, int height, int fps) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)), {});
    std::vector<size_t> starts;
    for (size_t i = 0; i + 4 < all.size(); ++i) {
        if (all[i] == 0 && all[i + 1] == 0 && all[i + 2] == 1 && (all[i + 3] & 0x1F) == 9) {
            starts.push_back(i);
        }
    }
    std::vector<Unit> units;
    for (size_t k = 0; k < starts.size(); ++k) {
        size_t end = k + 1 < starts.size() ? starts[k + 1] : all.size();
        size_t len = end - starts[k];
        bool key = false;
        for (size_t i = starts[k]; i + 3 < end; ++i) {
            if (all[i] == 0 && all[i + 1] == 0 && all[i + 2] == 1 && (all[i + 3] & 0x1F) == 5) {
                key = true;
                break;
            }
        }
        Unit u;
        u.frame.assign(32 + len, 0);
        uint8_t* h = u.frame.data();
        const uint32_t magic = 0xA815AA55u;
        const uint32_t seconds = static_cast<uint32_t>(k / fps);
        const uint16_t ms = static_cast<uint16_t>((k % fps) * 1000 / fps);
        const uint32_t seq = static_cast<uint32_t>(k);
        const uint32_t length = static_cast<uint32_t>(len);
        std::memcpy(h, &magic, 4);
        h[4] = key ? 0 : 1;
        std::memcpy(h + 6, &ms, 2);
        std::memcpy(h + 8, &seconds, 4);
        std::memcpy(h + 12, &seq, 4);
        std::memcpy(h + 16, &length, 4);
        h[20] = 1;
        h[21] = static_cast<uint8_t>(fps);
        const uint16_t w = static_cast<uint16_t>(width), hh = static_cast<uint16_t>(height);
        std::memcpy(h + 22, &w, 2);
        std::memcpy(h + 24, &hh, 2);
        std::memcpy(h + 32, all.data() + starts[k], len);
        units.push_back(std::move(u));
    }
    return units;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s STREAM.h264 [streams] [window_w] [window_h]\n", argv[0]);
        return 2;
    }
    const std::string stream = argv[1];
    const int streams = argc > 2 ? std::atoi(argv[2]) : 16;
    const int winW = argc > 3 ? std::atoi(argv[3]) : 320;
    const int winH = argc > 4 ? std::atoi(argv[4]) : 180;
    constexpr uint32_t kMaxQueued = 40;  // stay below the player's bound: nothing is dropped

    auto units = loadUnits(stream, 1280, 720, 25);
    if (units.empty()) {
        std::fprintf(stderr, "no access units in %s\n", stream.c_str());
        return 1;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    std::vector<Window> windows;
    for (int i = 0; i < streams; ++i) {
        Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), (i % 4) * winW, (i / 4) * winH,
                                       winW, winH, 0, 0, 0);
        XMapWindow(dpy, w);
        windows.push_back(w);
    }
    XSync(dpy, False);

    x_player_initPlayLib();
    // Feeds every stream to its own player as fast as the players take it (the feeder waits
    // while a queue is nearly full, so nothing is dropped) and returns the process CPU time.
    auto runPlayers = [&](bool draw, uint64_t& shown, uint64_t& dropped, double& wall) {
        std::vector<uint32_t> players;
        for (int i = 0; i < streams; ++i) {
            uint32_t p = x_player_createPlayInstance(0);
            x_player_setPlayWnd(p, draw ? windows[i] : 0);
            x_player_startPlay(p);
            players.push_back(p);
        }
        const double cpu0 = cpuSeconds(RUSAGE_SELF);
        const auto wall0 = std::chrono::steady_clock::now();
        std::vector<size_t> next(streams, 0);
        bool more = true;
        while (more) {
            more = false;
            bool fed = false;
            for (int i = 0; i < streams; ++i) {
                if (next[i] >= units.size())
                    continue;
                more = true;
                TarsilStats s{};
                x_player_getStatistics(players[i], &s);
                if (s.framesQueued >= kMaxQueued)
                    continue;
                const auto& f = units[next[i]++].frame;
                x_player_inputNetFrame(players[i], reinterpret_cast<const char*>(f.data()),
                                       static_cast<int>(f.size()));
                fed = true;
            }
            if (more && !fed)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        for (;;) {
            shown = dropped = 0;
            for (uint32_t p : players) {
                TarsilStats s{};
                x_player_getStatistics(p, &s);
                shown += s.picturesShown;
                dropped += s.framesDropped;
            }
            if (shown + dropped >= units.size() * streams)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        for (uint32_t p : players)
            x_player_destroyPlayInstance(p);
        return cpu;
    };
    // ---- reference: ffmpeg decoding the same streams to nothing, one thread each, all
    // streams at once as the players run them ----
    auto runFfmpeg = [&](size_t pictures) {
        const double before = cpuSeconds(RUSAGE_CHILDREN);
        std::vector<std::thread> runs;
        for (int i = 0; i < streams; ++i) {
            runs.emplace_back([&] {
                std::string cmd = "ffmpeg -nostdin -loglevel error -threads 1 -f h264 -i '" +
                                  stream + "' -frames:v " + std::to_string(pictures) +
                                  " -f null - >/dev/null 2>&1";
                if (std::system(cmd.c_str()) != 0)
                    std::fprintf(stderr, "ffmpeg failed\n");
            });
        }
        for (auto& t : runs)
            t.join();
        return cpuSeconds(RUSAGE_CHILDREN) - before;
    };
    // Start-up, probing and the first half cancel out in the difference: what remains is the
    // cost of decoding the second half of every stream.
    const size_t half = units.size() / 2;
    auto ffmpegDecodeCpu = [&] {
        const double full = runFfmpeg(units.size());
        const double firstHalf = runFfmpeg(half);
        return (full - firstHalf) / double(units.size() - half) * double(units.size());
    };

    // The machine may be shared: the two sides alternate over several rounds and the median
    // of each is compared.
    constexpr int kRounds = 3;
    std::vector<double> noDraw, draw, reference;
    uint64_t shown = 0, dropped = 0, shownNoDraw = 0, droppedNoDraw = 0;
    double playerWall = 0, noDrawWall = 0;
    for (int round = 0; round < kRounds; ++round) {
        noDraw.push_back(runPlayers(false, shownNoDraw, droppedNoDraw, noDrawWall));
        draw.push_back(runPlayers(true, shown, dropped, playerWall));
        reference.push_back(ffmpegDecodeCpu());
    }
    x_player_uninitPlayLib();
    XCloseDisplay(dpy);
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double noDrawCpu = median(noDraw);
    const double playerCpu = median(draw);
    const double ffmpegDecode = median(reference);
    const double ffmpegPerPicture = ffmpegDecode / (double(units.size()) * streams);

    const double frames = static_cast<double>(units.size()) * streams;
    std::printf("streams %d, pictures per stream %zu (1280x720 H.264 at 25 fps), windows %dx%d\n",
                streams, units.size(), winW, winH);
    std::printf(
        "player, decode only (no window): cpu %.2f s, shown %llu, dropped %llu, %.3f ms/picture\n",
        noDrawCpu, static_cast<unsigned long long>(shownNoDraw),
        static_cast<unsigned long long>(droppedNoDraw), noDrawCpu * 1000 / frames);
    std::printf(
        "player, decode and display: cpu %.2f s (wall %.2f s), shown %llu, dropped %llu, %.3f "
        "ms/picture\n",
        playerCpu, playerWall, static_cast<unsigned long long>(shown),
        static_cast<unsigned long long>(dropped), playerCpu * 1000 / frames);
    std::printf("ffmpeg -f null: decode %.2f s, %.3f ms/picture; rounds:", ffmpegDecode,
                ffmpegPerPicture * 1000);
    for (int i = 0; i < kRounds; ++i) {
        std::printf(" %.2f/%.2f", draw[i], reference[i]);
    }
    std::printf(" (player/ffmpeg cpu s)\n");
    std::printf("ratio decode+display / ffmpeg decode: %.2f (goal <= 1.30); decode only: %.2f\n",
                playerCpu / ffmpegDecode, noDrawCpu / ffmpegDecode);
    std::printf("real-time load of %d streams at 25 fps: %.0f%% of one core\n", streams,
                100.0 * playerCpu / (static_cast<double>(units.size()) / 25.0));
    return 0;
}
