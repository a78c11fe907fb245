// The Wi-Fi networks every simulated device "sees" in a scan. Cameras and recorders answer
// with their own keys, but the same neighbourhood.
#pragma once

namespace devsim {

struct SimulatedAccessPoint {
    const char* ssid;
    const char* mac;
    int security;
    int dbm;
    int channel;
};

inline constexpr SimulatedAccessPoint kSimulatedAccessPoints[] = {
    {"SimNet-Home", "02:00:00:00:00:01", 3, 40, 1},
    {"SimNet-Office", "02:00:00:00:00:02", 4, 55, 6},
    {"SimNet-Guest", "02:00:00:00:00:03", 0, 70, 11}};

}  // namespace devsim
