#include "ServerList.h"

#include <cstring>

namespace vantor::pppp {
namespace {

bool decodeField(const char* p, size_t n, ServerList::Server* out) {
    if (n == 0 || n % 2 != 0)
        return false;
    std::string text;
    for (size_t i = 0; i < n; i += 2) {
        char hi = p[i], lo = p[i + 1];
        if (hi < 'A' || hi > 'P' || lo < 'A' || lo > 'P')
            return false;
        int byte = ((hi - 'A') << 4) | (lo - 'A');
        if (byte < 0x20 || byte > 0x7e)
            return false;
        text.push_back(static_cast<char>(byte));
    }
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon > ServerList::kMaxHostChars)
        return false;
    std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5)
        return false;
    unsigned port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port == 0 || port > 65535)
        return false;
    out->host = text.substr(0, colon);
    out->port = static_cast<uint16_t>(port);
    return true;
}

}  // namespace

bool ServerList::parse(const char* text, std::vector<Server>* out) {
    out->clear();
    if (text == nullptr)
        return false;
    size_t len = strnlen(text, kMaxStringChars + 1);
    if (len == 0 || len > kMaxStringChars)
        return false;
    std::vector<Server> servers;
    size_t start = 0;
    while (true) {
        const char* comma = static_cast<const char*>(std::memchr(text + start, ',', len - start));
        size_t end = comma != nullptr ? static_cast<size_t>(comma - text) : len;
        if (servers.size() == kMaxServers)
            return false;
        Server s;
        if (!decodeField(text + start, end - start, &s))
            return false;
        servers.push_back(std::move(s));
        if (comma == nullptr)
            break;
        start = end + 1;
    }
    *out = std::move(servers);
    return true;
}

}  // namespace vantor::pppp
