// Fuzz target: datagrams and handshakes a stranger may send (discovery query and answer,
// hello and hello-ack) and the server initialisation string.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ServerList.h"
#include "pppp_wire.h"

using namespace vantor::pppp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DiscoveryQuery q;
    if (decodeQuery(data, size, &q)) {
        // A decoded ID is always valid and terminated, so it re-encodes to the same bytes.
        uint8_t again[kDiscoveryQueryBytes];
        encodeQuery(q, again);
        if (checkDeviceId(q.deviceId) != IdCheck::kValid)
            __builtin_trap();
    }
    DiscoveryAnswer a;
    if (decodeAnswer(data, size, &a) && checkDeviceId(a.deviceId) != IdCheck::kValid)
        __builtin_trap();
    Hello h;
    uint16_t version = 0;
    decodeHello(data, size, &h, &version);
    HelloAck ack;
    decodeHelloAck(data, size, &ack);
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ServerList::Server> servers;
    if (ServerList::parse(text.c_str(), &servers) &&
        (servers.empty() || servers.size() > ServerList::kMaxServers))
        __builtin_trap();
    return 0;
}
