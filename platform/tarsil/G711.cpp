#include "G711.h"

namespace tarsil {

int16_t G711::decode(uint8_t code) {
    code ^= 0x55;
    int sign = code & 0x80;
    int exponent = (code >> 4) & 0x07;
    int mantissa = code & 0x0F;
    int magnitude =
        exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
    return static_cast<int16_t>(sign ? magnitude : -magnitude);
}

uint8_t G711::encode(int16_t sample) {
    static constexpr int kSegmentEnd[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int value = sample >> 3;  // A-law codes 13-bit magnitudes
    int mask = 0xD5;
    if (value < 0) {
        mask = 0x55;
        value = -value - 1;
    }
    int segment = 0;
    while (segment < 8 && value > kSegmentEnd[segment])
        ++segment;
    if (segment >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    int code = segment << 4;
    code |= segment < 2 ? (value >> 1) & 0x0F : (value >> segment) & 0x0F;
    return static_cast<uint8_t>(code ^ mask);
}

void G711::decode(const uint8_t* codes, size_t count, int16_t* samples) {
    for (size_t i = 0; i < count; ++i)
        samples[i] = decode(codes[i]);
}

void G711::encode(const int16_t* samples, size_t count, uint8_t* codes) {
    for (size_t i = 0; i < count; ++i)
        codes[i] = encode(samples[i]);
}

}  // namespace tarsil
