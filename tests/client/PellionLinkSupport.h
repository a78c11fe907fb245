// Helpers for the tests of the window-message link: a private runtime folder, a receiver of
// posted messages and an event-loop wait with a deadline.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "PostMessage.h"

namespace vantor::client::test {

struct LinkMessage {
    unsigned msg;
    uintptr_t wparam;
    intptr_t lparam;
};

// Collects the messages posted to it; on_message (optional) runs for each as it arrives.
class LinkSink : public QObject {
  public:
    std::vector<LinkMessage> got;
    std::function<void(const LinkMessage&)> on_message;

  protected:
    bool event(QEvent* e) override {
        if (e->type() != PostedMessage::EventType()) {
            return QObject::event(e);
        }
        const auto* m = static_cast<PostedMessage*>(e);
        got.push_back({m->msg(), m->wparam(), m->lparam()});
        if (on_message) {
            on_message(got.back());
        }
        return true;
    }
};

// Runs the event loop until done() holds or timeout_ms pass; returns done().
inline bool RunUntil(const std::function<bool()>& done, int timeout_ms = 5000) {
    QDeadlineTimer deadline(timeout_ms);
    QEventLoop loop;
    QTimer wake;  // bounds each wait, so the deadline is seen even when nothing arrives
    wake.start(20);
    while (!done() && !deadline.hasExpired()) {
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

// Gives every test its own XDG_RUNTIME_DIR, so endpoints of parallel tests never meet.
class RuntimeDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vantor-ipc-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        had_old_ = old != nullptr;
        if (had_old_) {
            old_ = old;
        }
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (had_old_) {
            setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string dir_;

  private:
    bool had_old_ = false;
    std::string old_;
};

}  // namespace vantor::client::test
