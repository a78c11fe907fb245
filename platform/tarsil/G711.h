// G.711 A-law sample coding (ITU-T G.711), 8-bit codes <-> 16-bit linear samples.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarsil {

class G711 {
  public:
    static int16_t decode(uint8_t code);
    static uint8_t encode(int16_t sample);
    static void decode(const uint8_t* codes, size_t count, int16_t* samples);
    static void encode(const int16_t* samples, size_t count, uint8_t* codes);
};

}  // namespace tarsil
