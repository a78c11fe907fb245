#include "InstanceRegistry.h"

#include <new>

#include "CAPP2pCamera.h"
#include "CAPTcpCamera.h"
#include "DebugOut.h"
#include "LockGuard.h"
#include "PPPP_API.h"

namespace vantor {

InstanceRegistry& InstanceRegistry::Instance() {
    static InstanceRegistry registry;
    return registry;
}

InstanceRegistry::InstanceRegistry() {
    for (auto& s : slots_) {
        s.store(nullptr);
    }
}

int InstanceRegistry::Init(const char* initString) {
    LockGuard g(initLock_);
    if (initialised_.load()) {
        return 1;
    }
    {
        LockGuard r(registryLock_);
        for (auto& s : slots_) {
            s.store(nullptr);
        }
    }
    // The transport carries its own default for an empty text.
    PPPP_Initialize(initString != nullptr ? initString : "");
    initialised_.store(true);
    return 1;
}

int InstanceRegistry::DeInit() {
    LockGuard g(initLock_);
    if (!initialised_.load()) {
        return 1;
    }
    {
        LockGuard r(registryLock_);
        for (auto& s : slots_) {
            CAPCamera* cam = s.exchange(nullptr);
            if (cam != nullptr) {
                cam->ClearCallbacks();
                delete cam;
            }
        }
    }
    PPPP_DeInitialize();
    initialised_.store(false);
    return 1;
}

int InstanceRegistry::Create(const DeviceConnectInfo& info, int kind) {
    if (!initialised_.load()) {
        return DARVEL_ERR_NOT_INIT;
    }
    LockGuard r(registryLock_);
    int slot = -1;
    for (int i = 0; i < DARVEL_MAX_INSTANCES; ++i) {
        if (slots_[i].load() == nullptr) {
            slot = i;
            break;
        }
    }
    if (kind != DARVEL_KIND_P2P && kind != DARVEL_KIND_TCP) {
        return DARVEL_ERR_BAD_KIND;
    }
    if (slot < 0) {
        return DARVEL_ERR_FULL;
    }
    CAPCamera* cam = kind == DARVEL_KIND_TCP
                         ? static_cast<CAPCamera*>(new (std::nothrow) CAPTcpCamera(info))
                         : static_cast<CAPCamera*>(new (std::nothrow) CAPP2pCamera(info));
    if (cam == nullptr) {
        return DARVEL_ERR_NO_MEMORY;
    }
    slots_[slot].store(cam);
    return slot;
}

int InstanceRegistry::Destroy(int userId) {
    DebugOut("device_net_work_destroyInstance find object. userid:%d", userId);
    if (userId < 0 || userId >= DARVEL_MAX_INSTANCES) {
        return DARVEL_ERR_BAD_ID;
    }
    LockGuard r(registryLock_);
    CAPCamera* cam = slots_[userId].load();
    if (cam == nullptr) {
        return 0;
    }
    cam->ClearEventCallbacks();
    delete cam;
    slots_[userId].store(nullptr);
    DebugOut("device_net_work_destroyInstance delete object succ. userid:%d", userId);
    return 1;
}

CAPCamera* InstanceRegistry::Find(int userId) {
    if (userId < 0 || userId >= DARVEL_MAX_INSTANCES) {
        return nullptr;
    }
    return slots_[userId].load();
}

}  // namespace vantor
