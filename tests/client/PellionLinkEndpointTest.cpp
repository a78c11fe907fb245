// Window endpoints over real sockets: two windows in one process, hostile peers, stale paths.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "IpcFrame.h"
#include "PellionLinkSupport.h"
#include "WindowEndpoint.h"

namespace vantor::client::test {
namespace {

constexpr unsigned kMsgDeviceRemovedFromOutside = 5426;  // carries a pointer inside the client

// A raw client socket, for peers that do not follow the rules.
int RawConnect(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// True once the endpoint has closed our side: a read gives end of stream.
bool PeerClosed(int fd) {
    uint8_t b;
    return recv(fd, &b, 1, MSG_DONTWAIT) == 0;
}

class PellionLinkEndpoint : public RuntimeDirTest {};

TEST_F(PellionLinkEndpoint, TwoWindowsInOneProcessTalkBothWays) {
    LinkSink sink_a, sink_b;
    WindowEndpoint a(&sink_a, {kIpcMsgToolHello, kIpcMsgCopyData});
    WindowEndpoint b(&sink_b, {kIpcMsgToolClose, kIpcMsgClose});
    ASSERT_TRUE(a.Open());
    ASSERT_TRUE(b.Open());
    EXPECT_NE(a.handle(), b.handle());
    EXPECT_EQ(a.path(), WindowEndpoint::PathOf(a.handle()));
    EXPECT_EQ(a.path().rfind(dir_ + "/", 0), 0u);
    struct stat st {};
    ASSERT_EQ(lstat(a.path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const std::vector<uint8_t> block(136, 0x42);
    ASSERT_TRUE(WindowEndpoint::PostToEndpoint(a.handle(), kIpcMsgToolHello, b.handle(), 0));
    ASSERT_TRUE(WindowEndpoint::PostToEndpoint(a.handle(), kIpcMsgCopyData, b.handle(), 0, block));
    ASSERT_TRUE(WindowEndpoint::PostToEndpoint(b.handle(), kIpcMsgToolClose, 1, -7));
    ASSERT_TRUE(RunUntil([&] { return sink_a.got.size() == 2 && sink_b.got.size() == 1; }));

    EXPECT_EQ(sink_a.got[0].msg, kIpcMsgToolHello);
    EXPECT_EQ(sink_a.got[0].wparam, b.handle());
    EXPECT_EQ(sink_a.got[1].msg, kIpcMsgCopyData);
    EXPECT_EQ(sink_a.got[1].wparam, b.handle());
    const intptr_t ticket = sink_a.got[1].lparam;
    auto payload = a.TakePayload(ticket);
    ASSERT_TRUE(payload.has_value());
    EXPECT_EQ(payload->lparam, 0);
    EXPECT_EQ(payload->bytes, block);
    EXPECT_FALSE(a.TakePayload(ticket).has_value()) << "a payload is taken once";
    EXPECT_EQ(sink_b.got[0].msg, kIpcMsgToolClose);
    EXPECT_EQ(sink_b.got[0].wparam, 1u);
    EXPECT_EQ(sink_b.got[0].lparam, -7);
}

TEST_F(PellionLinkEndpoint, ClosedWindowNoLongerExists) {
    LinkSink sink;
    auto ep = std::make_unique<WindowEndpoint>(&sink, std::vector<uint32_t>{kIpcMsgClose});
    ASSERT_TRUE(ep->Open());
    const auto handle = ep->handle();
    const std::string path = ep->path();
    EXPECT_TRUE(WindowEndpoint::Exists(handle));
    ep.reset();
    EXPECT_FALSE(WindowEndpoint::Exists(handle));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(WindowEndpoint::PostToEndpoint(handle, kIpcMsgClose, 0, 0));
    // Handles that name nothing at all.
    for (uint64_t bad : {uint64_t{0}, uint64_t{5}, uint64_t{5} << 32}) {
        EXPECT_TRUE(WindowEndpoint::PathOf(bad).empty()) << bad;
        EXPECT_FALSE(WindowEndpoint::Exists(bad));
        EXPECT_FALSE(WindowEndpoint::PostToEndpoint(bad, kIpcMsgClose, 0, 0));
    }
}

TEST_F(PellionLinkEndpoint, OversizedPayloadIsNotSent) {
    LinkSink sink;
    WindowEndpoint ep(&sink, {kIpcMsgCopyData});
    ASSERT_TRUE(ep.Open());
    const std::vector<uint8_t> big(kIpcMaxPayloadBytes + 1);
    EXPECT_FALSE(WindowEndpoint::PostToEndpoint(ep.handle(), kIpcMsgCopyData, 0, 0, big));
}

// Each hostile peer is cut off, nothing it sent past the damage arrives, and the window goes
// on serving a well-behaved sender.
TEST_F(PellionLinkEndpoint, HostilePeersAreCutOffAndTheWindowGoesOn) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool close_after_send;
    };
    auto bad_length = EncodeIpcFrame(kIpcMsgCopyData, 0, 0, {});
    const uint32_t huge = 0xFFFFFFF0u;
    std::memcpy(bad_length.data() + 24, &huge, 4);
    auto cut = EncodeIpcFrame(kIpcMsgCopyData, 0, 0, std::vector<uint8_t>(136, 1));
    cut.resize(100);
    const Case cases[] = {
        {"garbage", std::vector<uint8_t>(64, 0xEE), false},
        {"length over the bound", bad_length, false},
        {"message not accepted", EncodeIpcFrame(kMsgDeviceRemovedFromOutside, 0x1000, 0, {}),
         false},
        {"frame cut short by the end of stream", cut, true},
    };
    LinkSink sink;
    WindowEndpoint ep(&sink, {kIpcMsgToolHello, kIpcMsgCopyData});
    ASSERT_TRUE(ep.Open());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int fd = RawConnect(ep.path());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(SendAll(fd, c.bytes));
        if (c.close_after_send) {
            shutdown(fd, SHUT_WR);
        }
        EXPECT_TRUE(RunUntil([&] { return PeerClosed(fd); }));
        close(fd);
        // Proof of life: the next sender is heard, and nothing of the hostile one was.
        ASSERT_TRUE(WindowEndpoint::PostToEndpoint(ep.handle(), kIpcMsgToolHello, 77, 0));
        ASSERT_TRUE(RunUntil([&] { return !sink.got.empty(); }));
        ASSERT_EQ(sink.got.size(), 1u);
        EXPECT_EQ(sink.got[0].msg, kIpcMsgToolHello);
        EXPECT_EQ(sink.got[0].wparam, 77u);
        sink.got.clear();
    }
}

TEST_F(PellionLinkEndpoint, FramesSplitAndJoinedArriveInOrder) {
    LinkSink sink;
    WindowEndpoint ep(&sink, {kIpcMsgToolHello});
    ASSERT_TRUE(ep.Open());
    std::vector<uint8_t> stream;
    for (uint64_t i = 1; i <= 5; ++i) {
        const auto f = EncodeIpcFrame(kIpcMsgToolHello, i, 0, {});
        stream.insert(stream.end(), f.begin(), f.end());
    }
    const int fd = RawConnect(ep.path());
    ASSERT_GE(fd, 0);
    // The first frame a byte at a time, the rest in one write.
    for (size_t i = 0; i < kIpcFrameHeadBytes; ++i) {
        ASSERT_TRUE(SendAll(fd, {stream[i]}));
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(SendAll(fd, {stream.begin() + kIpcFrameHeadBytes, stream.end()}));
    ASSERT_TRUE(RunUntil([&] { return sink.got.size() == 5; }));
    for (uint64_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sink.got[i].wparam, i + 1);
    }
    close(fd);
}

// Peers that connect and never finish a frame cannot lock the window out.
TEST_F(PellionLinkEndpoint, StuckPeersDoNotLockOutTheNextSender) {
    LinkSink sink;
    WindowEndpoint ep(&sink, {kIpcMsgToolClose});
    ASSERT_TRUE(ep.Open());
    std::vector<int> stuck;
    const auto half = EncodeIpcFrame(kIpcMsgToolClose, 0, 0, {});
    for (size_t i = 0; i < WindowEndpoint::kMaxConnections + 4; ++i) {
        const int fd = RawConnect(ep.path());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(SendAll(fd, {half.begin(), half.begin() + 10}));
        stuck.push_back(fd);
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(WindowEndpoint::PostToEndpoint(ep.handle(), kIpcMsgToolClose, 1, 0));
    EXPECT_TRUE(RunUntil([&] { return sink.got.size() == 1; }));
    for (int fd : stuck) {
        close(fd);
    }
}

// What a crashed run leaves at the next name: its own dead socket is replaced; a file, or a
// socket that still answers, is not touched and the next name is used instead.
TEST_F(PellionLinkEndpoint, LeftoversAtTheNextPath) {
    LinkSink sink;
    WindowEndpoint first(&sink, {kIpcMsgClose});
    ASSERT_TRUE(first.Open());
    const uint64_t next = first.handle() + 1;

    // A dead socket: bound, then its owner went away without removing it.
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string path = WindowEndpoint::PathOf(next);
        std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
        close(fd);
        ASSERT_TRUE(std::filesystem::exists(path));
    }
    WindowEndpoint second(&sink, {kIpcMsgClose});
    ASSERT_TRUE(second.Open());
    EXPECT_EQ(second.handle(), next);
    ASSERT_TRUE(WindowEndpoint::PostToEndpoint(second.handle(), kIpcMsgClose, 3, 0));
    ASSERT_TRUE(RunUntil([&] { return sink.got.size() == 1; }));
    EXPECT_EQ(sink.got[0].wparam, 3u);

    // A plain file, then a socket that still listens, where the next sockets would go.
    const std::string file_path = WindowEndpoint::PathOf(next + 1);
    { std::ofstream(file_path) << "keep me"; }
    const int live = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string live_path = WindowEndpoint::PathOf(next + 2);
    std::strncpy(addr.sun_path, live_path.c_str(), sizeof(addr.sun_path) - 1);
    ASSERT_EQ(bind(live, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(listen(live, 4), 0);

    WindowEndpoint third(&sink, {kIpcMsgClose});
    ASSERT_TRUE(third.Open());
    EXPECT_EQ(third.handle(), next + 3);
    std::ifstream in(file_path);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
    EXPECT_TRUE(WindowEndpoint::Exists(next + 2)) << "a live socket is not taken over";
    close(live);
}

}  // namespace
}  // namespace vantor::client::test
