#include "CommandQueue.h"

#include <cstring>
#include <new>

#include "LockGuard.h"

namespace vantor {

CommandQueue::CommandQueue(size_t capacity) {
    reset(capacity);
}

CommandQueue::~CommandQueue() = default;

void CommandQueue::copyIn(const uint8_t* data, size_t n) {
    size_t first = capacity_ - writePos_;
    if (first > n)
        first = n;
    std::memcpy(storage_.get() + writePos_, data, first);
    std::memcpy(storage_.get(), data + first, n - first);
    writePos_ = (writePos_ + n) % capacity_;
    used_ += n;
}

size_t CommandQueue::write(const void* data, size_t n) {
    Part part{data, n};
    return writeParts(&part, 1);
}

size_t CommandQueue::writeParts(const Part* parts, size_t count) {
    LockGuard guard(lock_);
    size_t total = 0;
    for (size_t i = 0; i < count; ++i)
        total += parts[i].bytes;
    if (total == 0 || storage_ == nullptr || total > capacity_ - used_)
        return 0;
    for (size_t i = 0; i < count; ++i)
        copyIn(static_cast<const uint8_t*>(parts[i].data), parts[i].bytes);
    return total;
}

size_t CommandQueue::read(void* buffer, size_t n) {
    LockGuard guard(lock_);
    if (n == 0 || storage_ == nullptr || used_ < n)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t first = capacity_ - readPos_;
    if (first > n)
        first = n;
    std::memcpy(out, storage_.get() + readPos_, first);
    std::memcpy(out + first, storage_.get(), n - first);
    readPos_ = (readPos_ + n) % capacity_;
    used_ -= n;
    return n;
}

void CommandQueue::clear() {
    LockGuard guard(lock_);
    used_ = readPos_ = writePos_ = 0;
}

int CommandQueue::reset(size_t capacity) {
    LockGuard guard(lock_);
    storage_.reset();
    capacity_ = 0;
    used_ = readPos_ = writePos_ = 0;
    if (capacity == 0)
        return 0;
    storage_.reset(new (std::nothrow) uint8_t[capacity]);
    if (storage_ == nullptr)
        return 0;
    capacity_ = capacity;
    return 1;
}

size_t CommandQueue::used() {
    LockGuard guard(lock_);
    return used_;
}

size_t CommandQueue::capacity() {
    LockGuard guard(lock_);
    return capacity_;
}

}  // namespace vantor
