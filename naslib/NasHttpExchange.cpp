#include "NasHttpExchange.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantor {

bool ResolveNasIpv4(const char* host, char* out, size_t outBytes) {
    if (host == nullptr || host[0] == 0 || out == nullptr || outBytes < kNasIpv4TextBytes)
        return false;
    in_addr addr{};
    if (inet_pton(AF_INET, host, &addr) == 1) {
        return inet_ntop(AF_INET, &addr, out, static_cast<socklen_t>(outBytes)) != nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &res) != 0 || res == nullptr)
        return false;
    bool ok = false;
    for (addrinfo* a = res; a != nullptr && !ok; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            auto* sin = reinterpret_cast<sockaddr_in*>(a->ai_addr);
            ok = inet_ntop(AF_INET, &sin->sin_addr, out, static_cast<socklen_t>(outBytes)) !=
                 nullptr;
        }
    }
    freeaddrinfo(res);
    return ok;
}

long NasContentLength(const char* line) {
    static const char kKey[] = "Content-Length:";
    if (line == nullptr || strncasecmp(line, kKey, sizeof kKey - 1) != 0)
        return -1;
    const char* p = line + sizeof kKey - 1;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return -1;
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    return v < 0 ? -1 : v;
}

int ReadNasResponse(CAPHttpClient& client, char* body, size_t bodyBytes) {
    if (body == nullptr || bodyBytes == 0)
        return -1;
    body[0] = 0;
    char line[kNasHttpLineBytes];
    long contentLength = -1;
    for (int n = 0;; ++n) {
        if (n >= kNasHttpMaxHeaderLines)
            return -1;
        int got = client.ReadLine(line, sizeof line);
        if (got <= 0)
            return got == 0 ? -1 : got;
        bool complete = line[got - 1] == '\n';
        if (!complete)
            return -1;  // the peer closed inside the header
        if ((got == 1) || (got == 2 && line[0] == '\r'))
            break;
        if (n == 0 && std::strncmp(line, "HTTP/", 5) != 0)
            return -1;
        long v = NasContentLength(line);
        if (v >= 0)
            contentLength = v;
    }
    if (contentLength <= 0)
        return 0;
    if (static_cast<size_t>(contentLength) >= bodyBytes)
        return -1;
    int r = client.ReadExact(body, bodyBytes, static_cast<size_t>(contentLength), 15);
    return r == contentLength ? r : -1;
}

}  // namespace vantor
