#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "SessionCipher.h"
#include "TestTools.h"

using namespace vantor;

namespace {

std::vector<uint8_t> fromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<uint8_t> patternBytes(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = static_cast<uint8_t>(seed >> 16);
    }
    return v;
}

}  // namespace

TEST(Cipher, Fips197ExampleVector) {
    auto key = fromHex("000102030405060708090a0b0c0d0e0f");
    auto plain = fromHex("00112233445566778899aabbccddeeff");
    auto expected = fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
    uint8_t out[16];
    ASSERT_EQ(encrypt(key.data(), plain.data(), plain.size(), out), 16);
    EXPECT_EQ(0, std::memcmp(out, expected.data(), 16));
    uint8_t back[16];
    ASSERT_EQ(decrypt(key.data(), out, sizeof out, back), 16);
    EXPECT_EQ(0, std::memcmp(back, plain.data(), 16));
}

// An odd-length buffer: the heap vector is exactly n bytes, so a read past in[n-1] shows under
// ASan; the result must equal the openssl tool's on the same input zero-padded to whole blocks.
TEST(Cipher, OddLengthBufferMatchesOpensslTool) {
    testtools::TempDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string keyHex = "2b7e151628aed2a6abf7158809cf4f3c";
    auto key = fromHex(keyHex);
    const size_t n = 1001;
    std::vector<uint8_t> in = patternBytes(n, 7);
    std::vector<uint8_t> padded(in);
    padded.resize(CipherOutputBytes(n), 0);
    testtools::writeFile(dir.file("in.bin"), padded.data(), padded.size());

    int status = 0;
    testtools::run("openssl enc -aes-128-ecb -nopad -K " + keyHex + " -in " + dir.file("in.bin") +
                       " -out " + dir.file("out.bin") + " 2>&1",
                   &status);
    ASSERT_EQ(status, 0);
    auto reference = testtools::readFile(dir.file("out.bin"));
    ASSERT_EQ(reference.size(), CipherOutputBytes(n));

    std::vector<uint8_t> out(CipherOutputBytes(n));
    ASSERT_EQ(encrypt(key.data(), in.data(), n, out.data()), static_cast<long>(out.size()));
    EXPECT_EQ(out, reference);

    // Deciphering an odd count also stays inside its input and gives back the padded text.
    std::vector<uint8_t> cipherOdd(out.begin(), out.begin() + n);
    std::vector<uint8_t> back(CipherOutputBytes(n));
    ASSERT_EQ(decrypt(key.data(), out.data(), out.size(), back.data()),
              static_cast<long>(back.size()));
    EXPECT_EQ(back, padded);
    EXPECT_EQ(decrypt(key.data(), cipherOdd.data(), n, back.data()),
              static_cast<long>(back.size()));
    EXPECT_EQ(0, encrypt(key.data(), in.data(), 0, out.data()));
}

// Sessions encipher at the same time with different keys; no call may see another's state.
TEST(Cipher, ConcurrentCallsWithDifferentKeysAgree) {
    std::vector<uint8_t> data = patternBytes(4096, 3);
    auto work = [&](uint8_t keyByte, std::vector<uint8_t>* result) {
        uint8_t key[16];
        std::memset(key, keyByte, sizeof key);
        std::vector<uint8_t> out(data.size());
        for (int i = 0; i < 200; ++i)
            encrypt(key, data.data(), data.size(), out.data());
        *result = out;
    };
    std::vector<uint8_t> a, b, refA, refB;
    work(1, &refA);
    work(2, &refB);
    std::thread t1(work, 1, &a), t2(work, 2, &b);
    t1.join();
    t2.join();
    EXPECT_EQ(a, refA);
    EXPECT_EQ(b, refB);
    EXPECT_NE(refA, refB);
}

TEST(Md5, Rfc1321SuiteAndMd5sum) {
    const struct {
        const char* text;
        const char* hex;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(md5hex(c.text), c.hex) << c.text;

    testtools::TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "line " + std::to_string(i * 7919) + ";";
    testtools::writeFile(dir.file("t.txt"), text.data(), text.size());
    int status = 0;
    std::string out = testtools::run("md5sum " + dir.file("t.txt"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(md5hex(text), out.substr(0, 32));
}
