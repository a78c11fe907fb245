// One player: the frame intake, the decode thread, drawing, snapshot, overlay, sound, local
// recording and local file playback of one stream.
//
// Locks: presentLock_ guards what a picture touches (the view, the last picture, the packed
// buffer, the overlay). controlLock_ serialises start/stop of the decode thread. Order:
// controlLock_ before presentLock_. The recorder, sound and file playback have their own locks
// and are never called with presentLock_ held, except the recorder's size hint (lock-free).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "FilePlayback.h"
#include "FrameQueue.h"
#include "LocalRecorder.h"
#include "OsdOverlay.h"
#include "PictureView.h"
#include "SoundOutput.h"
#include "VideoDecoder.h"
#include "tarsil.h"

struct AVFrame;
struct SwsContext;

namespace tarsil {

class PlayInstance {
  public:
    static constexpr size_t kQueueFrames = 100;  // about four seconds at 25 fps
    static constexpr size_t kQueueBytes = 16u << 20;
    static constexpr int kPopWait_ms = 100;

    explicit PlayInstance(uint32_t handle);
    ~PlayInstance();
    PlayInstance(const PlayInstance&) = delete;
    PlayInstance& operator=(const PlayInstance&) = delete;

    uint32_t handle() const { return handle_; }
    // Stops every thread and device of the instance; afterwards it only refuses. Idempotent.
    void shutdown();
    bool setWindow(unsigned long window);
    bool startPlay();
    void stopPlay();
    bool inputNetFrame(const uint8_t* data, size_t length);
    bool openSound() { return !shutDown_ && sound_.open(); }
    void closeSound() { sound_.close(); }
    bool capturePicture(const char* path);
    void setOsd(const OsdTextItem& item);
    void removeOsd();
    bool startRecord(const LocalRecordParams& params) {
        return !shutDown_ && recorder_.start(params);
    }
    void stopRecord() { recorder_.stop(); }
    bool recording() const { return recorder_.recording(); }
    FilePlayback& file() { return file_; }
    void stats(TarsilStats& out);

  private:
    void decodeLoop();
    void present(const AVFrame* picture);
    void flushForSeek();
    // Packs (and converts when needed) into packed_; returns false for unusable formats.
    bool pack(const AVFrame* picture, int width, int height);

    const uint32_t handle_;  // immutable

    FrameQueue queue_{kQueueFrames, kQueueBytes};
    VideoDecoder decoder_;  // decode thread
    std::atomic<bool> flushDecoder_{false};
    std::atomic<bool> playing_{false};
    std::atomic<bool> shutDown_{false};
    std::mutex controlLock_;
    std::thread decodeThread_;  // guarded by controlLock_

    std::mutex presentLock_;
    PictureView view_;                  // guarded by presentLock_
    AVFrame* last_ = nullptr;           // guarded by presentLock_
    std::vector<uint8_t> packed_;       // guarded by presentLock_
    SwsContext* converter_ = nullptr;   // guarded by presentLock_
    int converterKey_[3] = {0, 0, -1};  // guarded by presentLock_: width, height, format
    OsdOverlay osd_;                    // guarded by presentLock_

    SoundOutput sound_;
    LocalRecorder recorder_;
    FilePlayback file_;

    std::atomic<uint64_t> accepted_{0};
    std::atomic<uint64_t> refused_{0};
    std::atomic<uint64_t> shown_{0};
};

}  // namespace tarsil
