#include "MediaRules.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DataPaths.h"

namespace vantor::client {

namespace {
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 3600;
constexpr size_t kNumberTextMaxBytes = 64;
constexpr size_t kDatePartBytes = 48;
// "宋体" in the GBK code page: the face the overlay record names (the player draws its own).
constexpr unsigned char kOsdFace[] = {0xCB, 0xCE, 0xCC, 0xE5};
constexpr uint8_t kOsdRed[] = {255, 0, 0};
constexpr int32_t kOsdLeft = 5;
constexpr int32_t kOsdTop = 5;
constexpr int32_t kOsdRight = 325;
constexpr int32_t kOsdBottom = 35;
constexpr int32_t kOsdLastField = 10;
}  // namespace

bool MediaRules::RelayLimitReached(int64_t elapsed_s) {
    const int64_t minutes_in_hour =
        elapsed_s / kSecondsPerMinute - (elapsed_s / kSecondsPerHour) * kSecondsPerMinute;
    return minutes_in_hour >= kRelayLimitMinutes;
}

int MediaRules::TextToInt(std::string_view text) {
    char buf[kNumberTextMaxBytes];
    const size_t n = std::min(text.size(), sizeof buf - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    errno = 0;
    const long v = std::strtol(buf, nullptr, 10);
    if (v > INT_MAX) {
        return INT_MAX;
    }
    if (v < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(v);
}

std::string MediaRules::SafeFolderName(std::string_view id) {
    std::string out;
    for (char c : id) {
        out.push_back(
            (c == '/' || c == '\\' || c == '.' || static_cast<unsigned char>(c) < 0x20) ? '_' : c);
    }
    return out.empty() ? std::string("_") : out;
}

std::string MediaRules::SnapshotFolder(std::string_view folder, std::string_view device_id,
                                       const std::tm& t) {
    char day[kDatePartBytes];
    std::snprintf(day, sizeof day, "%04d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return DataPaths::Join(DataPaths::Join(folder, day), SafeFolderName(device_id));
}

std::string MediaRules::SnapshotFile(std::string_view snapshot_folder, const std::tm& t,
                                     int milliseconds) {
    char name[kDatePartBytes];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d_%d.bmp", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, milliseconds);
    return DataPaths::Join(snapshot_folder, name);
}

OsdTextItem MediaRules::MakeOsdItem(std::string_view text) {
    OsdTextItem item;
    std::memset(&item, 0, sizeof item);
    std::memcpy(item.fontFace, kOsdFace, sizeof kOsdFace);
    std::memcpy(item.color, kOsdRed, sizeof kOsdRed);
    item.left = kOsdLeft;
    item.top = kOsdTop;
    item.right = kOsdRight;
    item.bottom = kOsdBottom;
    const std::string_view cut = Utf8Prefix(text, kOsdTextMaxBytes);
    std::memcpy(item.text, cut.data(), cut.size());
    item.reserved3 = kOsdLastField;
    return item;
}

bool MediaRules::MakeRecordParams(std::string_view folder, std::string_view device_id, int file_len,
                                  int time_len, int reserve, int rover, LocalRecordParams* params) {
    if (folder.size() > kRecordFolderMaxBytes || device_id.size() > kRecordDeviceIdMaxBytes ||
        folder.find('\0') != std::string_view::npos ||
        device_id.find('\0') != std::string_view::npos) {
        return false;
    }
    std::memset(params, 0, sizeof *params);
    std::memcpy(params->folder, folder.data(), folder.size());
    std::memcpy(params->deviceId, device_id.data(), device_id.size());
    params->fileLength_mb = file_len;
    params->timeLength_min = time_len;
    params->reserveSpace_mb = reserve;
    params->recordOver = rover;
    return true;
}

std::string_view MediaRules::Utf8Prefix(std::string_view text, size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text;
    }
    size_t end = max_bytes;
    // Step back over continuation bytes to the start of the cut sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

}  // namespace vantor::client
