// Costs of the recorder codec, each next to a reference run in the same process:
// - cutting TCP stream frames against a plain copy of the same bytes (the framer should stay
//   within a small factor of memcpy: frames are handed on without a copy);
// - decoding the largest answers against one strstr pass per key over the same text (the
//   decoder's floor: each field is one key lookup);
// - building a request against one snprintf of the same text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CAPNasPacket.h"
#include "MediaFrameHead.h"
#include "NasRecordDecoder.h"
#include "NasStreamFramer.h"
#include "morsk_records.h"

using namespace vantor;

namespace {

std::string Stream(size_t frames, size_t dataBytes) {
    std::string s;
    for (size_t i = 0; i < frames; ++i) {
        MediaFrameHead h{};
        h.magic = kMediaFrameMagic;
        h.sequence = static_cast<uint32_t>(i);
        h.dataLen = static_cast<uint32_t>(dataBytes);
        s.append(reinterpret_cast<const char*>(&h), sizeof h);
        s.append(dataBytes, 'v');
    }
    return s;
}

void BM_FramerCut(benchmark::State& state) {
    std::string bytes = Stream(64, 16000);
    NasStreamFramer f;
    f.Ensure();
    const size_t chunk = 65536;
    size_t frames = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < bytes.size(); at += chunk) {
            size_t n = std::min(chunk, bytes.size() - at);
            std::memcpy(f.space(), bytes.data() + at, n);
            f.Commit(n, [&](const char*, int) { ++frames; });
        }
    }
    benchmark::DoNotOptimize(frames);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_FramerCut);

void BM_ReferenceCopy(benchmark::State& state) {
    std::string bytes = Stream(64, 16000);
    std::vector<char> buffer(kNasStreamBufferBytes);
    const size_t chunk = 65536;
    for (auto _ : state) {
        for (size_t at = 0; at < bytes.size(); at += chunk) {
            size_t n = std::min(chunk, bytes.size() - at);
            std::memcpy(buffer.data(), bytes.data() + at, n);
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReferenceCopy);

std::string AccessoryAnswer() {
    std::string t;
    char entry[512];
    for (int z = 0; z < 8; ++z)
        for (int s = 0; s < 16; ++s) {
            std::snprintf(entry, sizeof entry,
                          "alarmcam[%d][%d]=1;alarmkey[%d][%d]=2;alarmptz[%d][%d]=3;"
                          "alarmalias[%d][%d]=\"sensor\";alarmlinkchnl[%d][%d]=0;"
                          "alarmbound[%d][%d]=1;",
                          z, s, z, s, z, s, z, s, z, s, z, s);
            t += entry;
        }
    for (int z = 0; z < 8; ++z) {
        std::snprintf(entry, sizeof entry, "alarmaudio[%d]=1;", z);
        t += entry;
    }
    return t + "zonestatus=1;";
}

void BM_DecodeAccessories(benchmark::State& state) {
    std::string text = AccessoryAnswer();
    CAPPacket p;
    NasAccessories rec;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            NasRecordDecoder::Decode(p, 0x211A, text.c_str(), &rec, sizeof rec));
}
BENCHMARK(BM_DecodeAccessories);

void BM_ReferenceKeyScan(benchmark::State& state) {
    std::string text = AccessoryAnswer();
    std::vector<std::string> keys;
    for (int z = 0; z < 8; ++z)
        for (int s = 0; s < 16; ++s)
            for (const char* n : {"alarmcam", "alarmkey", "alarmptz", "alarmalias", "alarmlinkchnl",
                                  "alarmbound"}) {
                char k[64];
                std::snprintf(k, sizeof k, "%s[%d][%d]=", n, z, s);
                keys.emplace_back(k);
            }
    for (auto _ : state) {
        size_t found = 0;
        for (const auto& k : keys)
            found += std::strstr(text.c_str(), k.c_str()) != nullptr;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_ReferenceKeyScan);

void BM_BuildWifiRequest(benchmark::State& state) {
    CAPNasPacket p;
    p.SetUser("admin", "123");
    NasWifi wifi{};
    std::strcpy(wifi.ssid, "home");
    std::strcpy(wifi.psk, "secret");
    std::vector<char> out(kRequestTextBytes);
    int len = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            p.BuildCommand(0x2005, &wifi, sizeof wifi, out.data(), out.size(), &len));
}
BENCHMARK(BM_BuildWifiRequest);

void BM_ReferenceSnprintf(benchmark::State& state) {
    char out[512];
    for (auto _ : state)
        benchmark::DoNotOptimize(std::snprintf(
            out, sizeof out,
            "GET set_wifi.cgi?enable=%d&ssid=%s&mode=%d&encrypt=%d&wpa_psk=%s&channel=%d&user=%s"
            "&pwd=%s& ",
            0, "home", 0, 0, "secret", 0, "admin", "123"));
}
BENCHMARK(BM_ReferenceSnprintf);

}  // namespace

BENCHMARK_MAIN();
