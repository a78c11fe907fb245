// Cuts a byte stream from one connection into IpcFrames.
//
// Thread: one reader per connection, used by one thread at a time.
// Bounds: holds at most one unfinished frame (kIpcMaxFrameBytes). The first bad head (wrong
// magic, payload length over kIpcMaxPayloadBytes) makes the reader fail for good: the stream
// has lost its framing, so the caller closes the connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "IpcFrame.h"

namespace vantor::client {

class IpcFrameReader {
  public:
    using FrameFn = std::function<void(IpcFrame&&)>;

    // Takes the next bytes of the stream and calls on_frame for every frame they complete, in
    // order, before returning. false once the stream is bad (also on every later call).
    bool Feed(std::span<const uint8_t> bytes, const FrameFn& on_frame);

    bool failed() const { return failed_; }
    // Bytes of an unfinished frame held back; non-zero at end of stream means a short frame.
    size_t pending_bytes() const { return buffer_.size(); }

  private:
    // Checks the head in buffer_ (complete) and sets frame_bytes_; false when bad.
    bool ParseHead();

    std::vector<uint8_t> buffer_;
    size_t frame_bytes_ = 0;  // size of the frame in buffer_ once its head is known, else 0
    bool failed_ = false;
};

}  // namespace vantor::client
