// Wire format of the pppp transport, version 1. Stable: devices and clients of different builds
// must keep talking, so change it only by raising kWireVersion and keeping the old layout.
//
// All integers are little-endian. Device IDs travel in fixed 32-byte fields, NUL-padded, and
// are 3-31 characters of [A-Za-z0-9-], compared case-insensitively.
//
// 1. Discovery (UDP). A client sends queries to the discovery broadcast address
//    (VANTOR_BROADCAST_ADDR, default 255.255.255.255) on the discovery port
//    (VANTOR_PPPP_DISCOVERY_PORT, default kDiscoveryPortDefault). Every device socket bound to
//    the port (SO_REUSEADDR + SO_REUSEPORT, so many devices and processes share it) sees the
//    broadcast and answers, by unicast to the query's source, only for its own ID.
//      query  (44 bytes): u32 magic kDiscoveryMagic, u8 version, u8 kind 1, u8 lanSearch,
//                         u8 0, u32 nonce, char deviceId[32]
//      answer (48 bytes): u32 magic kDiscoveryMagic, u8 version, u8 kind 2, u8 status,
//                         u8 0, u32 nonce (echoed), char deviceId[32], u16 sessionPort, u16 0
//    status: 0 ready (connect to sessionPort at the answer's source address), 1 the device
//    refuses this lanSearch mode (the client gives up at once: "not online"). Offline devices
//    do not answer. Datagrams of another length, magic, version or kind are dropped.
//
// 2. Session (TCP, one connection per session). The client opens it and sends
//      hello (52 bytes): u32 magic kSessionMagic, u16 version, u16 0, i32 lanSearch,
//                        u32 nonce, u32 receiveWindowBytes, char deviceId[32]
//    and the device answers
//      hello-ack (16 bytes): u32 magic kSessionMagic, u16 version, u16 status,
//                            u32 receiveWindowBytes, u32 0
//    status: 0 accepted, 1 unknown device ID, 2 offline or mode refused, 3 no free session,
//    4 unsupported version. Anything but 0 is followed by the device closing the connection.
//    The window is the initial credit the other side grants on every channel
//    (kMinWindowBytes..kMaxWindowBytes).
//
// 3. Frames, both ways, after the handshake: an 8-byte head
//      u8 type, u8 channel, u16 0, u32 payload length
//    followed by the payload.
//      DATA   (1): channel 0-5, payload 1..kMaxFramePayloadBytes bytes of that channel's stream.
//      CREDIT (2): channel 0-5, payload u32 bytes: the receiver has consumed that many bytes of
//                  the channel and the sender may send that many more. A sender never has more
//                  than the receiver's window outstanding on a channel, so a channel nobody
//                  reads stalls alone and never blocks the others.
//      PING   (3): channel 0, no payload; sent whenever a side has sent nothing for the
//                  keep-alive interval. A side that receives nothing at all for
//                  kDeadIntervals intervals declares the session dead.
//      CLOSE  (4): channel 0, no payload; orderly close, nothing follows.
//    A frame of an unknown type, a channel above 5, a length out of bounds, a DATA frame beyond
//    the granted credit or a CREDIT beyond the window ends the session (remote close).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantor::pppp {

inline constexpr uint8_t kWireVersion = 1;
inline constexpr uint16_t kDiscoveryPortDefault = 32761;
inline constexpr uint32_t kDiscoveryMagic = 0x44505056;  // "VPPD"
inline constexpr uint32_t kSessionMagic = 0x53505056;    // "VPPS"

inline constexpr size_t kDeviceIdFieldBytes = 32;
inline constexpr size_t kDeviceIdMinChars = 3;
inline constexpr size_t kDeviceIdMaxChars = 31;

inline constexpr size_t kDiscoveryQueryBytes = 44;
inline constexpr size_t kDiscoveryAnswerBytes = 48;
inline constexpr uint8_t kDiscoveryKindQuery = 1;
inline constexpr uint8_t kDiscoveryKindAnswer = 2;
inline constexpr uint8_t kDiscoveryReady = 0;
inline constexpr uint8_t kDiscoveryModeRefused = 1;

inline constexpr size_t kHelloBytes = 52;
inline constexpr size_t kHelloAckBytes = 16;
enum HelloStatus : uint16_t {
    kHelloAccepted = 0,
    kHelloUnknownId = 1,
    kHelloRefused = 2,
    kHelloBusy = 3,
    kHelloBadVersion = 4,
};

inline constexpr size_t kFrameHeadBytes = 8;
inline constexpr uint32_t kMaxFramePayloadBytes = 256 * 1024;
inline constexpr uint32_t kMinWindowBytes = 64 * 1024;
inline constexpr uint32_t kMaxWindowBytes = 16 * 1024 * 1024;
inline constexpr int kDeadIntervals = 4;
inline constexpr uint8_t kChannelCount = 6;

enum FrameType : uint8_t {
    kFrameData = 1,
    kFrameCredit = 2,
    kFramePing = 3,
    kFrameClose = 4,
};

// Result of validating a device ID, mapped to the API's codes by the caller.
enum class IdCheck { kValid, kBadLength, kBadPrefix, kBadCharacter };

// 3-31 characters of [A-Za-z0-9-], not starting with '-'. A null ID is kBadLength.
IdCheck checkDeviceId(const char* id);
// Case-insensitive comparison of two valid IDs.
bool sameDeviceId(const char* a, const char* b);

struct DiscoveryQuery {
    uint8_t lanSearch = 0;
    uint32_t nonce = 0;
    char deviceId[kDeviceIdFieldBytes] = {};
};

struct DiscoveryAnswer {
    uint8_t status = kDiscoveryReady;
    uint32_t nonce = 0;
    char deviceId[kDeviceIdFieldBytes] = {};
    uint16_t sessionPort = 0;
};

struct Hello {
    int32_t lanSearch = 0;
    uint32_t nonce = 0;
    uint32_t windowBytes = 0;
    char deviceId[kDeviceIdFieldBytes] = {};
};

struct HelloAck {
    uint16_t version = kWireVersion;
    uint16_t status = kHelloAccepted;
    uint32_t windowBytes = 0;
};

struct FrameHead {
    uint8_t type = 0;
    uint8_t channel = 0;
    uint32_t length = 0;
};

// Encoders write exactly the documented size into out (which must hold it).
void encodeQuery(const DiscoveryQuery& q, uint8_t* out);
void encodeAnswer(const DiscoveryAnswer& a, uint8_t* out);
void encodeHello(const Hello& h, uint8_t* out);
void encodeHelloAck(const HelloAck& a, uint8_t* out);
void encodeFrameHead(const FrameHead& f, uint8_t* out);

// Decoders return false for anything not exactly as documented (length, magic, version, kind,
// an unterminated or invalid device ID, a zero port, a window out of bounds). decodeHello
// accepts a different version so the device can answer kHelloBadVersion; it reports it.
bool decodeQuery(const uint8_t* data, size_t size, DiscoveryQuery* q);
bool decodeAnswer(const uint8_t* data, size_t size, DiscoveryAnswer* a);
bool decodeHello(const uint8_t* data, size_t size, Hello* h, uint16_t* version);
bool decodeHelloAck(const uint8_t* data, size_t size, HelloAck* a);
// Checks the 8-byte head: known type, channel and length bounds for that type.
bool decodeFrameHead(const uint8_t* data, FrameHead* f);

}  // namespace vantor::pppp
