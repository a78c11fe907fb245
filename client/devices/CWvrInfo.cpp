#include "CWvrInfo.h"

#include <chrono>
#include <thread>

namespace vantor::client {

namespace {
constexpr auto kSettlePause = std::chrono::milliseconds(100);
}

CWvrInfo::CWvrInfo() : CCDevInfo(kKindRecorder) {
    for (int k = 0; k < CNasInfo::kChannelCount; ++k) {
        channels_[k] = std::make_unique<CNasInfo>(k);
    }
}

CWvrInfo::~CWvrInfo() {
    std::this_thread::sleep_for(kSettlePause);
    for (auto& ch : channels_) {
        ch->Disconnect();
        ch.reset();
    }
}

CNasInfo* CWvrInfo::Channel(int k) const {
    return (k >= 0 && k < CNasInfo::kChannelCount) ? channels_[k].get() : nullptr;
}

void CWvrInfo::ConnectChannels() {
    for (auto& ch : channels_) {
        ch->identity = identity;
        // The owner is set before the instance starts so that the first events reach it.
        ch->owner = owner;
        ch->Connect();
    }
}

void CWvrInfo::DisconnectChannels() {
    for (auto& ch : channels_) {
        ch->Disconnect();
    }
}

int CWvrInfo::StartChannelVideo(int channel, CVideoPane* target) {
    CNasInfo* ch = Channel(channel);
    return ch ? ch->StartVideo(target, ch->identity.video_mode, channel) : 0;
}

int CWvrInfo::Connect() {
    ConnectChannels();
    return 1;
}

int CWvrInfo::Disconnect() {
    DisconnectChannels();
    return 1;
}

void CWvrInfo::Reconnect(bool /*was_playing*/, CVideoPane* /*pane*/) {
    DisconnectChannels();
    std::this_thread::sleep_for(kSettlePause);
    ConnectChannels();
}

}  // namespace vantor::client
