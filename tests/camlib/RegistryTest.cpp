// The exported registry: result codes, slot reuse, and the calls that are not available yet.
#include <gtest/gtest.h>

#include <cstring>

#include "darvel.h"

namespace {

DeviceConnectInfo Info(const char* id) {
    DeviceConnectInfo info;
    memset(&info, 0, sizeof(info));
    strcpy(info.user, "admin");
    strcpy(info.deviceId, id);
    return info;
}

struct Library : ::testing::Test {
    void SetUp() override { device_net_work_init(nullptr); }
    void TearDown() override { device_net_work_deInit(); }
};

}  // namespace

TEST(DarvelRegistry, CreationBeforeInitIsRefused) {
    device_net_work_deInit();
    EXPECT_EQ(device_net_work_createInstance(Info("ABC123"), DARVEL_KIND_P2P), DARVEL_ERR_NOT_INIT);
    EXPECT_EQ(device_net_work_ptz(0, 1), DARVEL_ERR_BAD_ID);
}

TEST_F(Library, SlotsFillReuseAndOverflow) {
    for (int i = 0; i < DARVEL_MAX_INSTANCES; ++i) {
        ASSERT_EQ(device_net_work_createInstance(Info("ABC123"), DARVEL_KIND_P2P), i);
    }
    EXPECT_EQ(device_net_work_createInstance(Info("ABC123"), DARVEL_KIND_P2P), DARVEL_ERR_FULL);
    EXPECT_EQ(device_net_work_destroyInstance(3), 1);
    EXPECT_EQ(device_net_work_destroyInstance(3), 0);
    EXPECT_EQ(device_net_work_ptz(3, 1), DARVEL_ERR_BAD_ID);
    EXPECT_EQ(device_net_work_createInstance(Info("ABC123"), DARVEL_KIND_P2P), 3);
    EXPECT_EQ(device_net_work_destroyInstance(512), DARVEL_ERR_BAD_ID);
    EXPECT_EQ(device_net_work_destroyInstance(-1), DARVEL_ERR_BAD_ID);
    // deInit destroys every instance.
}

TEST_F(Library, PerInstanceCallsOnBadIdsAndIdleInstances) {
    EXPECT_EQ(device_net_work_ptz(512, 1), DARVEL_ERR_BAD_ID);
    EXPECT_EQ(device_net_work_set_param(-5, 0x2000, nullptr, 0), DARVEL_ERR_BAD_ID);
    EXPECT_EQ(device_record_file_stop(7), DARVEL_ERR_BAD_ID);
    int id = device_net_work_createInstanceEx("admin", "pw", "ABC123", "", 0, DARVEL_KIND_P2P);
    ASSERT_GE(id, 0);
    EXPECT_EQ(device_record_file_stop(id), 1);
    EXPECT_EQ(device_record_file_start(id), 1);
    EXPECT_EQ(device_record_file_set_pos(id), 1);
    // Nothing is connected: requests are refused, talk reports not connected.
    EXPECT_EQ(device_net_work_get_param(id, DARVEL_GET_STATUS), 0);
    EXPECT_EQ(device_net_work_ptz(id, 0), 0);
    EXPECT_EQ(device_net_work_startTalk(id), 0);
    EXPECT_EQ(device_net_work_sendTalkData(id, "x", 1), 0);
    EXPECT_EQ(device_net_work_stop(id), 1);  // stop without start
    EXPECT_EQ(device_net_work_stop(id), 1);
}

TEST_F(Library, NotAvailableCallsSayNoAndVersionsAreReported) {
    EXPECT_EQ(device_net_work_GetAPIVersion(), 0x01000400);
    EXPECT_NE(device_net_work_GetP2PVersion(), 0);
    EXPECT_EQ(device_net_work_NetworkDetect(), 1);
    EXPECT_EQ(device_net_work_init("IGNORED"), 1);  // second init keeps the first
    int tcp = device_net_work_createInstanceEx("a", "b", "", "127.0.0.1", 81, DARVEL_KIND_TCP);
    ASSERT_GE(tcp, 0);
    EXPECT_EQ(device_net_work_startBat(tcp), 0);  // a TCP session has no battery connect
    EXPECT_EQ(device_net_work_destroyInstance(tcp), 1);
    EXPECT_EQ(device_net_work_createInstanceEx("a", "b", "ABC", "", 0, 7), DARVEL_ERR_BAD_KIND);
    EXPECT_EQ(device_broadcast_search(nullptr, nullptr), 0);  // no search object yet
    EXPECT_EQ(device_broadcast_unInitialization(), 1);
    EXPECT_EQ(device_broadcast_ModifyDeviceParam(nullptr), 1);
    int id = device_net_work_createInstanceEx("admin", "pw", "ABC123", "", 0, DARVEL_KIND_P2P);
    ASSERT_GE(id, 0);
    EXPECT_EQ(device_net_work_startBat(id), 1);  // attempts run; Connect restarts them
    EXPECT_EQ(device_net_work_Connect(id), 0);
    EXPECT_EQ(device_net_work_stop(id), 1);
    EXPECT_EQ(device_net_query_device_status(id, "ABC123"), 0);
    EXPECT_EQ(device_net_wakeup_device(id, "ABC123"), 0);
    EXPECT_EQ(device_net_init_wakeup_server(id, nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(device_net_work_transmit_file(id, nullptr), -6);
}
