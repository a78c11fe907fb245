// The live view on a real X server against simulated devices: the start-up sequence puts the
// fleet into panes, the player draws moving pictures into them, and the pane operations a user
// reaches (drop, stop, maximise, full screen, record, snapshot, disconnect) do what they show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <vector>

#include "AppContext.h"
#include "CCDevInfo.h"
#include "CCLayoutCtrVecDlg.h"
#include "CCVantorMainDlg.h"
#include "CPlayerBase.h"
#include "CPlayerContainer.h"
#include "CPlayerFullScreenContainer.h"
#include "CVantorMain.h"
#include "CWvrInfo.h"
#include "DataPaths.h"
#include "DeviceRegistry.h"
#include "DevsimProcess.h"
#include "MediaSettings.h"
#include "EventWait.h"
#include "TestFolder.h"
#include "XCapture.h"

namespace vantor::client {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

using test::WaitFor;

void Pump(std::chrono::milliseconds span) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

using PaneShot = test::WindowShot;

PaneShot Capture(unsigned long window) {
    return test::CaptureWindow(window);
}

// Share of sampled pixels that are not the pane background (black).
double Coverage(const PaneShot& s) {
    size_t lit = 0;
    for (uint32_t p : s.pixels) {
        lit += (p & 0xF0F0F0) != 0 ? 1 : 0;
    }
    return s.pixels.empty() ? 0.0 : static_cast<double>(lit) / static_cast<double>(s.pixels.size());
}

size_t Differences(const PaneShot& a, const PaneShot& b) {
    size_t d = 0;
    for (size_t i = 0; i < std::min(a.pixels.size(), b.pixels.size()); ++i) {
        d += a.pixels[i] != b.pixels[i] ? 1 : 0;
    }
    return d;
}

bool Playing(const CPlayerBase* pane) {
    return pane != nullptr && pane->IsPlaying();
}

class LiveView : public ::testing::Test {
  protected:
    static constexpr int kPanes = 9;

    void SetUp() override {
        home_.Write("fleet.xml",
                    "<fleet>\n"
                    "<device id=\"VLIV000001SIMAA\" name=\"Hall\" kind=\"camera\" user=\"admin\""
                    " password=\"pw\" width=\"640\" height=\"360\" fps=\"25\"/>\n"
                    "<device id=\"VLIV000002SIMAA\" name=\"Yard\" kind=\"camera-noptz\""
                    " user=\"admin\" password=\"pw\" width=\"640\" height=\"360\" fps=\"25\"/>\n"
                    "<device id=\"VLIV000003SIMAA\" name=\"Store\" kind=\"wvr\" user=\"admin\""
                    " password=\"pw\" width=\"320\" height=\"240\" fps=\"15\"/>\n"
                    "<device id=\"VLIV000004SIMAA\" name=\"Gate\" kind=\"camera\" user=\"admin\""
                    " password=\"pw\" width=\"640\" height=\"360\" fps=\"25\"/>\n"
                    "</fleet>\n");
        home_.Write("user.xml",
                    "<UserInfo>\n<item>guest</item>\n<item>gpw</item>\n<item>admin</item>\n"
                    "<item>secret</item>\n<item>1</item>\n<item>1</item>\n<item>1</item>\n"
                    "</UserInfo>");
        home_.Write("sysconfig.xml", "<?xml version=\"1.0\"?>\n<SystemSet>\n\t<PicPath>" +
                                         home_.File("pic") + "</PicPath>\n\t<RecPath>" +
                                         home_.File("rec") +
                                         "</RecPath>\n\t<InitSplitScreen>9</InitSplitScreen>\n"
                                         "\t<AutoStartVideo>1</AutoStartVideo>\n"
                                         "\t<Flag>1</Flag>\n</SystemSet>\n");
        auto device = [](const char* name, const char* id, int type) {
            return std::string("\t<Device>\n\t\t<Name>") + name +
                   "</Name>\n\t\t<Username>admin</Username>\n\t\t<Pwd>pw</Pwd>\n"
                   "\t\t<P2P>1</P2P>\n\t\t<ID>" +
                   id + "</ID>\n\t\t<Type>" + std::to_string(type) + "</Type>\n\t</Device>\n";
        };
        home_.Write("camera.xml", "<?xml version=\"1.0\"?>\n<Devices>\n" +
                                      device("Hall", "VLIV000001SIMAA", 0) +
                                      device("Yard", "VLIV000002SIMAA", 5) +
                                      device("Store", "VLIV000003SIMAA", 1) +
                                      device("Gate", "VLIV000004SIMAA", 0) + "</Devices>\n");
        app_.data_folder = home_.path();
        app_.program_folder = DataPaths::ExecutableFolder();
        SystemSettingsFile::Load(app_.File("sysconfig.xml"), app_.data_folder, &app_.settings);
        app_.settings.init_split_screen = kPanes;
        UserAccountsFile::Load(app_.File("user.xml"), &app_.accounts);
        app_.lang.Load(DataPaths::Join(app_.program_folder, "skin/language"), 0);
        MediaSettings::Set(MediaSettings::FromSystem(app_.settings, app_.data_folder));
        CCDevInfo::SetAlarmRoot(home_.File("alarmPhoto"));
    }

    test::TestFolder home_;
    AppContext app_;
};

TEST_F(LiveView, FleetStartsIntoPanesAndPaneOperationsWork) {
    test::Devsim sim(std::vector<std::string>{"--fleet", home_.File("fleet.xml")});
    ASSERT_TRUE(sim.Ready(std::chrono::seconds(30)));

    CVantorMain main(app_, true);
    ASSERT_TRUE(main.LoginAndShow(100, true));
    CPlayerContainer* grid = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] { return (grid = main.findChild<CCVantorMainDlg*>("129")->grid()) != nullptr; },
        std::chrono::seconds(5)));
    ASSERT_EQ(grid->pane_count(), kPanes);
    DeviceRegistry& reg = main.registry();
    ASSERT_EQ(reg.size(), 4u);
    CCDevInfo* hall = reg.at(0);
    CCDevInfo* yard = reg.at(1);
    auto* store = dynamic_cast<CWvrInfo*>(reg.at(2));
    CCDevInfo* gate = reg.at(3);
    ASSERT_NE(store, nullptr);

    // Start-up: each camera in the pane of its list position, the recorder's four channels in
    // the panes no camera was given: 2, then 4-6.
    constexpr int kBound = 7;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (int k = 0; k < kBound; ++k) {
                if (!Playing(grid->Pane(k))) {
                    return false;
                }
            }
            return true;
        },
        std::chrono::seconds(60)))
        << "panes playing: " << Playing(grid->Pane(0)) << Playing(grid->Pane(1))
        << Playing(grid->Pane(2)) << Playing(grid->Pane(3)) << Playing(grid->Pane(4))
        << Playing(grid->Pane(5)) << Playing(grid->Pane(6));
    EXPECT_EQ(grid->Pane(0)->BoundDevice(), hall);
    EXPECT_EQ(grid->Pane(1)->BoundDevice(), yard);
    EXPECT_EQ(grid->Pane(2)->BoundDevice(), store->Channel(0));
    EXPECT_EQ(grid->Pane(3)->BoundDevice(), gate);
    for (int k = 1; k < 4; ++k) {
        EXPECT_EQ(grid->Pane(3 + k)->BoundDevice(), store->Channel(k)) << "channel " << k;
    }
    EXPECT_FALSE(Playing(grid->Pane(7)));

    // Every bound pane shows a picture, and the picture moves.
    Pump(std::chrono::milliseconds(1500));
    std::vector<PaneShot> first;
    for (int k = 0; k < kBound; ++k) {
        first.push_back(Capture(grid->Pane(k)->NativeWindowId()));
    }
    Pump(std::chrono::milliseconds(1000));
    for (int k = 0; k < kBound; ++k) {
        const PaneShot again = Capture(grid->Pane(k)->NativeWindowId());
        ASSERT_TRUE(first[k].ok && again.ok) << "pane " << k;
        EXPECT_GT(Coverage(again), 0.5) << "pane " << k << " is mostly background";
        EXPECT_GT(Differences(first[k], again), again.pixels.size() / 200)
            << "pane " << k << " did not change";
    }
    const std::string shot_dir = VANTOR_SHOT_DIR;
    EXPECT_TRUE(test::SaveScreen(shot_dir + "/vantor-live.png"));

    // Stopped in its pane, a camera can be dropped onto a free pane and plays there.
    EXPECT_EQ(grid->Pane(3)->StopPaneVideo(), 1);
    EXPECT_FALSE(gate->video_running);
    EXPECT_EQ(grid->Pane(3)->BoundDevice(), nullptr);
    CPlayerBase* free_pane = grid->Pane(7);
    main.layout()->OnDeviceDropped(gate, free_pane->mapToGlobal(free_pane->rect().center()));
    EXPECT_TRUE(WaitFor([&] { return Playing(free_pane); }, std::chrono::seconds(20)));
    EXPECT_EQ(free_pane->BoundDevice(), gate);
    // A drop of a device whose video runs is ignored.
    CPlayerBase* other = grid->Pane(8);
    main.layout()->OnDeviceDropped(hall, other->mapToGlobal(other->rect().center()));
    EXPECT_FALSE(Playing(other));

    // Maximise pane 0 over the grid, and back.
    ASSERT_EQ(grid->TogglePaneMaximize(0), 1);
    Pump(std::chrono::milliseconds(200));
    EXPECT_TRUE(grid->Pane(0)->isVisible());
    EXPECT_FALSE(grid->Pane(1)->isVisible());
    EXPECT_GT(grid->Pane(0)->width(), grid->width() * 9 / 10);
    ASSERT_EQ(grid->TogglePaneMaximize(0), 1);
    Pump(std::chrono::milliseconds(200));
    EXPECT_TRUE(grid->Pane(1)->isVisible());
    EXPECT_LT(grid->Pane(0)->width(), grid->width() / 2);

    // Full screen for the selected pane through the split message, and back.
    CPlayerBase::SetSelected(grid->Pane(1));
    const QSize pane_size = grid->Pane(1)->size();
    main.findChild<CCVantorMainDlg*>("129")->SetSplit(0);
    ASSERT_TRUE(WaitFor([] { return CPlayerFullScreenContainer::Instance() != nullptr; },
                        std::chrono::seconds(5)));
    EXPECT_EQ(CPlayerFullScreenContainer::Instance()->Hosted(), grid->Pane(1));
    EXPECT_EQ(grid->Pane(1)->size(), QGuiApplication::primaryScreen()->geometry().size());
    CPlayerFullScreenContainer::LeaveFullScreen(grid->Pane(1));
    ASSERT_TRUE(WaitFor([] { return CPlayerFullScreenContainer::Instance() == nullptr; },
                        std::chrono::seconds(5)));
    EXPECT_EQ(grid->Pane(1)->parentWidget(), grid);
    EXPECT_EQ(grid->Pane(1)->size(), pane_size);

    // Recording and a snapshot land where the settings say.
    const MediaSettings media = MediaSettings::Get();
    hall->ToggleLocalRecord(media.rec_path, 200, 5, 1, 1);
    EXPECT_NE(hall->local_recording, 0);
    EXPECT_EQ(grid->Pane(0)->RecordingText(), ". REC");
    const std::string snap = hall->TakeSnapshot(media.pic_path);
    ASSERT_FALSE(snap.empty());
    EXPECT_TRUE(fs::exists(snap)) << snap;
    EXPECT_NE(snap.find("VLIV000001SIMAA"), std::string::npos);
    // A recording file begins at the next key frame (the simulator sends one every 2 s).
    auto recordings = [&] {
        size_t found = 0;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(media.rec_path, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_regular_file() &&
                it->path().string().find("VLIV000001SIMAA") != std::string::npos &&
                it->file_size() > 0) {
                ++found;
            }
        }
        return found;
    };
    EXPECT_TRUE(WaitFor([&] { return recordings() >= 1; }, std::chrono::seconds(20)));
    hall->ToggleLocalRecord(media.rec_path, 200, 5, 1, 1);
    EXPECT_EQ(hall->local_recording, 0);
    EXPECT_GE(recordings(), 1u) << "no recording under " << media.rec_path;

    // Disconnecting a device clears its pane.
    yard->Disconnect();
    EXPECT_FALSE(Playing(grid->Pane(1)));
    EXPECT_EQ(grid->Pane(1)->BoundDevice(), nullptr);
    EXPECT_EQ(yard->pane, nullptr);
    Pump(std::chrono::milliseconds(300));
    EXPECT_LT(Coverage(Capture(grid->Pane(1)->NativeWindowId())), 0.05);

    // Fewer panes stop the video of the panes that go.
    main.findChild<CCVantorMainDlg*>("129")->SetSplit(4);
    Pump(std::chrono::milliseconds(200));
    EXPECT_EQ(grid->pane_count(), 4);
    EXPECT_FALSE(store->Channel(1)->video_running);  // was in pane 4
    EXPECT_FALSE(gate->video_running);               // was in pane 7
    EXPECT_TRUE(hall->video_running);
    EXPECT_TRUE(store->Channel(0)->video_running);
    main.close();
}

}  // namespace
}  // namespace vantor::client
