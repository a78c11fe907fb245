// Frame intake without a display: what the head parser refuses, how the bounded queue drops
// whole groups of pictures, and the A-law coding used by sound and talk.
#include <gtest/gtest.h>

#include <vector>

#include "FrameQueue.h"
#include "G711.h"
#include "MediaFrame.h"
#include "TestMedia.h"
#include "WaitFor.h"
#include "tarsil.h"

using tarsil::FrameQueue;
using tarsil::MediaFrame;
using tarsil::ParseResult;
using vantor_test::TestMedia;

namespace {

std::vector<uint8_t> payload(size_t n) {
    return std::vector<uint8_t>(n, 0x42);
}

TEST(TarsilIntake, HeadChecks) {
    auto p = payload(100);
    auto good = TestMedia::frame(0, 1, 25, 640, 480, 1500, 7, p.data(), p.size());
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        ParseResult want;
    };
    std::vector<Case> cases = {
        {"valid key frame", good, ParseResult::Ok},
        {"head only", std::vector<uint8_t>(good.begin(), good.begin() + 31), ParseResult::TooShort},
        {"truncated data", std::vector<uint8_t>(good.begin(), good.end() - 1),
         ParseResult::LengthMismatch},
        {"empty frame", TestMedia::frame(1, 1, 25, 640, 480, 0, 0, nullptr, 0), ParseResult::Empty},
        {"talk kind", TestMedia::frame(8, 16, 1, 8000, 16, 0, 0, p.data(), p.size()),
         ParseResult::UnsupportedKind},
        {"end of recording", TestMedia::frame(16, 1, 0, 0, 0, 0, 0, p.data(), p.size()),
         ParseResult::UnsupportedKind},
        {"video with audio codec", TestMedia::frame(0, 16, 25, 640, 480, 0, 0, p.data(), 10),
         ParseResult::UnsupportedCodec},
        {"video codec 9", TestMedia::frame(1, 9, 25, 640, 480, 0, 0, p.data(), 10),
         ParseResult::UnsupportedCodec},
        {"audio with video codec", TestMedia::frame(6, 1, 1, 8000, 16, 0, 0, p.data(), 10),
         ParseResult::UnsupportedCodec},
        {"absurd width", TestMedia::frame(0, 1, 25, 9000, 480, 0, 0, p.data(), 10),
         ParseResult::AbsurdSize},
        {"absurd sample rate", TestMedia::frame(6, 16, 1, 100, 16, 0, 0, p.data(), 10),
         ParseResult::AbsurdSize},
        {"absurd channels", TestMedia::frame(5, 16, 9, 8000, 16, 0, 0, p.data(), 10),
         ParseResult::AbsurdSize},
    };
    // A head claiming more than the data limit.
    auto huge = good;
    huge[16] = 0xFF;
    huge[17] = 0xFF;
    huge[18] = 0xFF;
    huge[19] = 0x7F;
    cases.push_back({"length beyond limit", huge, ParseResult::LengthMismatch});
    for (const Case& c : cases) {
        MediaFrame f;
        EXPECT_EQ(c.want, MediaFrame::parse(c.bytes.data(), c.bytes.size(), f)) << c.what;
    }
    MediaFrame f;
    ASSERT_EQ(ParseResult::Ok, MediaFrame::parse(good.data(), good.size(), f));
    EXPECT_TRUE(f.key);
    EXPECT_EQ(640, f.widthOrRate);
    EXPECT_EQ(480, f.heightOrBits);
    EXPECT_EQ(1500, f.time_ms);
    EXPECT_EQ(100u, f.payload);
    // Trailing bytes after the announced data are ignored, not taken as data.
    auto longer = good;
    longer.push_back(0x99);
    ASSERT_EQ(ParseResult::Ok, MediaFrame::parse(longer.data(), longer.size(), f));
    EXPECT_EQ(100u, f.payload);
}

MediaFrame make(bool video, bool key, size_t bytes = 10) {
    MediaFrame f;
    f.kind = video ? (key ? tarsil::FrameKind::VideoKey : tarsil::FrameKind::VideoInter)
                   : tarsil::FrameKind::CameraAudio;
    f.key = key || !video;
    auto p = payload(bytes);
    f.assignPayload(p.data(), p.size());
    return f;
}

TEST(TarsilIntake, FullQueueDropsTheWholeGroupOfPictures) {
    FrameQueue q(4, 1 << 20);
    EXPECT_FALSE(q.push(make(true, false))) << "inter frame before any key frame";
    EXPECT_TRUE(q.push(make(true, true)));
    EXPECT_TRUE(q.push(make(false, true)));  // audio
    EXPECT_TRUE(q.push(make(true, false)));
    EXPECT_TRUE(q.push(make(true, false)));
    EXPECT_EQ(4u, q.size());
    // Full: this inter frame costs the queued video; audio stays.
    EXPECT_FALSE(q.push(make(true, false)));
    EXPECT_EQ(1u, q.size());
    EXPECT_FALSE(q.push(make(true, false))) << "still waiting for a key frame";
    EXPECT_TRUE(q.push(make(true, true)));
    EXPECT_TRUE(q.push(make(true, false)));
    MediaFrame out;
    ASSERT_TRUE(q.pop(out, 0));
    EXPECT_FALSE(out.isVideo());
    ASSERT_TRUE(q.pop(out, 0));
    EXPECT_TRUE(out.key);
    // Full of audio: audio is refused one by one, and a key frame cannot squeeze in either.
    FrameQueue a(2, 1 << 20);
    EXPECT_TRUE(a.push(make(false, true)));
    EXPECT_TRUE(a.push(make(false, true)));
    EXPECT_FALSE(a.push(make(false, true)));
    EXPECT_FALSE(a.push(make(true, true)));
    // The byte bound counts too.
    FrameQueue b(100, 25);
    EXPECT_TRUE(b.push(make(true, true, 20)));
    EXPECT_FALSE(b.push(make(true, false, 20)));
    EXPECT_EQ(0u, b.size());
    EXPECT_EQ(2u, b.dropped()) << "the purged key frame and the refused inter frame";
}

TEST(TarsilIntake, PlayerRefusesBadInputWithoutCrashing) {
    ASSERT_EQ(1, x_player_initPlayLib());
    uint32_t play = x_player_createPlayInstance(0);
    ASSERT_NE(0u, play);
    auto p = payload(64);
    auto good = TestMedia::frame(0, 1, 25, 320, 240, 0, 0, p.data(), p.size());
    EXPECT_EQ(0, x_player_inputNetFrame(play, reinterpret_cast<const char*>(good.data()),
                                        static_cast<int>(good.size())))
        << "not playing";
    ASSERT_EQ(1, x_player_startPlay(play));
    // Garbage that claims to be H.264: taken into the queue, dropped by the decoder.
    EXPECT_EQ(1, x_player_inputNetFrame(play, reinterpret_cast<const char*>(good.data()),
                                        static_cast<int>(good.size())));
    EXPECT_EQ(0, x_player_inputNetFrame(play, nullptr, 100));
    EXPECT_EQ(0, x_player_inputNetFrame(play, reinterpret_cast<const char*>(good.data()), -5));
    EXPECT_EQ(0, x_player_inputNetFrame(play + 1000, reinterpret_cast<const char*>(good.data()),
                                        static_cast<int>(good.size())));
    EXPECT_EQ(0, x_player_capturePicture(play, "/tmp/never.bmp")) << "no picture yet";
    EXPECT_EQ(0, x_player_setOsdString(play, 1, nullptr));
    EXPECT_EQ(1, x_player_destroyPlayInstance(play));
    EXPECT_EQ(0, x_player_destroyPlayInstance(play));
    EXPECT_EQ(0, x_player_startPlay(play)) << "stale handle";
    EXPECT_EQ(1, x_player_uninitPlayLib());
    EXPECT_EQ(0u, x_player_createPlayInstance(0)) << "library not initialised";
}

TEST(TarsilIntake, EveryVideoCodecDecodes) {
    if (!TestMedia::toolsAvailable())
        GTEST_SKIP() << "ffmpeg is not installed";
    TestMedia media;
    struct Case {
        const char* what;
        uint8_t codec;
        std::vector<vantor_test::AccessUnit> units;
    };
    constexpr int kFrames = 12;
    Case cases[] = {
        {"H.264", 1, media.makeH264(160, 120, 25, kFrames, 10)},
        {"H.265", 2, media.makeH265(160, 120, kFrames)},
        {"MJPEG", 3, media.makeMjpeg(160, 120, kFrames)},
    };
    ASSERT_EQ(1, x_player_initPlayLib());
    for (Case& c : cases) {
        ASSERT_EQ(static_cast<size_t>(kFrames), c.units.size()) << c.what;
        uint32_t play = x_player_createPlayInstance(0);
        ASSERT_EQ(1, x_player_startPlay(play));
        for (size_t i = 0; i < c.units.size(); ++i) {
            // MJPEG pictures are all marked inter: each one stands alone anyway.
            const uint8_t kind = c.codec == 3 ? 1 : (c.units[i].key ? 0 : 1);
            auto f = TestMedia::frame(kind, c.codec, 25, 160, 120, static_cast<int64_t>(i) * 40,
                                      static_cast<uint32_t>(i), c.units[i].bytes.data(),
                                      c.units[i].bytes.size());
            EXPECT_EQ(1, x_player_inputNetFrame(play, reinterpret_cast<const char*>(f.data()),
                                                static_cast<int>(f.size())))
                << c.what << " frame " << i;
        }
        TarsilStats stats{};
        EXPECT_TRUE(vantor_test::waitFor([&] {
            x_player_getStatistics(play, &stats);
            return stats.picturesShown == static_cast<uint64_t>(kFrames);
        })) << c.what
            << ": " << stats.picturesShown;
        const std::string snap = media.dir() + "/" + c.what + ".bmp";
        EXPECT_EQ(1, x_player_capturePicture(play, snap.c_str())) << c.what;
        x_player_destroyPlayInstance(play);
    }
    x_player_uninitPlayLib();
}

TEST(TarsilIntake, ALawRoundTrip) {
    // Reference codes from the G.711 tables.
    struct Case {
        int16_t sample;
        uint8_t code;
    };
    const Case cases[] = {{0, 0xD5},     {-1, 0x55},    {1000, 0xFA},
                          {-1000, 0x7A}, {32767, 0xAA}, {-32768, 0x2A}};
    for (const Case& c : cases)
        EXPECT_EQ(c.code, tarsil::G711::encode(c.sample)) << c.sample;
    for (int s = -32768; s <= 32767; s += 97) {
        int16_t back = tarsil::G711::decode(tarsil::G711::encode(static_cast<int16_t>(s)));
        int error = std::abs(back - s);
        EXPECT_LE(error, std::max(16, std::abs(s) / 16)) << s;
    }
}

}  // namespace
