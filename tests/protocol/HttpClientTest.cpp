#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CAPHttpClient.h"
#include "PeerProcess.h"
#include "TestTools.h"

using namespace vantor;

namespace {

// Short waits so that the give-up paths run in well under a second; the defaults stay those
// of the protocol (checked once below).
HttpTimeouts shortTimeouts() {
    HttpTimeouts t;
    t.connect_ms = 400;
    t.readWait_ms = 40;
    t.lineByteWaits = 5;
    t.line_ms = 150;
    t.bodyRetries = 5;
    return t;
}

std::string peerScript() {
    return std::string(std::getenv("VANTOR_TEST_DATA") ? std::getenv("VANTOR_TEST_DATA")
                                                       : TEST_DATA_DIR) +
           "/http_peer.py";
}

struct Exchange {
    int result = 0;
    std::string header, body;
};

// One request against 127.0.0.1:port, read into buffers of the given sizes whose guard bytes
// must survive.
Exchange exchange(int port, size_t headerBytes, size_t bodyBytes,
                  const std::string& path = "/get_status.cgi") {
    Exchange ex;
    CAPHttpClient http(shortTimeouts());
    EXPECT_EQ(http.Connect("127.0.0.1", port), 1);
    std::string req = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    EXPECT_EQ(http.Send(req.data(), req.size()), static_cast<int>(req.size()));
    constexpr size_t kGuard = 64;
    std::vector<char> header(headerBytes + kGuard, 'G'), body(bodyBytes + kGuard, 'G');
    ex.result = http.ReadResponse(header.data(), headerBytes, body.data(), bodyBytes);
    for (size_t i = 0; i < kGuard; ++i) {
        EXPECT_EQ(header[headerBytes + i], 'G');
        EXPECT_EQ(body[bodyBytes + i], 'G');
    }
    ex.header.assign(header.data(), strnlen(header.data(), headerBytes));
    if (ex.result > 0)
        ex.body.assign(body.data(), static_cast<size_t>(ex.result));
    return ex;
}

}  // namespace

TEST(HttpClient, DefaultsAreTheProtocols) {
    HttpTimeouts t;
    EXPECT_EQ(t.connect_ms, 10000);
    EXPECT_EQ(t.readWait_ms, 2000);
    EXPECT_EQ(t.lineByteWaits, 10);
    EXPECT_EQ(t.line_ms, 5000);
    EXPECT_EQ(t.bodyRetries, 15);
}

TEST(HttpClient, ContentLengthFromPythonHttpServer) {
    testtools::TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string content;
    for (int i = 0; i < 700; ++i)
        content += "row" + std::to_string(i) + "\n";
    testtools::writeFile(dir.file("file.txt"), content.data(), content.size());
    testtools::PeerProcess server({testtools::pythonPath(), "-u", "-m", "http.server", "--bind",
                                   "127.0.0.1", "--directory", dir.file(""), "0"});
    ASSERT_GT(server.port(), 0);
    Exchange ex = exchange(server.port(), 4096, 128000, "/file.txt");
    EXPECT_EQ(ex.result, static_cast<int>(content.size()));
    EXPECT_EQ(ex.body, content);
    EXPECT_NE(ex.header.find("200"), std::string::npos);
}

TEST(HttpClient, ScriptedResponses) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        size_t bodyBytes;
        int result;  // > 0: body length; 0: none; -1: negative
        const char* body;
    } cases[] = {
        {"content length",
         {"length", "alias=\"cam\";port=81;"},
         1000,
         20,
         "alias=\"cam\";port=81;"},
        {"content length 0",
         {"raw", "HTTP/1.1 200 OK\\r\\nContent-Length: 0\\r\\n\\r\\n"},
         1000,
         0,
         ""},
        {"chunked hello",
         {"raw",
          "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: "
          "chunked\\r\\n\\r\\n5\\r\\nhello\\r\\n0\\r\\n\\r\\n"},
         1000,
         5,
         "hello"},
        {"chunks with line feeds",
         {"chunked", "var a=1;\\n", "b\\nc", "\\n\\n;end"},
         1000,
         18,
         "var a=1;\nb\nc\n\n;end"},
        {"body larger than buffer", {"length", std::string(2000, 'x')}, 1000, -1, ""},
        {"body exactly fills buffer", {"length", std::string(999, 'y')}, 1000, 999, nullptr},
        {"chunked larger than buffer",
         {"chunked", std::string(600, 'a'), std::string(600, 'b')},
         1000,
         -1,
         ""},
        {"closes inside the body",
         {"raw", "HTTP/1.1 200 OK\\r\\nContent-Length: 100\\r\\n\\r\\nshort"},
         1000,
         0,
         ""},
        {"closes inside a chunk",
         {"raw", "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n10\\r\\nabc"},
         1000,
         0,
         ""},
        {"bad chunk size",
         {"raw", "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\nzz\\r\\nabc\\r\\n"},
         1000,
         0,
         ""},
        {"never answers", {"silent"}, 1000, 0, ""},
        {"header line beyond the line buffer",
         {"raw", "HTTP/1.1 200 OK\\r\\nX-Long: " + std::string(9000, 'l') + "\\r\\n\\r\\n"},
         1000,
         -1,
         ""},
    };
    std::vector<std::unique_ptr<testtools::PeerProcess>> servers;
    for (const auto& c : cases) {
        std::vector<std::string> argv{testtools::pythonPath(), peerScript()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        servers.push_back(std::make_unique<testtools::PeerProcess>(argv));
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        ASSERT_GT(servers[i]->port(), 0);
        Exchange ex = exchange(servers[i]->port(), 4096, c.bodyBytes);
        if (c.result < 0) {
            EXPECT_LT(ex.result, 0);
        } else {
            EXPECT_EQ(ex.result, c.result);
            if (c.body != nullptr) {
                EXPECT_EQ(ex.body, c.body);
            }
        }
    }
}

TEST(HttpClient, LongHeaderIsCutAndSlowLineGivesUp) {
    {
        testtools::PeerProcess server({testtools::pythonPath(), peerScript(), "headers", "40"});
        ASSERT_GT(server.port(), 0);
        Exchange ex = exchange(server.port(), 256, 100);
        EXPECT_EQ(ex.result, 2);
        EXPECT_EQ(ex.body, "ok");
        EXPECT_EQ(ex.header.size(), 255u);
    }
    {
        testtools::PeerProcess server({testtools::pythonPath(), peerScript(), "drip"});
        ASSERT_GT(server.port(), 0);
        CAPHttpClient http(shortTimeouts());
        ASSERT_EQ(http.Connect("127.0.0.1", server.port()), 1);
        http.Send("GET / HTTP/1.1\r\n\r\n", 18);
        char line[kHttpLineBytes];
        EXPECT_EQ(http.ReadLine(line, sizeof line), -2);
    }
}

TEST(TcpClientSocket, ConnectFailures) {
    // A refused port: a listening socket closed again leaves a port nobody listens on.
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len);
    close(probe);
    CAPTcpClientSocket refused(400);
    EXPECT_EQ(refused.Connect("127.0.0.1", ntohs(addr.sin_port)), 0);
    EXPECT_FALSE(refused.connected());
    EXPECT_EQ(refused.Close(), -1);
    EXPECT_EQ(refused.Connect(nullptr, 80), 0);
}

TEST(TcpClientSocket, ConnectTimesOutOnFullBacklog) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    socklen_t len = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);

    // Fill the accept queue until a connection stays pending: the next SYNs are dropped.
    std::vector<int> fillers;
    bool full = false;
    for (int i = 0; i < 16 && !full; ++i) {
        int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        fillers.push_back(s);
        connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        pollfd p{s, POLLOUT, 0};
        full = poll(&p, 1, 300) == 0;
    }
    ASSERT_TRUE(full);

    // The connect must have started (would-block) and then given up waiting, not failed at once.
    testtools::LogCapture log;
    CAPTcpClientSocket sock(300);
    EXPECT_EQ(sock.Connect("127.0.0.1", ntohs(addr.sin_port)), 0);
    EXPECT_TRUE(log.has("socket connect succ.\n"));
    EXPECT_TRUE(log.has("TcpClientSocket select error or timeout.\n"));
    EXPECT_FALSE(sock.connected());
    for (int s : fillers)
        close(s);
    close(listener);
}

// A talk thread blocked in Send on a peer that stopped reading is released by Close from
// another thread, and gets an error instead of writing to a reused descriptor.
TEST(TcpClientSocket, CloseReleasesABlockedSend) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    CAPTcpClientSocket sock;
    sock.Adopt(fds[0]);
    std::vector<char> block(1 << 20, 's');  // far more than the socket buffers hold
    std::atomic<int> result{1};
    std::thread talker([&] { result = sock.Send(block.data(), block.size()); });
    // Wait until the peer's receive buffer holds data, so the sender is (about to be) blocked.
    pollfd p{fds[1], POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    sock.Close();
    talker.join();
    EXPECT_LT(result.load(), 0);
    EXPECT_FALSE(sock.connected());
    close(fds[1]);
}
