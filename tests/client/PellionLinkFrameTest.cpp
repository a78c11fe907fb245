// The frame reader: any split of a valid stream gives the same frames; bad heads end it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "IpcFrame.h"
#include "IpcFrameReader.h"

namespace vantor::client {
namespace {

std::vector<uint8_t> Concat(const std::vector<IpcFrame>& frames) {
    std::vector<uint8_t> out;
    for (const auto& f : frames) {
        const auto bytes = EncodeIpcFrame(f.msg, f.wparam, f.lparam, f.payload);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<IpcFrame> SampleFrames() {
    std::vector<IpcFrame> frames;
    frames.push_back({10024, 0xFEDCBA9876543210ull, -1, {}});
    frames.push_back({0x4A, 7, 0, std::vector<uint8_t>(136, 0x5A)});
    frames.push_back({10025, 1, INT64_MIN, {}});
    frames.push_back({0x10, 0, 0, std::vector<uint8_t>(kIpcMaxPayloadBytes, 0x01)});
    return frames;
}

TEST(PellionLinkFrame, AnySplitOfTheStreamGivesTheSameFrames) {
    const auto frames = SampleFrames();
    const auto stream = Concat(frames);
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{27}, size_t{28}, size_t{29}, size_t{164},
                         size_t{4096}, stream.size()}) {
        SCOPED_TRACE(chunk);
        IpcFrameReader reader;
        std::vector<IpcFrame> got;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            const size_t n = std::min(chunk, stream.size() - at);
            ASSERT_TRUE(reader.Feed({stream.data() + at, n},
                                    [&](IpcFrame&& f) { got.push_back(std::move(f)); }));
        }
        EXPECT_EQ(got, frames);
        EXPECT_EQ(reader.pending_bytes(), 0u);
    }
}

TEST(PellionLinkFrame, OversizedPayloadIsNotEncoded) {
    const std::vector<uint8_t> big(kIpcMaxPayloadBytes + 1);
    EXPECT_TRUE(EncodeIpcFrame(0x4A, 0, 0, big).empty());
}

// Bytes that break the framing: the frames before them still count, nothing after them does.
TEST(PellionLinkFrame, HostileHeadsEndTheStream) {
    struct Case {
        const char* name;
        size_t offset;  // where in the head the damage goes
        uint32_t value;
    };
    const Case cases[] = {
        {"wrong magic", 0, 0x12345678},
        {"length one over the bound", 24, static_cast<uint32_t>(kIpcMaxPayloadBytes + 1)},
        {"length all ones", 24, 0xFFFFFFFFu},
        {"length with the top bit", 24, 0x80000000u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto stream = EncodeIpcFrame(10024, 5, 0, {});
        auto bad = EncodeIpcFrame(10025, 1, 0, {});
        std::memcpy(bad.data() + c.offset, &c.value, sizeof(c.value));
        stream.insert(stream.end(), bad.begin(), bad.end());
        const auto after = EncodeIpcFrame(10025, 0, 0, {});
        stream.insert(stream.end(), after.begin(), after.end());

        IpcFrameReader reader;
        std::vector<IpcFrame> got;
        EXPECT_FALSE(reader.Feed(stream, [&](IpcFrame&& f) { got.push_back(std::move(f)); }));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].msg, 10024u);
        EXPECT_TRUE(reader.failed());
        // Once lost, the stream stays refused even if good bytes follow.
        EXPECT_FALSE(reader.Feed(after, [&](IpcFrame&& f) { got.push_back(std::move(f)); }));
        EXPECT_EQ(got.size(), 1u);
    }
}

TEST(PellionLinkFrame, ShortFrameIsHeldBackNotDelivered) {
    const auto frame = EncodeIpcFrame(0x4A, 1, 0, std::vector<uint8_t>(136, 9));
    for (size_t cut : {size_t{1}, kIpcFrameHeadBytes - 1, kIpcFrameHeadBytes, frame.size() - 1}) {
        SCOPED_TRACE(cut);
        IpcFrameReader reader;
        int delivered = 0;
        EXPECT_TRUE(reader.Feed({frame.data(), cut}, [&](IpcFrame&&) { ++delivered; }));
        EXPECT_EQ(delivered, 0);
        EXPECT_EQ(reader.pending_bytes(), cut);
    }
}

}  // namespace
}  // namespace vantor::client
