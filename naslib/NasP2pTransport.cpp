#include "NasP2pTransport.h"

namespace vantor {

const NasP2pTransport& DefaultNasP2pTransport() {
    static const NasP2pTransport kTransport = {
        &PPPP_Connect,    &PPPP_ConnectByServer, &PPPP_Connect_Break, &PPPP_ForceClose,
        &PPPP_Check,      &PPPP_Check_Buffer,    &PPPP_Write,         &PPPP_Read,
        kNasPauseTurn_ms,
    };
    return kTransport;
}

}  // namespace vantor
