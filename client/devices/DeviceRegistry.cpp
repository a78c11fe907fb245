#include "DeviceRegistry.h"

#include <algorithm>

#include "CAlarmIpc.h"
#include "CDoorBell.h"
#include "CNOPTZIPC.h"
#include "CSwitch.h"
#include "CWvrInfo.h"
#include "ClientMessages.h"
#include "DeviceLibrary.h"
#include "PlayerApi.h"
#include "PostMessage.h"

namespace vantor::client {

DeviceRegistry::~DeviceRegistry() {
    devices_.clear();
    if (libraries_ready_) {
        if (player_ready_) {
            Players::Current().UnInit();
        }
        DeviceLibraries::Camera().DeInit();
        DeviceLibraries::Nas().DeInit();
    }
}

void DeviceRegistry::InitLibraries(bool with_player) {
    if (libraries_ready_) {
        return;
    }
    if (with_player) {
        Players::Current().Init();
        player_ready_ = true;
    }
    DeviceLibraries::Camera().Init();
    DeviceLibraries::Nas().Init();
    libraries_ready_ = true;
}

std::unique_ptr<CCDevInfo> DeviceRegistry::MakeDevice(int32_t kind) {
    switch (kind) {
        case kKindCamera:
            return std::make_unique<CCDevInfo>(kKindCamera);
        case kKindRecorder:
            return std::make_unique<CWvrInfo>();
        case kKindSwitch:
            return std::make_unique<CSwitch>();
        case kKindAlarmCamera:
            return std::make_unique<CAlarmIpc>();
        case kKindDoorBell:
            return std::make_unique<CDoorBell>();
        case kKindNoPtzCamera:
            return std::make_unique<CNOPTZIPC>();
        default:
            return nullptr;
    }
}

bool DeviceRegistry::LoadDeviceList(const std::string& path) {
    std::vector<DeviceListEntry> entries;
    const bool ok = DeviceListFile::Load(path, &entries);
    for (const DeviceListEntry& e : entries) {
        std::unique_ptr<CCDevInfo> dev = MakeDevice(e.kind);
        if (dev) {
            dev->identity = e.identity;
            devices_.push_back(std::move(dev));
        }
    }
    return ok;
}

bool DeviceRegistry::SaveDeviceList(const std::string& path) const {
    std::vector<DeviceListEntry> entries;
    entries.reserve(devices_.size());
    for (const auto& dev : devices_) {
        entries.push_back({dev->kind(), dev->identity});
    }
    return DeviceListFile::Save(path, entries);
}

void DeviceRegistry::Append(std::unique_ptr<CCDevInfo> device) {
    if (device) {
        devices_.push_back(std::move(device));
    }
}

int DeviceRegistry::RemoveDevice(CCDevInfo* device) {
    const auto it = std::find_if(devices_.begin(), devices_.end(),
                                 [device](const auto& d) { return d.get() == device; });
    if (it == devices_.end()) {
        return 0;
    }
    std::unique_ptr<CCDevInfo> taken = std::move(*it);
    devices_.erase(it);
    taken->Disconnect();
    taken.reset();
    return 1;
}

void DeviceRegistry::ReconnectAll() {
    if (reconnect_busy_) {
        return;
    }
    reconnect_busy_ = true;
    for (const auto& dev : devices_) {
        dev->Reconnect(dev->video_running != 0, dev->pane);
        if (dev->owner != nullptr) {
            dev->anchor[0] = dev->anchor[1] = 0;
            PostMessage(dev->owner, kMsgHideControlPanel, reinterpret_cast<uintptr_t>(dev->anchor),
                        reinterpret_cast<intptr_t>(dev.get()));
        }
    }
    reconnect_busy_ = false;
}

CCDevInfo* DeviceRegistry::FindByBase(const void* base) const {
    for (const auto& dev : devices_) {
        if (static_cast<const WINDOW_DATA*>(dev.get()) == base || dev.get() == base) {
            return dev.get();
        }
    }
    return nullptr;
}

void DeviceRegistry::Shutdown(const std::string& list_path) {
    SaveDeviceList(list_path);
    for (auto& dev : devices_) {
        dev->Disconnect();
        dev.reset();
    }
    devices_.clear();
    if (libraries_ready_) {
        if (player_ready_) {
            Players::Current().UnInit();
        }
        DeviceLibraries::Camera().DeInit();
        DeviceLibraries::Nas().DeInit();
        libraries_ready_ = player_ready_ = false;
    }
}

}  // namespace vantor::client
