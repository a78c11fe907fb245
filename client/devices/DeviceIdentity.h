// The persistent block of a device object: what "camera.xml" stores for each device.
//
// Plain data, copied as one unit between a recorder and its channels and between a device and
// its edit dialog. Texts are NUL-terminated UTF-8 inside their fields.
#pragma once

#include <cstdint>

namespace vantor::client {

inline constexpr size_t kDeviceNameBytes = 48;
inline constexpr size_t kDeviceHostBytes = 128;
inline constexpr size_t kDeviceUserBytes = 64;
inline constexpr size_t kDevicePasswordBytes = 64;
inline constexpr size_t kDeviceIdBytes = 32;

// Kind codes, as stored in the device list ("Type").
enum DeviceKind : int32_t {
    kKindCamera = 0,
    kKindRecorder = 1,  // WVR recorder and its NAS channels
    kKindSwitch = 2,
    kKindAlarmCamera = 3,
    kKindDoorBell = 4,
    kKindNoPtzCamera = 5,
};
inline constexpr int32_t kKindCount = 6;

// Connection modes.
inline constexpr int32_t kConnectDirect = 0;
inline constexpr int32_t kConnectP2p = 1;

struct DeviceIdentity {
    uint32_t key = 0;  // tick count when created in the add dialog; 0 when read from the list
    char name[kDeviceNameBytes] = {};
    char host[kDeviceHostBytes] = {};
    uint16_t port = 0;
    char user[kDeviceUserBytes] = {};
    char password[kDevicePasswordBytes] = {};
    int32_t video_mode = 0;
    int32_t connection_mode = 0;
    char device_id[kDeviceIdBytes] = {};
};

// "ipc", "wvr", "switch", "alram_ipc", "door_bell", "no_ptz_ipc"; empty for other codes.
const char* KindText(int32_t kind);

}  // namespace vantor::client
