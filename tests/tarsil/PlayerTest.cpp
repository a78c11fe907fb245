// The player on a private X server with a real H.264 stream: pictures reach the window, the
// snapshot holds the decoded picture, the overlay text shows, and a destroyed window is
// survived.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "TestMedia.h"
#include "WaitFor.h"
#include "XvfbSession.h"
#include "tarsil.h"

using vantor_test::AccessUnit;
using vantor_test::TestMedia;
using vantor_test::waitFor;
using vantor_test::XvfbSession;

namespace {

constexpr int kW = 320;
constexpr int kH = 240;
constexpr int kFps = 25;
constexpr int kFrames = 30;

class TarsilPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbSession::available())
            GTEST_SKIP() << "Xvfb is not installed";
        if (!TestMedia::toolsAvailable())
            GTEST_SKIP() << "ffmpeg is not installed";
        ASSERT_TRUE(x_.start());
        units_ = media_.makeH264(kW, kH, kFps, kFrames, 10);
        ASSERT_EQ(static_cast<size_t>(kFrames), units_.size());
        ASSERT_TRUE(units_[0].key);
        ASSERT_EQ(1, x_player_initPlayLib());
        play_ = x_player_createPlayInstance(0);
        ASSERT_NE(0u, play_);
    }
    void TearDown() override {
        if (play_)
            x_player_destroyPlayInstance(play_);
        x_player_uninitPlayLib();
    }

    int feed(size_t from, size_t to) {
        int taken = 0;
        for (size_t i = from; i < to && i < units_.size(); ++i) {
            const auto& au = units_[i].bytes;
            auto f = TestMedia::frame(units_[i].key ? 0 : 1, 1, kFps, kW, kH,
                                      static_cast<int64_t>(i) * 1000 / kFps,
                                      static_cast<uint32_t>(i), au.data(), au.size());
            taken += x_player_inputNetFrame(play_, reinterpret_cast<const char*>(f.data()),
                                            static_cast<int>(f.size()));
        }
        return taken;
    }
    uint64_t shown() {
        TarsilStats s{};
        x_player_getStatistics(play_, &s);
        return s.picturesShown;
    }
    // Mean absolute difference between the window and the reference picture, over a grid.
    double windowDifference(Window w, const uint8_t* rgb) {
        double sum = 0;
        int n = 0;
        for (int y = 4; y < kH; y += 16) {
            for (int x = 4; x < kW; x += 16) {
                uint32_t p = x_.pixel(w, x, y);
                const uint8_t* r = rgb + (static_cast<size_t>(y) * kW + x) * 3;
                sum += std::abs(static_cast<int>((p >> 16) & 0xFF) - r[0]) +
                       std::abs(static_cast<int>((p >> 8) & 0xFF) - r[1]) +
                       std::abs(static_cast<int>(p & 0xFF) - r[2]);
                n += 3;
            }
        }
        return sum / n;
    }

    XvfbSession x_;
    TestMedia media_;
    std::vector<AccessUnit> units_;
    uint32_t play_ = 0;
};

TEST_F(TarsilPlayer, StreamIsDecodedAndDrawnAndSnapshotMatches) {
    Window w = x_.createWindow(kW, kH);
    ASSERT_EQ(1, x_player_setPlayWnd(play_, w));
    ASSERT_EQ(1, x_player_startPlay(play_));
    EXPECT_EQ(kFrames, feed(0, units_.size()));
    ASSERT_TRUE(waitFor([&] { return shown() == static_cast<uint64_t>(kFrames); })) << shown();
    auto reference = media_.referenceRgb();
    ASSERT_EQ(static_cast<size_t>(kW) * kH * 3 * kFrames, reference.size());
    const uint8_t* last = reference.data() + static_cast<size_t>(kW) * kH * 3 * (kFrames - 1);
    EXPECT_TRUE(waitFor([&] { return windowDifference(w, last) < 6.0; }, 3000))
        << windowDifference(w, last);
    if (const char* dir = std::getenv("VANTOR_SHOT_DIR")) {
        x_.savePpm(w, std::string(dir) + "/tarsil_stream.ppm");
    }

    const std::string path = media_.dir() + "/snap.bmp";
    ASSERT_EQ(1, x_player_capturePicture(play_, path.c_str()));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bmp((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(54u + kW * kH * 3, bmp.size());
    EXPECT_EQ('B', bmp[0]);
    EXPECT_EQ(24, bmp[28]);
    double diff = 0;
    for (int y = 0; y < kH; ++y) {
        const uint8_t* row = bmp.data() + 54 + static_cast<size_t>(kH - 1 - y) * kW * 3;
        for (int x = 0; x < kW; ++x) {
            const uint8_t* r = last + (static_cast<size_t>(y) * kW + x) * 3;
            diff += std::abs(row[x * 3 + 2] - r[0]) + std::abs(row[x * 3 + 1] - r[1]) +
                    std::abs(row[x * 3] - r[2]);
        }
    }
    EXPECT_LT(diff / (kW * kH * 3), 3.0);
    EXPECT_EQ(0, x_player_capturePicture(play_, "/nonexistent-dir/x.bmp"));

    // Scaled to the window's current size: a larger window gets the whole picture.
    XResizeWindow(x_.display(), w, kW * 2, kH * 2);
    XSync(x_.display(), False);
    uint64_t before = shown();
    feed(0, 10);
    ASSERT_TRUE(waitFor([&] { return shown() >= before + 10; }));
    EXPECT_TRUE(waitFor([&] { return (x_.pixel(w, kW * 2 - 3, kH * 2 - 3) & 0xFFFFFF) != 0; }));
}

TEST_F(TarsilPlayer, LastPictureShowsInNewWindowAndDetachKeepsDecoding) {
    ASSERT_EQ(1, x_player_startPlay(play_));
    feed(0, units_.size());  // no window yet: decoded, not drawn
    ASSERT_TRUE(waitFor([&] { return shown() == static_cast<uint64_t>(kFrames); }));
    Window w = x_.createWindow(kW, kH);
    ASSERT_EQ(1, x_player_setPlayWnd(play_, w));
    auto reference = media_.referenceRgb();
    const uint8_t* last = reference.data() + static_cast<size_t>(kW) * kH * 3 * (kFrames - 1);
    EXPECT_TRUE(waitFor([&] { return windowDifference(w, last) < 6.0; }, 3000))
        << "the last picture is drawn at once";
    ASSERT_EQ(1, x_player_setPlayWnd(play_, 0));
    feed(0, 10);
    ASSERT_TRUE(waitFor([&] { return shown() == static_cast<uint64_t>(kFrames + 10); }));
}

TEST_F(TarsilPlayer, DestroyedWindowIsSurvived) {
    Window w = x_.createWindow(kW, kH);
    ASSERT_EQ(1, x_player_setPlayWnd(play_, w));
    ASSERT_EQ(1, x_player_startPlay(play_));
    feed(0, 10);
    ASSERT_TRUE(waitFor([&] { return shown() == 10; }));
    XDestroyWindow(x_.display(), w);
    XSync(x_.display(), False);
    feed(10, units_.size());
    ASSERT_TRUE(waitFor([&] { return shown() == static_cast<uint64_t>(kFrames); }));
    // Attaching the dead window afresh: no display can be made for it; decoding goes on.
    ASSERT_EQ(1, x_player_setPlayWnd(play_, 0));
    ASSERT_EQ(1, x_player_setPlayWnd(play_, w));
    feed(0, 10);
    ASSERT_TRUE(waitFor([&] { return shown() == static_cast<uint64_t>(kFrames + 10); }));
    // A new window brings the drawing back.
    Window again = x_.createWindow(kW, kH);
    ASSERT_EQ(1, x_player_setPlayWnd(play_, again));
    feed(0, 10);
    ASSERT_TRUE(waitFor([&] { return shown() == static_cast<uint64_t>(kFrames + 20); }));
    EXPECT_TRUE(waitFor([&] { return x_.pixel(again, kW / 2, kH / 2) != 0; }));
}

TEST_F(TarsilPlayer, OverlayTextIsDrawnAndRemoved) {
    Window w = x_.createWindow(kW, kH);
    ASSERT_EQ(1, x_player_setPlayWnd(play_, w));
    ASSERT_EQ(1, x_player_startPlay(play_));
    OsdTextItem item{};
    item.color[0] = 255;
    item.left = 5;
    item.top = 5;
    item.right = 325;
    item.bottom = 35;
    std::snprintf(item.text, sizeof item.text, "%s", "Garage . REC");
    item.reserved3 = 10;
    auto reference = media_.referenceRgb();
    ASSERT_EQ(static_cast<size_t>(kW) * kH * 3 * kFrames, reference.size());
    // Pixels inside the placement (scaled to the 320 x 240 window) that differ clearly from
    // the decoded picture number `index`.
    auto changedPixels = [&](int index) {
        const uint8_t* pic = reference.data() + static_cast<size_t>(kW) * kH * 3 * index;
        int changed = 0;
        for (int y = 2; y < 15; ++y) {
            for (int x = 2; x < 148; ++x) {
                uint32_t p = x_.pixel(w, x, y);
                const uint8_t* r = pic + (static_cast<size_t>(y) * kW + x) * 3;
                if (std::abs(static_cast<int>((p >> 16) & 0xFF) - r[0]) > 80 ||
                    std::abs(static_cast<int>((p >> 8) & 0xFF) - r[1]) > 80 ||
                    std::abs(static_cast<int>(p & 0xFF) - r[2]) > 80) {
                    ++changed;
                }
            }
        }
        return changed;
    };
    feed(0, 10);
    ASSERT_TRUE(waitFor([&] { return shown() == 10; }));
    EXPECT_TRUE(waitFor([&] { return changedPixels(9) < 10; }, 3000));
    ASSERT_EQ(1, x_player_setOsdString(play_, 0, &item));
    feed(10, 20);
    ASSERT_TRUE(waitFor([&] { return shown() == 20; }));
    EXPECT_TRUE(waitFor([&] { return changedPixels(19) > 100; }, 3000)) << changedPixels(19);
    if (const char* dir = std::getenv("VANTOR_SHOT_DIR")) {
        x_.savePpm(w, std::string(dir) + "/tarsil_osd.ppm");
    }
    ASSERT_EQ(1, x_player_removeOsdstring(play_, 0));
    feed(20, 30);
    ASSERT_TRUE(waitFor([&] { return shown() == 30; }));
    EXPECT_TRUE(waitFor([&] { return changedPixels(29) < 10; }, 3000)) << changedPixels(29);
}

TEST_F(TarsilPlayer, CreateAndDestroyWhileFeeding) {
    Window w = x_.createWindow(kW, kH);
    for (int round = 0; round < 5; ++round) {
        uint32_t p = x_player_createPlayInstance(round & 1);
        ASSERT_NE(0u, p);
        x_player_setPlayWnd(p, w);
        x_player_startPlay(p);
        x_player_openSound(p);  // may fail without a sound device
        for (size_t i = 0; i < units_.size(); ++i) {
            auto f = TestMedia::frame(units_[i].key ? 0 : 1, 1, kFps, kW, kH, 0, 0,
                                      units_[i].bytes.data(), units_[i].bytes.size());
            x_player_inputNetFrame(p, reinterpret_cast<const char*>(f.data()),
                                   static_cast<int>(f.size()));
        }
        EXPECT_EQ(1, x_player_destroyPlayInstance(p));
    }
}

}  // namespace
