#include "IpcFrame.h"

namespace vantor::client {

namespace {

void PutLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::vector<uint8_t> EncodeIpcFrame(uint32_t msg, uint64_t wparam, int64_t lparam,
                                    std::span<const uint8_t> payload) {
    std::vector<uint8_t> out;
    if (payload.size() > kIpcMaxPayloadBytes) {
        return out;
    }
    out.reserve(kIpcFrameHeadBytes + payload.size());
    PutLe(out, kIpcFrameMagic, 4);
    PutLe(out, msg, 4);
    PutLe(out, wparam, 8);
    PutLe(out, static_cast<uint64_t>(lparam), 8);
    PutLe(out, payload.size(), 4);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

}  // namespace vantor::client
