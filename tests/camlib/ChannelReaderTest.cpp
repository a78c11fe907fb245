// Media and alarm channel framing over a scripted byte stream, and playback pacing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "CmdHead.h"
#include "MediaChannelReader.h"
#include "MediaFrameHead.h"
#include "PlaybackPacer.h"
#include "darvel.h"

using namespace vantor;

namespace {

// A channel that hands out the scripted bytes in small pieces, then reports the session
// closed.
struct Script {
    std::vector<char> bytes;
    size_t pos = 0;
    ChannelReadFn fn() {
        return [this](int, char* data, int* size, uint32_t) {
            size_t left = bytes.size() - pos;
            if (left == 0) {
                *size = 0;
                return -12;
            }
            size_t n = std::min<size_t>({left, static_cast<size_t>(*size), 7});
            memcpy(data, bytes.data() + pos, n);
            pos += n;
            if (n < static_cast<size_t>(*size)) {
                *size = static_cast<int>(n);
                return -3;
            }
            return 0;
        };
    }
    void media(uint8_t kind, uint32_t seq, const std::string& data) {
        MediaFrameHead h{};
        h.magic = kMediaFrameMagic;
        h.kind = kind;
        h.sequence = seq;
        h.dataLen = static_cast<uint32_t>(data.size());
        append(&h, sizeof(h));
        append(data.data(), data.size());
    }
    void alarm(uint16_t start, uint16_t cmd, const std::vector<uint8_t>& payload) {
        CmdHead h{start, cmd, static_cast<uint16_t>(payload.size()), 0};
        append(&h, sizeof(h));
        append(payload.data(), payload.size());
    }
    void append(const void* p, size_t n) {
        // resize + memcpy: GCC 12 at -O3 misreads vector::insert of a byte range as an
        // overflow (-Wstringop-overflow).
        if (n == 0)
            return;
        size_t at = bytes.size();
        bytes.resize(at + n);
        memcpy(bytes.data() + at, p, n);
    }
};

}  // namespace

TEST(MediaChannelReader, FramesArriveIntactAndAnOversizeFrameEndsTheReader) {
    Script s;
    s.media(0, 1, std::string(3000, 'k'));
    s.media(6, 2, "");
    s.media(1, 3, "inter");

    std::atomic<bool> running{true};
    std::vector<std::string> frames;
    MediaChannelReader reader(DARVEL_VIDEO_FRAME_MAX);
    EXPECT_EQ(reader.Run(s.fn(), 1, running,
                         [&](const char* f, int n) { frames.emplace_back(f, size_t(n)); }),
              MediaChannelReader::End::kHeadReadError);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].size(), 32u + 3000u);
    EXPECT_EQ(frames[0].substr(32), std::string(3000, 'k'));
    EXPECT_EQ(frames[1].size(), 32u);
    EXPECT_EQ(frames[2].substr(32), "inter");

    Script t;
    t.media(1, 1, "ok");
    MediaFrameHead over{};
    over.dataLen = DARVEL_AUDIO_FRAME_MAX + 1;
    t.append(&over, sizeof(over));
    t.media(1, 2, "after");
    frames.clear();
    MediaChannelReader audio(DARVEL_AUDIO_FRAME_MAX);
    EXPECT_EQ(audio.Run(t.fn(), 2, running,
                        [&](const char* f, int n) { frames.emplace_back(f, size_t(n)); }),
              MediaChannelReader::End::kOversize);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].substr(32), "ok");

    Script u;
    u.media(1, 1, "tail");
    u.bytes.resize(u.bytes.size() - 2);  // the session ends inside the data
    frames.clear();
    EXPECT_EQ(audio.Run(u.fn(), 2, running,
                        [&](const char* f, int n) { frames.emplace_back(f, size_t(n)); }),
              MediaChannelReader::End::kDataReadError);
    EXPECT_TRUE(frames.empty());
}

TEST(AlarmChannelReader, KindsMapAndBadPayloadsAreDropped) {
    const uint32_t kinds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 20};
    const int codes[] = {25, 33, 32, 36, 36, 33, 37, 38, 39, 40, 41, 42, 43, 44, 14, 20};
    Script s;
    for (uint32_t k : kinds) {
        std::vector<uint8_t> p(4);
        memcpy(p.data(), &k, 4);
        s.alarm(kStartCodePlain, 0x6040, p);
    }
    s.alarm(kStartCodePlain, 0x6040, {1, 0, 0});  // too short: dropped
    s.alarm(kStartCodeCiphered, 0x6040, {});      // empty: nothing
    s.alarm(kStartCodePlain, 0x6041, {});         // len 0: nothing, even for 0x6041
    s.alarm(kStartCodePlain, 0x6041, {0});        // the device closes the channel
    s.alarm(0x0B00, 0x6040, {3, 0, 0, 0});        // bad start code ends the reader
    s.alarm(kStartCodePlain, 0x6040, {3, 0, 0, 0});

    std::atomic<bool> running{true};
    std::vector<int> got;
    int closed = 0;
    auto end = AlarmChannelReader::Run(
        s.fn(), 5, running, [&](int c) { got.push_back(c); }, [&] { ++closed; });
    EXPECT_EQ(end, AlarmChannelReader::End::kBadStart);
    std::vector<int> want(std::begin(codes), std::end(codes));
    want.push_back(255);
    EXPECT_EQ(got, want);
    EXPECT_EQ(closed, 1);
}

TEST(PlaybackPacer, PausesFollowTimeStamps) {
    struct Step {
        uint8_t kind;
        uint32_t seconds;
        uint16_t ms;
        uint32_t seq;
        int pause;
    };
    // Sequence 7, 8, 9 at 10.900, 11.020, 11.060 s: 40 (first frame), 120, 40.
    const Step run[] = {
        {1, 10, 900, 7, 40},    {1, 11, 20, 8, 120},
        {1, 11, 60, 9, 40},     {6, 50, 0, 99, 0},  // audio: unpaced, state untouched
        {16, 50, 0, 0, 0},                          // end of recording: unpaced
        {1, 11, 100, 10, 40},                       // still consecutive with 9
        {1, 11, 200, 12, 40},                       // sequence jump
        {1, 11, 150, 13, 0},                        // backwards: clamped to 0
        {1, 11, 180, 14, 30},    // the stored (negative) pause is non-zero: paced again
        {1, 90, 999, 15, 1000},  // across many seconds: +1000 - 180 + 999 clamps to 1000
    };
    PlaybackPacer p;
    for (const Step& s : run) {
        EXPECT_EQ(p.Next(s.kind, s.seconds, s.ms, s.seq), s.pause) << "seq " << s.seq;
    }
}
