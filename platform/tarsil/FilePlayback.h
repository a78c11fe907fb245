// Local file playback: a thread reads the file with libavformat and hands its video and
// G.711 audio packets, as media frames, to the play instance at the file's own pace.
//
// State: closed -> paused (after open) <-> playing -> ended (end of file; the end callback
// runs once on the file thread). Seeking moves to the key frame at or before the target,
// flushes what the player still holds, and keeps the state (ended becomes paused).
// Thread: the public calls from any thread, serialised by lock_; the file thread owns format_
// between open() and close().
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "MediaFrame.h"
#include "tarsil.h"

struct AVFormatContext;

namespace tarsil {

class FilePlayback {
  public:
    enum State { Closed = 0, Playing = 1, Paused = 2, Ended = 3 };
    using FrameSink = std::function<bool(MediaFrame&&)>;  // may block; false: aborted
    using Flush = std::function<void()>;

    FilePlayback(uint32_t handle, FrameSink sink, Flush flush);
    ~FilePlayback();
    FilePlayback(const FilePlayback&) = delete;
    FilePlayback& operator=(const FilePlayback&) = delete;

    bool open(const std::string& path);
    void close();
    bool play();
    bool pause();
    bool seek(int seconds);
    bool time(int64_t* position_ms, int64_t* duration_ms);
    int state();
    void setEndCallback(FileEndCallback callback, void* user);

  private:
    void run();
    bool waitUntilDue(std::unique_lock<std::mutex>& guard, int64_t pts_ms);

    const uint32_t handle_;  // immutable
    FrameSink sink_;         // immutable
    Flush flush_;            // immutable

    std::mutex controlLock_;  // serialises open/close against each other
    std::mutex lock_;
    std::condition_variable wake_;
    State state_ = Closed;                          // guarded by lock_
    bool stop_ = false;                             // guarded by lock_
    int64_t seekTarget_ms_ = -1;                    // guarded by lock_: pending seek
    int64_t position_ms_ = 0;                       // guarded by lock_
    int64_t duration_ms_ = 0;                       // guarded by lock_
    bool anchored_ = false;                         // guarded by lock_
    std::chrono::steady_clock::time_point anchor_;  // guarded by lock_: wall time of pts 0
    FileEndCallback endCallback_ = nullptr;         // guarded by lock_
    void* endUser_ = nullptr;                       // guarded by lock_

    AVFormatContext* format_ = nullptr;  // file thread
    int videoStream_ = -1;
    int audioStream_ = -1;
    Codec videoCodec_ = Codec::H264;
    std::thread thread_;
};

}  // namespace tarsil
