#include "DeviceRowRules.h"

#include "CWvrInfo.h"
#include "LanguageTables.h"

namespace vantor::client {

const char* DeviceRowRules::IconFile(int index) {
    static const char* const kFiles[kIconCount] = {
        "ipc_icon_default.bmp",     "ipc_icon_mo.bmp",     "ipc_icon_click.bmp",
        "ipc_icon_off_default.bmp", "ipc_icon_off_mo.bmp", "ipc_icon_off_click.bmp",
        "icon_wvr_default.bmp",     "icon_wvr_mo.bmp",     "icon_wvr_click.bmp",
        "icon_wvr_off_default.bmp", "icon_wvr_off_mo.bmp", "icon_wvr_off_click.bmp",
    };
    return (index >= 0 && index < kIconCount) ? kFiles[index] : "";
}

const CCDevInfo* DeviceRowRules::StateSource(const CCDevInfo& device) {
    if (const auto* wvr = dynamic_cast<const CWvrInfo*>(&device)) {
        return wvr->Channel(0);
    }
    return &device;
}

int DeviceRowRules::IconIndex(const CCDevInfo& device, int visual) {
    const int v = (visual >= 0 && visual <= 2) ? visual : 0;
    const CCDevInfo* source = StateSource(device);
    const bool online = source != nullptr && source->IsOnline();
    const bool recorder = dynamic_cast<const CWvrInfo*>(&device) != nullptr;
    return v + (recorder ? 6 : 0) + (online ? 0 : 3);
}

std::string_view DeviceRowRules::StateText(const CCDevInfo& device, const LanguageTables& lang) {
    const CCDevInfo* source = StateSource(device);
    return source ? source->StateText(lang) : std::string_view();
}

bool DeviceRowRules::HasAreaButton(const CCDevInfo& device) {
    return device.kind() == kKindRecorder || device.kind() == kKindAlarmCamera;
}

}  // namespace vantor::client
