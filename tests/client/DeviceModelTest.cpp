// Device object rules against a recording library: events, parameters, writes, PTZ, kinds.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "CCDevInfo.h"
#include "CSwitch.h"
#include "CWvrInfo.h"
#include "ClientMessages.h"
#include "DeviceRegistry.h"
#include "FakeDeviceLibrary.h"
#include "MessageSink.h"
#include "TestFolder.h"

namespace vantor::client {
namespace {

using test::FakeDeviceLibrary;
using test::MessageSink;
using test::Posted;
using test::TestFolder;
using Calls = std::vector<std::string>;

class DeviceModel : public ::testing::Test {
  protected:
    void SetUp() override {
        DeviceLibraries::Override(&camera_, &nas_);
        CCDevInfo::SetAlarmRoot(photos_.path());
    }
    void TearDown() override { DeviceLibraries::Override(nullptr, nullptr); }

    // A connected device of the kind, owned by the sink, with the calls so far discarded.
    std::unique_ptr<CCDevInfo> Connected(int kind, int connection_mode = kConnectP2p) {
        auto dev = DeviceRegistry::MakeDevice(kind);
        dev->owner = &sink_;
        dev->identity.connection_mode = connection_mode;
        camera_.next_handle = 3;
        CopyId(dev.get(), "VSIM000001SIMAA");
        dev->Connect();
        camera_.Take();
        nas_.Take();
        sink_.Drain();
        return dev;
    }
    static void CopyId(CCDevInfo* dev, const char* id) {
        std::strncpy(dev->identity.device_id, id, sizeof dev->identity.device_id - 1);
    }
    Calls AllCalls() {
        Calls out = camera_.Take();
        for (auto& c : nas_.Take()) {
            out.push_back(c);
        }
        return out;
    }

    FakeDeviceLibrary camera_{"cam"};
    FakeDeviceLibrary nas_{"nas"};
    MessageSink sink_;
    TestFolder photos_;
};

TEST_F(DeviceModel, ConnectRewritesCsIdsAndRegistersTheBasePartAsContext) {
    struct Case {
        const char* id;
        std::string expect;
    };
    const Case cases[] = {
        {"CSXY12340102030405", std::string("CSXY1234\x01\x02\x03\x04\x05", 13)},
        {"cs00000099990199xx", std::string("cs000000\x63\x63\x01\x63\x00", 12)},
        {"CSXY123401020304051", "CSXY123401020304051"},  // 19 characters: unchanged
        {"VSXY12340102030405", "VSXY12340102030405"},
    };
    for (const Case& c : cases) {
        CCDevInfo dev;
        CopyId(&dev, c.id);
        dev.identity.connection_mode = kConnectP2p;
        EXPECT_EQ(dev.Connect(), 1);
        EXPECT_EQ(std::string(camera_.last_info.deviceId), c.expect) << c.id;
        EXPECT_STREQ(dev.identity.device_id, c.id);  // only the connection copy changes
        EXPECT_EQ(camera_.callbacks.base_context, static_cast<WINDOW_DATA*>(&dev));
        EXPECT_EQ(camera_.callbacks.device_context, &dev);
        EXPECT_EQ(dev.Connect(), 0);  // an instance exists
        EXPECT_TRUE(std::filesystem::is_directory(dev.alarm_folder));
        dev.Disconnect();
        EXPECT_EQ(dev.handle, -1);
    }
    const Calls calls = camera_.Take();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[0], "cam:create mode=1");
    EXPECT_EQ(calls[1], "cam:callbacks h=3");
    EXPECT_EQ(calls[2], "cam:start h=3");
    EXPECT_EQ(calls[3], "cam:stop h=3");
    EXPECT_EQ(calls[4], "cam:destroy h=3");
}

TEST_F(DeviceModel, EventsSetStateAndPostTheirMessages) {
    struct Case {
        int event;
        int state;
        int msg;  // 0: nothing posted
    };
    const Case cases[] = {
        {0, kStateConnecting, kMsgConnecting},
        {1, kStateRefused, kMsgRefusedOrTimedOut},
        {2, kStateEvent2, 0},
        {5, kStateInvalidId, 0},
        {9, kStateOffline, kMsgOffline},
        {11, kStateOffline, kMsgOffline},
        {10, kStateTimedOut, kMsgRefusedOrTimedOut},
        {100, kStateOnline, kMsgOnlineOrThumbnail},
        {12, kStateOnline, 0},  // unknown events leave the state
    };
    auto dev = Connected(kKindCamera);
    for (const Case& c : cases) {
        CCDevInfo::OnDeviceEvent(c.event, static_cast<WINDOW_DATA*>(dev.get()));
        EXPECT_EQ(dev->state(), c.state) << c.event;
        const auto posted = sink_.Drain();
        if (c.msg == 0) {
            EXPECT_TRUE(posted.empty()) << c.event;
        } else {
            ASSERT_EQ(posted.size(), 1u) << c.event;
            EXPECT_EQ(posted[0].msg, static_cast<unsigned>(c.msg));
            EXPECT_EQ(posted[0].wparam,
                      reinterpret_cast<uintptr_t>(static_cast<WINDOW_DATA*>(dev.get())));
        }
    }
    // Logged in: storage information is asked for at once.
    EXPECT_EQ(camera_.Take(), (Calls{"cam:get 8225 h=3"}));
    CCDevInfo::OnP2pMode(6, static_cast<WINDOW_DATA*>(dev.get()));
    EXPECT_EQ(dev->path_mode, 2);
    CCDevInfo::OnP2pMode(7, static_cast<WINDOW_DATA*>(dev.get()));
    EXPECT_EQ(dev->path_mode, 1);
    CCDevInfo::OnP2pMode(3, static_cast<WINDOW_DATA*>(dev.get()));
    EXPECT_EQ(dev->path_mode, 1);
    EXPECT_GT(dev->path_mode_time_s, 0);
}

// Door-bells sleep on batteries: over P2P they are reached with the battery connect; every other
// kind, and a door-bell on a direct connection, starts normally.
TEST_F(DeviceModel, DoorBellsUseTheBatteryConnect) {
    struct Case {
        int kind;
        int mode;
        const char* start;
    };
    const Case cases[] = {
        {kKindDoorBell, kConnectP2p, "cam:start-battery h=3"},
        {kKindDoorBell, 0, "cam:start h=3"},
        {kKindCamera, kConnectP2p, "cam:start h=3"},
        {kKindNoPtzCamera, kConnectP2p, "cam:start h=3"},
    };
    for (const Case& c : cases) {
        auto dev = DeviceRegistry::MakeDevice(c.kind);
        camera_.next_handle = 3;
        CopyId(dev.get(), "XBELL00004SIMAA");
        dev->identity.connection_mode = c.mode;
        dev->Connect();
        const Calls calls = camera_.Take();
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls[2], c.start) << c.kind << "/" << c.mode;
        dev->Disconnect();
        camera_.Take();
    }
}

// A direct session reports no login: the device asks for storage information when it connects
// and counts as online at the first answer, once.
TEST_F(DeviceModel, DirectSessionGoesOnlineAtItsFirstAnswer) {
    auto dev = DeviceRegistry::MakeDevice(kKindCamera);
    dev->owner = &sink_;
    camera_.next_handle = 3;
    CopyId(dev.get(), "VSIM000001SIMAA");
    dev->identity.connection_mode = 0;
    dev->Connect();
    const Calls calls = camera_.Take();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "cam:get 8225 h=3");
    EXPECT_FALSE(dev->IsOnline());
    sink_.Drain();
    CCDevInfo::OnParamData(8225, nullptr, 0, dev.get());  // a failed answer proves nothing
    EXPECT_FALSE(dev->IsOnline());
    std::vector<char> record(400, 0);
    CCDevInfo::OnParamData(8225, record.data(), static_cast<int>(record.size()), dev.get());
    EXPECT_TRUE(dev->IsOnline());
    CCDevInfo::OnParamData(8225, record.data(), static_cast<int>(record.size()), dev.get());
    size_t online_messages = 0;
    for (const auto& m : sink_.Drain()) {
        online_messages += m.msg == 2024u ? 1 : 0;
    }
    EXPECT_EQ(online_messages, 1u);
}

TEST_F(DeviceModel, AnswersFillSlotsByKindAndPostBoundedLengths) {
    auto cam = Connected(kKindCamera);
    std::vector<char> big(7000, 'x');
    CCDevInfo::OnParamData(8212, big.data(), 6532, cam.get());
    auto posted = sink_.Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, 1233u);
    EXPECT_EQ(posted[0].lparam, 6532);
    const auto* slot = reinterpret_cast<const char*>(posted[0].wparam);
    EXPECT_EQ(std::string(slot, 6532), std::string(6532, 'x'));

    // An answer longer than its slot is cut to the slot, and the posted length says so.
    CCDevInfo::OnParamData(8214, big.data(), 7000, cam.get());
    posted = sink_.Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, 1231u);
    EXPECT_EQ(posted[0].lparam, 84);

    std::vector<char> image(136, 0);
    const int32_t ir = 1;
    std::memcpy(image.data() + 124, &ir, 4);
    CCDevInfo::OnParamData(8229, image.data(), 100, cam.get());  // short: IR lies beyond
    EXPECT_EQ(cam->infrared, 0);
    CCDevInfo::OnParamData(8229, image.data(), 136, cam.get());
    EXPECT_EQ(cam->infrared, 1);
    posted = sink_.Drain();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[1].msg, 1237u);
    EXPECT_EQ(posted[1].lparam, 136);

    std::vector<char> storage(120, 0);
    const int32_t two = 2;
    std::memcpy(storage.data() + 100, &two, 4);
    CCDevInfo::OnParamData(8225, storage.data(), 120, cam.get());
    EXPECT_EQ(cam->storage_flag, 1);
    CCDevInfo::OnParamData(10031, big.data(), 40, cam.get());
    CCDevInfo::OnParamData(8474, big.data(), 6692, cam.get());  // NAS type: a camera drops it
    posted = sink_.Drain();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[1].msg, 1248u);
    EXPECT_EQ(posted[1].lparam, 24);

    auto sw = Connected(kKindSwitch);
    CCDevInfo::OnParamData(8212, big.data(), 6532, sw.get());
    EXPECT_TRUE(sink_.Drain().empty());

    CWvrInfo wvr;
    wvr.owner = &sink_;
    wvr.ConnectChannels();
    sink_.Drain();
    CCDevInfo::OnParamData(8474, big.data(), 6692, wvr.Channel(2));
    CCDevInfo::OnParamData(8212, big.data(), 6532, wvr.Channel(2));  // camera type: dropped
    posted = sink_.Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, 1244u);
    EXPECT_EQ(posted[0].lparam, 6692);
}

TEST_F(DeviceModel, RequestsSetThePendingMessageAndUseTheRightLibrary) {
    auto cam = Connected(kKindCamera);
    cam->RequestParam(8214);
    EXPECT_EQ(cam->pending_message, 1231);
    cam->RequestParam(10029);  // not a settings page: the pending message stays
    EXPECT_EQ(cam->pending_message, 1231);
    cam->RequestParam(8460);  // NAS type on a camera: nothing
    EXPECT_EQ(camera_.Take(), (Calls{"cam:get 8214 h=3", "cam:get 10029 h=3"}));

    CWvrInfo wvr;
    wvr.ConnectChannels();
    AllCalls();
    CNasInfo* ch = wvr.Channel(3);
    ch->RequestParam(8479);
    EXPECT_EQ(ch->pending_message, 1245);
    ch->RequestParam(8477);
    EXPECT_EQ(ch->pending_message, 1245);
    ch->RequestParam(8214);
    const int h = ch->handle;
    EXPECT_EQ(AllCalls(), (Calls{"nas:getex 8479 size=4 arg=3 h=" + std::to_string(h),
                                 "nas:get 8477 h=" + std::to_string(h)}));

    auto bell = Connected(kKindDoorBell);
    EXPECT_EQ(bell->RequestParam(8214), 1);
    EXPECT_EQ(bell->WriteParam(8213, std::vector<char>(84).data()), 0);
    EXPECT_TRUE(AllCalls().empty());
}

TEST_F(DeviceModel, WritesUseTheTypeSizeAndTheCompoundImageWrite) {
    auto cam = Connected(kKindCamera);
    std::vector<char> rec(6692, 0);
    EXPECT_EQ(cam->WriteParam(8213, rec.data()), 1);
    EXPECT_EQ(cam->WriteParam(8228, nullptr), 1);  // the connection record, not the argument
    EXPECT_EQ(cam->WriteParam(8999, rec.data()), 0);
    int32_t image[32] = {};
    image[0] = 7, image[11] = 8, image[6] = 9, image[14] = 10, image[20] = 11, image[17] = 12;
    EXPECT_EQ(cam->WriteParam(8230, image), 0);
    EXPECT_EQ(
        camera_.Take(),
        (Calls{"cam:set 8213 size=84 h=3", "cam:set 8228 size=260 h=3",
               "cam:set 8230 size=72 control=0,7 h=3", "cam:set 8230 size=72 control=11,8 h=3",
               "cam:set 8230 size=72 control=3,9 h=3", "cam:set 8230 size=72 control=6,10 h=3",
               "cam:set 8230 size=72 control=12,11 h=3", "cam:set 8230 size=72 control=13,12 h=3",
               "cam:set 8230 size=72 control=24,31 h=3",
               "cam:set 8230 size=72 control=25,31 h=3"}));
    CNasInfo ch(1);
    ch.Connect();
    nas_.Take();
    EXPECT_EQ(ch.WriteParam(8200, rec.data()), 1);
    EXPECT_EQ(ch.WriteParam(8206, rec.data()), 0);
    EXPECT_EQ(ch.WriteParam(8215, rec.data()), 0);
    EXPECT_EQ(nas_.Take(), (Calls{"nas:set 8200 size=32 h=" + std::to_string(ch.handle)}));
}

TEST_F(DeviceModel, PtzAndTogglesFollowTheKindRules) {
    struct Case {
        int kind;
        bool player;
        std::function<int(CCDevInfo&)> op;
        int result;
        Calls calls;
    };
    const auto preset = [](int p, bool go) {
        return [=](CCDevInfo& d) { return d.PtzPreset(p, go); };
    };
    const Case cases[] = {
        {kKindCamera, true, preset(3, true), 1, {"cam:ptz 37 ch=0 h=3"}},
        {kKindCamera, false, preset(3, true), 1, {"cam:ptz 27 ch=0 h=3"}},
        {kKindCamera, true, preset(0, false), 1, {"cam:ptz 30 ch=0 h=3"}},
        {kKindSwitch, true, preset(1, true), 0, {}},
        {kKindSwitch, true, preset(2, true), 1, {"cam:ptz 35 ch=0 h=3"}},
        {kKindSwitch, false, preset(0, true), 1, {"cam:ptz 27 ch=0 h=3"}},
        {kKindCamera, true, preset(16, true), 0, {}},
        {kKindCamera,
         true,
         [](CCDevInfo& d) { return d.ToggleVerticalCruise(); },
         1,
         {"cam:ptz 26 ch=0 h=3"}},
        {kKindNoPtzCamera, true, [](CCDevInfo& d) { return d.ToggleVerticalCruise(); }, 0, {}},
        {kKindDoorBell,
         true,
         [](CCDevInfo& d) { return d.ToggleHorizontalCruise(); },
         1,
         {"cam:ptz 28 ch=0 h=3"}},
        {kKindCamera,
         true,
         [](CCDevInfo& d) {
             d.mirror = 1;
             return d.ToggleFlip();
         },
         1,
         {"cam:set 8230 size=72 control=5,3 h=3"}},
        {kKindAlarmCamera, true, [](CCDevInfo& d) { return d.ToggleFlip(); }, 1, {}},
        {kKindAlarmCamera, true, [](CCDevInfo& d) { return d.ToggleMirror(); }, 1, {}},
        {kKindCamera,
         true,
         [](CCDevInfo& d) { return d.ToggleMirror(); },
         1,
         {"cam:set 8230 size=72 control=5,1 h=3"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        auto dev = Connected(c.kind);
        dev->player = c.player ? 1 : 0;
        EXPECT_EQ(c.op(*dev), c.result) << "case " << i;
        EXPECT_EQ(AllCalls(), c.calls) << "case " << i;
        dev->Disconnect();
        AllCalls();
        // Without an instance nothing is sent and the flags stay.
        const int before = dev->vertical_cruise;
        EXPECT_EQ(dev->PtzPreset(3, true), 0);
        EXPECT_EQ(dev->ToggleVerticalCruise(), before);
        EXPECT_TRUE(AllCalls().empty());
    }
    CNasInfo ch(2);
    ch.Connect();
    ch.player = 1;
    nas_.Take();
    ch.PtzPreset(1, true);
    ch.ToggleVerticalCruise();
    ch.ToggleFlip();  // flag only
    ch.ToggleMirror();
    const std::string h = " h=" + std::to_string(ch.handle);
    EXPECT_EQ(AllCalls(), (Calls{"nas:ptz 33 ch=2" + h, "nas:ptz 26 ch=2" + h,
                                 "nas:set 8230 size=72 control=5,3" + h}));
}

TEST_F(DeviceModel, SnapshotsBecomeTheThumbnailOnceAndAlarmsNameTheirPhotos) {
    auto cam = Connected(kKindCamera);
    const std::string jpeg = "\xFF\xD8 picture \xFF\xD9";
    CCDevInfo::OnParamData(9998, jpeg.data(), static_cast<int>(jpeg.size()), cam.get());
    const std::string thumb = cam->ThumbnailPath();
    EXPECT_EQ(std::filesystem::path(thumb).filename(), "0000.jpg");
    EXPECT_EQ(test::TestFolder::ReadPath(thumb), jpeg);
    auto posted = sink_.Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, kMsgOnlineOrThumbnail);
    EXPECT_EQ(posted[0].wparam, reinterpret_cast<uintptr_t>(cam.get()));
    CCDevInfo::OnParamData(9998, "second", 6, cam.get());
    EXPECT_EQ(test::TestFolder::ReadPath(thumb), "second");
    EXPECT_TRUE(sink_.Drain().empty());

    CCDevInfo::OnAlarmMessage(41, static_cast<WINDOW_DATA*>(cam.get()));  // not an alarm code
    EXPECT_EQ(cam->alarm_type, 0);
    CCDevInfo::OnAlarmMessage(36, static_cast<WINDOW_DATA*>(cam.get()));
    EXPECT_EQ(cam->alarm_type, 36);
    EXPECT_EQ(camera_.Take(), (Calls{"cam:get 9998 h=3"}));
    CCDevInfo::OnParamData(9998, "alarm", 5, cam.get());
    size_t alarm_photos = 0;
    for (const auto& e : std::filesystem::directory_iterator(cam->alarm_folder)) {
        alarm_photos += e.path().filename().string().rfind("0036_", 0) == 0;
    }
    EXPECT_EQ(alarm_photos, 1u);
}

TEST_F(DeviceModel, HostileDeviceIdStaysInsideTheAlarmFolder) {
    CCDevInfo dev;
    CopyId(&dev, "../../etc");
    dev.Connect();
    const std::string folder = dev.alarm_folder;
    EXPECT_EQ(folder.rfind(photos_.path(), 0), 0u) << folder;
    EXPECT_EQ(folder.find(".."), std::string::npos) << folder;
}

TEST_F(DeviceModel, RegistryLoadsKindsRemovesAndWritesBack) {
    TestFolder dir;
    dir.Write("camera.xml",
              "<Devices><Device><Name>cam</Name><Type>0</Type></Device>"
              "<Device><Name>rec</Name><IP>10.1.1.1</IP><ID>NAS1</ID><Type>1</Type></Device>"
              "<Device><Name>bad</Name><Type>9</Type></Device>"
              "<Device><Name>bell</Name><Type>4</Type></Device></Devices>");
    DeviceRegistry reg;
    reg.InitLibraries(false);
    ASSERT_TRUE(reg.LoadDeviceList(dir.File("camera.xml")));
    ASSERT_EQ(reg.size(), 3u);
    EXPECT_EQ(reg.at(1)->kind(), kKindRecorder);
    auto* wvr = dynamic_cast<CWvrInfo*>(reg.at(1));
    ASSERT_NE(wvr, nullptr);
    EXPECT_EQ(reg.at(2)->kind(), kKindDoorBell);
    EXPECT_EQ(reg.at(0)->state(), kStateOffline);

    wvr->Connect();
    for (int k = 0; k < 4; ++k) {
        EXPECT_STREQ(wvr->Channel(k)->identity.host, "10.1.1.1");
        EXPECT_GE(wvr->Channel(k)->handle, 0);
    }
    EXPECT_EQ(wvr->handle, -1);  // the recorder itself holds no instance
    AllCalls();
    EXPECT_EQ(reg.RemoveDevice(wvr), 1);
    int destroyed = 0;
    for (const auto& c : nas_.Take()) {
        destroyed += c.rfind("nas:destroy", 0) == 0;
    }
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(reg.RemoveDevice(wvr), 0);

    reg.at(0)->owner = &sink_;
    reg.ReconnectAll();
    bool hide_posted = false;
    for (const Posted& p : sink_.Drain()) {
        hide_posted |= p.msg == kMsgHideControlPanel;
    }
    EXPECT_TRUE(hide_posted);
    EXPECT_GE(reg.at(0)->handle, 0);

    reg.Shutdown(dir.File("camera.xml"));
    const Calls calls = AllCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "cam:deinit");
    EXPECT_EQ(calls.back(), "nas:deinit");
    std::vector<DeviceListEntry> back;
    ASSERT_TRUE(DeviceListFile::Load(dir.File("camera.xml"), &back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_STREQ(back[1].identity.name, "bell");
}

}  // namespace
}  // namespace vantor::client
