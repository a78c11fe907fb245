#include "CDeviceGrid.h"

#include <QDrag>
#include <QMimeData>
#include <QPainter>

#include "CCDevInfo.h"
#include "CDeviceRow.h"

namespace vantor::client {

CDeviceGrid::CDeviceGrid(QWidget* parent) : QListWidget(parent) {
    setObjectName("4097");
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
}

CCDevInfo* CDeviceGrid::DeviceAt(int row) const {
    QListWidgetItem* it = item(row);
    return it ? reinterpret_cast<CCDevInfo*>(it->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

quintptr CDeviceGrid::DeviceFromMime(const QMimeData* data) {
    if (data == nullptr || !data->hasFormat(kMimeType)) {
        return 0;
    }
    bool ok = false;
    const quintptr value = data->data(kMimeType).toULongLong(&ok, 16);
    return ok ? value : 0;
}

void CDeviceGrid::startDrag(Qt::DropActions) {
    const CCDevInfo* device = DeviceAt(currentRow());
    if (device == nullptr) {
        return;
    }
    auto* data = new QMimeData;
    data->setData(kMimeType,
                  QByteArray::number(static_cast<qulonglong>(reinterpret_cast<quintptr>(device)),
                                     16));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // The row itself, faded, follows the pointer so the user sees what is being placed.
    if (QWidget* row = itemWidget(currentItem())) {
        QPixmap shot = row->grab();
        QPixmap faded(shot.size());
        faded.fill(Qt::transparent);
        QPainter p(&faded);
        p.setOpacity(0.75);
        p.drawPixmap(0, 0, shot);
        p.end();
        drag->setPixmap(faded);
        drag->setHotSpot(QPoint(20, shot.height() / 2));
    }
    drag->exec(Qt::CopyAction);
}

}  // namespace vantor::client
