// The device object: owns one library instance of a device, its identity, connection state and
// parameter store, and turns library callbacks into field updates and posted messages.
//
// Threads. Connect, Disconnect, Reconnect, RequestParam, WriteParam, the PTZ wrappers and the
// toggles run on the user-interface thread. The On* callbacks run on library threads: they
// write the state, path mode, alarm type, store slots and thumbnail fields and reach views
// only through PostMessage to the owner window. Event 100 requests type 8225 from the library
// thread (the library allows calls other than stop/destroy from its callbacks).
// Ownership: the registry owns device objects; the owner window must outlive them. Messages
// carry addresses of store slots and of the object itself, valid while the object lives.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "DeviceConnectInfo.h"
#include "DeviceIdentity.h"
#include "ParamStore.h"

namespace vantor::client {

class CVideoPane;  // the pane widget of the live view
class IDeviceLibrary;
class LanguageTables;

// Base part of every device object; its address is the context of the event, P2P-mode and
// alarm callbacks.
struct WINDOW_DATA {
    QObject* owner = nullptr;  // main window; set on the user-interface thread
    int32_t handle = -1;       // library instance, -1 when none
    intptr_t player = 0;       // player instance, 0 when none
    intptr_t talk = 0;         // talk instance, 0 when none
    int32_t video_running = 0;
};

inline constexpr int32_t kStateOnline = 0;
inline constexpr int32_t kStateOffline = 1;
inline constexpr int32_t kStateConnecting = 2;
inline constexpr int32_t kStateRefused = 3;
inline constexpr int32_t kStateTimedOut = 4;
inline constexpr int32_t kStateEvent2 = 5;
inline constexpr int32_t kStateInvalidId = 6;

inline constexpr size_t kThumbnailPathBytes = 260;
inline constexpr size_t kAlarmFolderBytes = 256;
inline constexpr int kCameraControlType = 8230;
inline constexpr int kThumbnailRequestSeconds = 30;

class CCDevInfo : public WINDOW_DATA {
  public:
    explicit CCDevInfo(int32_t kind = kKindCamera);
    virtual ~CCDevInfo();
    CCDevInfo(const CCDevInfo&) = delete;
    CCDevInfo& operator=(const CCDevInfo&) = delete;

    // Slot 0: creates and starts the library instance (0 and nothing else when one exists).
    // Returns the start result, or the failed create result.
    virtual int Connect();
    // Slot 1: stops and destroys the instance; the destroy result, 0 when there was none.
    virtual int Disconnect();
    // Slots 2 and 3: the media session. Live video is not part of this build yet: StartVideo
    // answers 0 and leaves the pane assigned so the stream can start once media exist.
    virtual int StartVideo(CVideoPane* pane, int video_mode, int channel);
    virtual int StopVideo(int channel);

    // Disconnect, wait 100 ms, Connect; keeps the pane when video ran before.
    virtual void Reconnect(bool was_playing, CVideoPane* pane);

    int RequestParam(int type);  // always 1
    int WriteParam(int type, const void* record);
    void SendCameraControl(int index, int value);
    int PtzPreset(int preset, bool go);
    int ToggleVerticalCruise();
    int ToggleHorizontalCruise();
    int ToggleFlip();
    int ToggleMirror();

    // The thumbnail picture path; may first request a new snapshot (every 30 s at most).
    std::string ThumbnailPath();
    std::string_view StateText(const LanguageTables& lang) const;

    // NAS channel index (0 for everything but a NAS channel).
    virtual int ChannelIndex() const { return 0; }

    int32_t kind() const { return kind_; }
    int32_t state() const { return state_.load(); }
    bool IsOnline() const { return state() == kStateOnline; }

    // Folder under which alarm photos go (the AlarmPath setting, already mapped).
    static void SetAlarmRoot(const std::string& folder);

    // ---- library callbacks (library threads) ----
    static void OnDeviceEvent(int event, void* base);
    static void OnP2pMode(int code, void* base);
    static void OnAlarmMessage(int alarm_code, void* base);
    static void OnNasAlarmMessage(int channel, int alarm_code, void* base);
    static void OnParamData(int type, const char* record, int length, void* device);
    static void OnParamResult(int type, int result, void* device);

    // The 18-character "cs" ID form packs its last ten digits into five bytes.
    static void RewriteDeviceId(char (&id)[DEVICE_CONNECT_TEXT_BYTES]);

    // ---- fields (owner thread: user interface, unless noted) ----
    DeviceIdentity identity;
    // Control toggles, cleared whenever video stops.
    int32_t horizontal_cruise = 0;
    int32_t vertical_cruise = 0;
    std::atomic<int32_t> infrared{0};  // written by the 8229 answer (library thread)
    int32_t device_osd = 0;
    int32_t flip = 0;
    int32_t mirror = 0;
    int32_t local_recording = 0;
    int32_t sound_on = 0;
    int32_t talk_on = 0;
    DeviceConnectInfo connect_info{};
    CVideoPane* pane = nullptr;
    int32_t anchor[2] = {0, 0};  // control-panel anchor (x, y)
    int32_t osd_visible = 0;
    std::atomic<int32_t> path_mode{0};         // 1 direct, 2 relayed (library thread)
    std::atomic<int64_t> path_mode_time_s{0};  // library thread
    std::atomic<int64_t> last_frame_time_s{0};
    ParamStore store;  // slots: library thread writes
    std::atomic<uint16_t> pending_message{0};
    std::atomic<int32_t> thumbnail_stored{0};
    char thumbnail_path[kThumbnailPathBytes] = {};  // library thread writes (9998)
    char alarm_folder[kAlarmFolderBytes] = {};
    std::atomic<int32_t> alarm_type{0};
    int64_t last_thumbnail_request_s = 0;
    std::atomic<int32_t> storage_flag{0};

  protected:
    IDeviceLibrary& Library() const;
    void RegisterCallbacks();
    void PrepareAlarmPhotoFolder();
    void Post(unsigned msg, uintptr_t wparam, intptr_t lparam) const;
    void StoreSnapshot(const char* record, int length);
    int Ptz(int command, bool use_nas);

    static CCDevInfo* FromBase(void* base);

    int32_t kind_;
    std::atomic<int32_t> state_{kStateOffline};
};

}  // namespace vantor::client
