#include "MediaFrame.h"

#include <cstring>

namespace tarsil {

namespace {

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint16_t kMinSampleRate = 4000;
constexpr uint16_t kMaxSampleRate = 48000;
constexpr uint8_t kMaxAudioChannels = 2;

}  // namespace

void MediaFrame::assignPayload(const uint8_t* bytes, size_t length) {
    buffer.reset(new uint8_t[length + kDecoderPaddingBytes]);
    if (length)
        std::memcpy(buffer.get(), bytes, length);
    // Decoders may read past the end; the tail must be zero.
    std::memset(buffer.get() + length, 0, kDecoderPaddingBytes);
    payload = length;
}

MediaFrame MediaFrame::clone() const {
    MediaFrame copy;
    copy.kind = kind;
    copy.codec = codec;
    copy.key = key;
    copy.rateOrChannels = rateOrChannels;
    copy.widthOrRate = widthOrRate;
    copy.heightOrBits = heightOrBits;
    copy.time_ms = time_ms;
    copy.sequence = sequence;
    copy.assignPayload(bytes(), payload);
    return copy;
}

ParseResult MediaFrame::parse(const uint8_t* bytes, size_t length, MediaFrame& out) {
    if (!bytes || length < kMediaHeadBytes)
        return ParseResult::TooShort;
    const uint32_t dataLength = u32(bytes + 16);
    if (dataLength > kMaxFrameDataBytes || dataLength > length - kMediaHeadBytes) {
        return ParseResult::LengthMismatch;
    }
    if (dataLength == 0)
        return ParseResult::Empty;
    const uint8_t kind = bytes[4];
    const uint8_t codec = bytes[20];
    out.rateOrChannels = bytes[21];
    out.widthOrRate = u16(bytes + 22);
    out.heightOrBits = u16(bytes + 24);
    out.time_ms = static_cast<int64_t>(u32(bytes + 8)) * 1000 + u16(bytes + 6) % 1000;
    out.sequence = u32(bytes + 12);
    switch (kind) {
        case 0:
        case 1:
            if (codec != 1 && codec != 2 && codec != 3)
                return ParseResult::UnsupportedCodec;
            if (out.widthOrRate > kMaxPictureSide || out.heightOrBits > kMaxPictureSide) {
                return ParseResult::AbsurdSize;
            }
            out.kind = static_cast<FrameKind>(kind);
            out.codec = static_cast<Codec>(codec);
            out.key = kind == 0 || codec == 3;
            break;
        case 5:
        case 6:
            if (codec != 16)
                return ParseResult::UnsupportedCodec;
            if (out.widthOrRate == 0)
                out.widthOrRate = 8000;  // the devices' only rate
            if (out.rateOrChannels == 0)
                out.rateOrChannels = 1;
            if (out.widthOrRate < kMinSampleRate || out.widthOrRate > kMaxSampleRate ||
                out.rateOrChannels > kMaxAudioChannels ||
                (out.heightOrBits != 0 && out.heightOrBits != 8 && out.heightOrBits != 16)) {
                return ParseResult::AbsurdSize;
            }
            out.kind = static_cast<FrameKind>(kind);
            out.codec = Codec::G711A;
            out.key = true;
            break;
        default:
            return ParseResult::UnsupportedKind;
    }
    out.assignPayload(bytes + kMediaHeadBytes, dataLength);
    return ParseResult::Ok;
}

}  // namespace tarsil
