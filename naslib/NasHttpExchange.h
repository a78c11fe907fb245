// The recorder's HTTP exchange rules on top of CAPHttpClient: names resolve to IPv4 only
// (an address literal, else the first IPv4 address of a lookup), each response header line
// must fit kNasHttpLineBytes, and a body is read only by Content-Length (a response without
// it has no body) and only when it fits the body buffer.
//
// Thread: the caller's (one exchange per thread).
#pragma once

#include <cstddef>

#include "CAPHttpClient.h"

namespace vantor {

inline constexpr size_t kNasHttpLineBytes = 1024;
inline constexpr size_t kNasHttpBodyBytes = 128000;
inline constexpr size_t kNasIpv4TextBytes = 16;
inline constexpr int kNasHttpMaxHeaderLines = 100;

// Dotted IPv4 text of host into out (kNasIpv4TextBytes). false when there is none.
bool ResolveNasIpv4(const char* host, char* out, size_t outBytes);

// Reads one response. The body length (> 0, NUL-terminated in body), 0 for no body, negative
// on error (a header line that does not fit, a body larger than the buffer, a broken read).
int ReadNasResponse(CAPHttpClient& client, char* body, size_t bodyBytes);

// The Content-Length value of one header line, or -1 when the line is not that header.
long NasContentLength(const char* line);

}  // namespace vantor
