// The client side of opening a session: LAN discovery of the device ID, the TCP connection and
// the handshake (pppp_wire.h), each step interruptible by breakAll().
//
// lanSearch meaning (stage 1; every value ends in a direct LAN session):
//   30, 31, 32  battery wake-up attempts: a query every kBatteryQueryMs for the whole discovery
//               window, the three attempts offset by kBatteryOffsetMs from each other so that a
//               device that wakes briefly meets a query soon; devices that only accept battery
//               modes (PPPP_ACCEPT_BATTERY) answer these alone.
//   any other   normal LAN discovery (0 = "server only" also falls back to it in stage 1):
//               queries at 0, 100, 300, 700 ms ..., the gap doubling up to kNormalMaxGapMs.
// The discovery window is TransportConfig::discoveryWindowMs(); every loop is bounded by it.
//
// Thread: any; several connects may run at once. Blocking: up to the discovery window plus
// kTcpConnectMs plus kHandshakeMs.
#pragma once

#include <cstdint>

namespace vantor::pppp {

class Connector {
  public:
    static constexpr int kBatteryQueryMs = 50;
    static constexpr int kBatteryOffsetMs = 16;
    static constexpr int kNormalFirstGapMs = 100;
    static constexpr int kNormalMaxGapMs = 1000;
    static constexpr int kTcpConnectMs = 3000;
    static constexpr int kHandshakeMs = 3000;

    // Returns a session handle (registered as a client session, I/O running) or an API error:
    // ERROR_PPPP_DEVICE_NOT_ONLINE, ERROR_PPPP_TIME_OUT, ERROR_PPPP_USER_CONNECT_BREAK,
    // ERROR_PPPP_UDP_PORT_BIND_FAILED, ERROR_PPPP_MAX_SESSION, ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE
    // (other connection failures). The ID must already be valid.
    static int connect(const char* deviceId, char lanSearch, uint16_t udpPort);

    // Makes every connect in progress return ERROR_PPPP_USER_CONNECT_BREAK; connects that
    // start later are not affected. Returns the number of connects interrupted.
    static int breakAll();

    static bool isBatteryMode(int lanSearch) { return lanSearch >= 30 && lanSearch <= 32; }
};

}  // namespace vantor::pppp
