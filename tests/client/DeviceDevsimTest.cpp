// A device object against a simulated camera on loopback, through the real camera library.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstring>
#include <string>

#include "CCDevInfo.h"
#include "ClientMessages.h"
#include "DeviceRegistry.h"
#include "DevsimProcess.h"
#include "MessageSink.h"
#include "EventWait.h"
#include "TestFolder.h"

namespace vantor::client {
namespace {


using test::WaitFor;

TEST(DeviceDevsim, CameraComesOnlineAndFillsTheStore) {
    test::Devsim sim("id=VSIM000001SIMAA,kind=camera,httpPort=-1,user=admin,password=pw");
    ASSERT_TRUE(sim.Ready(std::chrono::seconds(20)));
    test::TestFolder photos;
    CCDevInfo::SetAlarmRoot(photos.path());

    test::MessageSink sink;
    DeviceRegistry reg;
    reg.InitLibraries(false);
    auto dev = DeviceRegistry::MakeDevice(kKindCamera);
    CCDevInfo* cam = dev.get();
    std::strcpy(cam->identity.device_id, "VSIM000001SIMAA");
    std::strcpy(cam->identity.user, "admin");
    std::strcpy(cam->identity.password, "pw");
    cam->identity.connection_mode = kConnectP2p;
    cam->owner = &sink;
    reg.Append(std::move(dev));

    std::vector<test::Posted> got;
    auto collect = [&] {
        for (const auto& p : sink.Drain()) {
            got.push_back(p);
        }
    };
    EXPECT_EQ(cam->Connect(), 1);
    ASSERT_TRUE(WaitFor([&] { return cam->IsOnline(); }, std::chrono::seconds(30)));
    collect();

    const auto has = [&](unsigned msg) {
        collect();
        for (const auto& p : got) {
            if (p.msg == msg) {
                return true;
            }
        }
        return false;
    };
    // The storage answer asked for at login comes first: that request sets the pending message
    // on the library thread, so it would race a request made before it.
    ASSERT_TRUE(WaitFor([&] { return has(1235u); }, std::chrono::seconds(20)));
    cam->RequestParam(8214);
    EXPECT_EQ(cam->pending_message, 1231);
    ASSERT_TRUE(WaitFor([&] { return has(1231u); }, std::chrono::seconds(20)));
    for (const auto& p : got) {
        if (p.msg == 1231u) {
            EXPECT_EQ(p.lparam, 84);
            EXPECT_EQ(p.wparam,
                      reinterpret_cast<uintptr_t>(cam->store.Slot(*ParamStore::CameraSlot(8214))));
        }
    }
    EXPECT_TRUE(has(kMsgConnecting));
    EXPECT_TRUE(has(kMsgOnlineOrThumbnail));
    test::TestFolder list;
    reg.Shutdown(list.File("camera.xml"));
}

}  // namespace
}  // namespace vantor::client
