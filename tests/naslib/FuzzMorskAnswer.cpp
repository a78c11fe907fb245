// Fuzz target for the recorder answer decoders: the first two bytes choose the answer ID (as
// a P2P answer) and, reused as a parameter type, the TCP dispatch; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "CAPPacket.h"
#include "NasAnswerDispatcher.h"
#include "NasCommandTable.h"

namespace {

struct NullSink : vantor::NasAnswerSink {
    size_t bytes = 0;
    void OnRecord(int, const void* r, int size) override {
        // Touch every byte so a short record would be caught.
        const auto* p = static_cast<const uint8_t*>(r);
        for (int i = 0; i < size; ++i)
            bytes += p[i];
    }
    void OnResult(int, int) override {}
    void OnRecordFile(const NasRecordFileEntry& e) override { bytes += e.name[255]; }
    void OnAccountResult(int) override {}
    void OnFollowUp(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    size_t rows = 0;
    const vantor::NasCommandRow* table = vantor::NasCommandRows(&rows);
    const vantor::NasCommandRow& row = table[data[0] % rows];
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    vantor::CAPPacket packet;
    NullSink sink;
    vantor::NasAnswerDispatcher::DispatchAnswerId(packet, row.answerId, text.c_str(), sink);
    vantor::NasAnswerDispatcher::DispatchType(packet, 0x2100 + data[1], text.c_str(), sink);
    return 0;
}
