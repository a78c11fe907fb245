// A whole simulator run: 64 devices up and answering, then stopped (ASan/LSan see every
// thread and buffer go), the fleet file, the control commands and the LAN search replies.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "DevsimTestSupport.h"
#include "FleetLoader.h"
#include "Simulator.h"

namespace devsim {
namespace {

TEST(Fleet, SixtyFourDevicesStartAnswerAndStop) {
    DeviceProfile pattern;
    pattern.name = "Fleet cam";
    pattern.password = "pw";
    pattern.httpPort = 0;
    pattern.mainStream = {320, 180, 10};
    pattern.subStream = {160, 90, 5};
    std::vector<DeviceProfile> devices;
    FleetLoader::Generate(pattern, test::UniqueId("F", 0).substr(0, 12), 64, &devices);
    // The transport's device face holds 63 devices per process, so one device is HTTP only.
    devices.back().p2p = false;
    std::string error;
    ASSERT_TRUE(FleetLoader::Validate(devices, &error)) << error;
    for (int round = 0; round < 2; ++round) {
        Simulator sim;
        ASSERT_TRUE(sim.start(devices, 0, &error)) << error;
        ASSERT_EQ(sim.deviceCount(), 64u);
        for (const auto& p : devices) {
            SimDevice* d = sim.find(p.id);
            ASSERT_NE(d, nullptr);
            std::string head, body;
            ASSERT_TRUE(test::SplitHttp(
                test::HttpGet(d->httpPort(), "GET get_status.cgi?&loginuse=admin&loginpas=pw& "),
                &head, &body));
            EXPECT_NE(body.find(p.id), std::string::npos);
        }
        sim.stop();
    }
}

TEST(Fleet, FileAndSpecsAreReadAndCheckedStrictly) {
    std::string path = ::testing::TempDir() + "/fleet.xml";
    std::ofstream(path)
        << "<fleet>\n"
           "  <device id=\"ABC123456DEFGH\" name=\"Door\" kind=\"doorbell\" battery=\"1\"/>\n"
           "  <device id=\"TCP000001TCPAA\" kind=\"camera-noptz\" p2p=\"0\" httpPort=\"0\" "
           "chunked=\"1\"/>\n"
           "  <generate count=\"3\" idPrefix=\"GEN\" kind=\"switch\" fps=\"5\"/>\n"
           "  <device id=\"WVR000001WVRAA\" kind=\"wvr\"/>\n"
           "</fleet>\n";
    std::vector<DeviceProfile> d;
    std::string error;
    ASSERT_TRUE(FleetLoader::LoadFile(path, &d, &error)) << error;
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[0].kind, DeviceKind::kDoorBell);
    EXPECT_TRUE(d[0].battery);
    EXPECT_FALSE(d[1].p2p);
    EXPECT_TRUE(d[1].chunked);
    EXPECT_EQ(d[4].id, "GEN000003SIMAA");
    EXPECT_EQ(d[4].mainStream.fps, 5);
    EXPECT_EQ(d[5].kind, DeviceKind::kNas);
    DeviceProfile nas;
    ASSERT_TRUE(FleetLoader::ParseDeviceOptions("id=NAS000001NASAA,kind=nas", &nas, &error)) << error;
    EXPECT_EQ(nas.kind, DeviceKind::kNas);
    EXPECT_TRUE(FleetLoader::Validate(d, &error)) << error;

    const char* kBad[] = {"id=AB", "id=ABCDEF,fps=0", "id=ABCDEF,kind=toaster",
                          "id=ABCDEF,colour=red", "id=ABCDEF,httpPort=70000"};
    for (const char* options : kBad) {
        DeviceProfile p;
        std::vector<DeviceProfile> one;
        bool ok = FleetLoader::ParseDeviceOptions(options, &p, &error);
        if (ok) {
            one.push_back(p);
            ok = FleetLoader::Validate(one, &error);
        }
        EXPECT_FALSE(ok) << options;
    }
    std::vector<DeviceProfile> twice(2);
    twice[0].id = twice[1].id = "SAME00001";
    EXPECT_FALSE(FleetLoader::Validate(twice, &error));
}

TEST(Fleet, ControlCommandsAndLanSearch) {
    DeviceProfile p;
    p.id = test::UniqueId("LAN", 1);
    p.name = "Hall";
    p.kind = DeviceKind::kAlarmCamera;
    p.p2p = false;
    p.httpPort = 0;
    p.host = "127.0.0.2";
    Simulator sim;
    std::string error;
    ASSERT_TRUE(sim.start({p}, -1, &error)) << error;
    int lanPort = sim.lanSearchPort();
    ASSERT_GT(lanPort, 0);

    EXPECT_EQ(sim.execute("delay " + p.id + " 5"), "ok 0");
    EXPECT_EQ(sim.execute("malformed " + p.id + " nonsense").rfind("error", 0), 0u);
    EXPECT_EQ(sim.execute("alarm nobody").rfind("error", 0), 0u);
    EXPECT_EQ(sim.execute("get " + p.id + " alias"), "ok Hall");
    EXPECT_EQ(sim.execute("stall " + p.id + " 9 100").rfind("error", 0), 0u);
    EXPECT_EQ(sim.execute("alarm " + p.id + " pir 4").rfind("error", 0), 0u);  // channels 0-3
    EXPECT_EQ(sim.execute("accessory " + p.id + " 77"), "ok 0");               // not a recorder

    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    timeval tv{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(lanPort));
    inet_pton(AF_INET, "127.255.255.255", &to.sin_addr);
    const uint16_t request[2] = {0x4844, 0x0101};
    ASSERT_EQ(sendto(fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              4);
    char reply[1500];
    ssize_t n = recv(fd, reply, sizeof reply, 0);
    ASSERT_EQ(n, 4 + static_cast<ssize_t>(LanSearchResponder::kPayloadBytes));
    uint16_t head[2];
    std::memcpy(head, reply, 4);
    EXPECT_EQ(head[0], 0x4844);
    EXPECT_EQ(head[1], 0x0801);
    const char* payload = reply + 4;
    EXPECT_STREQ(payload, "127.0.0.2");
    uint16_t port;
    std::memcpy(&port, payload + 86, 2);
    EXPECT_EQ(port, sim.find(p.id)->httpPort());
    EXPECT_EQ(std::string(payload + 88), p.id);
    EXPECT_STREQ(payload + 120, "Hall");
    EXPECT_EQ(payload[306], 3);

    // Offline devices stay silent.
    EXPECT_EQ(sim.execute("offline " + p.id), "ok 0");
    ASSERT_EQ(sendto(fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              4);
    tv = {0, 500000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    EXPECT_LT(recv(fd, reply, sizeof reply, 0), 0);
    ::close(fd);
    sim.stop();
}

}  // namespace
}  // namespace devsim
