// The transport calls of a P2P recorder session, as a table so that tests can put a scripted
// transport in place of PPPP_API (and shorten the reconnect pause); sessions made by the
// library's exports always use DefaultNasP2pTransport().
#pragma once

#include <cstdint>

#include "PPPP_API.h"

namespace vantor {

struct NasP2pTransport {
    int (*connect)(const char* deviceId, char lanSearch, uint16_t udpPort);
    int (*connectByServer)(const char* deviceId, char lanSearch, uint16_t udpPort,
                           const char* serverString);
    int (*connectBreak)();
    int (*forceClose)(int session);
    int (*check)(int session, st_PPPP_Session* info);
    int (*checkBuffer)(int session, uint8_t channel, uint32_t* unsent, uint32_t* unread);
    int (*write)(int session, uint8_t channel, const char* data, int size);
    int (*read)(int session, uint8_t channel, char* data, int* size, uint32_t timeout_ms);
    int pauseTurn_ms;  // one of the 30 turns of the pause before a reconnect
};

inline constexpr int kNasPauseTurns = 30;
inline constexpr int kNasPauseTurn_ms = 100;

const NasP2pTransport& DefaultNasP2pTransport();

}  // namespace vantor
