// Replay driver for fuzz targets in builds without libFuzzer: runs every file named on the
// command line (folders are walked), then a bounded number of deterministic pseudo-random
// inputs derived from them, so each target is exercised by every ordinary test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr size_t kMaxInputBytes = 1 << 20;
constexpr int kRandomInputs = 20000;
constexpr size_t kMaxRandomBytes = 4096;

std::vector<uint8_t> readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() > kMaxInputBytes) data.resize(kMaxInputBytes);
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::vector<uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            for (auto& e : std::filesystem::recursive_directory_iterator(p, ec))
                if (e.is_regular_file()) seeds.push_back(readFile(e.path()));
        } else if (std::filesystem::is_regular_file(p, ec)) {
            seeds.push_back(readFile(p));
        }
    }
    for (auto& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
    if (seeds.empty()) seeds.emplace_back();

    std::mt19937 rng(12345);
    std::vector<uint8_t> buf;
    for (int i = 0; i < kRandomInputs; ++i) {
        buf = seeds[rng() % seeds.size()];
        int mutations = 1 + static_cast<int>(rng() % 8);
        for (int m = 0; m < mutations; ++m) {
            switch (rng() % 4) {
                case 0:  // flip a byte
                    if (!buf.empty()) buf[rng() % buf.size()] = static_cast<uint8_t>(rng());
                    break;
                case 1:  // insert a byte
                    if (buf.size() < kMaxRandomBytes)
                        buf.insert(buf.begin() + (buf.empty() ? 0 : rng() % (buf.size() + 1)),
                                   static_cast<uint8_t>(rng()));
                    break;
                case 2:  // truncate
                    if (!buf.empty()) buf.resize(rng() % buf.size());
                    break;
                default:  // append random bytes
                    for (int k = rng() % 16; k > 0 && buf.size() < kMaxRandomBytes; --k)
                        buf.push_back(static_cast<uint8_t>(rng()));
                    break;
            }
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("replayed %zu seed(s) and %d generated input(s)\n", seeds.size(), kRandomInputs);
    return 0;
}
