#include "CPlayerBase.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>

#include "CCDevInfo.h"
#include "CPlayerContainer.h"
#include "CPlayerFullScreenContainer.h"
#include "ClientMessages.h"
#include "PostMessage.h"

namespace vantor::client {

namespace {

// User-interface thread only.
CPlayerBase* g_selected = nullptr;
QPointer<QObject> g_main_window;

}  // namespace

CPlayerBase::CPlayerBase(QWidget* parent) : QWidget(parent) {
    // The player draws into this window from its own X connection; Qt must neither paint
    // over it nor keep a backing store for it.
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CPlayerBase::~CPlayerBase() {
    // A device still playing here would go on drawing into a window that no longer exists
    // and keep pointing at this pane.
    CPlayerBase::StopPaneVideo();
    if (g_selected == this) {
        g_selected = nullptr;
    }
}

CPlayerBase* CPlayerBase::Selected() {
    return g_selected;
}

void CPlayerBase::SetSelected(CPlayerBase* pane) {
    g_selected = pane;
}

void CPlayerBase::SetMainWindow(QObject* main_window) {
    g_main_window = main_window;
}

QObject* CPlayerBase::MainWindow() {
    return g_main_window.data();
}

int CPlayerBase::StopPaneVideo() {
    CCDevInfo* dev = BoundDevice();
    if (dev != nullptr && dev->video_running) {
        dev->StopVideo(0);
    }
    return 1;
}

void CPlayerBase::GetNativeSize(int* width, int* height) const {
    if (width != nullptr) {
        *width = kNativeWidth;
    }
    if (height != nullptr) {
        *height = kNativeHeight;
    }
}

void CPlayerBase::NotifyClick(QPoint screen_point) {
    CCDevInfo* dev = BoundDevice();
    if (dev == nullptr || dev->owner == nullptr) {
        return;
    }
    dev->anchor[0] = screen_point.x();
    dev->anchor[1] = screen_point.y();
    PostMessage(dev->owner, panel_toggle_ == 1 ? kMsgShowControlPanel : kMsgHideControlPanel,
                reinterpret_cast<uintptr_t>(dev->anchor), reinterpret_cast<intptr_t>(dev));
}

unsigned long CPlayerBase::NativeWindowId() {
    return static_cast<unsigned long>(winId());
}

void CPlayerBase::SetBoundDevice(CCDevInfo* device) {
    bound_device_.store(device);
}

void CPlayerBase::Repaint() {
    update();
}

void CPlayerBase::RepaintParent() {
    if (QWidget* parent = parentWidget()) {
        parent->update();
    }
}

void CPlayerBase::ClearBackground() {
    const WId id = internalWinId();
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (id == 0 || x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    // The window's own background pixel also keeps exposed areas in the pane's colour until
    // the player draws again. Panes live on a 24-bit TrueColor visual, where the pixel is RGB.
    xcb_connection_t* c = x11->connection();
    const uint32_t pixel = background_rgb_;
    const auto window = static_cast<xcb_window_t>(id);
    xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(c, 0, window, 0, 0, 0, 0);
    xcb_flush(c);
}

int CPlayerBase::Index() const {
    bool ok = false;
    const int id = objectName().toInt(&ok);
    return ok && id >= kFirstPaneId ? id - kFirstPaneId : -1;
}

bool CPlayerBase::event(QEvent* e) {
    if (e->type() == PostedMessage::EventType()) {
        if (static_cast<PostedMessage*>(e)->msg() == kMsgClearBackground) {
            ClearBackground();
            return true;
        }
    } else if (e->type() == QEvent::WinIdChange && internalWinId() != 0) {
        had_window_ = true;
    }
    return QWidget::event(e);
}

void CPlayerBase::paintEvent(QPaintEvent*) {
    // While video runs the player owns every pixel of the window.
    if (!IsPlaying()) {
        EraseVideo();
    }
}

void CPlayerBase::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    const QPoint screen = mapToGlobal(e->position().toPoint()) - QPoint(0, kPanelAnchorLiftPx);
    if (g_selected == this) {
        panel_toggle_ = panel_toggle_ ? 0 : 1;
    } else {
        panel_toggle_ = 0;
        PostMessage(MainWindow(), kMsgHideControlPanel, 0, 0);
    }
    g_selected = this;
    NotifyClick(screen);
    if (auto* grid = dynamic_cast<CPlayerContainer*>(parentWidget())) {
        grid->update();  // the selection frame moves
    }
    QWidget::mousePressEvent(e);
}

void CPlayerBase::PostHideForDevice() {
    CCDevInfo* dev = BoundDevice();
    if (dev == nullptr) {
        return;
    }
    dev->anchor[0] = dev->anchor[1] = 0;
    PostMessage(dev->owner, kMsgHideControlPanel, reinterpret_cast<uintptr_t>(dev->anchor),
                reinterpret_cast<intptr_t>(dev));
}

void CPlayerBase::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(e);
        return;
    }
    if (CPlayerFullScreenContainer* host = CPlayerFullScreenContainer::Instance()) {
        PostHideForDevice();
        host->LeaveFullScreen(this);
    } else {
        PostHideForDevice();
        if (grid_ != nullptr) {
            grid_->TogglePaneMaximize(Index());
            ClearBackground();
            grid_->RepaintAll();
        }
    }
    // Not passed on: QWidget would turn the double-click into another press, toggling the
    // panel open again.
    e->accept();
}

}  // namespace vantor::client
