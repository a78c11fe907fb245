#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "CmdHead.h"
#include "CommandAnswerReader.h"
#include "CommandFraming.h"
#include "CommandQueue.h"
#include "DebugOut.h"
#include "DeviceFamilies.h"
#include "IndeedRead.h"
#include "SessionCipher.h"
#include "TestTools.h"

using namespace vantor;
using Bytes = std::vector<uint8_t>;

namespace {

const uint8_t kKey[16] = {'k', 'e', 'y', '-', 'o', 'f', '-', 't', 'e', 's', 't', 0, 0, 0, 0, 0};

Bytes textBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Takes one queued P2P request apart: entry, head, payload.
struct Queued {
    CmdQueueEntry entry{};
    CmdHead head{};
    Bytes payload;
};

Queued takeQueued(CommandQueue& q) {
    Queued out;
    Bytes packet(kCommandQueueBytes);
    EXPECT_EQ(DequeuePacket(q, &out.entry, packet.data(), packet.size()), DequeueResult::kPacket);
    EXPECT_GE(out.entry.packetLen, sizeof(CmdHead));
    std::memcpy(&out.head, packet.data(), sizeof out.head);
    out.payload.assign(packet.begin() + sizeof(CmdHead), packet.begin() + out.entry.packetLen);
    return out;
}

Bytes decipher(const Bytes& in) {
    Bytes out(CipherOutputBytes(in.size()));
    decrypt(kKey, in.data(), in.size(), out.data());
    return out;
}

}  // namespace

// The three payload forms, their padding, and the size limit.
TEST(Framing, RequestFormsAndLimits) {
    const struct {
        int cmdType;
        size_t len;
        int result;  // payload + 28, 0 = refused
        bool marker;
        bool ciphered;
    } cases[] = {
        {0, 0, 80 + 28, true, true},         // empty handshake request: one 64-byte block
        {0, 64, 16 + 128 + 28, true, true},  // 64 bytes pad to 128 (strictly greater)
        {0, 63, 16 + 64 + 28, true, true},
        {kStartCodeCiphered, 10, 64 + 28, false, true},
        {kStartCodePlain, 10, 10 + 28, false, false},
        {kStartCodePlain, kMaxCommandLen, 65536, false, false},  // fills the ring exactly
        {kStartCodePlain, kMaxCommandLen + 1, 0, false, false},
        {0, kMaxCommandLen, 0, true, true},  // 65 536 + 16 + 28 cannot fit the ring
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("cmdType " + std::to_string(c.cmdType) + " len " + std::to_string(c.len));
        CommandQueue q;
        Bytes request(c.len);
        for (size_t i = 0; i < c.len; ++i)
            request[i] = static_cast<uint8_t>('a' + i % 26);
        int r = AddCommandToBuf(q, c.cmdType, kKey, nullptr, 0x2010, request.data(), c.len);
        ASSERT_EQ(r, c.result);
        if (r == 0) {
            EXPECT_EQ(q.used(), 0u);
            continue;
        }
        Queued got = takeQueued(q);
        const size_t payloadLen = static_cast<size_t>(r) - 28;
        EXPECT_EQ(got.entry.reserved0 | got.entry.reserved1 | got.entry.reserved2, 0u);
        EXPECT_EQ(got.entry.cmd, 0x2010u);
        EXPECT_EQ(got.entry.packetLen, payloadLen + 8);
        EXPECT_EQ(got.head.startcode, kStartCodePlain);  // requests are always marked plain
        EXPECT_EQ(got.head.cmd, 0x2010);
        EXPECT_EQ(got.head.len, payloadLen);
        EXPECT_EQ(got.head.lenHigh, 0);
        Bytes body = got.payload;
        if (c.marker) {
            EXPECT_EQ(std::string(body.begin(), body.begin() + 16), "  check_user.cgi");
            body.erase(body.begin(), body.begin() + 16);
        }
        if (c.ciphered) {
            Bytes expected = request;
            expected.resize(PaddedRequestBytes(c.len), 0);
            EXPECT_EQ(decipher(body), expected);
        } else {
            EXPECT_EQ(body, request);
        }
    }
}

TEST(Framing, RefusalsAreLoggedAndTcpFormIsBare) {
    testtools::LogCapture log;
    CommandQueue q;
    Bytes big(kMaxCommandLen + 1, 'x');
    EXPECT_EQ(AddCommandToBuf(q, kStartCodePlain, kKey, nullptr, 1, big.data(), big.size()), 0);
    EXPECT_TRUE(log.has("command large than MAX_COMMAND_LEN\n"));

    std::string req = "GET get_status.cgi?&loginuse=a&loginpas=b& HTTP/1.1\r\n\r\n";
    EXPECT_EQ(AddTcpCommandToBuf(q, 0x2002, req.data(), req.size()),
              static_cast<int>(req.size() + 20));
    CmdQueueEntry e{};
    Bytes packet(kWriterPacketBytes);
    ASSERT_EQ(DequeuePacket(q, &e, packet.data(), packet.size()), DequeueResult::kPacket);
    EXPECT_EQ(e.cmd, 0x2002u);
    EXPECT_EQ(e.packetLen, req.size());
    EXPECT_EQ(std::string(packet.begin(), packet.begin() + e.packetLen), req);

    Bytes tcpMax(kTcpMaxCommandLen - 1, 'y');
    EXPECT_EQ(AddTcpCommandToBuf(q, 1, tcpMax.data(), tcpMax.size()), 65536);
    q.clear();
    EXPECT_EQ(AddTcpCommandToBuf(q, 1, big.data(), kTcpMaxCommandLen), 0);
    EXPECT_TRUE(log.has("command large than MAX_COMMAND_LEN"));
}

// The ring: all-or-nothing writes when full, wrapping, short reads, the writer's dequeue.
TEST(CommandQueueTest, FullWrapShortReadAndDequeue) {
    CommandQueue q(100);
    Bytes a(60, 'a'), b(50, 'b'), out(100);
    EXPECT_EQ(q.write(a.data(), a.size()), 60u);
    EXPECT_EQ(q.write(b.data(), b.size()), 0u);  // 110 > 100: nothing written
    EXPECT_EQ(q.used(), 60u);
    EXPECT_EQ(q.read(out.data(), 61), 0u);  // fewer stored than asked: nothing consumed
    EXPECT_EQ(q.read(out.data(), 40), 40u);
    EXPECT_EQ(q.write(b.data(), b.size()), 50u);  // wraps around the end
    EXPECT_EQ(q.read(out.data(), 70), 70u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 70), [&] {
        Bytes e(20, 'a');
        e.insert(e.end(), 50, 'b');
        return e;
    }());
    EXPECT_EQ(q.reset(0), 0);
    EXPECT_EQ(q.write(a.data(), 1), 0u);
    EXPECT_EQ(q.reset(kCommandQueueBytes), 1);

    // An entry announcing more than the queue holds: the writer clears everything.
    CmdQueueEntry bad{0, 7, 100, 0, 0};
    q.write(&bad, sizeof bad);
    q.write(a.data(), 50);
    CmdQueueEntry e{};
    Bytes packet(kWriterPacketBytes);
    EXPECT_EQ(DequeuePacket(q, &e, packet.data(), packet.size()), DequeueResult::kCleared);
    EXPECT_EQ(q.used(), 0u);
    EXPECT_EQ(DequeuePacket(q, &e, packet.data(), packet.size()), DequeueResult::kEmpty);

    // A packet larger than the writer's buffer is dropped whole; the next one is intact.
    Bytes huge(kWriterPacketBytes + 100, 'h');
    ASSERT_GT(AddCommandToBuf(q, kStartCodePlain, kKey, nullptr, 1, huge.data(), huge.size()), 0);
    ASSERT_GT(AddCommandToBuf(q, kStartCodePlain, kKey, nullptr, 2, "ok", 2), 0);
    EXPECT_EQ(DequeuePacket(q, &e, packet.data(), packet.size()), DequeueResult::kDropped);
    EXPECT_EQ(DequeuePacket(q, &e, packet.data(), packet.size()), DequeueResult::kPacket);
    EXPECT_EQ(e.cmd, 2u);
    EXPECT_EQ(std::string(packet.begin() + 8, packet.begin() + 10), "ok");
}

// ---- receive side ----
namespace {

struct Msg {
    uint16_t startcode, cmd, len, lenHigh;
    Bytes payload;
};

Bytes stream(const std::vector<Msg>& msgs) {
    Bytes s;
    for (const auto& m : msgs) {
        CmdHead h{m.startcode, m.cmd, m.len, m.lenHigh};
        const auto* p = reinterpret_cast<const uint8_t*>(&h);
        s.insert(s.end(), p, p + sizeof h);
        s.insert(s.end(), m.payload.begin(), m.payload.end());
    }
    return s;
}

Bytes enciphered(const std::string& text, size_t extraZeroesThenJunk = 0) {
    Bytes plain = textBytes(text);
    if (extraZeroesThenJunk > 0) {
        plain.push_back(0);
        plain.insert(plain.end(), extraZeroesThenJunk, 'J');
    }
    Bytes out(CipherOutputBytes(plain.size()));
    encrypt(kKey, plain.data(), plain.size(), out.data());
    return out;
}

// A transport that trickles the stream in small pieces with time-outs in between, then
// reports the session closed.
struct FakeChannel {
    Bytes data;
    size_t pos = 0;
    int calls = 0;
    int read(char* buf, int* size) {
        ++calls;
        if (pos >= data.size()) {
            *size = 0;
            return -14;
        }
        int want = *size;
        int give = std::min<int>({want, static_cast<int>(data.size() - pos), 7 + calls % 5000});
        if (calls % 3 == 0)
            give = std::min(give, 3);  // a partial read that timed out
        std::memcpy(buf, data.data() + pos, give);
        pos += give;
        *size = give;
        return give == want ? 0 : -3;
    }
};

struct Answer {
    int cmd;
    Bytes data;
    bool operator==(const Answer& o) const { return cmd == o.cmd && data == o.data; }
};

}  // namespace

TEST(Framing, ReceiveTable) {
    Bytes picture(300);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint8_t>(i * 13);
    Bytes block1234(0x1234, 'p'), block11234(0x11234, 'q');
    Bytes oversize(0x31234, 'o');
    // 70 000 bytes (0x6007 with lenHigh 1) that decipher to a text longer than 65 535 bytes.
    Bytes longCiphered = enciphered(std::string(70000, 'L'));
    longCiphered.resize(70000);
    const Bytes okText = textBytes("result=0;");

    const struct {
        const char* name;
        std::vector<Msg> msgs;
        std::vector<Answer> answers;
        CommandAnswerReader::EndReason end;
        int lastCmdType;
    } cases[] = {
        {"len 0 head is consumed without an answer",
         {{0x0A01, 0x6001, 0, 0x0001, {}}, {0x0A01, 0x6002, 9, 0, okText}},
         {{0x6002, okText}},
         CommandAnswerReader::EndReason::kReadError,
         0x0A01},
        {"lenHigh 0x0100 keeps len; 0x0001 extends; ignored for 0x6001",
         {{0x0A01, 0x6007, 0x1234, 0x0100, block1234},
          {0x0A01, 0x6007, 0x1234, 0x0001, block11234},
          {0x0A01, 0x6001, 9, 0x0001, okText}},
         {{0x6007, block1234}, {0x6007, block11234}, {0x6001, okText}},
         CommandAnswerReader::EndReason::kReadError,
         0x0A01},
        {"0x6015 enciphered start code stays raw; others decipher to the first zero",
         {{0x0A02, 0x6015, 300, 0, picture},
          {0x0A02, 0x6002, 32, 0, enciphered("alias=\"cam\";", 10)}},
         {{0x6015, picture}, {0x6002, textBytes("alias=\"cam\";")}},
         CommandAnswerReader::EndReason::kReadError,
         0x0A02},
        {"bad start code ends the loop",
         {{0x0A01, 0x6002, 9, 0, okText}, {0x0B01, 0x6002, 9, 0, okText}},
         {{0x6002, okText}},
         CommandAnswerReader::EndReason::kBadStart,
         0x0A01},
        {"answers beyond the answer buffer are consumed and dropped",
         {{0x0A01, 0x6107, 0x1234, 0x0003, oversize}, {0x0A01, 0x6002, 9, 0, okText}},
         {{0x6002, okText}},
         CommandAnswerReader::EndReason::kReadError,
         0x0A01},
        {"deciphered text longer than 65 535 bytes is dropped",
         {{0x0A02, 0x6007, static_cast<uint16_t>(70000 & 0xFFFF), 1, longCiphered},
          {0x0A01, 0x6002, 9, 0, okText}},
         {{0x6002, okText}},
         CommandAnswerReader::EndReason::kReadError,
         0x0A01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testtools::LogCapture log;
        FakeChannel ch{stream(c.msgs)};
        std::atomic<int> cmdType{0};
        std::atomic<bool> running{true};
        std::vector<Answer> got;
        CommandAnswerReader reader;
        CommandAnswerReader::Context ctx;
        ctx.read = [&](int channel, char* d, int* size, uint32_t timeout_ms) {
            EXPECT_EQ(channel, 0);
            EXPECT_EQ(timeout_ms, 100u);
            EXPECT_LE(*size, kIndeedReadChunkBytes);
            return ch.read(d, size);
        };
        ctx.cmdType = &cmdType;
        ctx.key = kKey;
        ctx.running = &running;
        auto end = reader.run(ctx, [&](int cmd, const uint8_t* data, int len) {
            EXPECT_EQ(data[len], 0);  // handed on as a terminated text
            got.push_back({cmd, Bytes(data, data + len)});
        });
        EXPECT_EQ(end, c.end);
        char first[64];
        std::snprintf(first, sizeof first, "01 ---cmdhead.cmd === %x cmdType=%x", c.msgs[0].cmd,
                      c.msgs[0].startcode);
        EXPECT_TRUE(log.has(first));
        if (end == CommandAnswerReader::EndReason::kBadStart) {
            EXPECT_TRUE(log.has("00---cmdhead.startcode == b01"));
        }
        EXPECT_EQ(cmdType.load(), c.lastCmdType);
        ASSERT_EQ(got.size(), c.answers.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i] == c.answers[i]) << i;
    }
}

TEST(Framing, HugeLenHighIsConsumedAndDropped) {
    // lenHigh 0xFFFF announces len + 16 MiB: consumed in pieces, then the next answer arrives.
    CmdHead h{0x0A01, 0x6015, 4, 0xFFFF};
    EXPECT_EQ(AnswerPayloadBytes(h), 4u + 0x1000000u);
    uint32_t n = 0;
    EXPECT_EQ(CheckAnswerHead(h, &n), HeadCheck::kOversize);

    Bytes s = stream({{0x0A01, 0x6015, 4, 0xFFFF, Bytes(4 + 0x1000000, 'z')},
                      {0x0A01, 0x6002, 2, 0, textBytes("ok")}});
    size_t pos = 0;
    std::vector<int> cmds;
    CommandAnswerReader reader;
    CommandAnswerReader::Context ctx;
    ctx.read = [&](int, char* d, int* size, uint32_t) {
        if (pos >= s.size())
            return -14;
        int give = std::min<int>(*size, static_cast<int>(s.size() - pos));
        std::memcpy(d, s.data() + pos, give);
        pos += give;
        *size = give;
        return 0;
    };
    EXPECT_EQ(reader.run(ctx, [&](int cmd, const uint8_t*, int) { cmds.push_back(cmd); }),
              CommandAnswerReader::EndReason::kReadError);
    EXPECT_EQ(cmds, std::vector<int>{0x6002});
}

TEST(Framing, IndeedReadPassesErrorsAndCountsTimedOutBytes) {
    Bytes src = textBytes("0123456789abcdef");
    size_t pos = 0;
    auto read = [&](int, char* d, int* size, uint32_t) {
        if (pos >= src.size())
            return -12;
        int give = std::min(*size, 5);
        std::memcpy(d, src.data() + pos, give);
        pos += give;
        int asked = *size;
        *size = give;
        return give == asked ? 0 : -3;
    };
    char buf[17] = {};
    EXPECT_EQ(PPPP_IndeedRead(read, 0, buf, 16), 0);
    EXPECT_EQ(std::string(buf, 16), "0123456789abcdef");
    EXPECT_EQ(PPPP_IndeedRead(read, 0, buf, 1), -12);
}
