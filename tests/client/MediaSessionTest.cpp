// The media session of a device object against a fake library, a fake player and a fake pane.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <regex>
#include <thread>

#include "CCDevInfo.h"
#include "CNasInfo.h"
#include "ClientMessages.h"
#include "DeviceRegistry.h"
#include "FakeDeviceLibrary.h"
#include "MediaClock.h"
#include "MediaRules.h"
#include "MediaSessionFakes.h"
#include "MediaSettings.h"
#include "MessageSink.h"
#include "TestFolder.h"

namespace vantor::client {
namespace {

using test::FakePane;
using test::Journal;

std::atomic<int64_t> g_now{0};
int64_t FakeNow() {
    return g_now.load();
}

// Each wanted line appears, in this order (other lines may come between).
::testing::AssertionResult InOrder(const std::vector<std::string>& got,
                                   const std::vector<std::string>& want) {
    size_t at = 0;
    for (const std::string& w : want) {
        while (at < got.size() && got[at] != w) {
            ++at;
        }
        if (at == got.size()) {
            std::string all;
            for (const auto& g : got) {
                all += "\n  " + g;
            }
            return ::testing::AssertionFailure() << "missing or out of order: " << w << all;
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

bool Has(const std::vector<std::string>& got, const std::string& line) {
    return std::find(got.begin(), got.end(), line) != got.end();
}

bool HasPrefix(const std::vector<std::string>& got, const std::string& prefix) {
    for (const auto& g : got) {
        if (g.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

class MediaSession : public ::testing::Test {
  protected:
    void SetUp() override {
        cam_.SetMirror([this](const std::string& l) { journal_.Add(l); });
        nas_.SetMirror([this](const std::string& l) { journal_.Add(l); });
        DeviceLibraries::Override(&cam_, &nas_);
        Players::Override(&player_);
        MediaSettings::Set(MediaSettings{});
        MediaClock::Override(&FakeNow);
        g_now = 36000;  // 10:00:00 of the first day
    }
    void TearDown() override {
        devices_.clear();
        MediaClock::Override(nullptr);
        MediaSettings::Set(MediaSettings{});
        Players::Override(nullptr);
        DeviceLibraries::Override(nullptr, nullptr);
    }

    // A device with a library instance that has reported event 100.
    CCDevInfo* Online(std::unique_ptr<CCDevInfo> dev) {
        CCDevInfo* d = dev.get();
        std::strcpy(d->identity.device_id, "VSIM000001SIMAA");
        d->owner = &sink_;
        cam_.next_handle = nas_.next_handle = 3;  // every device of a test answers as h=3
        EXPECT_EQ(d->Connect(), 1);
        CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(d));
        QCoreApplication::processEvents();
        sink_.Drain();
        devices_.push_back(std::move(dev));
        Take();
        return d;
    }
    CCDevInfo* Camera(int32_t kind = kKindCamera) {
        return Online(DeviceRegistry::MakeDevice(kind));
    }
    std::vector<std::string> Take() {
        cam_.Take();
        nas_.Take();
        return journal_.Take();
    }
    static void Frame(CCDevInfo* d) {
        static const char frame[40] = {};
        CCDevInfo::OnMediaData(frame, sizeof frame, static_cast<WINDOW_DATA*>(d));
    }

    Journal journal_;
    test::FakeDeviceLibrary cam_{"cam"};
    test::FakeDeviceLibrary nas_{"nas"};
    test::FakePlayer player_{&journal_};
    FakePane pane_{&journal_, 77};
    test::MessageSink sink_;
    std::vector<std::unique_ptr<CCDevInfo>> devices_;
};

TEST_F(MediaSession, StartAndStopVideoBindAndReleaseEverythingInOrder) {
    CCDevInfo* d = Camera();
    EXPECT_EQ(d->StartVideo(&pane_, 1, 0), 1);
    EXPECT_TRUE(
        InOrder(Take(), {"cam:stream start id=0 sub=1 ch=0 h=3", "player create flag=0 -> 7",
                         "talk create -> 50", "pane bind", "player wnd 7 win=77", "player start 7",
                         "cam:set 8230 size=72 control=10,1 h=3"}));
    EXPECT_EQ(pane_.BoundDevice(), d);
    EXPECT_EQ(d->pane, &pane_);
    EXPECT_EQ(d->player, 7u);
    EXPECT_EQ(d->device_osd, 0);

    d->flip = d->mirror = d->horizontal_cruise = 1;
    EXPECT_EQ(d->StopVideo(0), 1);
    EXPECT_TRUE(
        InOrder(Take(), {"talk destroy 50", "cam:stream stop ch=0 h=3", "player stop 7",
                         "player destroy 7", "pane unbind", "pane indicator 0", "pane repaint"}));
    EXPECT_EQ(pane_.BoundDevice(), nullptr);
    EXPECT_EQ(d->pane, nullptr);
    EXPECT_EQ(d->player, 0u);
    EXPECT_EQ(d->talk, 0u);
    EXPECT_EQ(d->video_running, 0);
    EXPECT_EQ(d->flip + d->mirror + d->horizontal_cruise, 0);

    // Idle: nothing to stop.
    EXPECT_EQ(d->StopVideo(0), 1);
    EXPECT_TRUE(Take().empty());

    // The start-up OSD setting turns the device's OSD on; video mode 3 picks the other decoder.
    MediaSettings s;
    s.osd_at_video_start = 1;
    MediaSettings::Set(s);
    d->identity.video_mode = 3;
    EXPECT_EQ(d->StartVideo(&pane_, 2, 0), 1);
    const auto got = Take();
    EXPECT_TRUE(Has(got, "player create flag=1 -> 8"));
    EXPECT_TRUE(Has(got, "cam:set 8230 size=72 control=10,0 h=3"));
    EXPECT_EQ(d->device_osd, 1);
}

TEST_F(MediaSession, RefusedStartsChangeNothing) {
    struct Case {
        const char* name;
        bool online;
        bool instance;
        bool with_pane;
    } cases[] = {
        {"offline", false, true, true},
        {"no library instance", true, false, true},
        {"no pane", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto dev = DeviceRegistry::MakeDevice(kKindCamera);
        CCDevInfo* d = dev.get();
        if (c.instance) {
            d->Connect();
        }
        if (c.online) {
            CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(d));
            QCoreApplication::processEvents();
        }
        Take();
        EXPECT_EQ(d->StartVideo(c.with_pane ? &pane_ : nullptr, 0, 0), 0);
        EXPECT_TRUE(Take().empty());
        EXPECT_EQ(pane_.BoundDevice(), nullptr);
        EXPECT_EQ(d->player, 0u);
    }
}

TEST_F(MediaSession, NoPlayerMeansNoBindingAndTheStreamIsStoppedAgain) {
    CCDevInfo* d = Camera();
    player_.create_ok = false;
    EXPECT_EQ(d->StartVideo(&pane_, 0, 0), 0);
    const auto got = Take();
    EXPECT_TRUE(InOrder(got, {"cam:stream start id=0 sub=0 ch=0 h=3", "player create flag=0 -> 0",
                              "cam:stream stop ch=0 h=3"}));
    EXPECT_FALSE(HasPrefix(got, "pane bind"));
    EXPECT_EQ(pane_.BoundDevice(), nullptr);
    EXPECT_EQ(d->pane, nullptr);
    // The talk instance made on the way is released by the full stop.
    EXPECT_NE(d->talk, 0u);
    d->StopAllMedia();
    EXPECT_TRUE(Has(Take(), "talk destroy 50"));
    EXPECT_EQ(d->talk, 0u);

    // A player that does not start stays bound so that StopVideo still releases it.
    player_.create_ok = true;
    player_.start_result = 0;
    EXPECT_EQ(d->StartVideo(&pane_, 0, 0), 0);
    EXPECT_EQ(pane_.BoundDevice(), d);
    Take();
    d->StopVideo(0);
    EXPECT_TRUE(Has(Take(), "player destroy 7"));
    EXPECT_EQ(pane_.BoundDevice(), nullptr);
}

TEST_F(MediaSession, StopVideoDestroysTalkButKeepsTheTalkFlag) {
    CCDevInfo* d = Camera();
    d->StartVideo(&pane_, 0, 0);
    Take();
    EXPECT_EQ(d->ToggleTalk(), 1);
    EXPECT_TRUE(InOrder(Take(), {"cam:talk start h=3", "talk run 50"}));
    d->StopVideo(0);
    EXPECT_TRUE(Has(Take(), "talk destroy 50"));
    EXPECT_EQ(d->talk_on, 1);
    EXPECT_EQ(d->talk, 0u);

    cam_.talk_stop_result = 5;
    d->StopAllMedia();
    EXPECT_TRUE(InOrder(Take(), {"talk halt 0", "cam:talk stop h=3"}));
    EXPECT_EQ(d->talk_on, 0);
}

TEST_F(MediaSession, StopAllMediaStopsRecordingSoundTalkThenVideoAndDisconnectUsesIt) {
    CCDevInfo* d = Camera();
    d->StartVideo(&pane_, 0, 0);
    d->ToggleLocalRecord("/rec", 200, 5, 200, 0);
    d->ToggleSound();
    d->ToggleTalk();
    ASSERT_EQ(d->local_recording, 1);
    Take();
    d->Disconnect();
    EXPECT_TRUE(InOrder(Take(), {"record stop 7", "pane indicator 0", "osd remove 7 slot=0",
                                 "cam:audio stop ch=0 h=3", "sound close 7", "talk halt 50",
                                 "cam:talk stop h=3", "talk destroy 50", "cam:stream stop ch=0 h=3",
                                 "player destroy 7", "cam:stop h=3", "cam:destroy h=3"}));
    EXPECT_EQ(d->local_recording + d->sound_on + d->talk_on + d->video_running, 0);
}

TEST_F(MediaSession, AutoStartRecordRecordsEveryStreamStartIntoRecPath) {
    MediaSettings s;
    s.auto_start_record = 1;
    s.rec_path = "/data/rec";
    s.rec_file_len = "300";
    s.rec_time_len = "10";
    s.rec_reserve_space = "lots";  // not a number: 0
    s.rec_over = 1;
    MediaSettings::Set(s);
    CCDevInfo* d = Camera();
    EXPECT_EQ(d->StartVideo(&pane_, 0, 0), 1);
    EXPECT_TRUE(InOrder(
        Take(), {"player start 7", "record start 7 folder=/data/rec id=VSIM000001SIMAA 300,10,0,1",
                 "pane indicator 1", "pane repaint parent", "osd set 7 slot=0 text=. REC"}));
    EXPECT_EQ(d->local_recording, 1);
    EXPECT_EQ(d->osd_visible, 1);

    // The pane's close stops only video: the flag stays, but the next start must record again
    // with its new player rather than toggle the stale flag off.
    d->StopVideo(0);
    EXPECT_EQ(d->local_recording, 1);
    Take();
    EXPECT_EQ(d->StartVideo(&pane_, 0, 0), 1);
    EXPECT_TRUE(Has(Take(), "record start 8 folder=/data/rec id=VSIM000001SIMAA 300,10,0,1"));
    EXPECT_EQ(d->local_recording, 1);

    // The user's toggle stops it, with the overlay and the indicator.
    d->ToggleLocalRecord("/ignored", 0, 0, 0, 0);
    EXPECT_TRUE(InOrder(Take(), {"record stop 8", "pane indicator 0", "osd remove 8 slot=0",
                                 "pane repaint parent"}));
    EXPECT_EQ(d->local_recording, 0);
}

TEST_F(MediaSession, RecordToggleNeedsABoundPaneAndReportsAFailedStart) {
    CCDevInfo* d = Camera();
    d->ToggleLocalRecord("/rec", 1, 1, 1, 0);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(d->local_recording, 0);

    d->StartVideo(&pane_, 0, 0);
    player_.record_result = 0;
    Take();
    d->ToggleLocalRecord("/rec", 1, 1, 1, 0);
    const auto got = Take();
    EXPECT_TRUE(HasPrefix(got, "record start 7"));
    EXPECT_FALSE(HasPrefix(got, "osd set"));
    EXPECT_EQ(d->local_recording, 0);
    EXPECT_EQ(pane_.indicator(), 0);

    // A folder longer than the player's field is refused, not cut short.
    d->ToggleLocalRecord(std::string(MediaRules::kRecordFolderMaxBytes + 1, 'a'), 1, 1, 1, 0);
    EXPECT_FALSE(HasPrefix(Take(), "record start"));
}

TEST_F(MediaSession, OverlayChangesOnlyWhenItsStateChanges) {
    struct Case {
        int recording;
        int visible;
        int show;
        const char* call;  // expected player call, "" for none
        int visible_after;
    } cases[] = {
        {1, 0, 1, "osd set 7 slot=0 text=. REC", 1},
        {1, 1, 1, "", 1},
        {0, 0, 1, "osd remove 7 slot=0", 0},
        {1, 1, 0, "osd remove 7 slot=0", 0},
        {0, 0, 0, "", 0},
    };
    CCDevInfo* d = Camera();
    // Without a player nothing happens at all.
    d->local_recording = 1;
    d->UpdateRecOverlay(". REC", 1);
    EXPECT_TRUE(Take().empty());
    d->local_recording = 0;
    d->StartVideo(&pane_, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.recording << c.visible << c.show);
        d->local_recording = c.recording;
        d->osd_visible = c.visible;
        Take();
        d->UpdateRecOverlay(". REC", c.show);
        const auto got = Take();
        if (*c.call) {
            EXPECT_EQ(got, std::vector<std::string>{c.call});
        } else {
            EXPECT_TRUE(got.empty());
        }
        EXPECT_EQ(d->osd_visible, c.visible_after);
    }

    // Frames keep the overlay in step with the grid's display mode: mode 1 draws the text
    // itself, so the player's overlay goes.
    d->osd_visible = 0;
    d->local_recording = 0;
    d->ToggleLocalRecord("/rec", 1, 1, 1, 0);
    ASSERT_EQ(d->osd_visible, 1);
    MediaSettings s;
    s.video_mode = 1;
    MediaSettings::Set(s);
    Take();
    Frame(d);
    EXPECT_TRUE(Has(Take(), "osd remove 7 slot=0"));
    s.video_mode = 0;
    MediaSettings::Set(s);
    Frame(d);
    EXPECT_TRUE(Has(Take(), "osd set 7 slot=0 text=. REC"));
}

TEST_F(MediaSession, RelayLimitStopsMediaOnTheUiThreadAfterThreeMinutesWithinTheHour) {
    struct Case {
        int32_t path_mode;
        int64_t elapsed_s;
        bool trips;
    } cases[] = {
        {2, 0, false},    {2, 179, false}, {2, 180, true},  {2, 300, true},   {2, 3600, false},
        {2, 3720, false}, {2, 3780, true}, {1, 180, false}, {1, 3780, false}, {0, 300, false},
    };
    CCDevInfo* d = Camera();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.path_mode << " after " << c.elapsed_s);
        ASSERT_EQ(d->StartVideo(&pane_, 0, 0), 1);
        d->path_mode = c.path_mode;
        d->path_mode_time_s = 36000;
        g_now = 36000 + c.elapsed_s;
        Frame(d);
        EXPECT_EQ(d->last_frame_time_s, g_now.load());
        // Never stopped from the stream callback itself.
        EXPECT_EQ(d->video_running, 1);
        QCoreApplication::processEvents();
        EXPECT_EQ(d->video_running, c.trips ? 0 : 1);
        EXPECT_EQ(d->path_mode_time_s, c.trips ? g_now.load() : 36000);
        d->StopAllMedia();
    }

    // The count restarts at the trip: video started again at once runs three more minutes.
    d->path_mode = 2;
    d->path_mode_time_s = 36000;
    g_now = 36000 + 300;
    ASSERT_EQ(d->StartVideo(&pane_, 0, 0), 1);
    Frame(d);
    QCoreApplication::processEvents();
    EXPECT_EQ(d->video_running, 0);
    ASSERT_EQ(d->StartVideo(&pane_, 0, 0), 1);
    g_now += 179;
    Frame(d);
    QCoreApplication::processEvents();
    EXPECT_EQ(d->video_running, 1);
    g_now += 1;
    Frame(d);
    QCoreApplication::processEvents();
    EXPECT_EQ(d->video_running, 0);
}

TEST_F(MediaSession, SoundAndTalkRequestsFollowTheKind) {
    struct Case {
        int32_t kind;
        const char* audio_start;  // "" when the device is not asked
        const char* audio_stop;
        const char* talk_start;
        const char* talk_data;  // "" when talk data is not forwarded
    } cases[] = {
        {kKindCamera, "cam:audio start id=1 ch=0 h=3", "cam:audio stop ch=0 h=3",
         "cam:talk start h=3", "cam:talk data ch=0 len=256 h=3"},
        {kKindRecorder, "nas:audio start id=1 ch=2 h=3", "nas:audio stop ch=2 h=3",
         "nas:talk start h=3", "nas:talk data ch=2 len=256 h=3"},
        {kKindSwitch, "", "", "cam:talk start h=3", ""},
        {kKindAlarmCamera, "", "", "cam:talk start h=3", ""},
        {kKindDoorBell, "", "", "cam:talk start h=3", ""},
        {kKindNoPtzCamera, "", "", "cam:talk start h=3", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        CCDevInfo* d =
            c.kind == kKindRecorder ? Online(std::make_unique<CNasInfo>(2)) : Camera(c.kind);
        ASSERT_NE(d->StartVideo(&pane_, 0, 0), 0);
        Take();
        d->ToggleSound();
        auto got = Take();
        EXPECT_TRUE(Has(got, "sound open " + std::to_string(d->player.load())));
        EXPECT_EQ(HasPrefix(got, "cam:audio") || HasPrefix(got, "nas:audio"), *c.audio_start != 0);
        if (*c.audio_start) {
            EXPECT_TRUE(Has(got, c.audio_start));
        }
        d->ToggleSound();
        got = Take();
        EXPECT_TRUE(HasPrefix(got, "sound close"));
        if (*c.audio_stop) {
            EXPECT_TRUE(Has(got, c.audio_stop));
        }

        d->ToggleTalk();
        EXPECT_TRUE(Has(Take(), c.talk_start));
        ASSERT_NE(player_.talk_callback, nullptr);
        const char block[256] = {};
        EXPECT_EQ(player_.talk_callback(block, sizeof block, player_.talk_user), 1);
        got = Take();
        if (*c.talk_data) {
            EXPECT_EQ(got, std::vector<std::string>{c.talk_data});
        } else {
            EXPECT_TRUE(got.empty());
        }
        d->StopAllMedia();
        Take();
    }
}

TEST_F(MediaSession, RecorderChannelStreamsCarryTheChannel) {
    CCDevInfo* d = Online(std::make_unique<CNasInfo>(3));
    MediaSettings s;
    s.auto_start_record = 1;
    s.osd_at_video_start = 1;
    s.rec_path = "/rec";
    MediaSettings::Set(s);
    EXPECT_EQ(d->StartVideo(&pane_, 1, 3), 1);
    auto got = Take();
    EXPECT_TRUE(InOrder(got, {"nas:stream start id=1 sub=1 ch=3 h=3", "player create flag=0 -> 7",
                              "pane bind", "player start 7"}));
    // Neither the start-up OSD request nor auto-recording belongs to a recorder channel.
    EXPECT_FALSE(HasPrefix(got, "nas:set"));
    EXPECT_FALSE(HasPrefix(got, "record start"));
    EXPECT_FALSE(HasPrefix(got, "cam:"));
    EXPECT_EQ(d->StopVideo(3), 1);
    EXPECT_TRUE(InOrder(Take(), {"talk destroy 50", "nas:stream stop ch=3 h=3", "player destroy 7",
                                 "pane unbind"}));
}

TEST_F(MediaSession, SnapshotsGoToADayAndDeviceFolderAndFailuresReachTheOwner) {
    test::TestFolder pics;
    CCDevInfo* d = Camera();
    d->StartVideo(&pane_, 0, 0);
    Take();
    const std::string path = d->TakeSnapshot(pics.path());
    const std::regex form(pics.path() +
                          "/(\\d{8})/VSIM000001SIMAA/(\\d{8})_\\d{6}_(0|[1-9]\\d{0,2})\\.bmp");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(path, m, form)) << path;
    EXPECT_EQ(m[1], m[2]);
    EXPECT_TRUE(std::filesystem::is_directory(pics.path() + "/" + m[1].str() + "/VSIM000001SIMAA"));
    EXPECT_TRUE(Has(Take(), "capture 7 " + path));
    EXPECT_TRUE(sink_.Drain().empty());

    player_.capture_result = 0;
    EXPECT_EQ(d->TakeSnapshot(pics.path()), "");
    const auto posted = sink_.Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, kMsgSnapshotFailed);
    EXPECT_EQ(posted[0].wparam, reinterpret_cast<uintptr_t>(d));
}

TEST(MediaRules, SnapshotNamesDifferOnlyByTheMillisecondsWithinASecond) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 1;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    const std::string dir = MediaRules::SnapshotFolder("pics\\\\", "../ID", t);
    EXPECT_EQ(dir, "pics/20261201/___ID");
    EXPECT_EQ(MediaRules::SnapshotFile(dir, t, 5), "pics/20261201/___ID/20261201_090507_5.bmp");
    EXPECT_EQ(MediaRules::SnapshotFile(dir, t, 487), "pics/20261201/___ID/20261201_090507_487.bmp");
}

TEST(MediaRules, TextsBecomeNumbersAndFieldsStayBounded) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"200", 200},
                 {" 42x", 42},
                 {"abc", 0},
                 {"", 0},
                 {"-5", -5},
                 {"+7", 7},
                 {"99999999999", INT_MAX}};
    for (const Case& c : cases) {
        EXPECT_EQ(MediaRules::TextToInt(c.text), c.value) << c.text;
    }
    // The overlay text is cut at a character boundary, never inside one.
    std::string text(126, 'a');
    text += "\xE5\xBD\x95";  // one three-byte character across the 127-byte bound
    const OsdTextItem item = MediaRules::MakeOsdItem(text);
    EXPECT_EQ(std::string(item.text), std::string(126, 'a'));
    EXPECT_EQ(item.color[0], 255);
    EXPECT_EQ(item.left, 5);
    EXPECT_EQ(item.bottom, 35);
    EXPECT_EQ(item.reserved3, 10);

    SystemSettings sys;
    sys.pic_path = "C:\\pic";
    sys.rec_path = "/var//rec\\";
    const MediaSettings m = MediaSettings::FromSystem(sys, "/home/v");
    EXPECT_EQ(m.pic_path, "/home/v/pic");
    EXPECT_EQ(m.rec_path, "/var/rec");
}

TEST_F(MediaSession, OnlineEventStartsVideoOnTheUiThreadAndOnlyWhileTheDeviceLives) {
    auto dev = DeviceRegistry::MakeDevice(kKindCamera);
    CCDevInfo* d = dev.get();
    d->Connect();
    d->AssignPane(&pane_);
    Take();
    std::thread lib([d] { CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(d)); });
    lib.join();
    // The library thread only queued it.
    EXPECT_EQ(d->player, 0u);
    EXPECT_EQ(Take(), std::vector<std::string>{"cam:get 8225 h=3"});
    QCoreApplication::processEvents();
    EXPECT_EQ(d->video_running, 1);
    EXPECT_EQ(pane_.BoundDevice(), d);
    // A TCP session raises event 100 again at every stream start: no second start.
    Take();
    CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(d));
    QCoreApplication::processEvents();
    EXPECT_FALSE(HasPrefix(Take(), "cam:stream start"));
    dev.reset();
    EXPECT_EQ(pane_.BoundDevice(), nullptr);

    // Destroyed before the queued start runs: the start is dropped.
    auto gone = DeviceRegistry::MakeDevice(kKindCamera);
    gone->Connect();
    gone->AssignPane(&pane_);
    std::thread lib2(
        [&gone] { CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(gone.get())); });
    lib2.join();
    gone.reset();
    Take();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(pane_.BoundDevice(), nullptr);

    // A pane the user gave to another device meanwhile is left alone.
    CCDevInfo* other = Camera();
    ASSERT_EQ(other->StartVideo(&pane_, 0, 0), 1);
    auto late = DeviceRegistry::MakeDevice(kKindCamera);
    late->Connect();
    late->AssignPane(&pane_);
    CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(late.get()));
    QCoreApplication::processEvents();
    EXPECT_EQ(pane_.BoundDevice(), other);
    EXPECT_EQ(late->video_running, 0);
}

TEST_F(MediaSession, ReconnectKeepsThePaneAndTheNextLoginStartsVideoAgain) {
    CCDevInfo* d = Camera();
    ASSERT_EQ(d->StartVideo(&pane_, 0, 0), 1);
    d->Reconnect(true, &pane_);
    EXPECT_EQ(pane_.BoundDevice(), nullptr);
    EXPECT_EQ(d->pane, &pane_);
    EXPECT_FALSE(d->IsOnline());
    Take();
    CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(d));
    QCoreApplication::processEvents();
    EXPECT_EQ(pane_.BoundDevice(), d);
    EXPECT_TRUE(HasPrefix(Take(), "cam:stream start"));
}

// The library's reader keeps delivering frames (also just after the stream stop) while the
// user-interface thread starts and stops video: no frame may be fed to, or be in flight on,
// a player instance that is being destroyed.
TEST_F(MediaSession, FramesRacingWithStopVideoNeverReachADestroyedPlayer) {
    CCDevInfo* d = Camera();
    ASSERT_EQ(d->StartVideo(&pane_, 0, 0), 1);
    std::atomic<bool> run{true};
    std::thread reader([&] {
        const char frame[64] = {};
        while (run) {
            auto [cb, user] = cam_.VideoSink();
            if (cb != nullptr) {
                cb(frame, sizeof frame, user);
            }
        }
    });
    constexpr int kRounds = 300;
    for (int i = 0; i < kRounds; ++i) {
        const long before = player_.frames;
        // Let a few frames through so that every round overlaps feeding.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (player_.frames == before && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        d->StopVideo(0);
        ASSERT_EQ(d->StartVideo(&pane_, 0, 0), 1);
    }
    run = false;
    reader.join();
    EXPECT_EQ(player_.violations, 0);
    EXPECT_GT(player_.frames, kRounds);
    d->StopAllMedia();
}

}  // namespace
}  // namespace vantor::client
