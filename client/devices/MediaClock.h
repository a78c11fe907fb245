// Wall-clock seconds for the media session's time stamps (path-mode report, last frame, relay
// limit). Tests replace the source to step through the relay limit without waiting.
//
// Thread: any. Override only while no stream runs; nullptr restores the system clock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vantor::client {

class MediaClock {
  public:
    using Source = int64_t (*)();

    static int64_t NowSeconds() {
        const Source s = source().load();
        if (s != nullptr) {
            return s();
        }
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
    static void Override(Source s) { source().store(s); }

  private:
    static std::atomic<Source>& source() {
        static std::atomic<Source> s{nullptr};
        return s;
    }
};

}  // namespace vantor::client
