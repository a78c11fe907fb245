// Diagnostic trace lines of the network libraries (the debugger-output channel).
//
// Thread: any. Each call emits one line of at most kDebugLineMax characters (longer texts are
// cut). Lines go to stderr only when the environment has VANTOR_DEBUG=1, read once at first use.
// A test may install a sink that receives every line whatever VANTOR_DEBUG says; the sink is
// called on the thread that logs, must not log itself, and is shared by the whole library.
#pragma once

#include <cstddef>

namespace vantor {

inline constexpr size_t kDebugLineMax = 4095;

using DebugSink = void (*)(const char* line, void* user);

void DebugOut(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Installs (or, with nullptr, removes) the capture sink. Returns only after no call is still
// delivering to the previous sink.
void SetDebugSink(DebugSink sink, void* user);

}  // namespace vantor
