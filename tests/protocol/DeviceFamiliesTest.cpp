#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "DeviceFamilies.h"
#include "SessionCipher.h"
#include "TestTools.h"

using namespace vantor;

namespace {

// The transport's reading of an initialisation string: fields of two letters per byte.
bool decodeField(const std::string& field, std::string* text) {
    if (field.empty() || field.size() % 2 != 0)
        return false;
    text->clear();
    for (size_t i = 0; i < field.size(); i += 2) {
        int hi = field[i] - 'A', lo = field[i + 1] - 'A';
        if (hi < 0 || hi > 15 || lo < 0 || lo > 15)
            return false;
        text->push_back(static_cast<char>(hi << 4 | lo));
    }
    return true;
}

}  // namespace

TEST(DeviceFamilies, RulesHaveTheirShape) {
    const FamilyPrefixRule* rules = FamilyPrefixRules();
    std::set<int> families;
    int exclusions = 0;
    for (size_t i = 0; i < kFamilyPrefixRuleCount; ++i) {
        const auto& r = rules[i];
        size_t n = std::strlen(r.prefix);
        EXPECT_TRUE(n >= 2 && n <= 5) << r.prefix;
        for (size_t k = 0; k < n; ++k)
            EXPECT_TRUE(std::isupper(r.prefix[k])) << r.prefix;
        if (r.notFollowedBy[0] != 0) {
            ++exclusions;
            EXPECT_EQ(n, 2u);
            EXPECT_EQ(std::strlen(r.notFollowedBy), 3u);
            EXPECT_EQ(std::strncmp(r.notFollowedBy, r.prefix, 2), 0);
        }
        families.insert(r.family);
        // Every rule can match: no earlier rule takes all of its IDs.
        std::string id = std::string(r.prefix) + "123456ABCDE";
        EXPECT_EQ(FamilyIndexOf(id.c_str()), r.family) << id;
    }
    EXPECT_EQ(exclusions, 1);
    EXPECT_EQ(families.size(), 39u);
    EXPECT_EQ(families.count(31) + families.count(32), 0u);
    EXPECT_EQ(*families.begin(), 0);
    EXPECT_EQ(*families.rbegin(), 40);
}

TEST(DeviceFamilies, LookupEdgeCases) {
    const struct {
        const char* id;
        int family;
    } cases[] = {
        {nullptr, -1},         {"", -1},        {"VN", -1},       // shorter than 3
        {"vnta000001abcd", 0}, {"VntB1", 1},    {"VNTC0001", 2},  // case-insensitive, order
        {"VX0001", 9},         {"vxq0001", 10},  // the two-letter rule yields to VXQ
        {"VXR123", 9},         {"QQQ123", -1},  {"W", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FamilyIndexOf(c.id), c.family) << (c.id ? c.id : "(null)");
}

TEST(DeviceFamilies, InitStringsDecodeToInvalidHosts) {
    for (int f = 0; f < kFamilyCount; ++f) {
        SCOPED_TRACE(f);
        const char* s = FamilyInitString(f);
        ASSERT_NE(s, nullptr);
        std::string str(s);
        EXPECT_GE(str.size(), 60u);
        EXPECT_LE(str.size(), 114u);
        EXPECT_LT(str.size(), kFamilyInitStringBytes);
        int fields = 0;
        size_t start = 0;
        for (;;) {
            size_t comma = str.find(',', start);
            std::string field =
                str.substr(start, comma == std::string::npos ? comma : comma - start);
            std::string text;
            ASSERT_TRUE(decodeField(field, &text)) << field;
            ++fields;
            size_t colon = text.rfind(':');
            ASSERT_NE(colon, std::string::npos) << text;
            std::string host = text.substr(0, colon);
            int port = std::stoi(text.substr(colon + 1));
            EXPECT_TRUE(port > 0 && port < 65536) << text;
            EXPECT_GE(host.size(), 9u);
            EXPECT_EQ(host.substr(host.size() - 8), ".invalid") << text;
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        EXPECT_GE(fields, 1);
        EXPECT_LE(fields, 3);
    }
    EXPECT_EQ(FamilyInitString(-1), nullptr);
    EXPECT_EQ(FamilyInitString(kFamilyCount), nullptr);
}

TEST(DeviceFamilies, SessionKeys) {
    EXPECT_EQ(std::strlen(SessionKeySalt), 32u);
    for (const char* p = SessionKeySalt; *p; ++p)
        EXPECT_TRUE(std::isxdigit(*p) && !std::isupper(*p));
    EXPECT_EQ(std::strlen(DefaultSessionKey), 10u);
    for (const char* p = DefaultSessionKey; *p; ++p)
        EXPECT_TRUE(std::islower(*p));

    uint8_t key[kSessionKeyBytes];
    testtools::LogCapture log;
    DeriveSessionKey(7, "VKEY001234ABCDE", key);
    const std::string tmp = std::string("VKEY001234ABCDE") + SessionKeySalt;
    EXPECT_TRUE(log.has("before tmp \t\t\t= " + tmp + " \n"));
    EXPECT_TRUE(log.has("affter p \t\t\t= " + md5hex(tmp) + " \n"));
    EXPECT_TRUE(log.has("pkey gAeskey \t= " + md5hex(tmp).substr(0, 16) + " \n"));
    DeriveSessionKey(-1, "VKEY001234ABCDE", key);
    EXPECT_TRUE(log.has(std::string("pkey gAeskey \t= ") + DefaultSessionKey + " \n"));
    for (int f : {7, 25}) {
        DeriveSessionKey(f, "VKEY001234ABCDE", key);
        std::string hex = md5hex(std::string("VKEY001234ABCDE") + SessionKeySalt);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(key), 16), hex.substr(0, 16));
    }
    // An over-long ID is cut to 31 characters instead of overflowing the 64-byte text.
    std::string longId(80, 'W');
    DeriveSessionKey(25, longId.c_str(), key);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(key), 16),
              md5hex(longId.substr(0, 31) + SessionKeySalt).substr(0, 16));
    for (int f : {-1, 0, 6, 8, 24, 26, 40}) {
        std::memset(key, 0xEE, sizeof key);
        DeriveSessionKey(f, "VNT0001", key);
        EXPECT_EQ(std::memcmp(key, DefaultSessionKey, 10), 0);
        for (int i = 10; i < 16; ++i)
            EXPECT_EQ(key[i], 0);
    }
}
