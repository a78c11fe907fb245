// A FIFO of bytes kept in fixed-size blocks, so appending never moves bytes already queued:
// a consumer may hand pointers to queued bytes to writev() while producers append, as long as
// only that consumer removes bytes. Not thread-safe by itself; the owner's lock guards it.
// The queue has no bound of its own: every owner enforces its own byte cap before append().
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace vantor::pppp {

class ByteQueue {
  public:
    static constexpr size_t kBlockBytes = 128 * 1024;
    // Drained blocks kept for reuse: a busy stream then never returns to the allocator,
    // whose trimming would make every refill fault its pages in again.
    static constexpr size_t kMaxSpareBlocks = 8;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    void append(const uint8_t* data, size_t n);
    // Copies up to n bytes from the front into out and removes them; returns the count.
    size_t take(uint8_t* out, size_t n);
    // Removes up to n bytes from the front.
    void drop(size_t n);
    // Fills up to maxIov iovecs with the first n bytes (n <= size()); returns the iovec count.
    int peek(size_t n, struct iovec* iov, int maxIov) const;
    void clear();

  private:
    struct Block {
        std::unique_ptr<uint8_t[]> data;
        size_t begin = 0;  // first queued byte
        size_t end = 0;    // one past the last queued byte
    };
    std::deque<Block> blocks_;
    std::vector<std::unique_ptr<uint8_t[]>> spare_;  // at most kMaxSpareBlocks
    size_t size_ = 0;
};

}  // namespace vantor::pppp
