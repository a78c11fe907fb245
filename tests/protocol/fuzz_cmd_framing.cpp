// Command-channel receive framing: the input is the byte stream of channel 0 (heads and
// payloads), delivered in pieces whose size the first byte chooses, with time-outs between
// them; the end of the input closes the session.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "CommandAnswerReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static vantor::CommandAnswerReader reader;
    static const uint8_t kKey[vantor::kSessionKeyBytes] = {'q', 'v', 'm', 't', 'r',
                                                           'l', 'a', 'z', 'k', 'e'};
    const int piece = 1 + data[0] % 64;
    const uint8_t* stream = data + 1;
    const size_t streamBytes = size - 1;
    size_t pos = 0;

    std::atomic<int> cmdType{0};
    vantor::CommandAnswerReader::Context ctx;
    ctx.read = [&](int, char* buf, int* want, uint32_t) {
        if (pos >= streamBytes) {
            *want = 0;
            return -14;
        }
        int give = std::min<int>({*want, piece, static_cast<int>(streamBytes - pos)});
        std::memcpy(buf, stream + pos, give);
        pos += give;
        bool whole = give == *want;
        *want = give;
        return whole ? 0 : -3;
    };
    ctx.cmdType = &cmdType;
    ctx.key = kKey;
    reader.run(ctx, [](int, const uint8_t* answer, int len) {
        if (len < 0 || static_cast<size_t>(len) > vantor::kAnswerBufferBytes)
            __builtin_trap();
        volatile uint8_t sink = answer[len];  // terminated text: this byte is always there
        (void)sink;
    });
    return 0;
}
