// Lumeno on a private X server: pictures reach the right rectangle, the result codes of the
// channel and sub-display functions, and recovery when a window goes away.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "WaitFor.h"
#include "XvfbSession.h"
#include "lumeno.h"

using vantor_test::XvfbSession;

namespace {

constexpr int kPicW = 64;
constexpr int kPicH = 48;

struct Yuv {
    uint8_t y, u, v;
};
// BT.601 limited range, as the scaler assumes.
constexpr Yuv kRed{81, 90, 240};
constexpr Yuv kGreen{145, 54, 34};
constexpr Yuv kBlue{41, 240, 110};
constexpr Yuv kWhite{235, 128, 128};

// A picture of four quadrants: red top-left, green top-right, blue bottom-left, white
// bottom-right.
struct Picture {
    std::vector<uint8_t> y, u, v;
    Picture() : y(kPicW * kPicH), u(kPicW * kPicH / 4), v(kPicW * kPicH / 4) {
        for (int row = 0; row < kPicH; ++row) {
            for (int col = 0; col < kPicW; ++col) {
                const Yuv& c = row < kPicH / 2 ? (col < kPicW / 2 ? kRed : kGreen)
                                               : (col < kPicW / 2 ? kBlue : kWhite);
                y[row * kPicW + col] = c.y;
                if (row % 2 == 0 && col % 2 == 0) {
                    u[(row / 2) * (kPicW / 2) + col / 2] = c.u;
                    v[(row / 2) * (kPicW / 2) + col / 2] = c.v;
                }
            }
        }
    }
    std::vector<uint8_t> yv12() const {
        std::vector<uint8_t> b(y);
        b.insert(b.end(), v.begin(), v.end());
        b.insert(b.end(), u.begin(), u.end());
        return b;
    }
};

bool near(uint32_t rgb, uint32_t want, int tolerance = 28) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int a = (rgb >> shift) & 0xFF, b = (want >> shift) & 0xFF;
        if (std::abs(a - b) > tolerance)
            return false;
    }
    return true;
}

class LumenoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbSession::available())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(x_.start());
        main_ = x_.createWindow(320, 240, 0x202020);
        ASSERT_EQ(0, LUMENO_InitObject(&h_, kPicW, kPicH, main_));
        ASSERT_NE(nullptr, h_);
    }
    void TearDown() override {
        if (h_)
            LUMENO_ReleaseObject(h_);
    }

    // Puts reach the server asynchronously: wait (bounded) until the pixel shows the colour.
    uint32_t px(Window w, int x, int y, uint32_t want) {
        uint32_t p = 0;
        vantor_test::waitFor([&] { return near(p = x_.pixel(w, x, y), want); }, 3000);
        return p;
    }

    XvfbSession x_;
    Window main_ = 0;
    LUMENO_HANDLE h_ = nullptr;
    Picture pic_;
};

TEST_F(LumenoTest, PictureFillsWholeWindowWithoutRectangle) {
    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 0, main_, nullptr));
    ASSERT_EQ(0, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));
    EXPECT_TRUE(near(px(main_, 80, 60, 0xFF0000), 0xFF0000)) << std::hex << x_.pixel(main_, 80, 60);
    EXPECT_TRUE(near(px(main_, 240, 60, 0x00FF00), 0x00FF00));
    EXPECT_TRUE(near(px(main_, 80, 180, 0x0000FF), 0x0000FF));
    EXPECT_TRUE(near(px(main_, 240, 180, 0xFFFFFF), 0xFFFFFF));
    // Corners are drawn too: no inset.
    EXPECT_TRUE(near(px(main_, 0, 0, 0xFF0000), 0xFF0000));
    EXPECT_TRUE(near(px(main_, 319, 239, 0xFFFFFF), 0xFFFFFF));
    if (const char* dir = std::getenv("VANTOR_SHOT_DIR")) {
        x_.savePpm(main_, std::string(dir) + "/lumeno_quadrants.ppm");
    }
}

TEST_F(LumenoTest, RectangleAndSingleBufferInsets) {
    const uint32_t bg = 0x202020;
    LUMENO_RECT r{10, 10, 100, 100};
    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 1, main_, &r));
    ASSERT_EQ(0, LUMENO_ShowImage(h_, 1, pic_.y.data(), pic_.u.data(), pic_.v.data()));
    // Inset 1 left/right, 19 top, 18 bottom of the window.
    EXPECT_TRUE(near(px(main_, 1, 19, 0xFF0000), 0xFF0000));
    EXPECT_TRUE(near(px(main_, 318, 221, 0xFFFFFF), 0xFFFFFF));
    EXPECT_EQ(bg, x_.pixel(main_, 0, 100));
    EXPECT_EQ(bg, x_.pixel(main_, 319, 100));
    EXPECT_EQ(bg, x_.pixel(main_, 160, 18));
    EXPECT_EQ(bg, x_.pixel(main_, 160, 222));

    // A fresh window: the single-buffer picture without a rectangle is inset 1 on every side,
    // and its planes are Y, V, U.
    Window w = x_.createWindow(200, 100, bg);
    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 2, w, nullptr));
    auto buf = pic_.yv12();
    ASSERT_EQ(0, LUMENO_ShowImage2(h_, 2, buf.data(), static_cast<int>(buf.size())));
    EXPECT_TRUE(near(px(w, 1, 1, 0xFF0000), 0xFF0000));
    EXPECT_TRUE(near(px(w, 50, 75, 0x0000FF), 0x0000FF));
    EXPECT_TRUE(near(px(w, 198, 98, 0xFFFFFF), 0xFFFFFF));
    EXPECT_EQ(bg, x_.pixel(w, 0, 0));
    EXPECT_EQ(bg, x_.pixel(w, 199, 99));
}

TEST_F(LumenoTest, ChannelResultCodes) {
    const uint8_t* y = pic_.y.data();
    const uint8_t* u = pic_.u.data();
    const uint8_t* v = pic_.v.data();
    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 4, main_, nullptr));
    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 3, main_, nullptr));
    struct Case {
        const char* what;
        int got;
        int want;
    };
    const Case cases[] = {
        {"show on channel 4 even when open", LUMENO_ShowImage(h_, 4, y, u, v), 9},
        {"show on channel 15", LUMENO_ShowImage(h_, 15, y, u, v), 9},
        {"show on negative channel", LUMENO_ShowImage(h_, -1, y, u, v), 9},
        {"show on closed channel 1", LUMENO_ShowImage(h_, 1, y, u, v), 1},
        {"show without planes", LUMENO_ShowImage(h_, 3, y, nullptr, v), 1},
        {"show on open channel 3", LUMENO_ShowImage(h_, 3, y, u, v), 0},
        {"open without window", LUMENO_OpenChannel(h_, 3, 0, nullptr), 1},
        {"channel 3 still open", LUMENO_GetChannel(h_, 3), 0},
        {"open channel 16", LUMENO_OpenChannel(h_, 16, main_, nullptr), 1},
        {"get channel 16", LUMENO_GetChannel(h_, 16), 1},
        {"get closed channel 7", LUMENO_GetChannel(h_, 7), 1},
        {"close channel 16", LUMENO_CloseChannel(h_, 16), 1},
        {"close channel 3", LUMENO_CloseChannel(h_, 3), 0},
        {"channel 3 closed", LUMENO_GetChannel(h_, 3), 1},
        {"null handle open", LUMENO_OpenChannel(nullptr, 0, main_, nullptr), -1},
        {"null handle show", LUMENO_ShowImage(nullptr, 0, y, u, v), -1},
        {"null handle get", LUMENO_GetChannel(nullptr, 0), -1},
        {"destroy sub index 7", LUMENO_DestroySubDX(h_, 7), 0},
        {"destroy inactive sub", LUMENO_DestroySubDX(h_, 1), 0},
        {"start sub index 5", LUMENO_StartVideoSubDX(h_, 5, main_, nullptr), -2},
        {"start inactive sub", LUMENO_StartVideoSubDX(h_, 0, main_, nullptr), -2},
        {"stop sub index 9", LUMENO_StopVideoSubDX(h_, 9), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, c.got) << c.what;

    LUMENO_HANDLE other = reinterpret_cast<LUMENO_HANDLE>(1);
    EXPECT_EQ(3, LUMENO_InitObject(&other, kPicW, kPicH, 0x7FFFFF));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(5, LUMENO_InitObject(&other, 0, kPicH, main_));
    EXPECT_EQ(5, LUMENO_InitObject(&other, kPicW, kLumenoMaxPictureSide + 1, main_));
    EXPECT_EQ(-1, LUMENO_InitObject(nullptr, kPicW, kPicH, main_));
    LUMENO_ReSetHandle(nullptr, main_);  // does nothing
    LUMENO_ReleaseObject(nullptr);
}

TEST_F(LumenoTest, DestroyedWindowIsReportedAndResetRecovers) {
    Window doomed = x_.createWindow(100, 100);
    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 0, doomed, nullptr));
    ASSERT_EQ(0, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));
    XDestroyWindow(x_.display(), doomed);
    XSync(x_.display(), False);
    EXPECT_EQ(8, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));
    EXPECT_EQ(8, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));

    // Resetting onto a window that does not exist leaves no surfaces.
    LUMENO_ReSetHandle(h_, doomed);
    EXPECT_EQ(9, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));

    // A reset onto a live window opens channel 0 there with the rectangle insets.
    Window fresh = x_.createWindow(160, 120, 0x202020);
    LUMENO_ReSetHandle(h_, fresh);
    EXPECT_EQ(0, LUMENO_GetChannel(h_, 0));
    ASSERT_EQ(0, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));
    EXPECT_TRUE(near(px(fresh, 10, 25, 0xFF0000), 0xFF0000));
    EXPECT_EQ(0x202020u, x_.pixel(fresh, 80, 5));
}

TEST_F(LumenoTest, FiveSubDisplaysMirrorAndTheSixthIsRefused) {
    std::vector<Window> windows;
    for (int i = 0; i < LUMENO_SUBDISPLAY_COUNT; ++i) {
        windows.push_back(x_.createWindow(80, 60, 0x202020));
        int index = -1;
        ASSERT_EQ(0, LUMENO_CreateSubDX(h_, windows.back(), &index));
        EXPECT_EQ(i, index);
        ASSERT_EQ(0, LUMENO_StartVideoSubDX(h_, index, windows.back(), nullptr));
    }
    int index = -1;
    EXPECT_EQ(-2, LUMENO_CreateSubDX(h_, x_.createWindow(80, 60), &index));

    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 0, main_, nullptr));
    ASSERT_EQ(0, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));
    for (Window w : windows) {
        EXPECT_TRUE(near(px(w, 60, 45, 0xFFFFFF), 0xFFFFFF));
        EXPECT_TRUE(near(px(w, 10, 10, 0xFF0000), 0xFF0000));
    }
    // A stopped sub-display no longer mirrors; a destroyed slot is reused.
    EXPECT_EQ(0, LUMENO_StopVideoSubDX(h_, 1));
    Window clearMe = windows[1];
    XSetWindowBackground(x_.display(), clearMe, 0x202020);
    XClearWindow(x_.display(), clearMe);
    XSync(x_.display(), False);
    ASSERT_EQ(0, LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()));
    EXPECT_EQ(0x202020u, x_.pixel(clearMe, 10, 10));
    EXPECT_EQ(0, LUMENO_DestroySubDX(h_, 2));
    EXPECT_EQ(0, LUMENO_CreateSubDX(h_, windows[2], &index));
    EXPECT_EQ(2, index);
}

TEST_F(LumenoTest, SubDisplayTeardownDuringDrawing) {
    ASSERT_EQ(0, LUMENO_OpenChannel(h_, 0, main_, nullptr));
    Window sub = x_.createWindow(80, 60);
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::thread drawer([&] {
        for (int i = 0; i < 2000 && !stop; ++i) {
            if (LUMENO_ShowImage(h_, 0, pic_.y.data(), pic_.u.data(), pic_.v.data()) != 0) {
                ++failures;
            }
        }
    });
    for (int round = 0; round < 20; ++round) {
        int index = -1;
        ASSERT_EQ(0, LUMENO_CreateSubDX(h_, sub, &index));
        ASSERT_EQ(0, LUMENO_StartVideoSubDX(h_, index, sub, nullptr));
        EXPECT_EQ(0, LUMENO_DestroySubDX(h_, index));
    }
    stop = true;
    drawer.join();
    EXPECT_EQ(0, failures.load());
}

}  // namespace
