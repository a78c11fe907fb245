// The request-to-answer logic of a NAS/WVR recorder: four camera channels, disks with
// partitions, recordings per partition and channel, wireless accessories with pairing,
// per-channel scene tables and a smart plug. Answers carry the recorder's answer IDs and are
// the same on both fronts (the P2P front puts the ID into the command head, the HTTP front
// sends the text as the body).
//
// Thread: not synchronised; CgiHandler owns it and calls it under its own lock.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "CgiHandler.h"
#include "CgiRequest.h"
#include "DeviceProfile.h"
#include "NasSchema.h"
#include "RecordCard.h"
#include "SettingsStore.h"

namespace devsim {

struct NasRecording {
    Recording rec;
    int partition = 0;
    int channel = 0;
    int alarmType = 0;  // 0 timed recording, 1 motion
};

class NasHandler {
  public:
    static constexpr size_t kMaxListedFiles = 150;  // keeps one list under the answer bound
    static constexpr size_t kMaxHeardCodes = NasSchema::kFoundAccessories;
    static constexpr int kPlaybackStopMode = 10;
    static constexpr int kLiveStop = 16;

    // channelLoopBytes: bytes (heads included) of one video loop of each channel; the
    // recordings of a channel are made of its loop.
    NasHandler(const DeviceProfile& profile, const std::vector<int64_t>& channelLoopBytes,
               int loopSeconds, int64_t now_s);

    CgiAnswer handle(const CgiRequest& r);
    bool checkAccount(const std::string& user, const std::string& password) const;
    void noteAlarm(int kind);
    // A stored setting; "livestream" gives the stream ID and channel of the last live request.
    std::string setting(const std::string& key) const;
    bool findRecording(const std::string& name, Recording* out, int* channel) const;
    std::vector<Recording> recordings() const;
    // An accessory code the recorder hears while it listens (after search_alarm_device.cgi).
    void hearAccessory(int code);

  private:
    struct Scene {
        int used = 0, bound = 0, type = 0, sit = 0, sceneType = 0;
        std::string name;
    };

    void resetToFactory();
    bool applyFields(NasRecord record, const CgiRequest& r);
    std::string recordAnswer(NasRecord record) const;
    std::string recordList(const CgiRequest& r) const;
    std::string sceneTable(int channel) const;
    bool setScene(const CgiRequest& r);
    bool setAccessory(const CgiRequest& r);
    bool clearAccessory(const CgiRequest& r);
    bool setPlugTimer(const CgiRequest& r);
    std::string heardList() const;
    std::string wifiScan() const;
    std::string cameraSearch() const;
    void populate(const std::vector<int64_t>& channelLoopBytes, int loopSeconds, int64_t now_s);

    const DeviceProfile profile_;
    SettingsStore store_;
    std::vector<NasRecording> files_;
    std::array<std::array<Scene, NasSchema::kSceneEntries>, NasSchema::kChannels> scenes_;
    std::vector<int> heard_;
    bool listening_ = false;
    int searches_ = 0;
    int plugDelayEnable_ = 0;
    int plugDelayMinutes_ = 0;
    long long clockOffset_s_ = 0;
    std::string lastLive_;  // "streamid=N channel=C" of the last live request, for tests
};

}  // namespace devsim
