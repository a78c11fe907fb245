#include "pppp_wire.h"

#include <cstring>

namespace vantor::pppp {
namespace {

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool idChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

void putId(uint8_t* p, const char* id) {
    std::memset(p, 0, kDeviceIdFieldBytes);
    size_t n = strnlen(id, kDeviceIdMaxChars);
    std::memcpy(p, id, n);
}

// A received ID field must hold a valid, NUL-terminated ID; bytes after the NUL are ignored.
bool getId(const uint8_t* p, char* out) {
    std::memcpy(out, p, kDeviceIdFieldBytes);
    out[kDeviceIdFieldBytes - 1] = '\0';
    if (p[kDeviceIdFieldBytes - 1] != 0)
        return false;
    return checkDeviceId(out) == IdCheck::kValid;
}

bool windowOk(uint32_t w) {
    return w >= kMinWindowBytes && w <= kMaxWindowBytes;
}

}  // namespace

IdCheck checkDeviceId(const char* id) {
    if (id == nullptr)
        return IdCheck::kBadLength;
    size_t n = strnlen(id, kDeviceIdMaxChars + 1);
    if (n < kDeviceIdMinChars || n > kDeviceIdMaxChars)
        return IdCheck::kBadLength;
    if (id[0] == '-')
        return IdCheck::kBadPrefix;
    for (size_t i = 0; i < n; ++i)
        if (!idChar(id[i]))
            return IdCheck::kBadCharacter;
    return IdCheck::kValid;
}

bool sameDeviceId(const char* a, const char* b) {
    for (size_t i = 0; i <= kDeviceIdMaxChars; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
        if (x == '\0')
            return true;
    }
    return false;
}

void encodeQuery(const DiscoveryQuery& q, uint8_t* out) {
    std::memset(out, 0, kDiscoveryQueryBytes);
    put32(out, kDiscoveryMagic);
    out[4] = kWireVersion;
    out[5] = kDiscoveryKindQuery;
    out[6] = q.lanSearch;
    put32(out + 8, q.nonce);
    putId(out + 12, q.deviceId);
}

void encodeAnswer(const DiscoveryAnswer& a, uint8_t* out) {
    std::memset(out, 0, kDiscoveryAnswerBytes);
    put32(out, kDiscoveryMagic);
    out[4] = kWireVersion;
    out[5] = kDiscoveryKindAnswer;
    out[6] = a.status;
    put32(out + 8, a.nonce);
    putId(out + 12, a.deviceId);
    put16(out + 44, a.sessionPort);
}

void encodeHello(const Hello& h, uint8_t* out) {
    std::memset(out, 0, kHelloBytes);
    put32(out, kSessionMagic);
    put16(out + 4, kWireVersion);
    put32(out + 8, static_cast<uint32_t>(h.lanSearch));
    put32(out + 12, h.nonce);
    put32(out + 16, h.windowBytes);
    putId(out + 20, h.deviceId);
}

void encodeHelloAck(const HelloAck& a, uint8_t* out) {
    std::memset(out, 0, kHelloAckBytes);
    put32(out, kSessionMagic);
    put16(out + 4, a.version);
    put16(out + 6, a.status);
    put32(out + 8, a.windowBytes);
}

void encodeFrameHead(const FrameHead& f, uint8_t* out) {
    out[0] = f.type;
    out[1] = f.channel;
    out[2] = 0;
    out[3] = 0;
    put32(out + 4, f.length);
}

bool decodeQuery(const uint8_t* data, size_t size, DiscoveryQuery* q) {
    if (size != kDiscoveryQueryBytes || get32(data) != kDiscoveryMagic)
        return false;
    if (data[4] != kWireVersion || data[5] != kDiscoveryKindQuery)
        return false;
    q->lanSearch = data[6];
    q->nonce = get32(data + 8);
    return getId(data + 12, q->deviceId);
}

bool decodeAnswer(const uint8_t* data, size_t size, DiscoveryAnswer* a) {
    if (size != kDiscoveryAnswerBytes || get32(data) != kDiscoveryMagic)
        return false;
    if (data[4] != kWireVersion || data[5] != kDiscoveryKindAnswer)
        return false;
    a->status = data[6];
    if (a->status != kDiscoveryReady && a->status != kDiscoveryModeRefused)
        return false;
    a->nonce = get32(data + 8);
    a->sessionPort = get16(data + 44);
    if (a->status == kDiscoveryReady && a->sessionPort == 0)
        return false;
    return getId(data + 12, a->deviceId);
}

bool decodeHello(const uint8_t* data, size_t size, Hello* h, uint16_t* version) {
    if (size != kHelloBytes || get32(data) != kSessionMagic)
        return false;
    *version = get16(data + 4);
    h->lanSearch = static_cast<int32_t>(get32(data + 8));
    h->nonce = get32(data + 12);
    h->windowBytes = get32(data + 16);
    if (*version != kWireVersion)
        return true;  // the device answers kHelloBadVersion
    if (!windowOk(h->windowBytes))
        return false;
    return getId(data + 20, h->deviceId);
}

bool decodeHelloAck(const uint8_t* data, size_t size, HelloAck* a) {
    if (size != kHelloAckBytes || get32(data) != kSessionMagic)
        return false;
    a->version = get16(data + 4);
    a->status = get16(data + 6);
    a->windowBytes = get32(data + 8);
    if (a->version != kWireVersion)
        return false;
    return a->status != kHelloAccepted || windowOk(a->windowBytes);
}

bool decodeFrameHead(const uint8_t* data, FrameHead* f) {
    f->type = data[0];
    f->channel = data[1];
    f->length = get32(data + 4);
    if (data[2] != 0 || data[3] != 0)
        return false;
    switch (f->type) {
        case kFrameData:
            return f->channel < kChannelCount && f->length >= 1 &&
                   f->length <= kMaxFramePayloadBytes;
        case kFrameCredit:
            return f->channel < kChannelCount && f->length == 4;
        case kFramePing:
        case kFrameClose:
            return f->channel == 0 && f->length == 0;
        default:
            return false;
    }
}

}  // namespace vantor::pppp
