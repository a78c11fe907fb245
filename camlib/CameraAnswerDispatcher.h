// Turns one answer (parameter type + payload) into records, results and follow-up requests.
// Answers are untrusted: the payload need not be NUL-terminated, values longer than their
// field are cut, list counts are capped.
//
// Thread: the receiving thread; one dispatcher per session (or per call: it keeps no state
// between answers).
#pragma once

#include <cstddef>
#include <cstdint>

#include "AnswerSink.h"
#include "CAPPacket.h"

namespace vantor {

// Serial-port answers (0x2726) are passed on only when their text is shorter than this.
inline constexpr size_t kSerialAnswerMax = 1024;
// Room of the device's file digest text (0x271A).
inline constexpr size_t kFileMd5TextBytes = 64;

class CameraAnswerDispatcher {
  public:
    explicit CameraAnswerDispatcher(CAPPacket& extractor) : x_(extractor) {}

    // Dispatches one answer of `type`. An empty payload is dropped.
    void Dispatch(int type, const uint8_t* data, size_t len, AnswerSink& sink);

    // Dispatches a command-channel answer code: every type the code stands for, in order.
    void DispatchAnswerCode(int answerCode, const uint8_t* data, size_t len, AnswerSink& sink);

  private:
    void DispatchText(int type, const char* text, size_t textLen, AnswerSink& sink);
    bool DecodeAndDeliver(int type, const char* text, AnswerSink& sink);

    CAPPacket& x_;
};

}  // namespace vantor
