// Cuts the media frames of a TCP stream connection out of the bytes received: a 32-byte media
// head (magic 0xA815AA55, data length at most kNasStreamMaxData) and its data. The receive
// buffer is fixed (kNasStreamBufferBytes); a frame that cannot fit it, or a bad head, makes
// the connection unusable (the reader closes it).
//
// Thread: the connection's reader only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace vantor {

inline constexpr size_t kNasStreamBufferBytes = 512 * 1024;
inline constexpr uint32_t kNasStreamMaxData = 524288;

class NasStreamFramer {
  public:
    using Deliver = std::function<void(const char* frame, int length)>;

    NasStreamFramer();
    // Allocates the buffer on first use (kept afterwards). false when that fails.
    bool Ensure();
    bool valid() const { return buffer_ != nullptr; }

    // Free space at the end of the buffer for the next receive.
    char* space() { return buffer_.get() + fill_; }
    size_t spaceBytes() const { return kNasStreamBufferBytes - fill_; }
    // Takes n received bytes and delivers every whole frame now held. false when the stream
    // is broken (bad magic, data length above the bound, frame larger than the buffer).
    bool Commit(size_t n, const Deliver& deliver);
    size_t fill() const { return fill_; }
    void Reset() { fill_ = 0; }

  private:
    std::unique_ptr<char[]> buffer_;
    size_t fill_ = 0;
};

}  // namespace vantor
