#include "NasInstanceRegistry.h"

#include <new>

#include "CAPP2pNas.h"
#include "CAPTcpNas.h"
#include "LockGuard.h"
#include "PPPP_API.h"

namespace vantor {

NasInstanceRegistry& NasInstanceRegistry::Instance() {
    static NasInstanceRegistry registry;
    return registry;
}

NasInstanceRegistry::NasInstanceRegistry() {
    for (auto& s : slots_)
        s = nullptr;
}

int NasInstanceRegistry::Init(const char* initString) {
    LockGuard a(lockA_);
    if (initialised_)
        return 1;
    for (auto& s : slots_)
        s = nullptr;
    PPPP_Initialize(initString != nullptr ? initString : "");
    initialised_ = true;
    return 1;
}

int NasInstanceRegistry::DeInit() {
    LockGuard a(lockA_);
    if (!initialised_)
        return 1;
    for (auto& slot : slots_) {
        CAPNas* s = slot.exchange(nullptr);
        if (s == nullptr)
            continue;
        s->SetVideoCallback(nullptr, nullptr);
        s->SetAudioCallback(nullptr, nullptr);
        s->SetEventCallback(nullptr, nullptr);
        s->SetP2pModeCallback(nullptr, nullptr);
        s->SetAlarmMessageCallback(nullptr, nullptr);
        s->SetParamCallback(nullptr, nullptr, nullptr);
        s->SetRecordDataCallback(nullptr, nullptr);
        delete s;
    }
    PPPP_DeInitialize();
    initialised_ = false;
    return 1;
}

int NasInstanceRegistry::Create(const DeviceConnectInfo& info, int kind) {
    if (!initialised_)
        return MORSK_ERR_NOT_INIT;
    LockGuard b(lockB_);
    int slot = -1;
    for (int i = 0; i < MORSK_MAX_INSTANCES; ++i) {
        if (slots_[i].load() == nullptr) {
            slot = i;
            break;
        }
    }
    if (slot < 0)
        return MORSK_ERR_FULL;
    CAPNas* s = nullptr;
    if (kind == MORSK_KIND_TCP)
        s = new (std::nothrow) CAPTcpNas(info);
    else if (kind == MORSK_KIND_P2P)
        s = new (std::nothrow) CAPP2pNas(info);
    else
        return MORSK_ERR_BAD_KIND;
    if (s == nullptr)
        return MORSK_ERR_NO_MEMORY;
    slots_[slot] = s;
    return slot;
}

int NasInstanceRegistry::Destroy(int instance) {
    if (static_cast<unsigned>(instance) >= MORSK_MAX_INSTANCES)
        return MORSK_ERR_BAD_ID;
    LockGuard b(lockB_);
    CAPNas* s = slots_[instance].load();
    if (s == nullptr)
        return 0;
    s->SetEventCallback(nullptr, nullptr);
    s->SetP2pModeCallback(nullptr, nullptr);
    delete s;
    slots_[instance] = nullptr;
    return 1;
}

CAPNas* NasInstanceRegistry::Find(int instance) {
    if (static_cast<unsigned>(instance) >= MORSK_MAX_INSTANCES)
        return nullptr;
    return slots_[instance].load();
}

}  // namespace vantor
