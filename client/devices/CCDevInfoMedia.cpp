// The media half of CCDevInfo: live video, sound, talk, local recording, snapshots and the
// stream callbacks (the connection and parameter half is CCDevInfo.cpp).
#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <ctime>

#include "CCDevInfo.h"
#include "CVideoPane.h"
#include "ClientMessages.h"
#include "DataPaths.h"
#include "DebugOut.h"
#include "DeviceLibrary.h"
#include "MediaClock.h"
#include "MediaRules.h"
#include "MediaSettings.h"
#include "PlayerApi.h"
#include "TextField.h"

namespace vantor::client {

namespace {

constexpr int kLiveStreamId = 0;
constexpr int kAudioStreamId = 1;
constexpr int kVideoModeOtherDecoder = 3;
constexpr int32_t kPathModeRelayed = 2;
constexpr int kControlDeviceOsd = 10;
constexpr int kControlRecordInts = 18;
constexpr int kOsdSlot = 0;
// StopAllMedia stops recording through the toggle; its start arguments are then unused.
constexpr int kStopFileLen = 100;
constexpr int kStopTimeLen = 5;
constexpr int kStopReserve = 200;
constexpr int kStopRover = 1;

}  // namespace

void CCDevInfo::RunOnUiThread(std::function<void()> fn, bool inline_without_app) {
    if (QCoreApplication::instance() == nullptr) {
        if (inline_without_app) {
            fn();
        } else {
            DebugOut("media request dropped: no application object\n");
        }
        return;
    }
    QMetaObject::invokeMethod(ui_context_.get(), std::move(fn), Qt::QueuedConnection);
}

void CCDevInfo::RequestStopAllMedia() {
    RunOnUiThread([this] { StopAllMedia(); }, false);
}

void CCDevInfo::AssignPane(CVideoPane* target) {
    std::lock_guard<std::mutex> lock(media_mu_);
    pane = target;
}

void CCDevInfo::StartVideoOnAssignedPane() {
    CVideoPane* target = pane;
    if (target == nullptr || video_running || player != 0) {
        return;
    }
    CCDevInfo* holder = target->BoundDevice();
    if (holder != nullptr && holder != this) {
        return;  // the user gave the pane to another device meanwhile
    }
    StartVideo(target, identity.video_mode, ChannelIndex());
}

int CCDevInfo::StartVideo(CVideoPane* target, int stream_choice, int /*channel*/) {
    return StartVideoWith(target, kLiveStreamId, stream_choice, true);
}

int CCDevInfo::StopVideo(int /*channel*/) {
    return StopVideoNow();
}

int CCDevInfo::StartVideoWith(CVideoPane* target, int stream_id, int sub_stream,
                              bool camera_extras) {
    if (state() != kStateOnline || handle < 0 || target == nullptr) {
        return 0;
    }
    IPlayer& p = Players::Current();
    const int r = Library().StartStream(handle, stream_id, sub_stream, ChannelIndex(),
                                        &CCDevInfo::OnMediaData, static_cast<WINDOW_DATA*>(this));
    if (player == 0) {
        const uint32_t made = p.CreatePlay(identity.video_mode == kVideoModeOtherDecoder ? 1 : 0);
        std::lock_guard<std::mutex> lock(media_mu_);
        player = made;
    }
    if (talk == 0) {
        talk = p.CreateTalk();
    }
    if (player == 0) {
        // Nothing can show the stream: do not let it run, and do not report success.
        DebugOut("create play instance failed, stream result %d\n", r);
        Library().StopStream(handle, ChannelIndex());
        return 0;
    }
    CVideoPane* previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(media_mu_);
        if (pane_bound_ && pane != target) {
            previous = pane;
        }
        pane = target;
        pane_bound_ = true;
    }
    if (previous != nullptr) {
        previous->SetBoundDevice(nullptr);
        previous->SetRecordingIndicator(0);
        previous->Repaint();
    }
    target->SetBoundDevice(this);
    p.SetPlayWnd(player, target->NativeWindowId());
    video_running = p.StartPlay(player);
    const int playing = video_running;
    if (camera_extras) {
        const MediaSettings settings = MediaSettings::Get();
        ApplyStartOsd(settings.osd_at_video_start);
        if (settings.auto_start_record) {
            // A recording flag left from a player that StopVideo destroyed would make the
            // toggle stop instead of start.
            if (p.GetRecordStatus(player) == 0) {
                local_recording = 0;
            }
            if (!local_recording) {
                ToggleLocalRecord(settings.rec_path, MediaRules::TextToInt(settings.rec_file_len),
                                  MediaRules::TextToInt(settings.rec_time_len),
                                  MediaRules::TextToInt(settings.rec_reserve_space),
                                  settings.rec_over);
            }
        }
    }
    return playing;
}

int CCDevInfo::StopVideoNow() {
    if (!video_running && player == 0 && talk == 0) {
        return 1;
    }
    IPlayer& p = Players::Current();
    int r = 1;
    const uint32_t old_talk = talk.exchange(0);
    if (old_talk != 0) {
        r |= p.DestroyTalk(old_talk);
    }
    if (handle >= 0) {
        r |= Library().StopStream(handle, ChannelIndex());
    }
    // Frames may still arrive after the stream stop; once the handle is cleared under the
    // lock no frame is being fed to the old player, so it can be destroyed.
    uint32_t old_player = 0;
    CVideoPane* bound = nullptr;
    {
        std::lock_guard<std::mutex> lock(media_mu_);
        old_player = player.exchange(0);
        if (pane_bound_) {
            bound = pane;
        }
        pane_bound_ = false;
        pane = nullptr;
        osd_visible = 0;
    }
    if (old_player != 0) {
        r |= p.StopPlay(old_player);
        r |= p.DestroyPlay(old_player);
    }
    video_running = 0;
    horizontal_cruise = vertical_cruise = 0;
    infrared = 0;
    device_osd = flip = mirror = 0;
    if (bound != nullptr) {
        bound->SetBoundDevice(nullptr);
        bound->SetRecordingIndicator(0);
        bound->Repaint();
    }
    return r;
}

void CCDevInfo::StopAllMedia() {
    if (local_recording) {
        ToggleLocalRecord(std::string(), kStopFileLen, kStopTimeLen, kStopReserve, kStopRover);
    }
    if (sound_on) {
        ToggleSound();
    }
    if (talk_on) {
        ToggleTalk();
    }
    if (video_running || player != 0 || talk != 0) {
        StopVideo(ChannelIndex());
    }
}

void CCDevInfo::ToggleLocalRecord(const std::string& folder, int file_len_mb, int time_len_min,
                                  int reserve_mb, int record_over) {
    IPlayer& p = Players::Current();
    if (local_recording) {
        p.StopLocalRecord(player);
        local_recording = 0;
        if (PaneBound()) {
            pane->SetRecordingIndicator(0);
            UpdateRecOverlay(pane->RecordingText(), 0);
            pane->RepaintParent();
        }
        return;
    }
    if (!PaneBound() || player == 0) {
        return;
    }
    LocalRecordParams params;
    if (!MediaRules::MakeRecordParams(folder, FieldText(identity.device_id), file_len_mb,
                                      time_len_min, reserve_mb, record_over, &params)) {
        DebugOut("record folder too long:%zu\n", folder.size());
        return;
    }
    if (p.GetRecordStatus(player) == 0) {
        const int started = p.StartLocalRecord(player, params);
        local_recording = started;
        pane->SetRecordingIndicator(started);
        pane->RepaintParent();
    }
    UpdateRecOverlay(pane->RecordingText(), 1);
}

std::string CCDevInfo::TakeSnapshot(const std::string& folder) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t now_t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&now_t, &local);
    const int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    if (!folder.empty()) {
        const std::string dir =
            MediaRules::SnapshotFolder(folder, FieldText(identity.device_id), local);
        if (!DataPaths::MakeFolders(dir)) {
            DebugOut("create snapshot folder failed:%s\n", dir.c_str());
        }
        std::string file = MediaRules::SnapshotFile(dir, local, ms);
        if (Players::Current().CapturePicture(player, file.c_str()) != 0) {
            return file;
        }
    }
    Post(kMsgSnapshotFailed, reinterpret_cast<uintptr_t>(this), 0);
    return std::string();
}

void CCDevInfo::ToggleSound() {
    IPlayer& p = Players::Current();
    void* user = static_cast<WINDOW_DATA*>(this);
    // Only cameras and recorder channels are asked for audio; the other kinds just open the
    // player's sound.
    const bool ask_device = kind_ == kKindCamera || kind_ == kKindRecorder;
    if (!sound_on) {
        if (ask_device) {
            Library().StartAudio(handle, kAudioStreamId, ChannelIndex(), &CCDevInfo::OnMediaData,
                                 user);
        }
        p.OpenSound(player);
        sound_on = 1;
    } else {
        if (ask_device) {
            Library().StopAudio(handle, ChannelIndex());
        }
        p.CloseSound(player);
        sound_on = 0;
    }
}

int CCDevInfo::ToggleTalk() {
    IPlayer& p = Players::Current();
    if (!talk_on) {
        Library().StartTalk(handle);
        const int r =
            p.StartTalk(talk, &CCDevInfo::TalkDataCallback, static_cast<WINDOW_DATA*>(this));
        talk_on = 1;
        return r;
    }
    p.StopTalk(talk);
    const int r = Library().StopTalk(handle);
    talk_on = 0;
    return r;
}

void CCDevInfo::ApplyStartOsd(int flag) {
    if (player == 0) {
        return;
    }
    if (handle >= 0) {
        int32_t record[kControlRecordInts] = {kControlDeviceOsd, flag != 0 ? 0 : 1};
        Library().SetParam(handle, kCameraControlType, record, sizeof record);
    }
    device_osd = flag != 0 ? 1 : 0;
}

void CCDevInfo::UpdateRecOverlay(const std::string& text, int show) {
    std::lock_guard<std::mutex> lock(media_mu_);
    UpdateRecOverlayLocked(text, show);
}

void CCDevInfo::UpdateRecOverlayLocked(const std::string& text, int show) {
    const uint32_t play = player;
    if (play == 0 || (show == 1 && osd_visible) || (show == 0 && !osd_visible)) {
        return;
    }
    IPlayer& p = Players::Current();
    if (local_recording && show) {
        p.SetOsdString(play, kOsdSlot, MediaRules::MakeOsdItem(text));
        osd_visible = 1;
    } else {
        p.RemoveOsdString(play, kOsdSlot);
        osd_visible = 0;
    }
}

// ---- callbacks ----

void CCDevInfo::OnMediaData(const char* data, int length, void* base) {
    CCDevInfo* dev = FromBase(base);
    const int64_t now = MediaClock::NowSeconds();
    {
        std::lock_guard<std::mutex> lock(dev->media_mu_);
        const uint32_t play = dev->player;
        if (play != 0) {
            Players::Current().InputNetFrame(play, data, length);
        }
    }
    dev->last_frame_time_s = now;
    if (dev->path_mode == kPathModeRelayed &&
        MediaRules::RelayLimitReached(now - dev->path_mode_time_s)) {
        dev->path_mode_time_s = now;
        // Stopping joins this very thread's stream: it must happen elsewhere.
        dev->RequestStopAllMedia();
    }
    if (dev->local_recording) {
        std::lock_guard<std::mutex> lock(dev->media_mu_);
        if (dev->pane_bound_ && dev->pane != nullptr) {
            dev->UpdateRecOverlayLocked(dev->pane->RecordingText(),
                                        MediaSettings::VideoMode() == 0 ? 1 : 0);
        }
    }
}

int CCDevInfo::TalkDataCallback(const char* data, int length, void* base) {
    CCDevInfo* dev = FromBase(base);
    if (dev->kind_ == kKindCamera) {
        DeviceLibraries::Camera().SendTalkData(dev->handle, 0, data, length);
    } else if (dev->kind_ == kKindRecorder) {
        DeviceLibraries::Nas().SendTalkData(dev->handle, dev->ChannelIndex(), data, length);
    }
    return 1;
}

}  // namespace vantor::client
