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

// The channel argument of both is the caller's; the library calls carry this channel's index.
int CNasInfo::StartVideo(CVideoPane* target, int stream_choice, int /*channel*/) {
    return StartVideoWith(target, stream_choice, stream_choice, false);
}

int CNasInfo::StopVideo(int /*channel*/) {
    return StopVideoNow();
}

}  // namespace vantor::client
