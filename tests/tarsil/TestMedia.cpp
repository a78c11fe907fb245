#include "TestMedia.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vantor_test {

TestMedia::TestMedia() {
    char tmpl[] = "/tmp/tarsil-test-XXXXXX";
    const char* made = mkdtemp(tmpl);
    dir_ = made ? made : "/tmp";
}

TestMedia::~TestMedia() {
    std::error_code ec;
    if (dir_ != "/tmp")
        std::filesystem::remove_all(dir_, ec);
}

std::string TestMedia::run(const std::string& command, bool* ok) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        if (ok)
            *ok = false;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int status = pclose(p);
    if (ok)
        *ok = status == 0;
    return out;
}

bool TestMedia::toolsAvailable() {
    bool a = false, b = false;
    run("command -v ffmpeg >/dev/null 2>&1", &a);
    run("command -v ffprobe >/dev/null 2>&1", &b);
    return a && b;
}

std::vector<AccessUnit> TestMedia::makeH264(int width, int height, int fps, int frames, int gop,
                                            const std::string& extraArgs,
                                            const std::string& filter) {
    lastStream_ = dir_ + "/stream.h264";
    char cmd[1024];
    // Every access unit starts with a delimiter, so cutting needs no slice parsing.
    std::snprintf(cmd, sizeof cmd,
                  "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=%dx%d:rate=%d%s "
                  "-frames:v %d -c:v libx264 -preset ultrafast -tune zerolatency -g %d "
                  "-keyint_min %d -bf 0 -pix_fmt yuv420p %s -bsf:v h264_metadata=aud=insert "
                  "-f h264 '%s'",
                  width, height, fps, filter.c_str(), frames, gop, gop, extraArgs.c_str(),
                  lastStream_.c_str());
    bool ok = false;
    run(cmd, &ok);
    std::vector<AccessUnit> units;
    if (!ok)
        return units;
    std::ifstream in(lastStream_, std::ios::binary);
    std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)), {});
    std::vector<size_t> starts;  // positions of AUD start codes
    for (size_t i = 0; i + 4 < all.size(); ++i) {
        if (all[i] == 0 && all[i + 1] == 0 && all[i + 2] == 1 && (all[i + 3] & 0x1F) == 9) {
            starts.push_back(i > 0 && all[i - 1] == 0 ? i - 1 : i);
        }
    }
    for (size_t k = 0; k < starts.size(); ++k) {
        size_t end = k + 1 < starts.size() ? starts[k + 1] : all.size();
        AccessUnit au;
        au.bytes.assign(all.begin() + starts[k], all.begin() + end);
        for (size_t i = 0; i + 3 < au.bytes.size(); ++i) {
            if (au.bytes[i] == 0 && au.bytes[i + 1] == 0 && au.bytes[i + 2] == 1 &&
                (au.bytes[i + 3] & 0x1F) == 5) {
                au.key = true;
                break;
            }
        }
        units.push_back(std::move(au));
    }
    return units;
}

std::vector<AccessUnit> TestMedia::makeH265(int width, int height, int frames) {
    const std::string path = dir_ + "/stream.hevc";
    char cmd[1024];
    std::snprintf(cmd, sizeof cmd,
                  "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=%dx%d:rate=25 "
                  "-frames:v %d -c:v libx265 -preset ultrafast -x265-params "
                  "log-level=none:bframes=0:keyint=10 -bsf:v hevc_metadata=aud=insert -f hevc '%s'",
                  width, height, frames, path.c_str());
    bool ok = false;
    run(cmd, &ok);
    std::vector<AccessUnit> units;
    if (!ok)
        return units;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)), {});
    std::vector<size_t> starts;  // access unit delimiters: NAL type 35
    for (size_t i = 0; i + 4 < all.size(); ++i) {
        if (all[i] == 0 && all[i + 1] == 0 && all[i + 2] == 1 && ((all[i + 3] >> 1) & 0x3F) == 35) {
            starts.push_back(i > 0 && all[i - 1] == 0 ? i - 1 : i);
        }
    }
    for (size_t k = 0; k < starts.size(); ++k) {
        size_t end = k + 1 < starts.size() ? starts[k + 1] : all.size();
        AccessUnit au;
        au.bytes.assign(all.begin() + starts[k], all.begin() + end);
        for (size_t i = 0; i + 3 < au.bytes.size(); ++i) {
            const int type = (au.bytes[i + 3] >> 1) & 0x3F;
            if (au.bytes[i] == 0 && au.bytes[i + 1] == 0 && au.bytes[i + 2] == 1 && type >= 16 &&
                type <= 21) {
                au.key = true;  // IRAP picture
                break;
            }
        }
        units.push_back(std::move(au));
    }
    return units;
}

std::vector<AccessUnit> TestMedia::makeMjpeg(int width, int height, int frames) {
    const std::string path = dir_ + "/stream.mjpeg";
    char cmd[1024];
    std::snprintf(cmd, sizeof cmd,
                  "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=%dx%d:rate=25 "
                  "-frames:v %d -c:v mjpeg -f mjpeg '%s'",
                  width, height, frames, path.c_str());
    bool ok = false;
    run(cmd, &ok);
    std::vector<AccessUnit> units;
    if (!ok)
        return units;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)), {});
    size_t start = 0;
    for (size_t i = 0; i + 1 < all.size(); ++i) {
        if (all[i] == 0xFF && all[i + 1] == 0xD9) {  // end of image
            AccessUnit au;
            au.bytes.assign(all.begin() + start, all.begin() + i + 2);
            au.key = true;
            units.push_back(std::move(au));
            start = i + 2;
        }
    }
    return units;
}

std::vector<uint8_t> TestMedia::referenceRgb() {
    std::string out = dir_ + "/reference.rgb";
    bool ok = false;
    run("ffmpeg -nostdin -loglevel error -y -i '" + lastStream_ + "' -f rawvideo -pix_fmt rgb24 '" +
            out + "'",
        &ok);
    std::ifstream in(out, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

std::vector<uint8_t> TestMedia::frame(uint8_t kind, uint8_t codec, uint8_t rate, uint16_t w,
                                      uint16_t h, int64_t time_ms, uint32_t sequence,
                                      const uint8_t* data, size_t length) {
    std::vector<uint8_t> f(32 + length, 0);
    auto put16 = [&](size_t at, uint32_t v) {
        f[at] = static_cast<uint8_t>(v);
        f[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    put32(0, 0xA815AA55u);
    f[4] = kind;
    put16(6, static_cast<uint32_t>(time_ms % 1000));
    put32(8, static_cast<uint32_t>(time_ms / 1000));
    put32(12, sequence);
    put32(16, static_cast<uint32_t>(length));
    f[20] = codec;
    f[21] = rate;
    put16(22, w);
    put16(24, h);
    if (length)
        std::copy(data, data + length, f.begin() + 32);
    return f;
}

double TestMedia::probeDuration(const std::string& path) {
    bool ok = false;
    std::string out =
        run("ffprobe -v error -show_entries format=duration -of "
            "default=noprint_wrappers=1:nokey=1 '" +
                path + "'",
            &ok);
    if (!ok || out.empty())
        return -1;
    return std::atof(out.c_str());
}

}  // namespace vantor_test
