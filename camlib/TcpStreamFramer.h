// Cuts media frames (32-byte head + data) off the front of a TCP stream buffer.
//
// The TCP session's stream readers append received bytes to a fixed buffer and call Cut after
// each receive. Bytes are untrusted: a head with the wrong magic, or one announcing more data
// than the buffer can ever hold, makes the stream unusable (the caller closes the connection).
// Thread: stateless; called by each stream's reader thread on its own buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vantor {

class TcpStreamFramer {
  public:
    enum class Result { kOk, kBad };
    // Called with each whole frame (head and data, inside the caller's buffer); returning false
    // stops cutting after that frame.
    using FrameFn = std::function<bool(const char* frame, int length)>;

    // Delivers every whole frame of buf[0, fill) in order and sets *consumed to the bytes they
    // took; the caller moves the rest to the front. maxData bounds a frame's data length.
    static Result Cut(const char* buf, size_t fill, uint32_t maxData, size_t* consumed,
                      const FrameFn& onFrame);
};

}  // namespace vantor
