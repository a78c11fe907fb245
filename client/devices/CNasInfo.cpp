#include "CNasInfo.h"

namespace vantor::client {

CNasInfo::~CNasInfo() {
    CNasInfo::Disconnect();
}

// The camera form already picks the NAS library for kind 1 and skips the ID rewriting there;
// the overrides keep the slot layout of the channel class.
int CNasInfo::Connect() {
    return CCDevInfo::Connect();
}

int CNasInfo::Disconnect() {
    return CCDevInfo::Disconnect();
}

}  // namespace vantor::client
