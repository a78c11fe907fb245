// Local recording: AVI files that ffprobe reads with the right duration, split by time and by
// size, in the agreed folders; free-space reserve and record-over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "LocalRecorder.h"
#include "TestMedia.h"
#include "WaitFor.h"
#include "tarsil.h"

namespace fs = std::filesystem;
using vantor_test::AccessUnit;
using vantor_test::TestMedia;
using vantor_test::waitFor;

namespace {

LocalRecordParams params(const std::string& folder, const char* device, int file_mb, int time_min,
                         int reserve_mb, int over) {
    LocalRecordParams p{};
    std::snprintf(p.folder, sizeof p.folder, "%s", folder.c_str());
    std::snprintf(p.deviceId, sizeof p.deviceId, "%s", device);
    p.fileLength_mb = file_mb;
    p.timeLength_min = time_min;
    p.reserveSpace_mb = reserve_mb;
    p.recordOver = over;
    return p;
}

std::vector<std::string> aviFiles(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".avi")
            out.push_back(it->path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

class TarsilRecord : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TestMedia::toolsAvailable())
            GTEST_SKIP() << "ffmpeg is not installed";
        ASSERT_EQ(1, x_player_initPlayLib());
        play_ = x_player_createPlayInstance(0);
        ASSERT_NE(0u, play_);
    }
    void TearDown() override {
        if (play_)
            x_player_destroyPlayInstance(play_);
        x_player_uninitPlayLib();
    }
    void feed(const std::vector<AccessUnit>& units, int fps, int w, int h) {
        for (size_t i = 0; i < units.size(); ++i) {
            auto f = TestMedia::frame(units[i].key ? 0 : 1, 1, static_cast<uint8_t>(fps), w, h,
                                      1000000 + static_cast<int64_t>(i) * 1000 / fps,
                                      static_cast<uint32_t>(i), units[i].bytes.data(),
                                      units[i].bytes.size());
            ASSERT_EQ(1, x_player_inputNetFrame(play_, reinterpret_cast<const char*>(f.data()),
                                                static_cast<int>(f.size())));
        }
    }
    TestMedia media_;
    uint32_t play_ = 0;
};

TEST_F(TarsilRecord, SplitsAtTheTimeLimitWithRightDurations) {
    // 150 s at 10 fps with a key frame every second; the limit is one minute.
    auto units = media_.makeH264(64, 48, 10, 1500, 10);
    ASSERT_EQ(1500u, units.size());
    const std::string folder = media_.dir() + "/rec";
    ASSERT_EQ(1, x_player_startlocalrecord(play_, params(folder, "CAM123", 200, 1, 1, 0)));
    EXPECT_EQ(1, x_player_getrecordstatus(play_));
    EXPECT_EQ(0, x_player_startlocalrecord(play_, params(folder, "CAM123", 200, 1, 1, 0)))
        << "already recording";
    feed(units, 10, 64, 48);
    ASSERT_EQ(1, x_player_stoplocalrecord(play_));
    EXPECT_EQ(0, x_player_getrecordstatus(play_));

    auto files = aviFiles(folder);
    ASSERT_EQ(3u, files.size());
    const std::regex name(".*/RecordFiles/([0-9]{8})/CAM123/([0-9]{8})_[0-9]{6}(_[0-9]+)?\\.avi");
    for (const auto& f : files) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(f, m, name)) << f;
        EXPECT_EQ(m[1], m[2]);
    }
    // The files in the order written: two full minutes and the 30 s rest.
    std::vector<double> durations;
    for (const auto& f : files)
        durations.push_back(TestMedia::probeDuration(f));
    std::sort(durations.begin(), durations.end());
    EXPECT_NEAR(30.0, durations[0], 0.2);
    EXPECT_NEAR(60.0, durations[1], 0.2);
    EXPECT_NEAR(60.0, durations[2], 0.2);
}

TEST_F(TarsilRecord, SplitsAtTheFileLengthAndRefusesBadSettings) {
    // Lossless noise is large: 1 MB is passed every few key frames.
    auto units = media_.makeH264(160, 120, 25, 100, 5, "-qp 0", ",noise=alls=100:allf=t");
    ASSERT_EQ(100u, units.size());
    size_t total = 0;
    for (const auto& u : units)
        total += u.bytes.size();
    ASSERT_GT(total, 5u << 19) << "the stream must span several megabytes";
    const std::string folder = media_.dir() + "/rec";
    ASSERT_EQ(1, x_player_startlocalrecord(play_, params(folder, "DOOR-1", 1, 0, 1, 0)));
    feed(units, 25, 160, 120);
    ASSERT_EQ(1, x_player_stoplocalrecord(play_));
    auto files = aviFiles(folder);
    ASSERT_GE(files.size(), 3u);
    double seconds = 0;
    for (const auto& f : files) {
        // Each file closes at the first key frame past 1 MB: at most one group of pictures more.
        EXPECT_LT(fs::file_size(f), (1u << 20) + total / 20 + 65536) << f;
        seconds += TestMedia::probeDuration(f);
    }
    EXPECT_NEAR(4.0, seconds, 0.1) << "no frame lost across the splits";

    struct Case {
        const char* what;
        LocalRecordParams p;
    };
    LocalRecordParams unterminated = params(folder, "X", 1, 1, 1, 0);
    std::fill(std::begin(unterminated.deviceId), std::end(unterminated.deviceId), 'A');
    const Case cases[] = {
        {"empty device ID", params(folder, "", 1, 1, 1, 0)},
        {"device ID with separator", params(folder, "../../etc", 1, 1, 1, 0)},
        {"device ID ..", params(folder, "..", 1, 1, 1, 0)},
        {"unterminated device ID", unterminated},
        {"empty folder", params("", "CAM", 1, 1, 1, 0)},
        {"folder that cannot be made", params("/proc/no/such", "CAM", 1, 1, 1, 0)},
        {"reserve beyond any disk", params(folder, "CAM", 1, 1, 0x7FFFFFFF, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(0, x_player_startlocalrecord(play_, c.p)) << c.what;
        EXPECT_EQ(0, x_player_getrecordstatus(play_)) << c.what;
    }
}

TEST(TarsilRecordSpace, RecordOverDeletesOldestAndNoSpaceStops) {
    TestMedia media;
    if (!TestMedia::toolsAvailable())
        GTEST_SKIP() << "ffmpeg is not installed";
    auto units = media.makeH264(64, 48, 10, 200, 10);
    ASSERT_EQ(200u, units.size());
    const std::string folder = media.dir() + "/rec";
    const std::string root = folder + "/RecordFiles";
    // Three old recordings of two devices; the oldest by name goes first.
    for (const char* old : {"20200101/CAM/20200101_080000.avi", "20200102/CAM/20200102_090000.avi",
                            "20190505/DOOR/20190505_100000.avi"}) {
        fs::create_directories(fs::path(root + "/" + old).parent_path());
        std::ofstream(root + "/" + old) << "old";
    }
    // Free space is reported as (old files left) megabytes: each deletion frees one.
    auto freeSpace = [&](const std::string&) -> int64_t {
        return static_cast<int64_t>(aviFiles(folder).size()) >= 3 ? 0 : 10;
    };
    std::tm fixed{};
    fixed.tm_year = 2026 - 1900;
    fixed.tm_mon = 11;
    fixed.tm_mday = 11;
    fixed.tm_hour = 7;
    auto clock = [&] { return fixed; };
    {
        tarsil::LocalRecorder recorder(freeSpace, clock);
        EXPECT_FALSE(recorder.start(params(folder, "CAM", 100, 5, 5, 0))) << "no record-over";
        ASSERT_TRUE(recorder.start(params(folder, "CAM", 100, 5, 5, 1)));
        EXPECT_FALSE(fs::exists(root + "/20190505/DOOR")) << "oldest deleted, folders too";
        EXPECT_TRUE(fs::exists(root + "/20200101/CAM/20200101_080000.avi"));
        for (size_t i = 0; i < units.size(); ++i) {
            tarsil::MediaFrame f;
            auto bytes =
                TestMedia::frame(units[i].key ? 0 : 1, 1, 10, 64, 48, static_cast<int64_t>(i) * 100,
                                 0, units[i].bytes.data(), units[i].bytes.size());
            ASSERT_EQ(tarsil::ParseResult::Ok,
                      tarsil::MediaFrame::parse(bytes.data(), bytes.size(), f));
            recorder.feed(f);
        }
        recorder.stop();
        auto files = recorder.files();
        ASSERT_EQ(1u, files.size());
        EXPECT_EQ(root + "/20261211/CAM/20261211_070000.avi", files[0]);
        EXPECT_NEAR(20.0, TestMedia::probeDuration(files[0]), 0.2);
    }
    {
        // Space runs out during the recording and nothing may be deleted: it stops by itself.
        std::atomic<int> calls{0};
        auto shrinking = [&](const std::string&) -> int64_t { return ++calls > 3 ? 0 : 100; };
        tarsil::LocalRecorder recorder(shrinking, clock);
        ASSERT_TRUE(recorder.start(params(folder, "CAM", 100, 5, 5, 0)));
        for (size_t i = 0; i < units.size(); ++i) {
            tarsil::MediaFrame f;
            auto bytes =
                TestMedia::frame(units[i].key ? 0 : 1, 1, 10, 64, 48, static_cast<int64_t>(i) * 100,
                                 0, units[i].bytes.data(), units[i].bytes.size());
            ASSERT_EQ(tarsil::ParseResult::Ok,
                      tarsil::MediaFrame::parse(bytes.data(), bytes.size(), f));
            recorder.feed(f);
        }
        EXPECT_TRUE(waitFor([&] { return !recorder.recording(); }));
        auto files = recorder.files();
        ASSERT_EQ(1u, files.size());
        EXPECT_GT(TestMedia::probeDuration(files[0]), 0.5) << "what was written stays readable";
        EXPECT_LT(TestMedia::probeDuration(files[0]), 5.0);
    }
}

}  // namespace
