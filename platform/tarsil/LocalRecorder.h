// Local recording of one play instance: frames are copied in on the caller's thread and
// written by the recorder's own thread into AVI files (see RecordFolder for the names).
//
// A file starts at a key frame whose picture size is known (from the head, else from the
// decoder's hint). A new file begins at the first key frame past the file-length limit (MB) or
// past the time-length limit (minutes of device time from the frame heads). Before each file and
// at each key frame the free space is checked against the reserve: with record-over the oldest
// recordings are deleted, else the recording ends by itself.
// Thread: start/stop/recording/feed from any thread; the writer state belongs to the thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AviWriter.h"
#include "FrameQueue.h"
#include "tarsil.h"

namespace tarsil {

class LocalRecorder {
  public:
    using FreeSpaceFn = std::function<int64_t(const std::string& path)>;  // megabytes
    using LocalTimeFn = std::function<std::tm()>;

    // Bursts (a slow disk, frames arriving in a batch) are absorbed up to the byte bound.
    static constexpr size_t kQueueFrames = 4096;
    static constexpr size_t kQueueBytes = 32u << 20;
    static constexpr int kDefaultFps = 25;
    static constexpr int kMaxFps = 120;

    // Both hooks default to the real file system and clock.
    explicit LocalRecorder(FreeSpaceFn freeSpace = {}, LocalTimeFn localTime = {});
    ~LocalRecorder();
    LocalRecorder(const LocalRecorder&) = delete;
    LocalRecorder& operator=(const LocalRecorder&) = delete;

    bool start(const LocalRecordParams& params);
    void stop();
    bool recording() const { return recording_.load(); }
    void feed(const MediaFrame& frame);
    void setPictureSize(int width, int height);
    // Paths of the files begun so far in this recording (for the caller's list and tests).
    std::vector<std::string> files();

  private:
    void run();
    void write(const MediaFrame& frame);
    bool beginFile(const MediaFrame& key);
    bool spaceOk();

    FreeSpaceFn freeSpace_;  // immutable after construction
    LocalTimeFn localTime_;  // immutable after construction

    std::mutex controlLock_;  // serialises start/stop
    std::atomic<bool> recording_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> hintWidth_{0};
    std::atomic<int> hintHeight_{0};
    FrameQueue queue_{kQueueFrames, kQueueBytes};
    std::thread thread_;

    // Set by start() before the thread runs, then owned by the thread.
    std::string folder_;
    std::string deviceId_;
    int64_t fileLimit_bytes_ = 0;
    int64_t timeLimit_ms_ = 0;
    int64_t reserve_mb_ = 0;
    bool recordOver_ = false;
    AviWriter writer_;
    int64_t fileStart_ms_ = 0;
    Codec fileCodec_ = Codec::H264;

    std::mutex filesLock_;
    std::vector<std::string> files_;  // guarded by filesLock_
};

}  // namespace tarsil
