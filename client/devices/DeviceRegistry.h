// The ordered device list of the main window, and the library start/stop around it.
//
// Thread: user-interface thread only. Owns the device objects; the order is that of
// "camera.xml", of the views and of the start-up connection. Libraries are initialised when
// InitLibraries runs (player, camera, NAS) and de-initialised by Shutdown in the same order,
// after every device has been stopped and destroyed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CCDevInfo.h"
#include "DeviceListFile.h"

namespace vantor::client {

class DeviceRegistry {
  public:
    DeviceRegistry() = default;
    ~DeviceRegistry();
    DeviceRegistry(const DeviceRegistry&) = delete;
    DeviceRegistry& operator=(const DeviceRegistry&) = delete;

    // Player, camera and NAS library, in this order. with_player false skips the player (for
    // tests that have no display).
    void InitLibraries(bool with_player);

    // Builds the object of a kind (nullptr for a code outside 0-5).
    static std::unique_ptr<CCDevInfo> MakeDevice(int32_t kind);

    bool LoadDeviceList(const std::string& path);
    bool SaveDeviceList(const std::string& path) const;

    void Append(std::unique_ptr<CCDevInfo> device);
    // Takes the device out, disconnects and destroys it. 1 when found, 0 otherwise.
    int RemoveDevice(CCDevInfo* device);
    // Disconnects and connects every device again; a call during a run returns at once.
    void ReconnectAll();

    // Writes the list, stops and destroys every device, de-initialises the libraries.
    void Shutdown(const std::string& list_path);

    size_t size() const { return devices_.size(); }
    CCDevInfo* at(size_t i) const { return devices_[i].get(); }
    CCDevInfo* FindByBase(const void* base) const;

  private:
    std::vector<std::unique_ptr<CCDevInfo>> devices_;
    bool reconnect_busy_ = false;
    bool libraries_ready_ = false;
    bool player_ready_ = false;
};

}  // namespace vantor::client
