// Bounded queue of media frames between the caller's thread and a worker thread.
//
// push() never blocks (the network reader must not wait for us). When the queue is full a
// video frame costs the whole group of pictures: every queued video frame is discarded and
// video is refused until the next key frame, which then starts afresh; a full queue refuses
// audio frames one by one. Video after a clear() (or at the start) also waits for a key frame.
// pushWait() is for sources that may wait (a local file): it blocks while the queue is full.
// Thread: any; one lock guards everything.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "MediaFrame.h"

namespace tarsil {

class FrameQueue {
  public:
    FrameQueue(size_t maxFrames, size_t maxBytes);

    bool push(MediaFrame&& frame);
    // False when the queue was closed (or aborted by clear()) while waiting.
    bool pushWait(MediaFrame&& frame);
    // Waits up to timeout_ms for a frame. False on time-out or when closed and empty.
    bool pop(MediaFrame& out, int timeout_ms);
    // Drops everything queued; waiting pushWait callers return false.
    void clear();
    // Wakes every waiter for good (until reopen()).
    void close();
    void reopen();

    size_t size();
    uint64_t dropped();

  private:
    bool fullLocked(size_t extraBytes) const;
    void purgeVideoLocked();

    const size_t maxFrames_;  // immutable
    const size_t maxBytes_;   // immutable

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<MediaFrame> frames_;  // guarded by lock_
    size_t bytes_ = 0;               // guarded by lock_
    bool needKey_ = true;            // guarded by lock_
    bool closed_ = false;            // guarded by lock_
    uint64_t generation_ = 0;        // guarded by lock_: bumped by clear()
    uint64_t dropped_ = 0;           // guarded by lock_
};

}  // namespace tarsil
