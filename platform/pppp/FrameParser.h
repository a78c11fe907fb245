// Incremental parser of the frame stream of a session (pppp_wire.h, section 3). Bytes arrive
// in any split; the parser keeps at most one frame head (plus a CREDIT payload) of state and
// never allocates, so hostile input costs nothing but the bytes read.
// Thread: one owner (the session's I/O thread).
#pragma once

#include <cstddef>
#include <cstdint>

#include "pppp_wire.h"

namespace vantor::pppp {

class FrameParser {
  public:
    // Receives the frames. Returning false from dataBegins/credit marks the stream broken
    // (the session checks credit and windows there).
    class Sink {
      public:
        virtual bool dataBegins(uint8_t channel, uint32_t length) = 0;
        virtual void data(uint8_t channel, const uint8_t* bytes, size_t n) = 0;
        virtual bool credit(uint8_t channel, uint32_t bytes) = 0;

      protected:
        ~Sink() = default;
    };

    enum class Result { kOk, kClosed, kBroken };

    // Parses n bytes. After kClosed or kBroken the parser stays in that state.
    Result feed(const uint8_t* bytes, size_t n, Sink& sink);

  private:
    static constexpr uint32_t kCreditPayloadBytes = 4;

    uint8_t head_[kFrameHeadBytes + kCreditPayloadBytes] = {};
    uint32_t headHave_ = 0;
    FrameHead frame_;
    uint32_t payloadLeft_ = 0;  // DATA payload bytes still to come
    Result state_ = Result::kOk;
};

}  // namespace vantor::pppp
