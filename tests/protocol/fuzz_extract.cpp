// Value extraction over device answers. Input: one selector byte, the key up to the first
// line feed, then the answer text. Destinations are heap blocks of their exact size, so a
// write past a field shows under ASan.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "CAPPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t selector = data[0];
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t lf = rest.find('\n');
    std::string key = lf == std::string::npos ? rest.substr(0, 8) : rest.substr(0, lf);
    std::string text = lf == std::string::npos ? rest : rest.substr(lf + 1);

    static const size_t kFieldBytes[] = {1, 2, 32, 64, 128};
    const size_t fieldBytes = kFieldBytes[selector % 5];
    auto out = std::make_unique<char[]>(fieldBytes);
    out[0] = 0;

    vantor::CAPPacket packet;
    switch ((selector >> 4) % 4) {
        case 0:
            packet.GetQuotedValue(text.c_str(), key.c_str(), out.get(), fieldBytes);
            break;
        case 1:
            packet.GetSingleQuotedValue(text.c_str(), key.c_str(), out.get(), fieldBytes);
            break;
        case 2:
            packet.GetStringValue(text.c_str(), key.c_str(), out.get(), fieldBytes);
            break;
        default: {
            int v = 0;
            packet.GetIntValue(text.c_str(), key.c_str(), &v);
            break;
        }
    }
    if (std::memchr(out.get(), 0, fieldBytes) == nullptr)
        __builtin_trap();  // unterminated
    packet.GetStepResult(text.c_str());
    vantor::CAPPacket::IsResultOk(text.c_str());
    vantor::CAPPacket::IsAccountCheckOk(text.c_str());
    return 0;
}
