// Posted window messages between threads: a custom QEvent carrying (msg, wParam, lParam).
//
// Thread: PostMessage may be called from any thread (it only queues an event); the event is
// delivered on the thread of the target object, through QObject::event / customEvent.
// Ownership: Qt owns the queued event. A message without a target is dropped (false), as a
// posted message without a window reaches nobody.
#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>

namespace vantor::client {

class PostedMessage : public QEvent {
  public:
    static QEvent::Type EventType();

    PostedMessage(unsigned msg, uintptr_t wparam, intptr_t lparam)
        : QEvent(EventType()), msg_(msg), wparam_(wparam), lparam_(lparam) {}

    unsigned msg() const { return msg_; }
    uintptr_t wparam() const { return wparam_; }
    intptr_t lparam() const { return lparam_; }

  private:
    unsigned msg_;
    uintptr_t wparam_;
    intptr_t lparam_;
};

bool PostMessage(QObject* target, unsigned msg, uintptr_t wparam, intptr_t lparam);

}  // namespace vantor::client
