// Reading exactly n bytes from one transport channel.
#pragma once

#include <cstdint>
#include <functional>

namespace vantor {

// One transport read, shaped like PPPP_Read without the session handle: reads up to *size
// bytes from `channel`, waiting at most timeout_ms; 0 when *size bytes arrived, -3 on time-out
// with *size set to the bytes that did arrive, another negative value when the channel is
// finished. The camera and NAS libraries bind it to PPPP_Read on their session handle.
using ChannelReadFn = std::function<int(int channel, char* data, int* size, uint32_t timeout_ms)>;

// Repeats `read` with chunks of at most kIndeedReadChunkBytes and kIndeedReadTimeout_ms until
// n bytes are in `buffer`. A time-out is not an error (the bytes that came are kept); any other
// negative result is returned at once. 0 when all n bytes arrived (n <= 0 reads nothing).
// Blocks until the data arrives or the transport fails: there is no stop check of its own.
int PPPP_IndeedRead(const ChannelReadFn& read, int channel, char* buffer, int n);

}  // namespace vantor
