// Sound and talk through SDL (its dummy driver stands in for a sound card), and local AVI
// playback with pause, seek and the end-of-file notice.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "TestMedia.h"
#include "WaitFor.h"
#include "XvfbSession.h"
#include "tarsil.h"

using vantor_test::TestMedia;
using vantor_test::waitFor;
using vantor_test::XvfbSession;

namespace {

struct TalkSink {
    std::mutex lock;
    std::vector<int> lengths;
    std::vector<uint8_t> firstBlock;
    static int receive(const char* data, int length, void* user) {
        auto* self = static_cast<TalkSink*>(user);
        std::lock_guard<std::mutex> guard(self->lock);
        if (self->lengths.empty())
            self->firstBlock.assign(data, data + length);
        self->lengths.push_back(length);
        return 1;
    }
    size_t count() {
        std::lock_guard<std::mutex> guard(lock);
        return lengths.size();
    }
};

TEST(TarsilAudio, TalkDeliversALawBlocksAndSoundPlays) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(1, x_player_initPlayLib());
    uint32_t talk = x_player_createDualtalkInstance();
    ASSERT_NE(0u, talk);
    TalkSink sink;
    ASSERT_EQ(1, x_player_StartDualTalk(talk, &TalkSink::receive, &sink));
    EXPECT_EQ(0, x_player_StartDualTalk(talk, &TalkSink::receive, &sink)) << "already running";
    ASSERT_TRUE(waitFor([&] { return sink.count() >= 3; }));
    ASSERT_EQ(1, x_player_StopDualTalk(talk));
    const size_t after = sink.count();
    {
        std::lock_guard<std::mutex> guard(sink.lock);
        for (int len : sink.lengths)
            EXPECT_EQ(TARSIL_TALK_BLOCK_BYTES, len);
        // The dummy microphone is silent: A-law silence is 0xD5.
        for (uint8_t b : sink.firstBlock)
            EXPECT_TRUE(b == 0xD5 || b == 0x55) << int(b);
    }
    EXPECT_EQ(after, sink.count()) << "no callback after stop returned";

    uint32_t play = x_player_createPlayInstance(0);
    ASSERT_EQ(1, x_player_startPlay(play));
    ASSERT_EQ(1, x_player_openSound(play));
    std::vector<uint8_t> tone(320, 0xD5);
    for (int i = 0; i < 10; ++i) {
        auto f = TestMedia::frame(6, 16, 1, 8000, 16, i * 40, i, tone.data(), tone.size());
        EXPECT_EQ(1, x_player_inputNetFrame(play, reinterpret_cast<const char*>(f.data()),
                                            static_cast<int>(f.size())));
    }
    ASSERT_EQ(1, x_player_closeSound(play));
    EXPECT_EQ(1, x_player_destroyDualtalkInstance(talk));
    EXPECT_EQ(1, x_player_destroyPlayInstance(play));
    x_player_uninitPlayLib();
}

TEST(TarsilAudio, NoSoundDeviceFailsCleanly) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ASSERT_EQ(1, x_player_initPlayLib());
    uint32_t talk = x_player_createDualtalkInstance();
    TalkSink sink;
    EXPECT_EQ(0, x_player_StartDualTalk(talk, &TalkSink::receive, &sink));
    uint32_t play = x_player_createPlayInstance(0);
    EXPECT_EQ(0, x_player_openSound(play));
    EXPECT_EQ(1, x_player_closeSound(play));
    x_player_uninitPlayLib();  // destroys both instances
    EXPECT_EQ(0, x_player_StopDualTalk(talk));
}

class TarsilFile : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbSession::available())
            GTEST_SKIP() << "Xvfb is not installed";
        if (!TestMedia::toolsAvailable())
            GTEST_SKIP() << "ffmpeg is not installed";
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(x_.start());
        // 4 s, a key frame every second, A-law sound: the kind of file local recording makes.
        path_ = media_.dir() + "/clip.avi";
        bool ok = false;
        TestMedia::run(
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=25"
            " -f lavfi -i sine=frequency=440:sample_rate=8000 -t 4 -c:v libx264"
            " -preset ultrafast -g 25 -bf 0 -pix_fmt yuv420p -c:a pcm_alaw -ac 1 '" +
                path_ + "'",
            &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(1, x_player_initPlayLib());
        play_ = x_player_createPlayInstance(0);
    }
    void TearDown() override {
        if (play_)
            x_player_destroyPlayInstance(play_);
        x_player_uninitPlayLib();
    }
    uint64_t shown() {
        TarsilStats s{};
        x_player_getStatistics(play_, &s);
        return s.picturesShown;
    }
    int64_t position() {
        int64_t pos = -1;
        x_player_getFileTime(play_, &pos, nullptr);
        return pos;
    }
    XvfbSession x_;
    TestMedia media_;
    std::string path_;
    uint32_t play_ = 0;
};

void onEnd(uint32_t play, void* user) {
    static_cast<std::atomic<uint32_t>*>(user)->store(play);
}

TEST_F(TarsilFile, PlaysPausesSeeksAndEnds) {
    Window w = x_.createWindow(160, 120);
    ASSERT_EQ(1, x_player_setPlayWnd(play_, w));
    EXPECT_EQ(0, x_player_openFile(play_, "/nonexistent.avi"));
    EXPECT_EQ(0, x_player_getFileState(play_));
    ASSERT_EQ(1, x_player_openFile(play_, path_.c_str()));
    std::atomic<uint32_t> ended{0};
    ASSERT_EQ(1, x_player_setFileEndCallback(play_, &onEnd, &ended));
    int64_t duration = 0;
    ASSERT_EQ(1, x_player_getFileTime(play_, nullptr, &duration));
    EXPECT_NEAR(4000, duration, 100);
    EXPECT_EQ(2, x_player_getFileState(play_)) << "paused after open";
    EXPECT_EQ(1, x_player_openSound(play_));

    ASSERT_EQ(1, x_player_playFile(play_));
    EXPECT_EQ(1, x_player_getFileState(play_));
    ASSERT_TRUE(waitFor([&] { return shown() >= 5; }));
    EXPECT_TRUE(waitFor([&] { return x_.pixel(w, 80, 60) != 0; }))
        << "the picture reaches the window";

    ASSERT_EQ(1, x_player_pauseFile(play_));
    EXPECT_EQ(2, x_player_getFileState(play_));
    const uint64_t pausedShown = shown();
    const int64_t pausedAt = position();
    // Seek while paused to the key frame at 2 s: the position moves, nothing plays on.
    ASSERT_EQ(1, x_player_seekFile(play_, 2));
    ASSERT_TRUE(waitFor([&] { return position() == 2000; }));
    EXPECT_GE(pausedAt, 0);
    EXPECT_LE(shown(), pausedShown + 2) << "at most what was queued before the pause";

    ASSERT_EQ(1, x_player_playFile(play_));
    ASSERT_TRUE(waitFor([&] { return ended.load() == play_; }, 8000));
    EXPECT_EQ(3, x_player_getFileState(play_));
    // From 2 s to the end is 50 pictures (and a few queued before the pause).
    EXPECT_GE(shown(), pausedShown + 45);
    EXPECT_LE(shown(), pausedShown + 55);
    EXPECT_EQ(1, x_player_closeFile(play_));
    EXPECT_EQ(0, x_player_getFileState(play_));
}

TEST_F(TarsilFile, RecordingPlaysBack) {
    // A recording made by the player plays back through the same player.
    auto units = media_.makeH264(160, 120, 25, 50, 25);
    ASSERT_EQ(50u, units.size());
    LocalRecordParams p{};
    std::snprintf(p.folder, sizeof p.folder, "%s", media_.dir().c_str());
    std::snprintf(p.deviceId, sizeof p.deviceId, "%s", "CAM9");
    p.fileLength_mb = 100;
    p.timeLength_min = 5;
    ASSERT_EQ(1, x_player_startlocalrecord(play_, p));
    for (size_t i = 0; i < units.size(); ++i) {
        auto f =
            TestMedia::frame(units[i].key ? 0 : 1, 1, 25, 160, 120, static_cast<int64_t>(i) * 40, 0,
                             units[i].bytes.data(), units[i].bytes.size());
        ASSERT_EQ(1, x_player_inputNetFrame(play_, reinterpret_cast<const char*>(f.data()),
                                            static_cast<int>(f.size())));
    }
    ASSERT_EQ(1, x_player_stoplocalrecord(play_));
    std::string found = TestMedia::run("find '" + media_.dir() + "/RecordFiles' -name '*.avi'");
    ASSERT_FALSE(found.empty());
    found.erase(found.find('\n'));
    std::atomic<uint32_t> ended{0};
    ASSERT_EQ(1, x_player_openFile(play_, found.c_str()));
    x_player_setFileEndCallback(play_, &onEnd, &ended);
    ASSERT_EQ(1, x_player_playFile(play_));
    ASSERT_TRUE(waitFor([&] { return ended.load() == play_; }, 8000));
    ASSERT_TRUE(waitFor([&] { return shown() == 50; }));
}

}  // namespace
