// Byte ring that decouples the threads building requests from the one thread writing them
// to the transport. Each operation takes the queue's own lock for its whole duration, so an
// entry and its packet, written in one write()/writeParts(), are never seen half by the reader.
//
// Thread: any. Ownership: the session owns its queue (created with kCommandQueueBytes, freed
// with the session). Nothing here blocks beyond the queue lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "CmdHead.h"
#include "CriticalLock.h"

namespace vantor {

class CommandQueue {
  public:
    // A queue whose allocation failed (or capacity 0) has capacity() == 0 and refuses writes.
    explicit CommandQueue(size_t capacity = kCommandQueueBytes);
    ~CommandQueue();
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // All or nothing: n when stored, 0 when used + n would exceed the capacity (or n == 0).
    size_t write(const void* data, size_t n);

    struct Part {
        const void* data;
        size_t bytes;
    };
    // Same as write() of the parts joined, without joining them first.
    size_t writeParts(const Part* parts, size_t count);

    // n when n bytes were copied out and consumed; 0 (nothing consumed) when fewer are stored.
    size_t read(void* buffer, size_t n);

    // Drops everything stored.
    void clear();

    // Frees and reallocates the storage, then clears. 1 done; 0 when capacity is 0 or the
    // allocation fails (the queue then has no storage and refuses writes).
    int reset(size_t capacity);

    size_t used();
    size_t capacity();

  private:
    CriticalLock lock_;
    // guarded by lock_
    std::unique_ptr<uint8_t[]> storage_;
    size_t capacity_ = 0;
    size_t used_ = 0;
    size_t readPos_ = 0;
    size_t writePos_ = 0;

    void copyIn(const uint8_t* data, size_t n);  // lock held, room checked
};

}  // namespace vantor
