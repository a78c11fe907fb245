// The device's brain: one CGI request text in, one answer (answer code + answer text or
// picture) out, plus what the caller has to do besides answering (start a stream, reboot...).
// Used unchanged by the P2P front (answer code in the command head) and the HTTP front (the
// answer is the body). A recorder's requests go to its NasHandler, under the same lock.
//
// Thread: any; every call takes the handler's lock. The snapshot source is called without
// the lock held. Ownership: the handler owns the settings, the memory card and the upgrade
// state of its device.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "CgiRequest.h"
#include "DeviceProfile.h"
#include "FirmwareUpgrade.h"
#include "RecordCard.h"
#include "SettingsSchema.h"
#include "SettingsStore.h"

namespace devsim {

struct CgiAnswer {
    enum class Action {
        kNone,
        kReboot,
        kStartLive,
        kStopLive,
        kStartAudio,
        kStopAudio,
        kPlayback,
        kStopPlayback,
        kPtz,
    };
    bool answered = false;  // false: the device sends nothing back
    bool authorised = true;
    uint16_t code = 0;  // answer code on the command channel
    std::string body;   // key=value text, or JPEG bytes when binary
    bool binary = false;
    Action action = Action::kNone;
    int streamId = 0;
    int substream = 0;
    std::string fileName;   // playback
    long long offset = 0;   // playback byte offset
    int channel = -1;       // recorder channel of a stream or playback; -1: a camera's
    uint8_t endKind = 0;    // frame kind that ends a playback; 0: the camera's
    uint8_t audioKind = 0;  // frame kind of live audio; 0: the camera's
};

class NasHandler;

class CgiHandler {
  public:
    using SnapshotSource = std::function<std::string()>;  // JPEG of the current picture

    static constexpr size_t kMaxLogEntries = 64;
    static constexpr size_t kMaxAnswerBytes = 60000;  // fits the client's deciphered-text buffer

    // loopBytes/loopSeconds: size and length of the video loop recordings are made of.
    // A recorder (kind kNas) answers with its own command set; channelLoopBytes gives the
    // loop size of each of its channels (the recordings of a channel are made of its loop).
    CgiHandler(const DeviceProfile& profile, int64_t loopBytes, int loopSeconds,
               const std::vector<int64_t>& channelLoopBytes = {});
    ~CgiHandler();
    CgiHandler(const CgiHandler&) = delete;
    CgiHandler& operator=(const CgiHandler&) = delete;

    void setSnapshotSource(SnapshotSource source);
    CgiAnswer handle(std::string_view request);
    // A raw firmware data packet (command code 0x60C2 on the command channel).
    CgiAnswer handleFileData(const uint8_t* bytes, size_t n);

    bool checkAccount(const std::string& user, const std::string& password) const;
    void setOnlineUsers(int count);
    void noteAlarm(int kind);
    void setUpgradeFailure(FirmwareUpgrade::Failure f);
    // Settles a reboot: a confirmed upgrade takes effect, a factory reset has already.
    void completeReboot();
    std::string setting(const std::string& key) const;
    int lastPtzCommand() const;
    // channel: the recorder channel the recording belongs to (0 for cameras); may be null.
    bool findRecording(const std::string& name, Recording* out, int* channel = nullptr) const;
    // Recorders: an accessory code heard while pairing listens; false for cameras.
    bool hearAccessory(int code);
    std::vector<Recording> recordings() const;

  private:
    CgiAnswer handleLocked(const CgiRequest& r, bool* wantSnapshot);
    bool checkAccountLocked(const CgiRequest& r) const;
    void resetToFactory();
    std::string recordList(const CgiRequest& r) const;
    std::string deviceLog(const CgiRequest& r) const;
    std::string wifiScan() const;
    std::string loginRecord(const CgiRequest& r) const;

    const DeviceProfile profile_;

    mutable std::mutex mutex_;  // guards everything below
    SnapshotSource snapshot_;
    SettingsStore store_;
    RecordCard card_;
    FirmwareUpgrade upgrade_;
    std::string pendingVersion_;  // firmware that becomes active at the next reboot
    long long clockOffset_s_ = 0;
    int onlineUsers_ = 0;
    int lastPtz_ = -1;
    struct LogEntry {
        int type;
        int64_t time_s;
    };
    std::vector<LogEntry> log_;
    std::unique_ptr<NasHandler> nas_;  // recorders only
};

}  // namespace devsim
