// Trace lines of the transport: one line each, at most kTraceLineMax characters, to stderr
// when the environment has VANTOR_DEBUG=1 (read once). The transport is its own platform layer
// and does not share the network libraries' trace sink. Thread: any.
#pragma once

#include <cstddef>

namespace vantor::pppp {

inline constexpr size_t kTraceLineMax = 4095;

void Trace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vantor::pppp
