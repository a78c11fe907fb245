#include "TransportConfig.h"

#include <arpa/inet.h>

#include <cstdlib>

#include "pppp_wire.h"

namespace vantor::pppp {
namespace {

long envNumber(const char* name, long lo, long hi, long fallback) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0')
        return fallback;
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    if (end == v || *end != '\0' || n < lo || n > hi)
        return fallback;
    return n;
}

}  // namespace

in_addr TransportConfig::broadcastAddress() {
    in_addr a{};
    a.s_addr = htonl(INADDR_BROADCAST);
    const char* v = std::getenv("VANTOR_BROADCAST_ADDR");
    in_addr parsed{};
    if (v != nullptr && inet_pton(AF_INET, v, &parsed) == 1)
        a = parsed;
    return a;
}

uint16_t TransportConfig::discoveryPort() {
    return static_cast<uint16_t>(
        envNumber("VANTOR_PPPP_DISCOVERY_PORT", 1, 65535, kDiscoveryPortDefault));
}

int TransportConfig::discoveryWindowMs() {
    return static_cast<int>(envNumber("VANTOR_PPPP_DISCOVERY_MS", 100, 60000, kDefaultDiscoveryMs));
}

int TransportConfig::keepAliveMs() {
    return static_cast<int>(envNumber("VANTOR_PPPP_KEEPALIVE_MS", 50, 10000, kDefaultKeepAliveMs));
}

}  // namespace vantor::pppp
