// The layout's device list (control 4097): one row widget per device, and the source of the
// drag that opens a device in a video pane.
//
// Thread: user-interface thread. Rows carry the device's address; a drop target checks it
// against the registry before using it, so a stale drag can never reach a destroyed device.
#pragma once

#include <QListWidget>

namespace vantor::client {

class CCDevInfo;

class CDeviceGrid : public QListWidget {
  public:
    static constexpr const char* kMimeType = "application/x-vantor-device";

    explicit CDeviceGrid(QWidget* parent);

    CCDevInfo* DeviceAt(int row) const;
    // The device address carried by a drag of this grid, 0 when the data is not ours.
    static quintptr DeviceFromMime(const QMimeData* data);

  protected:
    void startDrag(Qt::DropActions actions) override;
};

}  // namespace vantor::client
