// Polls a condition until it holds or the deadline passes (no fixed sleeps in tests).
#pragma once

#include <chrono>
#include <thread>

namespace vantor_test {

template <typename Pred>
bool waitFor(Pred pred, int timeout_ms = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace vantor_test
