// What one simulated device is: identity, kind, account, media formats and which fronts it
// offers. Filled from the fleet file or the command line; immutable once the device runs.
#pragma once

#include <cstdint>
#include <string>

namespace devsim {

// Kind codes as the client stores them (0 camera, 1 NAS/WVR recorder, 2 switch, 3 alarm
// camera, 4 door-bell, 5 camera without pan/tilt).
enum class DeviceKind : int {
    kCamera = 0,
    kNas = 1,
    kSwitch = 2,
    kAlarmCamera = 3,
    kDoorBell = 4,
    kCameraNoPtz = 5,
};

struct StreamFormat {
    int width = 640;
    int height = 360;
    int fps = 25;
};

struct DeviceProfile {
    static constexpr size_t kMaxIdBytes = 31;
    static constexpr size_t kMaxNameBytes = 63;
    static constexpr size_t kMaxAccountBytes = 31;

    std::string id;  // device ID, 3-31 characters
    std::string name = "Camera";
    DeviceKind kind = DeviceKind::kCamera;
    std::string user = "admin";
    std::string password;
    std::string firmware = "48.53.64.1";
    std::string mac = "00:11:22:33:44:55";
    StreamFormat mainStream;
    StreamFormat subStream{320, 180, 15};
    std::string host = "127.0.0.1";  // loopback address of the HTTP front and search replies
    bool p2p = true;                 // reachable by device ID through the transport
    int httpPort = -1;               // -1: no HTTP front; 0: any free port on 127.0.0.1
    bool battery = false;            // accepts only the battery connection attempts
    int sleepAfterMs = 10000;        // battery devices: idle time before going back to sleep
    int alarmIntervalMs = 0;         // 0: alarms only on command
    int recordings = 6;              // files on the simulated memory card
    bool chunked = false;            // HTTP answers in chunked transfer coding
};

const char* KindName(DeviceKind kind);
// Accepts the names ("camera", "camera-noptz", "alarm-camera", "doorbell", "switch", "nas",
// "wvr") and the
// numeric codes; false for anything else.
bool ParseKind(const std::string& text, DeviceKind* kind);

}  // namespace devsim
