#include "CPlayerFullScreenContainer.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace vantor::client {

namespace {

CPlayerFullScreenContainer* g_host = nullptr;  // user-interface thread only

QRect PrimaryScreenRect() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? QRect(QPoint(0, 0), screen->geometry().size()) : QRect();
}

}  // namespace

CPlayerFullScreenContainer::CPlayerFullScreenContainer()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    raise_timer_.setInterval(kRaiseIntervalMs);
    QObject::connect(&raise_timer_, &QTimer::timeout, this, [this] { raise(); });
    raise_timer_.start();
}

CPlayerFullScreenContainer::~CPlayerFullScreenContainer() {
    GiveBack();
    if (g_host == this) {
        g_host = nullptr;
    }
}

CPlayerFullScreenContainer* CPlayerFullScreenContainer::Instance() {
    return g_host;
}

void CPlayerFullScreenContainer::EnterFullScreen(QWidget* window) {
    if (g_host != nullptr) {
        LeaveFullScreen(window);
        return;
    }
    if (window == nullptr) {
        return;
    }
    auto* host = new CPlayerFullScreenContainer();
    g_host = host;
    host->hosted_ = window;
    host->former_parent_ = window->parentWidget();
    host->former_rect_ = window->geometry();
    host->former_flags_ = window->windowFlags();
    const QRect screen = PrimaryScreenRect();
    host->setGeometry(screen);
    window->setParent(host);
    window->setGeometry(0, 0, screen.width(), screen.height());
    window->show();
    host->show();
    host->raise();
    host->activateWindow();
}

void CPlayerFullScreenContainer::LeaveFullScreen(QWidget* window) {
    CPlayerFullScreenContainer* host = g_host;
    if (host == nullptr || window == nullptr || host->hosted_ != window) {
        return;
    }
    host->Close();
}

void CPlayerFullScreenContainer::GiveBack() {
    QWidget* window = hosted_.data();
    hosted_.clear();
    if (window == nullptr) {
        return;
    }
    // A former top-level gets its own window flags back; a child keeps being a child.
    window->setParent(former_parent_.data(), former_flags_);
    window->setGeometry(former_rect_);
    window->show();
    window->update();
    if (QWidget* parent = former_parent_.data()) {
        parent->update();
    }
}

void CPlayerFullScreenContainer::Close() {
    GiveBack();
    if (g_host == this) {
        g_host = nullptr;
    }
    raise_timer_.stop();
    hide();
    // Leaving may start inside one of this host's own event handlers.
    deleteLater();
}

void CPlayerFullScreenContainer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

void CPlayerFullScreenContainer::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        Close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void CPlayerFullScreenContainer::mouseDoubleClickEvent(QMouseEvent*) {
    Close();
}

void CPlayerFullScreenContainer::closeEvent(QCloseEvent* e) {
    // The host goes through Close, which gives the window back first.
    e->ignore();
    Close();
}

}  // namespace vantor::client
