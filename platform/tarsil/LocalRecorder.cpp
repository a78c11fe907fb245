#include "LocalRecorder.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "RecordFolder.h"

namespace tarsil {

namespace {

constexpr int64_t kBytesPerMb = 1024 * 1024;
constexpr int64_t kMsPerMinute = 60 * 1000;
constexpr int kPopWait_ms = 100;

std::tm nowLocal() {
    std::time_t t = std::time(nullptr);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

}  // namespace

LocalRecorder::LocalRecorder(FreeSpaceFn freeSpace, LocalTimeFn localTime)
    : freeSpace_(freeSpace ? std::move(freeSpace) : FreeSpaceFn(&RecordFolder::freeSpaceMb)),
      localTime_(localTime ? std::move(localTime) : LocalTimeFn(&nowLocal)) {}

LocalRecorder::~LocalRecorder() {
    stop();
}

bool LocalRecorder::spaceOk() {
    const std::string root = RecordFolder::recordRoot(folder_);
    for (;;) {
        int64_t free_mb = freeSpace_(root);
        if (free_mb < 0 || free_mb >= reserve_mb_)
            return free_mb >= 0;
        if (!recordOver_)
            return false;
        if (!RecordFolder::deleteOldest(folder_, writer_.isOpen() ? writer_.path() : "")) {
            return false;
        }
    }
}

bool LocalRecorder::start(const LocalRecordParams& params) {
    std::lock_guard<std::mutex> guard(controlLock_);
    if (running_) {
        if (recording_)
            return false;
        // It ended by itself (no space): collect the thread before starting again.
        running_ = false;
        queue_.close();
        if (thread_.joinable())
            thread_.join();
    }
    const size_t folderLen = strnlen(params.folder, sizeof params.folder);
    const size_t idLen = strnlen(params.deviceId, sizeof params.deviceId);
    if (folderLen == 0 || folderLen == sizeof params.folder || idLen == sizeof params.deviceId) {
        return false;
    }
    folder_.assign(params.folder, folderLen);
    deviceId_.assign(params.deviceId, idLen);
    if (!RecordFolder::validDeviceId(deviceId_))
        return false;
    fileLimit_bytes_ = params.fileLength_mb > 0 ? params.fileLength_mb * kBytesPerMb : 0;
    timeLimit_ms_ = params.timeLength_min > 0 ? params.timeLength_min * kMsPerMinute : 0;
    reserve_mb_ = params.reserveSpace_mb > 0 ? params.reserveSpace_mb : 0;
    recordOver_ = params.recordOver != 0;
    std::error_code ec;
    std::filesystem::create_directories(RecordFolder::recordRoot(folder_), ec);
    if (!std::filesystem::is_directory(RecordFolder::recordRoot(folder_), ec))
        return false;
    if (!spaceOk())
        return false;
    {
        std::lock_guard<std::mutex> files(filesLock_);
        files_.clear();
    }
    queue_.clear();
    queue_.reopen();
    running_ = true;
    recording_ = true;
    thread_ = std::thread(&LocalRecorder::run, this);
    return true;
}

void LocalRecorder::stop() {
    std::lock_guard<std::mutex> guard(controlLock_);
    running_ = false;  // the thread writes what was already queued, then closes the file
    queue_.close();
    if (thread_.joinable())
        thread_.join();
    recording_ = false;
    queue_.clear();
}

void LocalRecorder::feed(const MediaFrame& frame) {
    if (!recording_)
        return;
    MediaFrame copy = frame.clone();
    queue_.push(std::move(copy));
}

void LocalRecorder::setPictureSize(int width, int height) {
    hintWidth_ = width;
    hintHeight_ = height;
}

std::vector<std::string> LocalRecorder::files() {
    std::lock_guard<std::mutex> guard(filesLock_);
    return files_;
}

bool LocalRecorder::beginFile(const MediaFrame& key) {
    writer_.close();
    if (!spaceOk())
        return false;
    int width = key.widthOrRate ? key.widthOrRate : hintWidth_.load();
    int height = key.heightOrBits ? key.heightOrBits : hintHeight_.load();
    if (width <= 0 || height <= 0)
        return true;  // size not known yet: wait for the next key
    int fps =
        key.rateOrChannels > 0 && key.rateOrChannels <= kMaxFps ? key.rateOrChannels : kDefaultFps;
    std::string path = RecordFolder::newFilePath(folder_, deviceId_, localTime_());
    if (path.empty() || !writer_.open(path, key.codec, width, height, fps))
        return false;
    fileStart_ms_ = key.time_ms;
    fileCodec_ = key.codec;
    std::lock_guard<std::mutex> guard(filesLock_);
    files_.push_back(path);
    return true;
}

void LocalRecorder::write(const MediaFrame& frame) {
    if (!frame.isVideo()) {
        if (writer_.isOpen())
            writer_.writeAudio(frame);
        return;
    }
    if (frame.key) {
        const int64_t elapsed_ms = frame.time_ms - fileStart_ms_;
        const bool split = !writer_.isOpen() || frame.codec != fileCodec_ ||
                           (fileLimit_bytes_ > 0 &&
                            writer_.bytesWritten() >= static_cast<uint64_t>(fileLimit_bytes_)) ||
                           (timeLimit_ms_ > 0 && (elapsed_ms >= timeLimit_ms_ || elapsed_ms < 0));
        if (split) {
            if (!beginFile(frame)) {
                writer_.close();
                recording_ = false;  // no space left (or the folder went away)
                return;
            }
        } else if (!spaceOk()) {
            writer_.close();
            recording_ = false;
            return;
        }
    }
    if (writer_.isOpen())
        writer_.writeVideo(frame);
}

void LocalRecorder::run() {
    MediaFrame frame;
    while (running_ && recording_) {
        if (!queue_.pop(frame, kPopWait_ms))
            continue;
        write(frame);
    }
    // Frames already queued when stop() came are still written: they were taken before it.
    while (recording_ && queue_.pop(frame, 1))
        write(frame);
    writer_.close();
}

}  // namespace tarsil
