#include "ByteQueue.h"

#include <algorithm>
#include <cstring>

namespace vantor::pppp {

void ByteQueue::append(const uint8_t* data, size_t n) {
    while (n > 0) {
        if (blocks_.empty() || blocks_.back().end == kBlockBytes) {
            Block b;
            if (!spare_.empty()) {
                b.data = std::move(spare_.back());
                spare_.pop_back();
            } else {
                b.data.reset(new uint8_t[kBlockBytes]);  // no zero fill: bytes are written first
            }
            blocks_.push_back(std::move(b));
        }
        Block& b = blocks_.back();
        size_t k = std::min(n, kBlockBytes - b.end);
        std::memcpy(b.data.get() + b.end, data, k);
        b.end += k;
        size_ += k;
        data += k;
        n -= k;
    }
}

size_t ByteQueue::take(uint8_t* out, size_t n) {
    size_t done = 0;
    while (done < n && size_ > 0) {
        Block& b = blocks_.front();
        size_t k = std::min(n - done, b.end - b.begin);
        std::memcpy(out + done, b.data.get() + b.begin, k);
        done += k;
        drop(k);
    }
    return done;
}

void ByteQueue::drop(size_t n) {
    while (n > 0 && size_ > 0) {
        Block& b = blocks_.front();
        size_t k = std::min(n, b.end - b.begin);
        b.begin += k;
        size_ -= k;
        n -= k;
        // A drained block is freed unless it is the tail still being filled.
        if (b.begin == b.end && (blocks_.size() > 1 || b.end == kBlockBytes)) {
            if (spare_.size() < kMaxSpareBlocks)
                spare_.push_back(std::move(b.data));
            blocks_.pop_front();
        } else if (b.begin == b.end) {
            b.begin = b.end = 0;
        }
    }
}

int ByteQueue::peek(size_t n, struct iovec* iov, int maxIov) const {
    int count = 0;
    for (const Block& b : blocks_) {
        if (n == 0 || count == maxIov)
            break;
        size_t k = std::min(n, b.end - b.begin);
        if (k == 0)
            continue;
        iov[count].iov_base = b.data.get() + b.begin;
        iov[count].iov_len = k;
        ++count;
        n -= k;
    }
    return count;
}

void ByteQueue::clear() {
    blocks_.clear();
    spare_.clear();
    size_ = 0;
}

}  // namespace vantor::pppp
