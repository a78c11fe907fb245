// Parsers of everything a peer sends: discovery datagrams, handshake, frame stream, and the
// server initialisation string.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FrameParser.h"
#include "ServerList.h"
#include "TestSupport.h"
#include "pppp_wire.h"

using namespace vantor::pppp;

namespace {

TEST(PpppServerList, AcceptsOneToThreeEncodedFields) {
    std::vector<ServerList::Server> out;
    ASSERT_TRUE(ServerList::parse(pppptest::encodeServers({"rv1.example:32100"}).c_str(), &out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].host, "rv1.example");
    EXPECT_EQ(out[0].port, 32100);
    ASSERT_TRUE(ServerList::parse(
        pppptest::encodeServers({"a:1", "10.0.0.2:65535", "b.c:443"}).c_str(), &out));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1].host, "10.0.0.2");
    EXPECT_EQ(out[1].port, 65535);
}

TEST(PpppServerList, RefusesMalformedStrings) {
    const std::string ok = pppptest::encodeServers({"h:1"});
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"empty field", ok + ","},
        {"empty leading field", "," + ok},
        {"odd length", ok + "A"},
        {"letter past P", "Q" + ok.substr(1)},
        {"lower case", "g" + ok.substr(1)},
        {"non-printable byte", "AB" + ok},
        {"no port", pppptest::encodeServers({"host"})},
        {"no host", pppptest::encodeServers({":80"})},
        {"port zero", pppptest::encodeServers({"h:0"})},
        {"port too big", pppptest::encodeServers({"h:65536"})},
        {"port not a number", pppptest::encodeServers({"h:8a"})},
        {"four fields", pppptest::encodeServers({"a:1", "b:2", "c:3", "d:4"})},
        {"over 127 characters", pppptest::encodeServers({std::string(62, 'x') + ":1"})},
    };
    for (const Case& c : cases) {
        std::vector<ServerList::Server> out;
        EXPECT_FALSE(ServerList::parse(c.text.c_str(), &out)) << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
    }
    std::vector<ServerList::Server> out;
    EXPECT_FALSE(ServerList::parse(nullptr, &out));
}

TEST(PpppWire, DiscoveryRoundTripAndRejections) {
    DiscoveryQuery q;
    q.lanSearch = 31;
    q.nonce = 0xA1B2C3D4;
    std::strcpy(q.deviceId, "ABCD-123456-XYZ");
    uint8_t buf[kDiscoveryAnswerBytes];
    encodeQuery(q, buf);
    DiscoveryQuery q2;
    ASSERT_TRUE(decodeQuery(buf, kDiscoveryQueryBytes, &q2));
    EXPECT_EQ(q2.lanSearch, 31);
    EXPECT_EQ(q2.nonce, 0xA1B2C3D4u);
    EXPECT_STREQ(q2.deviceId, "ABCD-123456-XYZ");
    EXPECT_FALSE(decodeQuery(buf, kDiscoveryQueryBytes - 1, &q2));
    DiscoveryAnswer notAnAnswer;
    EXPECT_FALSE(decodeAnswer(buf, kDiscoveryQueryBytes, &notAnAnswer));

    DiscoveryAnswer a;
    a.nonce = 7;
    a.sessionPort = 40000;
    std::strcpy(a.deviceId, "abc");
    encodeAnswer(a, buf);
    DiscoveryAnswer a2;
    ASSERT_TRUE(decodeAnswer(buf, kDiscoveryAnswerBytes, &a2));
    EXPECT_EQ(a2.sessionPort, 40000);
    EXPECT_TRUE(sameDeviceId(a2.deviceId, "ABC"));

    struct Corruption {
        const char* what;
        size_t offset;
        uint8_t value;
    } corruptions[] = {
        {"magic", 0, 0x00},
        {"version", 4, 2},
        {"kind", 5, 1},
        {"status", 6, 9},
        {"bad id character", 13, '_'},
        {"unterminated id", 43, 'A'},
        {"zero port", 44, 0},
    };
    for (const Corruption& c : corruptions) {
        uint8_t bad[kDiscoveryAnswerBytes];
        std::memcpy(bad, buf, sizeof bad);
        bad[c.offset] = c.value;
        if (c.offset == 44)
            bad[45] = 0;
        if (c.offset == 43)
            std::memset(bad + 15, 'A', 29);
        EXPECT_FALSE(decodeAnswer(bad, sizeof bad, &a2)) << c.what;
    }
}

TEST(PpppWire, DeviceIdRules) {
    struct Case {
        const char* id;
        IdCheck expected;
    } cases[] = {
        {"ABC", IdCheck::kValid},
        {"ab-1234567-cdefg", IdCheck::kValid},
        {"A234567890123456789012345678901", IdCheck::kValid},  // 31
        {"", IdCheck::kBadLength},
        {"AB", IdCheck::kBadLength},
        {"A2345678901234567890123456789012", IdCheck::kBadLength},  // 32
        {"-ABC", IdCheck::kBadPrefix},
        {"AB C", IdCheck::kBadCharacter},
        {"ABC_1", IdCheck::kBadCharacter},
        {"ABC\xC3\xA9", IdCheck::kBadCharacter},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkDeviceId(c.id), c.expected) << c.id;
    EXPECT_EQ(checkDeviceId(nullptr), IdCheck::kBadLength);
}

// Records what the parser hands on.
class Recorder : public FrameParser::Sink {
  public:
    bool dataBegins(uint8_t, uint32_t) override { return true; }
    void data(uint8_t channel, const uint8_t* bytes, size_t n) override {
        streams[channel].append(reinterpret_cast<const char*>(bytes), n);
    }
    bool credit(uint8_t channel, uint32_t bytes) override {
        credits.push_back(channel * 1000000u + bytes);
        return true;
    }
    std::string streams[kChannelCount];
    std::vector<uint32_t> credits;
};

std::vector<uint8_t> frame(uint8_t type, uint8_t channel, const std::string& payload) {
    std::vector<uint8_t> out(kFrameHeadBytes);
    encodeFrameHead(FrameHead{type, channel, static_cast<uint32_t>(payload.size())}, out.data());
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

TEST(PpppFrameParser, SameResultWhateverTheSplit) {
    std::vector<uint8_t> stream;
    for (auto& f :
         {frame(kFrameData, 0, "hello"), frame(kFrameCredit, 3, std::string("\x10\0\0\0", 4)),
          frame(kFramePing, 0, ""), frame(kFrameData, 5, "alarm"), frame(kFrameData, 0, " world"),
          frame(kFrameClose, 0, "")})
        stream.insert(stream.end(), f.begin(), f.end());
    for (size_t piece : {stream.size(), size_t{1}, size_t{3}, size_t{7}}) {
        FrameParser parser;
        Recorder rec;
        FrameParser::Result r = FrameParser::Result::kOk;
        for (size_t pos = 0; pos < stream.size(); pos += piece)
            r = parser.feed(stream.data() + pos, std::min(piece, stream.size() - pos), rec);
        EXPECT_EQ(r, FrameParser::Result::kClosed) << piece;
        EXPECT_EQ(rec.streams[0], "hello world") << piece;
        EXPECT_EQ(rec.streams[5], "alarm") << piece;
        ASSERT_EQ(rec.credits.size(), 1u);
        EXPECT_EQ(rec.credits[0], 3000016u);
    }
}

TEST(PpppFrameParser, RefusesBadHeads) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"unknown type", frame(9, 0, "")},
        {"channel 6", frame(kFrameData, 6, "x")},
        {"empty data", frame(kFrameData, 0, "")},
        {"ping with payload", frame(kFramePing, 0, "x")},
        {"credit of 3 bytes", frame(kFrameCredit, 0, "abc")},
        {"reserved bytes", {kFrameData, 0, 1, 0, 1, 0, 0, 0, 'x'}},
        {"oversized data", {kFrameData, 0, 0, 0, 0x01, 0x00, 0x04, 0x00}},
    };
    for (const Case& c : cases) {
        FrameParser parser;
        Recorder rec;
        EXPECT_EQ(parser.feed(c.bytes.data(), c.bytes.size(), rec), FrameParser::Result::kBroken)
            << c.what;
        // A broken stream stays broken.
        uint8_t ping[kFrameHeadBytes];
        encodeFrameHead(FrameHead{kFramePing, 0, 0}, ping);
        EXPECT_EQ(parser.feed(ping, sizeof ping, rec), FrameParser::Result::kBroken) << c.what;
    }
}

}  // namespace
