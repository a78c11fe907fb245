#include "DeviceFaults.h"

#include <algorithm>
#include <chrono>

namespace devsim {

int64_t SteadyMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void DeviceFaults::stall(int channel, int duration_ms) {
    if (channel < 0 || channel >= kChannels)
        return;
    duration_ms = std::clamp(duration_ms, 0, kMaxStall_ms);
    stallUntil_ms_[channel].store(duration_ms == 0 ? 0 : SteadyMillis() + duration_ms);
}

bool DeviceFaults::stalled(int channel) const {
    if (channel < 0 || channel >= kChannels)
        return false;
    return stallUntil_ms_[channel].load() > SteadyMillis();
}

void DeviceFaults::setAnswerDelay(int delay_ms) {
    delay_ms_.store(std::clamp(delay_ms, 0, kMaxDelay_ms));
}

bool DeviceFaults::take(Malformed m) {
    int expected = static_cast<int>(m);
    return malformed_.compare_exchange_strong(expected, 0);
}

bool DeviceFaults::Parse(const std::string& text, Malformed* m) {
    static const struct {
        const char* name;
        Malformed m;
    } kNames[] = {{"none", Malformed::kNone},
                  {"badstart", Malformed::kBadStartCode},
                  {"truncated", Malformed::kTruncated},
                  {"garbage", Malformed::kGarbage},
                  {"badmagic", Malformed::kBadMagic},
                  {"oversize", Malformed::kOversize},
                  {"shortalarm", Malformed::kShortAlarm}};
    for (const auto& n : kNames) {
        if (text == n.name) {
            *m = n.m;
            return true;
        }
    }
    return false;
}

}  // namespace devsim
