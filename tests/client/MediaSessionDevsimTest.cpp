// The media session with the real camera library and the real player against a simulated
// camera on loopback: frames reach the player, a local recording and a snapshot are written.
// The pane has no window (0): the player decodes without drawing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "CCDevInfo.h"
#include "DeviceRegistry.h"
#include "DevsimProcess.h"
#include "MediaSessionFakes.h"
#include "MediaSettings.h"
#include "MessageSink.h"
#include "EventWait.h"
#include "TestFolder.h"
#include "tarsil.h"

namespace vantor::client {
namespace {

namespace fs = std::filesystem;

using test::WaitFor;

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char day[16];
    std::strftime(day, sizeof day, "%Y%m%d", &tm);
    return day;
}

// The largest .avi in folder (0 when none).
uintmax_t LargestAvi(const fs::path& folder) {
    std::error_code ec;
    uintmax_t best = 0;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (e.path().extension() == ".avi") {
            best = std::max(best, e.file_size(ec));
        }
    }
    return best;
}

TEST(MediaSessionDevsim, LiveVideoReachesThePlayerAndIsRecordedAndSnapped) {
    test::Devsim sim("id=VSIM000002SIMAA,kind=camera,httpPort=-1,user=admin,password=pw");
    ASSERT_TRUE(sim.Ready(std::chrono::seconds(20)));
    test::TestFolder media;
    const std::string rec_root = media.File("rec");
    const std::string pic_root = media.File("pic");
    CCDevInfo::SetAlarmRoot(media.File("alarm"));
    MediaSettings settings;
    settings.rec_path = rec_root;
    settings.pic_path = pic_root;
    MediaSettings::Set(settings);

    test::MessageSink sink;
    test::Journal journal;
    test::FakePane pane(&journal, 0);
    DeviceRegistry reg;
    reg.InitLibraries(true);
    auto dev = DeviceRegistry::MakeDevice(kKindCamera);
    CCDevInfo* cam = dev.get();
    std::strcpy(cam->identity.device_id, "VSIM000002SIMAA");
    std::strcpy(cam->identity.user, "admin");
    std::strcpy(cam->identity.password, "pw");
    cam->identity.connection_mode = kConnectP2p;
    cam->owner = &sink;
    reg.Append(std::move(dev));

    ASSERT_EQ(cam->Connect(), 1);
    ASSERT_TRUE(WaitFor([&] { return cam->IsOnline(); }, std::chrono::seconds(30)));
    ASSERT_NE(cam->StartVideo(&pane, 0, 0), 0);
    ASSERT_EQ(pane.BoundDevice(), cam);
    const uint32_t play = cam->player;
    TarsilStats stats{};
    ASSERT_TRUE(WaitFor(
        [&] {
            x_player_getStatistics(play, &stats);
            return stats.picturesShown > 0;
        },
        std::chrono::seconds(20)))
        << "frames accepted " << stats.framesAccepted;

    cam->ToggleLocalRecord(rec_root, 200, 5, 1, 0);
    EXPECT_NE(cam->local_recording, 0);
    EXPECT_EQ(pane.indicator(), cam->local_recording.load());
    const fs::path rec_folder = fs::path(rec_root) / "RecordFiles" / Today() / "VSIM000002SIMAA";
    // Recording begins at the next key frame, which the simulator sends once per loop.
    EXPECT_TRUE(WaitFor([&] { return LargestAvi(rec_folder) > 0; }, std::chrono::seconds(20)))
        << rec_folder;

    const std::string shot = cam->TakeSnapshot(pic_root);
    ASSERT_FALSE(shot.empty());
    EXPECT_EQ(fs::path(shot).parent_path(), fs::path(pic_root) / Today() / "VSIM000002SIMAA");
    std::ifstream bmp(shot, std::ios::binary);
    char magic[2] = {};
    bmp.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "BM");

    cam->StopAllMedia();
    EXPECT_EQ(cam->local_recording, 0);
    EXPECT_EQ(cam->video_running, 0);
    EXPECT_EQ(pane.BoundDevice(), nullptr);
    EXPECT_GT(LargestAvi(rec_folder), 0u);

    test::TestFolder list;
    reg.Shutdown(list.File("camera.xml"));
}

}  // namespace
}  // namespace vantor::client
