// Where local recordings go and how space is made for them:
// root/RecordFiles/YYYYMMDD/DEVICEID/YYYYMMDD_hhmmss[_n].avi.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tarsil {

class RecordFolder {
  public:
    static constexpr int kMaxNameSuffix = 1000;  // "_n" tries for a taken file name

    // True when the device ID can name one folder (no separators, not "." or "..").
    static bool validDeviceId(const std::string& id);
    static std::string recordRoot(const std::string& folder);  // folder/RecordFiles
    // Makes the day/device folder and returns a free file name in it; empty on failure.
    static std::string newFilePath(const std::string& folder, const std::string& deviceId,
                                   const std::tm& local);
    // Free megabytes of the file system holding path (free blocks of the whole file system);
    // -1 when it cannot be asked.
    static int64_t freeSpaceMb(const std::string& path);
    // Deletes the oldest .avi under folder/RecordFiles (by its date/time name), never keep.
    // Removes the folders it empties. False when there was nothing to delete.
    static bool deleteOldest(const std::string& folder, const std::string& keep);
};

}  // namespace tarsil
