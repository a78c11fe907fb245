// Faults a test or a demo can switch on for one device: stalled channels, slow answers and
// one-shot malformed output for the clients' bad-input tests.
// Thread: any (atomics only).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace devsim {

class DeviceFaults {
  public:
    static constexpr int kChannels = 6;
    static constexpr int kMaxDelay_ms = 60000;
    static constexpr int kMaxStall_ms = 600000;

    enum class Malformed : int {
        kNone = 0,
        kBadStartCode,  // next command answer carries an unknown start code
        kTruncated,     // next command answer stops halfway, then the session closes
        kGarbage,       // next command answer text is replaced by non-text bytes
        kBadMagic,      // next live video frame has a wrong magic
        kOversize,      // next live video frame head announces more than any buffer holds
        kShortAlarm,    // next alarm message has a 2-byte payload
    };

    // Channel 0-5 sends nothing for duration_ms (0 ends a stall).
    void stall(int channel, int duration_ms);
    bool stalled(int channel) const;
    void setAnswerDelay(int delay_ms);
    int answerDelay() const { return delay_ms_.load(); }
    void arm(Malformed m) { malformed_.store(static_cast<int>(m)); }
    // True once for an armed fault of this kind (it is then disarmed).
    bool take(Malformed m);

    static bool Parse(const std::string& text, Malformed* m);

  private:
    std::atomic<int64_t> stallUntil_ms_[kChannels] = {};
    std::atomic<int> delay_ms_{0};
    std::atomic<int> malformed_{0};
};

int64_t SteadyMillis();

}  // namespace devsim
