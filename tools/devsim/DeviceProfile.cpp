#include "DeviceProfile.h"

namespace devsim {

const char* KindName(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::kCamera:
            return "camera";
        case DeviceKind::kNas:
            return "nas";
        case DeviceKind::kSwitch:
            return "switch";
        case DeviceKind::kAlarmCamera:
            return "alarm-camera";
        case DeviceKind::kDoorBell:
            return "doorbell";
        case DeviceKind::kCameraNoPtz:
            return "camera-noptz";
    }
    return "camera";
}

bool ParseKind(const std::string& text, DeviceKind* kind) {
    static const struct {
        const char* name;
        const char* code;
        DeviceKind kind;
    } kKinds[] = {
        {"camera", "0", DeviceKind::kCamera},
        {"nas", "1", DeviceKind::kNas},
        {"wvr", "wvr", DeviceKind::kNas},
        {"switch", "2", DeviceKind::kSwitch},
        {"alarm-camera", "3", DeviceKind::kAlarmCamera},
        {"doorbell", "4", DeviceKind::kDoorBell},
        {"camera-noptz", "5", DeviceKind::kCameraNoPtz},
    };
    for (const auto& k : kKinds) {
        if (text == k.name || text == k.code) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

}  // namespace devsim
