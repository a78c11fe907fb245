// A QObject that collects posted client messages.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <vector>

#include "PostMessage.h"

namespace vantor::client::test {

struct Posted {
    unsigned msg;
    uintptr_t wparam;
    intptr_t lparam;
};

class MessageSink : public QObject {
  public:
    std::vector<Posted> Drain() {
        QCoreApplication::sendPostedEvents(this);
        std::vector<Posted> out;
        out.swap(got_);
        return out;
    }

  protected:
    bool event(QEvent* e) override {
        if (e->type() == PostedMessage::EventType()) {
            auto* m = static_cast<PostedMessage*>(e);
            got_.push_back({m->msg(), m->wparam(), m->lparam()});
            return true;
        }
        return QObject::event(e);
    }

  private:
    std::vector<Posted> got_;
};

}  // namespace vantor::client::test
