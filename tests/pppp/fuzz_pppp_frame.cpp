// Fuzz target: the frame stream a peer sends after the handshake, fed in pieces whose sizes
// come from the input itself, against a sink that enforces a small window like a session.
#include <cstddef>
#include <cstdint>

#include "FrameParser.h"

namespace {

class WindowSink : public vantor::pppp::FrameParser::Sink {
  public:
    bool dataBegins(uint8_t channel, uint32_t length) override {
        if (length > windowLeft_[channel])
            return false;
        windowLeft_[channel] -= length;
        return true;
    }
    void data(uint8_t channel, const uint8_t*, size_t n) override { received_[channel] += n; }
    bool credit(uint8_t channel, uint32_t bytes) override { return bytes <= 65536u + channel; }

  private:
    uint32_t windowLeft_[vantor::pppp::kChannelCount] = {1 << 20, 1 << 20, 1 << 20,
                                                         1 << 20, 1 << 20, 1 << 20};
    size_t received_[vantor::pppp::kChannelCount] = {};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    vantor::pppp::FrameParser parser;
    WindowSink sink;
    size_t piece = 1 + data[0] % 64;
    for (size_t pos = 1; pos < size; pos += piece)
        parser.feed(data + pos, piece < size - pos ? piece : size - pos, sink);
    return 0;
}
