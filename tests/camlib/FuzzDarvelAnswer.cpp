// Fuzz target: the camera answer dispatcher and every record decoder. Byte 0 picks the
// parameter type (or, above the table, an answer code path), the rest is the payload.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "AnswerSink.h"
#include "CAPCameraPacket.h"
#include "CameraAnswerDispatcher.h"

namespace {

struct TouchSink : vantor::AnswerSink {
    unsigned sum = 0;
    void OnParamData(int type, const char* r, int n) override {
        for (int i = 0; i < n; ++i)
            sum += static_cast<unsigned char>(r[i]);
        sum += static_cast<unsigned>(type);
    }
    void OnParamResult(int type, int result) override {
        sum += static_cast<unsigned>(type) + static_cast<unsigned>(result);
    }
    void OnRecordFile(const DarvelRecordListEntry& e) override {
        sum += static_cast<unsigned>(strlen(e.name)) + static_cast<unsigned>(e.index);
    }
    // Values come straight from the device: add them as unsigned so any value is fine.
    void OnDeviceLog(int t, int c, int i, int time) override {
        sum += static_cast<unsigned>(t) + static_cast<unsigned>(c) + static_cast<unsigned>(i) +
               static_cast<unsigned>(time);
    }
    void OnAccountAccepted() override { ++sum; }
    void OnTransferStep(int r) override { sum += static_cast<unsigned>(r); }
    void QueueFollowUp(int type) override { sum += static_cast<unsigned>(type); }
};

const int kTypes[] = {0x2000, 0x2001, 0x2002, 0x2003, 0x2005, 0x2007, 0x2009, 0x2011, 0x2012,
                      0x2013, 0x2014, 0x2016, 0x2018, 0x2021, 0x2025, 0x2700, 0x2701, 0x2703,
                      0x2705, 0x2706, 0x2707, 0x2708, 0x2709, 0x270A, 0x270B, 0x270D, 0x270E,
                      0x2710, 0x2713, 0x2717, 0x2719, 0x271A, 0x271C, 0x271F, 0x2722, 0x2726,
                      0x2727, 0x272B, 0x272D, 0x272F, 0x2730, 0x2732, 0x2733, 0x2734, 0x2737,
                      0x2739, 0x273A, 0x273B, 0x273E, 0x2741, 0x2742, 0x2743, 0x2745, 0x2746,
                      0x2749, 0x2766, 0x5001, 0x5002, 0x5003, 0x6104, 0x6105, 0x6106, 0x6107};
constexpr size_t kTypeCount = sizeof(kTypes) / sizeof(kTypes[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    vantor::CAPCameraPacket packet;
    vantor::CameraAnswerDispatcher dispatcher(packet);
    TouchSink sink;
    size_t pick = data[0];
    if (pick < kTypeCount) {
        dispatcher.Dispatch(kTypes[pick], data + 1, size - 1, sink);
    } else {
        // Every answer code of the table, the get-all answer (0x6002) included.
        dispatcher.DispatchAnswerCode(0x6000 + static_cast<int>(pick - kTypeCount) * 2, data + 1,
                                      size - 1, sink);
        dispatcher.DispatchAnswerCode(0x6002, data + 1, size - 1, sink);
    }
    return sink.sum == 0xFFFFFFFFu ? 1 : 0;
}
