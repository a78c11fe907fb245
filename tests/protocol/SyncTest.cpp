#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "DebugOut.h"
#include "SignalEvent.h"
#include "WorkerThread.h"

using namespace vantor;
using namespace std::chrono_literals;

namespace {

// Polls until pred holds or the deadline passes; never a fixed sleep as synchronisation.
template <class Pred>
bool waitFor(Pred pred, std::chrono::milliseconds deadline = 5s) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace

TEST(SignalEvent, SetIsConsumedByOneWait) {
    SignalEvent ev;
    ev.set();
    EXPECT_EQ(ev.wait(0), 0);
    EXPECT_EQ(ev.wait(10), 1) << "auto-reset: the signal is gone after one wait";
}

TEST(SignalEvent, PulseWithoutWaiterIsLost) {
    SignalEvent ev;
    ev.pulse();
    EXPECT_EQ(ev.wait(20), 1);
}

TEST(SignalEvent, PulseWakesAWaitingThread) {
    SignalEvent ev;
    std::atomic<int> result{99};
    std::atomic<bool> entered{false};
    std::thread t([&] {
        entered = true;
        result = ev.wait(10000);
    });
    ASSERT_TRUE(waitFor([&] { return entered.load(); }));
    // The waiter may not be inside wait() yet; pulse until it has taken one.
    ASSERT_TRUE(waitFor([&] {
        ev.pulse();
        return result.load() != 99;
    }));
    t.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(ev.wait(10), 1) << "a pulse leaves nothing behind";
}

TEST(WorkerThread, StartsOnceAndStopJoins) {
    static std::atomic<int> runs{0};
    static std::atomic<bool> keepRunning{true};
    runs = 0;
    keepRunning = true;
    WorkerThread w;
    auto body = [](void*) {
        ++runs;
        while (keepRunning) std::this_thread::sleep_for(1ms);
    };
    EXPECT_EQ(w.start(body, nullptr), 1);
    EXPECT_EQ(w.start(body, nullptr), 1);
    ASSERT_TRUE(waitFor([] { return runs.load() == 1; }));
    keepRunning = false;
    w.stop();
    EXPECT_FALSE(w.running());
    EXPECT_EQ(runs.load(), 1);
}

TEST(WorkerThread, StopFromItsOwnThreadDoesNotDeadlock) {
    static WorkerThread* self = nullptr;
    static std::atomic<bool> done{false};
    done = false;
    auto w = std::make_unique<WorkerThread>();
    self = w.get();
    ASSERT_EQ(w->start([](void*) { self->stop(); done = true; }, nullptr), 1);
    ASSERT_TRUE(waitFor([] { return done.load(); }));
    EXPECT_FALSE(w->running());
}

TEST(DebugOut, SinkReceivesLinesCutAtLimit) {
    std::vector<std::string> lines;
    SetDebugSink([](const char* line, void* user) {
        static_cast<std::vector<std::string>*>(user)->push_back(line);
    }, &lines);
    DebugOut("cmdType:%x len:%d\n", 0xa02, 80);
    std::string big(10000, 'x');
    DebugOut("%s", big.c_str());
    SetDebugSink(nullptr, nullptr);
    DebugOut("not captured");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "cmdType:a02 len:80\n");
    EXPECT_EQ(lines[1].size(), kDebugLineMax);
}
