#include "Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantor::pppp {

void Trace(const char* fmt, ...) {
    static const bool enabled = [] {
        const char* v = std::getenv("VANTOR_DEBUG");
        return v != nullptr && std::strcmp(v, "1") == 0;
    }();
    if (!enabled)
        return;
    char line[kTraceLineMax + 1];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    if (n < 0)
        return;
    std::fprintf(stderr, "pppp: %s\n", line);
}

}  // namespace vantor::pppp
