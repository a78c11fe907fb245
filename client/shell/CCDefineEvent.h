// Notifications that list controls send to the view that owns them. Every slot has an empty
// default so a view implements only what its lists produce.
//
// Thread: user-interface thread. Texts are borrowed for the duration of the call.
#pragma once

#include <QPoint>
#include <QString>

namespace vantor::client {

class CCDevInfo;

class CCDefineEvent {
  public:
    virtual ~CCDefineEvent() = default;
    // 0: a row activated, with its five texts (name, address, port, device ID, kind text).
    virtual void OnRowTexts(const QString& /*name*/, const QString& /*address*/,
                            const QString& /*port*/, const QString& /*id*/,
                            const QString& /*kind*/) {}
    // 1: a row activated, by index.
    virtual void OnRowIndex(int /*row*/) {}
    // 2: a device row activated.
    virtual void OnDeviceActivated(CCDevInfo* /*device*/) {}
    // 3: a row selected, by index.
    virtual void OnIndexSelected(int /*row*/) {}
    // 4: a device row dropped at a screen point.
    virtual void OnDeviceDropped(CCDevInfo* /*device*/, QPoint /*screen_point*/) {}
    // 5: one text.
    virtual void OnText(const QString& /*text*/) {}
};

}  // namespace vantor::client
