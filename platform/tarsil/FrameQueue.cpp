#include "FrameQueue.h"

#include <chrono>

namespace tarsil {

FrameQueue::FrameQueue(size_t maxFrames, size_t maxBytes)
    : maxFrames_(maxFrames), maxBytes_(maxBytes) {}

bool FrameQueue::fullLocked(size_t extraBytes) const {
    return frames_.size() >= maxFrames_ || bytes_ + extraBytes > maxBytes_;
}

void FrameQueue::purgeVideoLocked() {
    for (auto it = frames_.begin(); it != frames_.end();) {
        if (it->isVideo()) {
            bytes_ -= it->payload;
            ++dropped_;
            it = frames_.erase(it);
        } else {
            ++it;
        }
    }
}

bool FrameQueue::push(MediaFrame&& frame) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) {
        ++dropped_;
        return false;
    }
    if (frame.isVideo()) {
        if (fullLocked(frame.payload)) {
            purgeVideoLocked();
            needKey_ = true;
        }
        if (needKey_ && !frame.key) {
            ++dropped_;
            return false;
        }
        if (fullLocked(frame.payload)) {  // audio alone fills it, or one huge frame
            ++dropped_;
            return false;
        }
        needKey_ = false;
    } else if (fullLocked(frame.payload)) {
        ++dropped_;
        return false;
    }
    bytes_ += frame.payload;
    frames_.push_back(std::move(frame));
    changed_.notify_all();
    return true;
}

bool FrameQueue::pushWait(MediaFrame&& frame) {
    std::unique_lock<std::mutex> guard(lock_);
    const uint64_t generation = generation_;
    changed_.wait(guard, [&] {
        return closed_ || generation_ != generation || !fullLocked(frame.payload) ||
               frames_.empty();
    });
    if (closed_ || generation_ != generation)
        return false;
    if (frame.isVideo())
        needKey_ = false;
    bytes_ += frame.payload;
    frames_.push_back(std::move(frame));
    changed_.notify_all();
    return true;
}

bool FrameQueue::pop(MediaFrame& out, int timeout_ms) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                           [&] { return closed_ || !frames_.empty(); })) {
        return false;
    }
    if (frames_.empty())
        return false;
    out = std::move(frames_.front());
    frames_.pop_front();
    bytes_ -= out.payload;
    changed_.notify_all();
    return true;
}

void FrameQueue::clear() {
    std::lock_guard<std::mutex> guard(lock_);
    frames_.clear();
    bytes_ = 0;
    needKey_ = true;
    ++generation_;
    changed_.notify_all();
}

void FrameQueue::close() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    changed_.notify_all();
}

void FrameQueue::reopen() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = false;
}

size_t FrameQueue::size() {
    std::lock_guard<std::mutex> guard(lock_);
    return frames_.size();
}

uint64_t FrameQueue::dropped() {
    std::lock_guard<std::mutex> guard(lock_);
    return dropped_;
}

}  // namespace tarsil
