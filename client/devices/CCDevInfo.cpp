#include "CCDevInfo.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include "AtomicFile.h"
#include "CVideoPane.h"
#include "ClientMessages.h"
#include "DataPaths.h"
#include "DebugOut.h"
#include "DeviceLibrary.h"
#include "LanguageTables.h"
#include "MediaClock.h"
#include "MediaRules.h"
#include "PostMessage.h"
#include "TextField.h"

namespace vantor::client {

namespace {

constexpr int kParamStorageInfo = 8225;
constexpr int kParamImage = 8229;
constexpr int kParamSnapshot = 9998;
constexpr int kParamShort12 = 10029;
constexpr int kParamShort24 = 10031;
constexpr int kNasParamSceneList = 8479;
constexpr int kNasParamUnstored = 8477;
constexpr int kCameraSetStorageFormat = 8228;
constexpr int kCameraControlInts = 18;
constexpr int kPtzVerticalCruiseOn = 26;
constexpr int kPtzVerticalCruiseOff = 27;
constexpr int kPtzHorizontalCruiseOn = 28;
constexpr int kPtzHorizontalCruiseOff = 29;
constexpr int kPtzPresetBase = 30;
// Without a player nothing shows where a preset would lead, so the motion is only stopped.
constexpr int kPtzStopWithoutPlayer = 27;
constexpr int kPtzPresetCount = 16;
constexpr int kControlFlipMirror = 5;
constexpr auto kReconnectPause = std::chrono::milliseconds(100);

std::mutex g_alarm_root_mu;
std::string g_alarm_root = "alarmPhoto";

int64_t NowSeconds() {
    return MediaClock::NowSeconds();
}

int32_t ReadInt32(const unsigned char* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool IsAlarmCode(int code) {
    switch (code) {
        case 32:
        case 33:
        case 36:
        case 37:
        case 38:
        case 39:
        case 40:
            return true;
        default:
            return false;
    }
}

}  // namespace

CCDevInfo::CCDevInfo(int32_t kind) : kind_(kind), ui_context_(std::make_unique<QObject>()) {
    const int64_t now = NowSeconds();
    last_frame_time_s = now;
    last_thumbnail_request_s = now;
}

CCDevInfo::~CCDevInfo() {
    // A subclass has already disconnected its own way; this catches the plain kinds.
    if (handle >= 0) {
        CCDevInfo::Disconnect();
    }
}

void CCDevInfo::SetAlarmRoot(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_alarm_root_mu);
    g_alarm_root = folder;
}

IDeviceLibrary& CCDevInfo::Library() const {
    return kind_ == kKindRecorder ? DeviceLibraries::Nas() : DeviceLibraries::Camera();
}

CCDevInfo* CCDevInfo::FromBase(void* base) {
    return static_cast<CCDevInfo*>(static_cast<WINDOW_DATA*>(base));
}

void CCDevInfo::Post(unsigned msg, uintptr_t wparam, intptr_t lparam) const {
    PostMessage(owner, msg, wparam, lparam);
}

void CCDevInfo::RewriteDeviceId(char (&id)[DEVICE_CONNECT_TEXT_BYTES]) {
    if (strnlen(id, sizeof id) != 18 || (id[0] != 'c' && id[0] != 'C') ||
        (id[1] != 's' && id[1] != 'S')) {
        return;
    }
    unsigned char packed[5];
    for (int k = 0; k < 5; ++k) {
        const char pair[3] = {id[8 + 2 * k], id[9 + 2 * k], '\0'};
        packed[k] = static_cast<unsigned char>(std::atoi(pair));
    }
    std::memcpy(id + 8, packed, sizeof packed);
    std::memset(id + 13, 0, sizeof id - 13);
}

void CCDevInfo::RegisterCallbacks() {
    DeviceCallbacks cb{};
    cb.on_event = &CCDevInfo::OnDeviceEvent;
    cb.on_p2p_mode = &CCDevInfo::OnP2pMode;
    cb.on_alarm = &CCDevInfo::OnAlarmMessage;
    cb.on_nas_alarm = &CCDevInfo::OnNasAlarmMessage;
    cb.on_param_data = &CCDevInfo::OnParamData;
    cb.on_param_result = &CCDevInfo::OnParamResult;
    cb.base_context = static_cast<WINDOW_DATA*>(this);
    cb.device_context = this;
    Library().SetCallbacks(handle, cb);
}

int CCDevInfo::Connect() {
    thumbnail_stored = 0;
    std::memset(thumbnail_path, 0, sizeof thumbnail_path);
    connect_info = DeviceConnectInfo{};
    CopyTextField(connect_info.user, FieldText(identity.user));
    CopyTextField(connect_info.password, FieldText(identity.password));
    CopyTextField(connect_info.host, FieldText(identity.host));
    CopyTextField(connect_info.deviceId, FieldText(identity.device_id));
    connect_info.port = identity.port;
    if (handle >= 0) {
        return 0;
    }
    if (kind_ != kKindRecorder) {
        RewriteDeviceId(connect_info.deviceId);
    }
    const int created = Library().Create(connect_info, identity.connection_mode);
    if (created < 0) {
        DebugOut("create device instance failed:%d\n", created);
        return created;
    }
    handle = created;
    RegisterCallbacks();
    // Door-bells run on batteries and sleep: only the battery connect's racing attempts reach
    // them in time (a mains-powered one accepts those attempts as well).
    const int started = kind_ == kKindDoorBell && identity.connection_mode == kConnectP2p
                            ? Library().StartBattery(handle)
                            : Library().Start(handle);
    PrepareAlarmPhotoFolder();
    if (identity.connection_mode == 0 && kind_ != kKindRecorder) {
        RequestParam(kParamStorageInfo);  // its answer brings a direct session online
    }
    return started;
}

int CCDevInfo::Disconnect() {
    if (handle < 0) {
        return 0;
    }
    if (owner != nullptr) {
        anchor[0] = anchor[1] = 0;
        Post(kMsgHideControlPanel, reinterpret_cast<uintptr_t>(anchor),
             reinterpret_cast<intptr_t>(this));
    }
    StopAllMedia();
    Library().Stop(handle);
    const int destroyed = Library().Destroy(handle);
    handle = -1;
    // The instance's threads are gone: no event can race this. A stale "online" would keep the
    // next login's event 100 from starting video on the kept pane.
    state_ = kStateOffline;
    return destroyed;
}

void CCDevInfo::Reconnect(bool was_playing, CVideoPane* playing_pane) {
    Disconnect();
    std::this_thread::sleep_for(kReconnectPause);
    Connect();
    if (was_playing) {
        AssignPane(playing_pane);
    }
}

void CCDevInfo::PrepareAlarmPhotoFolder() {
    std::string root;
    {
        std::lock_guard<std::mutex> lock(g_alarm_root_mu);
        root = g_alarm_root;
    }
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char day[40];
    std::snprintf(day, sizeof day, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    const std::string folder = DataPaths::Join(
        DataPaths::Join(root, day), MediaRules::SafeFolderName(FieldText(identity.device_id)));
    if (!DataPaths::MakeFolders(folder)) {
        DebugOut("create alarm folder failed:%s\n", folder.c_str());
    }
    CopyTextField(alarm_folder, folder);
}

// ---- parameters ----

int CCDevInfo::RequestParam(int type) {
    if (kind_ == kKindCamera) {
        if (type == kParamSnapshot || type == kParamShort12 || type == kParamShort24) {
            Library().GetParam(handle, type);
        } else if (const ParamSlotInfo* slot = ParamStore::CameraSlot(type)) {
            pending_message = slot->message;
            Library().GetParam(handle, type);
        }
    } else if (kind_ == kKindRecorder) {
        if (type == kNasParamUnstored) {
            Library().GetParam(handle, type);
        } else if (const ParamSlotInfo* slot = ParamStore::NasSlot(type)) {
            pending_message = slot->message;
            if (type == kNasParamSceneList) {
                const int32_t channel = ChannelIndex();
                Library().GetParamEx(handle, type, &channel, sizeof channel);
            } else {
                Library().GetParam(handle, type);
            }
        }
        // Snapshots (9998) are not requested for NAS channels: the recorder's instance number
        // means nothing to the camera library.
    }
    return 1;
}

int CCDevInfo::WriteParam(int type, const void* record) {
    if (kind_ != kKindCamera && kind_ != kKindRecorder) {
        return 0;
    }
    if (type == kCameraControlType) {
        if (record == nullptr) {
            return 0;
        }
        const auto* r = static_cast<const unsigned char*>(record);
        const std::pair<int, int> controls[] = {
            {0, ReadInt32(r + 0)},
            {11, ReadInt32(r + 44)},
            {3, ReadInt32(r + 24)},
            {6, ReadInt32(r + 56)},
            {12, ReadInt32(r + 80)},
            {13, ReadInt32(r + 68)},
            {24, 31},
            {25, 31},
        };
        for (const auto& [index, value] : controls) {
            SendCameraControl(index, value);
        }
        return 0;
    }
    if (kind_ == kKindCamera) {
        if (type == kCameraSetStorageFormat) {
            return Library().SetParam(handle, type, &connect_info, sizeof connect_info);
        }
        const int bytes = ParamStore::CameraWriteBytes(type);
        return (bytes > 0 && record) ? Library().SetParam(handle, type, record, bytes) : 0;
    }
    // NAS 8206 and 8215 take 12-byte records the settings sheet does not build; they are not
    // sent rather than sent with a record the library refuses.
    const int bytes = ParamStore::NasWriteBytes(type);
    return (bytes > 0 && record) ? Library().SetParam(handle, type, record, bytes) : 0;
}

void CCDevInfo::SendCameraControl(int index, int value) {
    if (kind_ != kKindCamera && kind_ != kKindRecorder) {
        return;
    }
    int32_t record[kCameraControlInts] = {index, value};
    Library().SetParam(handle, kCameraControlType, record, sizeof record);
}

// ---- PTZ ----

int CCDevInfo::Ptz(int command, bool use_nas) {
    IDeviceLibrary& lib = use_nas ? DeviceLibraries::Nas() : DeviceLibraries::Camera();
    return lib.Ptz(handle, command, ChannelIndex());
}

int CCDevInfo::PtzPreset(int preset, bool go) {
    if (handle < 0 || preset < 0 || preset >= kPtzPresetCount) {
        return 0;
    }
    const bool nas = kind_ == kKindRecorder;
    if (player == 0) {
        return Ptz(kPtzStopWithoutPlayer, nas);
    }
    const int command = kPtzPresetBase + 2 * preset + (go ? 1 : 0);
    if (nas) {
        return Ptz(command, true);
    }
    if (preset < 2 && kind_ != kKindCamera) {
        return 0;
    }
    return Ptz(command, false);
}

int CCDevInfo::ToggleVerticalCruise() {
    if (handle < 0 || (kind_ != kKindCamera && kind_ != kKindRecorder)) {
        return vertical_cruise;
    }
    vertical_cruise = !vertical_cruise;
    Ptz(vertical_cruise ? kPtzVerticalCruiseOn : kPtzVerticalCruiseOff, kind_ == kKindRecorder);
    return vertical_cruise;
}

int CCDevInfo::ToggleHorizontalCruise() {
    if (handle < 0) {
        return horizontal_cruise;
    }
    horizontal_cruise = !horizontal_cruise;
    Ptz(horizontal_cruise ? kPtzHorizontalCruiseOn : kPtzHorizontalCruiseOff,
        kind_ == kKindRecorder);
    return horizontal_cruise;
}

int CCDevInfo::ToggleFlip() {
    if (handle < 0) {
        return flip;
    }
    flip = !flip;
    if (kind_ == kKindCamera) {
        SendCameraControl(kControlFlipMirror, 2 * flip + mirror);
    }
    return flip;
}

int CCDevInfo::ToggleMirror() {
    if (handle < 0) {
        return mirror;
    }
    mirror = !mirror;
    SendCameraControl(kControlFlipMirror, 2 * flip + mirror);  // kinds 0 and 1 only
    return mirror;
}

// ---- texts ----

std::string CCDevInfo::ThumbnailPath() {
    const int64_t now = NowSeconds();
    if (now - last_thumbnail_request_s > kThumbnailRequestSeconds) {
        last_thumbnail_request_s = now;
        if (!thumbnail_stored && IsOnline() && kind_ == kKindCamera) {
            RequestParam(kParamSnapshot);
        }
    }
    return FieldText(thumbnail_path);
}

std::string_view CCDevInfo::StateText(const LanguageTables& lang) const {
    return lang.Text(LangTag::DevStatusContent, state());
}

// ---- callbacks ----

void CCDevInfo::OnDeviceEvent(int event, void* base) {
    CCDevInfo* dev = FromBase(base);
    const uintptr_t context = reinterpret_cast<uintptr_t>(base);
    switch (event) {
        case 0:
            dev->state_ = kStateConnecting;
            dev->Post(kMsgConnecting, context, 0);
            break;
        case 1:
            dev->state_ = kStateRefused;
            dev->Post(kMsgRefusedOrTimedOut, context, 0);
            break;
        case 2:
            dev->state_ = kStateEvent2;
            break;
        case 5:
            dev->state_ = kStateInvalidId;
            break;
        case 9:
        case 11:
            dev->state_ = kStateOffline;
            dev->Post(kMsgOffline, context, 0);
            break;
        case 10:
            dev->state_ = kStateTimedOut;
            dev->Post(kMsgRefusedOrTimedOut, context, 0);
            break;
        case 100:
            dev->EnterOnline();
            dev->RequestParam(kParamStorageInfo);
            break;
        default:
            break;
    }
}

void CCDevInfo::EnterOnline() {
    const int32_t before = state_.exchange(kStateOnline);
    Post(kMsgOnlineOrThumbnail, reinterpret_cast<uintptr_t>(static_cast<WINDOW_DATA*>(this)), 0);
    // Only the way into the online state starts video: a TCP session raises event 100 again
    // for every stream start, which would otherwise start the stream anew.
    if (before != kStateOnline) {
        // The video start touches the pane and the player window: user-interface work.
        RunOnUiThread([this] { StartVideoOnAssignedPane(); }, true);
    }
}

void CCDevInfo::OnP2pMode(int code, void* base) {
    CCDevInfo* dev = FromBase(base);
    if (code == 6) {
        dev->path_mode = 2;
    } else if (code == 7) {
        dev->path_mode = 1;
    }
    dev->path_mode_time_s = NowSeconds();
}

void CCDevInfo::OnAlarmMessage(int alarm_code, void* base) {
    CCDevInfo* dev = FromBase(base);
    if (!IsAlarmCode(alarm_code) || dev->handle < 0) {
        return;
    }
    dev->alarm_type = alarm_code;
    if (dev->kind_ == kKindCamera) {
        DeviceLibraries::Camera().GetParam(dev->handle, kParamSnapshot);
    }
}

void CCDevInfo::OnNasAlarmMessage(int /*channel*/, int alarm_code, void* base) {
    OnAlarmMessage(alarm_code, base);
}

void CCDevInfo::StoreSnapshot(const char* record, int length) {
    const std::time_t now_t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now_t, &tm);
    const int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count() %
                                    1000);
    const std::string folder = FieldText(alarm_folder);
    const int32_t alarm = alarm_type;
    char name[128];
    if (alarm != 0) {
        std::snprintf(name, sizeof name, "%04d_%04d%02d%02d_%02d%02d%02d_%d.jpg", alarm,
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec, ms);
    } else {
        std::snprintf(name, sizeof name, "%04d.jpg", 0);
    }
    const std::string path = DataPaths::Join(folder, name);
    if (folder.empty() || length < 0 ||
        !AtomicFile::Write(path, std::string_view(record, static_cast<size_t>(length)),
                           AtomicFile::kPublicMode)) {
        DebugOut("write snapshot failed:%s\n", path.c_str());
        return;
    }
    if (!thumbnail_stored) {
        if (alarm == 0) {
            CopyTextField(thumbnail_path, path);
            thumbnail_stored = 1;
        }
        Post(kMsgOnlineOrThumbnail, reinterpret_cast<uintptr_t>(this), 0);
    }
}

void CCDevInfo::OnParamData(int type, const char* record, int length, void* device) {
    auto* dev = static_cast<CCDevInfo*>(device);
    // A direct (TCP) session reports no login: one command per connection, and event 100 only
    // once a stream is asked for. Its first decoded answer shows the device is there and took
    // the account, so that is when it counts as online (and a pane it was given starts).
    if (dev->identity.connection_mode == 0 && dev->kind_ != kKindRecorder && record != nullptr &&
        dev->handle >= 0 && dev->state_.load() != kStateOnline) {
        dev->EnterOnline();
    }
    const ParamSlotInfo* slot = nullptr;
    if (dev->kind_ == kKindCamera) {
        if (type == kParamSnapshot) {
            if (record != nullptr) {
                dev->StoreSnapshot(record, length);
            }
            return;
        }
        slot = ParamStore::CameraSlot(type);
    } else if (dev->kind_ == kKindRecorder) {
        slot = ParamStore::NasSlot(type);
    }
    if (slot == nullptr) {
        return;
    }
    const size_t stored = dev->store.Store(*slot, record, length);
    const unsigned char* bytes = dev->store.Slot(*slot);
    intptr_t posted_length = static_cast<intptr_t>(stored);
    if (dev->kind_ == kKindCamera) {
        if (type == kParamStorageInfo) {
            dev->storage_flag = ReadInt32(bytes + 100) == 2 ? 1 : 0;
        } else if (type == kParamImage) {
            dev->infrared = ReadInt32(bytes + 124);
            posted_length = slot->bytes;
        } else if (type == kParamShort12 || type == kParamShort24) {
            posted_length = slot->bytes;
        }
    }
    dev->Post(slot->message, reinterpret_cast<uintptr_t>(bytes), posted_length);
}

void CCDevInfo::OnParamResult(int /*type*/, int result, void* device) {
    auto* dev = static_cast<CCDevInfo*>(device);
    dev->Post(kMsgSetResult, static_cast<uintptr_t>(static_cast<intptr_t>(result)), 0);
}

}  // namespace vantor::client
