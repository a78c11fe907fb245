// Polls a condition while the Qt event loop runs (posted messages, timers, window events), up
// to a deadline: the tests' way to wait for what library threads and the user interface do.
#pragma once

#include <QCoreApplication>
#include <chrono>

namespace vantor::client::test {

template <typename Pred>
bool WaitFor(Pred pred, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (pred()) {
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return pred();
}

}  // namespace vantor::client::test
