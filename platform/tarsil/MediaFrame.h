// One media frame taken from the network (or a local file): the fields of its 32-byte head
// that the player uses, and a private copy of its data with decoder padding.
//
// parse() checks everything a device could get wrong; a frame it accepts is safe to queue,
// decode and record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarsil {

inline constexpr size_t kMediaHeadBytes = 32;
inline constexpr uint32_t kMaxFrameDataBytes = 2u << 20;  // above any camera's key frame
inline constexpr int kMaxPictureSide = 8192;
inline constexpr size_t kDecoderPaddingBytes = 64;  // >= AV_INPUT_BUFFER_PADDING_SIZE

enum class Codec : uint8_t { H264 = 1, H265 = 2, Mjpeg = 3, G711A = 16 };

enum class FrameKind : uint8_t {
    VideoKey = 0,
    VideoInter = 1,
    NasAudio = 5,
    CameraAudio = 6,
    Talk = 8,
};

enum class ParseResult {
    Ok,
    TooShort,          // fewer than 32 bytes
    LengthMismatch,    // the head's data length is more than the bytes given, or too large
    Empty,             // data length 0: nothing to decode
    UnsupportedKind,   // talk, end of recording, notices
    UnsupportedCodec,  // codec byte does not fit the kind
    AbsurdSize,        // picture or audio parameters out of range
};

struct MediaFrame {
    FrameKind kind = FrameKind::VideoKey;
    Codec codec = Codec::H264;
    bool key = false;            // a decoder can start here (MJPEG: every frame)
    uint8_t rateOrChannels = 0;  // frame rate (video) or channel count (audio); 0 unknown
    uint16_t widthOrRate = 0;    // width (video) or sample rate (audio); 0 unknown
    uint16_t heightOrBits = 0;   // height (video) or bits per sample (audio)
    int64_t time_ms = 0;         // device time stamp (seconds * 1000 + milliseconds)
    uint32_t sequence = 0;
    // Payload, then kDecoderPaddingBytes of zeros. Not zero-filled first: frames are copied
    // at the full stream rate, and clearing them would cost as much as the copy.
    std::unique_ptr<uint8_t[]> buffer;
    size_t payload = 0;  // bytes of payload at the start of buffer

    bool isVideo() const { return kind == FrameKind::VideoKey || kind == FrameKind::VideoInter; }
    const uint8_t* bytes() const { return buffer.get(); }
    // A copy of everything, payload included.
    MediaFrame clone() const;

    // Parses and copies. On anything but Ok the frame is left unusable.
    static ParseResult parse(const uint8_t* bytes, size_t length, MediaFrame& out);
    // Copies a payload in with zeroed decoder padding behind it.
    void assignPayload(const uint8_t* bytes, size_t length);
};

}  // namespace tarsil
