#include "DebugOut.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vantor {
namespace {

std::mutex g_sinkMutex;  // guards g_sink/g_sinkUser and serialises delivery
DebugSink g_sink = nullptr;
void* g_sinkUser = nullptr;

bool toStderr() {
    static const bool enabled = [] {
        const char* v = std::getenv("VANTOR_DEBUG");
        return v != nullptr && std::strcmp(v, "1") == 0;
    }();
    return enabled;
}

}  // namespace

void DebugOut(const char* fmt, ...) {
    char line[kDebugLineMax + 1];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    {
        std::lock_guard<std::mutex> lock(g_sinkMutex);
        if (g_sink != nullptr) g_sink(line, g_sinkUser);
    }
    if (toStderr()) {
        size_t len = std::strlen(line);
        // Trace texts often carry their own line feed; never print an empty extra line.
        std::fprintf(stderr, "%s%s", line, (len > 0 && line[len - 1] == '\n') ? "" : "\n");
    }
}

void SetDebugSink(DebugSink sink, void* user) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = sink;
    g_sinkUser = user;
}

}  // namespace vantor
