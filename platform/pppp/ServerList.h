// The server initialisation string: the rendezvous servers' addresses in our encoding.
//
// Upper-case letters and commas, at most kMaxStringChars characters; 1 to kMaxServers
// comma-separated fields; each field is the ASCII text "host:port" with every byte written as
// two letters 'A' + (byte >> 4), 'A' + (byte & 15). A field decodes to printable ASCII, a
// non-empty host of at most kMaxHostChars characters, a ':' and a decimal port 1-65535.
// Stage 1 only validates and keeps the list; no decoded host is ever contacted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantor::pppp {

class ServerList {
  public:
    static constexpr size_t kMaxStringChars = 127;
    static constexpr size_t kMaxServers = 3;
    static constexpr size_t kMaxHostChars = 63;

    struct Server {
        std::string host;
        uint16_t port = 0;
    };

    // Returns false (and leaves out empty) for anything not exactly as described above.
    // A null or empty text is not a valid list.
    static bool parse(const char* text, std::vector<Server>* out);
};

}  // namespace vantor::pppp
