// Settings of the transport taken from the environment at the moment they are needed, so a
// test may set them before it connects. Every value has a bounded range; out-of-range or
// unparsable values fall back to the default.
//   VANTOR_BROADCAST_ADDR          discovery destination (dotted IPv4), default 255.255.255.255
//   VANTOR_PPPP_DISCOVERY_PORT     discovery UDP port, default kDiscoveryPortDefault
//   VANTOR_PPPP_DISCOVERY_MS       discovery window of one connect, 100..60000, default 3000
//   VANTOR_PPPP_KEEPALIVE_MS       keep-alive interval, 50..10000, default 1000; a session is
//                                  declared dead after kDeadIntervals silent intervals
// Thread: any (read-only use of the environment).
#pragma once

#include <netinet/in.h>

#include <cstdint>

namespace vantor::pppp {

class TransportConfig {
  public:
    static constexpr int kDefaultDiscoveryMs = 3000;
    static constexpr int kDefaultKeepAliveMs = 1000;

    static in_addr broadcastAddress();
    static uint16_t discoveryPort();
    static int discoveryWindowMs();
    static int keepAliveMs();
};

}  // namespace vantor::pppp
