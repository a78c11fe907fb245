// The closing rules: decisions as a table over a fake port, then the whole exchange with a
// fake download program on real endpoints.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "IpcFrame.h"
#include "PellionLinkSupport.h"
#include "ShutdownHandshake.h"
#include "WindowEndpoint.h"

namespace vantor::client::test {
namespace {

using Action = ShutdownHandshake::Action;

constexpr uint64_t kTool = 0x1234'0000'0001ull;
constexpr uint64_t kNewTool = 0x1234'0000'0002ull;

struct SentToTool {
    uint64_t tool;
    uint32_t msg;
    uint64_t wparam;
    bool operator==(const SentToTool&) const = default;
};

class FakePort : public ShutdownHandshake::ToolPort {
  public:
    bool exists = true;
    bool post_works = true;
    std::vector<SentToTool> sent;

    bool Exists(uint64_t) override { return exists; }
    bool Post(uint64_t tool, uint32_t msg, uint64_t wparam) override {
        if (!post_works) {
            return false;
        }
        sent.push_back({tool, msg, wparam});
        return true;
    }
};

// One step of a run: an event, what the handshake must answer, what must reach the tool.
struct Step {
    enum Kind { kHello, kClose, kAnswer, kUser, kTimeout, kDestroy, kToolGone } kind;
    uint64_t arg = 0;
    Action expect = Action::kNone;
    std::vector<SentToTool> sent = {};
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
    uint64_t tool_after;
};

const SentToTool kAsk{kTool, kIpcMsgToolClose, 0};
const SentToTool kClose{kTool, kIpcMsgClose, 0};

TEST(PellionLinkHandshake, Decisions) {
    const Sequence runs[] = {
        {"no tool: the window ends at once", {{Step::kClose, 0, Action::kEndNow}}, 0},
        {"tool idle: asked, told to close, window closes itself",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kAnswer, 0, Action::kCloseSelf, {kClose}},
          {Step::kClose, 0, Action::kEndNow},
          {Step::kDestroy}},
         0},
        {"any answer but 1 counts as idle",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kAnswer, 2, Action::kCloseSelf, {kClose}}},
         0},
        {"downloads running, user says OK",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kAnswer, 1, Action::kAskUser},
          {Step::kUser, 1, Action::kCloseSelf, {kClose}},
          {Step::kClose, 0, Action::kEndNow}},
         0},
        {"downloads running, user cancels: the tool stays and is asked again next time",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kAnswer, 1, Action::kAskUser},
          {Step::kUser, 0, Action::kNone},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}}},
         kTool},
        {"tool gone before the close: counts as none",
         {{Step::kHello, kTool}, {Step::kToolGone}, {Step::kClose, 0, Action::kEndNow}},
         0},
        {"tool gone while we wait: the next close ends at once",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kToolGone},
          {Step::kClose, 0, Action::kEndNow}},
         0},
        {"an answer nobody asked for is ignored",
         {{Step::kHello, kTool}, {Step::kAnswer, 0, Action::kNone}, {Step::kUser, 1}},
         kTool},
        {"no answer in time: the user decides",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kTimeout, 0, Action::kAskUser},
          {Step::kAnswer, 0, Action::kNone},
          {Step::kUser, 1, Action::kCloseSelf, {kClose}}},
         0},
        {"no answer and the tool died meanwhile: close",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kToolGone},
          {Step::kTimeout, 0, Action::kCloseSelf}},
         0},
        {"a later hello replaces the tool; handle 0 is ignored",
         {{Step::kHello, kTool},
          {Step::kHello, kNewTool},
          {Step::kHello, 0},
          {Step::kClose, 0, Action::kWaitForTool, {{kNewTool, kIpcMsgToolClose, 0}}}},
         kNewTool},
        {"destroy tells a registered tool to close",
         {{Step::kHello, kTool}, {Step::kDestroy, 0, Action::kNone, {kClose}}},
         0},
        {"close clicked while the question is open does nothing",
         {{Step::kHello, kTool},
          {Step::kClose, 0, Action::kWaitForTool, {kAsk}},
          {Step::kAnswer, 1, Action::kAskUser},
          {Step::kClose, 0, Action::kNone}},
         kTool},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        FakePort port;
        ShutdownHandshake hs(port);
        for (size_t i = 0; i < run.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& s = run.steps[i];
            port.sent.clear();
            Action got = Action::kNone;
            switch (s.kind) {
                case Step::kHello:
                    hs.OnToolHello(s.arg);
                    break;
                case Step::kClose:
                    got = hs.OnCloseRequest();
                    break;
                case Step::kAnswer:
                    got = hs.OnToolAnswer(s.arg);
                    break;
                case Step::kUser:
                    got = hs.OnUserAnswer(s.arg != 0);
                    break;
                case Step::kTimeout:
                    got = hs.OnAnswerTimeout();
                    break;
                case Step::kDestroy:
                    hs.OnDestroy();
                    break;
                case Step::kToolGone:
                    port.exists = false;
                    break;
            }
            EXPECT_EQ(got, s.expect);
            EXPECT_EQ(port.sent, s.sent);
        }
        EXPECT_EQ(hs.tool(), run.tool_after);
    }
}

TEST(PellionLinkHandshake, ToolThatCannotBeReachedCountsAsNone) {
    FakePort port;
    port.post_works = false;
    ShutdownHandshake hs(port);
    hs.OnToolHello(kTool);
    EXPECT_EQ(hs.OnCloseRequest(), Action::kEndNow);
    EXPECT_EQ(hs.tool(), 0u);
}

// A stand-in for the download program: its own window endpoint; it registers with the client
// and answers the close question with a fixed "downloads running" flag.
class FakeDownloadProgram {
  public:
    FakeDownloadProgram(uint64_t client, uint64_t busy)
        : endpoint_(&sink_, {kIpcMsgToolClose, kIpcMsgClose}) {
        sink_.on_message = [this, client, busy](const LinkMessage& m) {
            if (m.msg == kIpcMsgToolClose) {
                WindowEndpoint::PostToEndpoint(client, kIpcMsgToolClose, busy, 0);
            } else if (m.msg == kIpcMsgClose) {
                told_to_close = true;
            }
        };
    }
    bool Start(uint64_t client) {
        return endpoint_.Open() &&
               WindowEndpoint::PostToEndpoint(client, kIpcMsgToolHello, endpoint_.handle(), 0);
    }
    uint64_t handle() const { return endpoint_.handle(); }

    bool told_to_close = false;

  private:
    LinkSink sink_;
    WindowEndpoint endpoint_;
};

// The client's main window as far as closing goes: its endpoint feeds the handshake.
class FakeMainWindow {
  public:
    FakeMainWindow() : endpoint_(&sink_, {kIpcMsgToolHello, kIpcMsgToolClose, kIpcMsgCopyData}) {
        sink_.on_message = [this](const LinkMessage& m) {
            if (m.msg == kIpcMsgToolHello) {
                handshake.OnToolHello(m.wparam);
            } else if (m.msg == kIpcMsgToolClose) {
                last = handshake.OnToolAnswer(m.wparam);
                ++answers;
            }
        };
    }
    bool Open() { return endpoint_.Open(); }
    uint64_t handle() const { return endpoint_.handle(); }

    ShutdownHandshake handshake;
    Action last = Action::kNone;
    int answers = 0;

  private:
    LinkSink sink_;
    WindowEndpoint endpoint_;
};

class PellionLinkHandshakeLive : public RuntimeDirTest {};

TEST_F(PellionLinkHandshakeLive, ClosingWithTheDownloadProgram) {
    for (uint64_t busy : {uint64_t{0}, uint64_t{1}}) {
        SCOPED_TRACE(busy);
        FakeMainWindow main;
        ASSERT_TRUE(main.Open());
        FakeDownloadProgram tool(main.handle(), busy);
        ASSERT_TRUE(tool.Start(main.handle()));
        ASSERT_TRUE(RunUntil([&] { return main.handshake.tool() == tool.handle(); }));

        ASSERT_EQ(main.handshake.OnCloseRequest(), Action::kWaitForTool);
        ASSERT_TRUE(RunUntil([&] { return main.answers == 1; }));
        if (busy == 1) {
            EXPECT_EQ(main.last, Action::kAskUser);
            EXPECT_FALSE(tool.told_to_close);
            EXPECT_EQ(main.handshake.OnUserAnswer(true), Action::kCloseSelf);
        } else {
            EXPECT_EQ(main.last, Action::kCloseSelf);
        }
        ASSERT_TRUE(RunUntil([&] { return tool.told_to_close; }));
        EXPECT_EQ(main.handshake.tool(), 0u);
        EXPECT_EQ(main.handshake.OnCloseRequest(), Action::kEndNow);
    }
}

TEST_F(PellionLinkHandshakeLive, DownloadProgramThatExitedCountsAsNone) {
    FakeMainWindow main;
    ASSERT_TRUE(main.Open());
    {
        FakeDownloadProgram tool(main.handle(), 1);
        ASSERT_TRUE(tool.Start(main.handle()));
        ASSERT_TRUE(RunUntil([&] { return main.handshake.tool() != 0; }));
    }
    EXPECT_EQ(main.handshake.OnCloseRequest(), Action::kEndNow);
}

}  // namespace
}  // namespace vantor::client::test
