#include "CCVantorMainDlg.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QPainter>

#include "CCDefineEvent.h"
#include "CCDevInfo.h"
#include "CDeviceGrid.h"
#include "CPlayerBase.h"
#include "CPlayerContainer.h"
#include "DropDeviceOnPane.h"
#include "MediaSettings.h"
#include "SkinPalette.h"

namespace vantor::client {

CCVantorMainDlg::CCVantorMainDlg(QWidget* parent) : QWidget(parent) {
    setObjectName("129");
    setAcceptDrops(true);
}

void CCVantorMainDlg::EnsureGrid(int panes) {
    if (grid_ != nullptr) {
        return;
    }
    grid_ = new CPlayerContainer(this);
    grid_->SetVideoMode(MediaSettings::VideoMode());
    grid_->setGeometry(rect());
    grid_->show();
    grid_->SetPaneCount(panes, true);
}

void CCVantorMainDlg::SetSplit(int panes) {
    if (panes != 0) {
        if (grid_ == nullptr) {
            EnsureGrid(panes);
        } else {
            grid_->SetPaneCount(panes, false);
        }
    } else if (grid_ != nullptr) {
        grid_->ShowSelectedFullScreen();
    }
}

int CCVantorMainDlg::pane_count() const {
    return grid_ ? grid_->pane_count() : 0;
}

CVideoPane* CCVantorMainDlg::PaneAt(int index) const {
    return grid_ ? grid_->Pane(index) : nullptr;
}

bool CCVantorMainDlg::DropDeviceOnPane(CCDevInfo* device, QPoint screen_point) {
    if (grid_ == nullptr || device == nullptr) {
        return false;
    }
    return vantor::client::DropDeviceOnPane(*grid_, *device, screen_point, window());
}

void CCVantorMainDlg::resizeEvent(QResizeEvent*) {
    if (grid_ != nullptr) {
        grid_->setGeometry(rect());
    }
}

void CCVantorMainDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::kTitle);
}

void CCVantorMainDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (CDeviceGrid::DeviceFromMime(event->mimeData()) != 0) {
        event->acceptProposedAction();
    }
}

void CCVantorMainDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (CDeviceGrid::DeviceFromMime(event->mimeData()) != 0) {
        event->acceptProposedAction();
    }
}

void CCVantorMainDlg::dropEvent(QDropEvent* event) {
    const quintptr device = CDeviceGrid::DeviceFromMime(event->mimeData());
    if (device == 0 || drop_sink_ == nullptr) {
        return;
    }
    event->acceptProposedAction();
    drop_sink_->OnDeviceDropped(reinterpret_cast<CCDevInfo*>(device),
                                mapToGlobal(event->position().toPoint()));
}

}  // namespace vantor::client
