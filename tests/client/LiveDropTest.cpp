// Which pane a dropped device (or each recorder channel) goes to, without any window.
#include <gtest/gtest.h>

#include "DropDeviceOnPane.h"
#include "LiveFakes.h"

namespace vantor::client::test {
namespace {

TEST(LiveDrop, RecorderChannelPaging) {
    const struct {
        const char* name;
        int panes;
        std::vector<int> busy;
        int drop;
        std::vector<bool> online;                // per channel 0..3
        std::vector<std::pair<int, int>> tried;  // (channel, pane) in call order
        int started;
    } table[] = {
        {"all free", 4, {}, 0, {1, 1, 1, 1}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, 4},
        {"drop on a later pane", 4, {}, 2, {1, 1, 1, 1}, {{0, 2}, {1, 0}, {2, 1}, {3, 3}}, 4},
        {"busy panes skipped", 6, {1, 3}, 0, {1, 1, 1, 1}, {{0, 0}, {1, 2}, {2, 4}, {3, 5}}, 4},
        {"too few panes", 4, {0, 1}, 2, {1, 1, 1, 1}, {{0, 2}, {1, 3}}, 2},
        {"no pane after the drop", 1, {}, 0, {1, 1, 1, 1}, {{0, 0}}, 1},
        // A channel that does not start leaves its pane to the next channel.
        {"offline channel", 4, {}, 0, {1, 0, 1, 1}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}, 3},
        {"channel 0 offline", 4, {}, 1, {0, 1, 1, 1}, {{0, 1}, {1, 0}, {2, 1}, {3, 2}}, 3},
    };
    for (const auto& row : table) {
        FakePaneSource source(row.panes);
        for (int b : row.busy) {
            source.panes[b].playing = true;
        }
        std::vector<std::pair<int, int>> tried;
        const int started = StartRecorderChannels(source, &source.panes[row.drop],
                                                  [&](int channel, CVideoPane* pane) {
                                                      const int index = source.IndexOf(pane);
                                                      tried.emplace_back(channel, index);
                                                      if (!row.online[channel]) {
                                                          return 0;
                                                      }
                                                      source.panes[index].playing = true;
                                                      return 1;
                                                  });
        EXPECT_EQ(tried, row.tried) << row.name;
        EXPECT_EQ(started, row.started) << row.name;
    }
}

TEST(LiveDrop, DeviceKinds) {
    QObject owner;
    const struct {
        int32_t kind;
        bool online;
        int hit;
        bool result;
        bool started;
    } table[] = {
        {kKindCamera, true, 1, true, true},      {kKindSwitch, true, 0, true, true},
        {kKindAlarmCamera, true, 2, true, true}, {kKindDoorBell, true, 1, true, true},
        {kKindNoPtzCamera, true, 1, true, true}, {kKindCamera, false, 1, false, false},
        {kKindCamera, true, -1, false, false},   {7, true, 1, true, false},
    };
    for (const auto& row : table) {
        FakePaneSource source(3);
        source.hit = row.hit;
        FakeDevice dev(row.kind, row.online);
        dev.identity.video_mode = 2;
        EXPECT_EQ(DropDeviceOnPane(source, dev, QPoint(5, 5), &owner), row.result)
            << "kind " << row.kind;
        if (row.hit < 0) {
            EXPECT_TRUE(dev.starts.empty());
            EXPECT_EQ(dev.owner, nullptr);
            continue;
        }
        EXPECT_EQ(dev.owner, &owner);
        if (row.kind == 7) {
            EXPECT_TRUE(dev.starts.empty());
            continue;
        }
        ASSERT_EQ(dev.starts.size(), 1u) << "kind " << row.kind;
        EXPECT_EQ(dev.starts[0].pane, &source.panes[row.hit]);
        EXPECT_EQ(dev.starts[0].video_mode, 2);
        EXPECT_EQ(dev.starts[0].channel, 0);
        EXPECT_EQ(source.panes[row.hit].bound == &dev, row.started);
    }
}

}  // namespace
}  // namespace vantor::client::test
