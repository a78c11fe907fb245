#include "PostMessage.h"

#include <QCoreApplication>

namespace vantor::client {

QEvent::Type PostedMessage::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostMessage(QObject* target, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (target == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(target, new PostedMessage(msg, wparam, lparam));
    return true;
}

}  // namespace vantor::client
