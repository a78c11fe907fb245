// The device object: owns one library instance of a device, its identity, connection state,
// parameter store and media session (player and talk instances bound to one pane), and turns
// library callbacks into field updates and posted messages.
//
// Threads. Connect, Disconnect, Reconnect, RequestParam, WriteParam, the PTZ wrappers, the
// toggles and every media operation run on the user-interface thread. The On* callbacks run on
// library threads: they write the state, path mode, alarm type, store slots and thumbnail
// fields and reach views only through PostMessage to the owner window. Event 100 requests type
// 8225 from the library thread (the library allows calls other than stop/destroy from its
// callbacks) and queues the video start to the user-interface thread. OnMediaData (library
// threads) feeds the player under the media lock, so StopVideo never destroys a player that a
// frame is being fed to; when the relay limit trips it queues StopAllMedia to the
// user-interface thread. TalkDataCallback runs on the player's capture thread.
// Queued calls run only while a QCoreApplication exists and are dropped if the device is
// destroyed first; without an application object the event-100 video start runs inline and
// the relay stop is skipped (a trace line says so).
// Lock: media_mu_ guards the player handle as seen by the stream callback, the pane link and
// the overlay state; it is held while a frame is fed and while the bound pane's RecordingText
// is read, so pane implementations must not call back into the device's media operations
// from RecordingText. No other lock of the device is taken under it.
// Ownership: the registry owns device objects; the owner window must outlive them. Messages
// carry addresses of store slots and of the object itself, valid while the object lives.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
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
    // Written on the user-interface thread; read by the stream and talk callbacks.
    std::atomic<uint32_t> player{0};  // player instance, 0 when none
    std::atomic<uint32_t> talk{0};    // talk instance, 0 when none
    std::atomic<int32_t> video_running{0};
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
    // Slot 2: asks the library for the live stream (sub-stream = stream choice), creates the
    // player and talk instances, binds the pane both ways and starts playing. Nonzero when
    // playing; 0 when offline, without an instance, or when no player could be made (the
    // stream is then stopped again).
    virtual int StartVideo(CVideoPane* pane, int stream_choice, int channel);
    // Slot 3: ends talk capture, the stream and the player; unbinds and repaints the pane.
    // Recording, sound and talk flags stay (StopAllMedia is the full stop). 1 ORed with the
    // library and player results; 1 when nothing runs.
    virtual int StopVideo(int channel);
    // Slot 4: stops local recording, or starts it into folder (needs a bound pane).
    virtual void ToggleLocalRecord(const std::string& folder, int file_len_mb, int time_len_min,
                                   int reserve_mb, int record_over);
    // Slot 5: a .bmp of the current picture under folder/YYYYMMDD/<ID>/; the path, or empty
    // after posting kMsgSnapshotFailed to the owner window.
    virtual std::string TakeSnapshot(const std::string& folder);
    // Slot 6: device audio on/off (kinds 0 and 1 ask the device) and the player's sound.
    virtual void ToggleSound();
    // Slot 7: starting: the player's talk start result; stopping: the library's talk stop.
    virtual int ToggleTalk();

    // Recording, sound, talk, then video, each only when on.
    void StopAllMedia();
    // Device on-screen display on (flag nonzero) or off at stream start; needs a player.
    void ApplyStartOsd(int flag);
    // The "REC" overlay: show only while recording; no call when nothing changes.
    void UpdateRecOverlay(const std::string& text, int show);
    // The pane event 100 starts video on (kept across Reconnect); does not bind it.
    void AssignPane(CVideoPane* target);

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
    // Stream and audio frames; base is the WINDOW_DATA part.
    static void OnMediaData(const char* data, int length, void* base);
    // Coded microphone blocks from the player's capture thread; 1.
    static int TalkDataCallback(const char* data, int length, void* base);

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
    std::atomic<int32_t> local_recording{0};  // read by the stream callback
    int32_t sound_on = 0;
    int32_t talk_on = 0;
    DeviceConnectInfo connect_info{};
    // The pane video is shown in (bound) or will start in at event 100 (assigned). Written
    // under media_mu_; read freely on the user-interface thread.
    CVideoPane* pane = nullptr;
    int32_t anchor[2] = {0, 0};                // control-panel anchor (x, y)
    int32_t osd_visible = 0;                   // guarded by media_mu_
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
    // State 0, the online message, and the video start of an assigned pane when this is the
    // way into the online state. Library threads.
    void EnterOnline();

    // The shared body of the camera and NAS StartVideo: stream_id/sub_stream as the library
    // takes them; camera_extras adds the start-up OSD request and auto-recording.
    int StartVideoWith(CVideoPane* target, int stream_id, int sub_stream, bool camera_extras);
    int StopVideoNow();
    bool PaneBound() const { return pane_bound_; }
    // Runs fn on the user-interface thread unless the device is gone by then.
    void RunOnUiThread(std::function<void()> fn, bool inline_without_app);
    void UpdateRecOverlayLocked(const std::string& text, int show);
    void RequestStopAllMedia();
    // Event 100's video start: on the assigned pane unless video runs or another device holds
    // the pane.
    void StartVideoOnAssignedPane();

    int32_t kind_;
    std::atomic<int32_t> state_{kStateOffline};

    mutable std::mutex media_mu_;
    bool pane_bound_ = false;  // guarded by media_mu_ (written on the user-interface thread)
    // Context of calls queued to the user-interface thread: destroying it drops them.
    std::unique_ptr<QObject> ui_context_;
};

}  // namespace vantor::client
