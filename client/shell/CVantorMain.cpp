#include "CVantorMain.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "AppContext.h"
#include "CCLayoutCtrVecDlg.h"
#include "CCLockLoginDlg.h"
#include "CCLoginDlg.h"
#include "CCVantorMainDlg.h"
#include "CCMessageBox.h"
#include "CDevUserManage.h"
#include "CPlayerBase.h"
#include "CSkinButton.h"
#include "CVideoPane.h"
#include "ClientMessages.h"
#include "DebugOut.h"
#include "DeviceRegistry.h"
#include "IpcFrame.h"
#include "WindowEndpoint.h"
#include "MainGeometry.h"
#include "PostMessage.h"
#include "SkinPalette.h"

namespace vantor::client {

CVantorMain::CVantorMain(AppContext& app, bool with_player, QWidget* parent)
    : QWidget(parent), app_(app), registry_(std::make_unique<DeviceRegistry>()) {
    setObjectName("102");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(app.Text(LangTag::VantorTitle, 0));
    title_font_.setPixelSize(22);
    title_font_.setWeight(QFont::Light);

    main_view_ = new CCVantorMainDlg(this);
    layout_ = new CCLayoutCtrVecDlg(app, *registry_, this, this);
    layout_->SetMainView(main_view_);
    main_view_->SetDropSink(layout_);
    CPlayerBase::SetMainWindow(this);
    lock_ = new CCLockLoginDlg(app, this, [this] { Unlock(); });
    lock_->hide();

    close_ = new CSkinButton(1000, this);
    max_ = new CSkinButton(1004, this);
    min_ = new CSkinButton(1003, this);
    connect(close_, &QAbstractButton::clicked, this, &QWidget::close);
    connect(max_, &QAbstractButton::clicked, this, [this] { SetMaximised(!maximised_); });
    connect(min_, &QAbstractButton::clicked, this, &QWidget::showMinimized);

    endpoint_ = std::make_unique<WindowEndpoint>(
        this, std::vector<uint32_t>{kIpcMsgToolHello, kIpcMsgToolClose});
    if (!endpoint_->Open()) {
        DebugOut("main window endpoint could not be opened.\n");
    }
    tool_answer_timer_.setSingleShot(true);
    tool_answer_timer_.setInterval(ShutdownHandshake::kToolAnswerTimeoutMs);
    connect(&tool_answer_timer_, &QTimer::timeout, this,
            [this] { HandleToolAction(handshake_.OnAnswerTimeout()); });

    registry_->InitLibraries(with_player);
    registry_->LoadDeviceList(app.File("camera.xml"));
}

CVantorMain::~CVantorMain() {
    if (!shut_down_) {
        ShutDownNow();
    }
}

uint64_t CVantorMain::endpoint_handle() const {
    return endpoint_ ? endpoint_->handle() : 0;
}

void CVantorMain::ShutDownNow() {
    shut_down_ = true;
    handshake_.OnDestroy();
    registry_->Shutdown(app_.File("camera.xml"));
}

void CVantorMain::HandleToolAction(ShutdownHandshake::Action action) {
    switch (action) {
        case ShutdownHandshake::Action::kAskUser: {
            const bool ok =
                CCMessageBox::Show(this, app_.Text(LangTag::DevManageContent, 17), true);
            HandleToolAction(handshake_.OnUserAnswer(ok));
            break;
        }
        case ShutdownHandshake::Action::kCloseSelf:
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            break;
        default:
            break;
    }
}

bool CVantorMain::LoginAndShow(int startup_delay_ms, bool auto_login) {
    CCLoginDlg login(app_, this);
    // Auto login only with both the name and the password remembered: the user chose to keep
    // them, so the dialog would only ask for a click.
    const bool remembered =
        app_.accounts.remember_name == 1 && app_.accounts.remember_password == 1;
    const bool logged_in = auto_login && remembered && login.TryLogin();
    if (!logged_in && login.exec() != QDialog::Accepted) {
        return false;
    }
    const QString skin = app_.SkinFolder();
    close_->LoadSkin(skin, "dlg_close_", SkinFamily::TitleBar);
    max_->LoadSkin(skin, "dlg_max_", SkinFamily::TitleBar);
    min_->LoadSkin(skin, "dlg_min_", SkinFamily::TitleBar);
    title_left_ = QPixmap(skin + "/dlg_left_top.bmp");
    title_right_ = QPixmap(skin + "/dlg_right_top.bmp");
    title_mid_ = QPixmap(skin + "/dlg_top.bmp");
    logo_ = QPixmap(skin + "/logo.bmp");
    if (logo_.isNull()) {
        DebugOut("Load Logo bmp failed.\n");
    }
    ApplyGeometry();
    show();
    layout_->LoadSkin(startup_delay_ms);
    return true;
}

void CVantorMain::ApplyGeometry() {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
    setGeometry(MainGeometry::WindowRect(avail, maximised_));
}

void CVantorMain::SetMaximised(bool maximised) {
    maximised_ = maximised;
    ApplyGeometry();
}

void CVantorMain::resizeEvent(QResizeEvent*) {
    const QSize client = size();
    const int b = skin::kTitleButton;
    close_->setGeometry(MainGeometry::CloseX(width(), b), 0, b, skin::kTitleBand);
    max_->setGeometry(MainGeometry::MaxX(width(), b), 0, b, skin::kTitleBand);
    min_->setGeometry(MainGeometry::MinX(width(), b), 0, b, skin::kTitleBand);
    layout_->setGeometry(MainGeometry::LayoutRect(client));
    main_view_->setGeometry(MainGeometry::MainViewRect(client));
    lock_->setGeometry(MainGeometry::LockRect(client));
    if (!lock_->isVisible()) {
        main_view_->EnsureGrid(MainGeometry::InitialPaneCount(app_.settings.init_split_screen));
    }
}

void CVantorMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(223, 223, 223));
    p.setPen(QColor(201, 201, 201));
    p.drawLine(0, 0, 0, height() - 1);
    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
    const int band = MainGeometry::kTitleBand;
    if (!title_mid_.isNull()) {
        p.drawTiledPixmap(QRect(0, 0, width(), band), title_mid_);
    } else {
        p.fillRect(QRect(0, 0, width(), band), skin::kTitle);
    }
    if (!title_left_.isNull()) {
        p.drawPixmap(0, 0, title_left_);
    }
    if (!title_right_.isNull()) {
        p.drawPixmap(width() - title_right_.width(), 0, title_right_);
    }
    if (!logo_.isNull()) {
        p.drawPixmap(QRect(15, 6 + (band - 12 - 29) / 2, 29, 29), logo_);
    }
    p.setFont(title_font_);
    p.setPen(title_mid_.isNull() ? Qt::black : QColor(Qt::white));
    p.drawText(QRect(50 + 4, 0, width() - 300, band), Qt::AlignVCenter | Qt::AlignLeft,
               windowTitle());
}

void CVantorMain::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle() && !maximised_) {
        windowHandle()->startSystemMove();
    }
    QWidget::mousePressEvent(event);
}

void CVantorMain::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->position().y() < MainGeometry::kTitleBand) {
        const bool locked = lock_->isVisible();
        SetMaximised(!maximised_);
        if (locked) {
            lock_->show();
        }
    }
}

void CVantorMain::Lock() {
    main_view_->hide();
    layout_->hide();
    lock_->show();
    lock_->raise();
    lock_->update();
}

void CVantorMain::Unlock() {
    lock_->hide();
    main_view_->show();
    layout_->show();
}

void CVantorMain::closeEvent(QCloseEvent* event) {
    if (!shut_down_) {
        switch (handshake_.OnCloseRequest()) {
            case ShutdownHandshake::Action::kWaitForTool:
                tool_answer_timer_.start();
                event->ignore();
                return;
            case ShutdownHandshake::Action::kNone:
                event->ignore();
                return;
            default:
                break;
        }
        ShutDownNow();
    }
    event->accept();
}

bool CVantorMain::event(QEvent* e) {
    if (e->type() != PostedMessage::EventType()) {
        return QWidget::event(e);
    }
    const auto* m = static_cast<PostedMessage*>(e);
    switch (m->msg()) {
        case kMsgConnecting:
            // The device still points at its pane here: the message is posted from a live
            // device on the connect path, and removal happens on this thread.
            if (const CCDevInfo* dev = registry_->FindByBase(reinterpret_cast<void*>(m->wparam()))) {
                if (dev->pane != nullptr) {
                    dev->pane->ClearBackground();
                }
            }
            layout_->RefreshRows();
            break;
        case kMsgRefusedOrTimedOut:
        case kMsgOffline:
        case kMsgOnlineOrThumbnail:
            layout_->RefreshRows();
            break;
        case kMsgDeviceAdded:
            if (auto* dev = reinterpret_cast<CCDevInfo*>(m->wparam())) {
                registry_->Append(std::unique_ptr<CCDevInfo>(dev));
                registry_->SaveDeviceList(app_.File("camera.xml"));
            }
            break;
        case kMsgSetSplit:
            main_view_->SetSplit(static_cast<int>(m->wparam()));
            break;
        case kMsgDeviceRemoved:
            if (registry_->RemoveDevice(reinterpret_cast<CCDevInfo*>(m->wparam())) == 1) {
                registry_->SaveDeviceList(app_.File("camera.xml"));
            }
            break;
        case kMsgSnapshotFailed:
            CCMessageBox::Show(this, QString::fromUtf8("抓拍失败"));
            break;
        case kMsgPellionHello:
            handshake_.OnToolHello(m->wparam());
            break;
        case kMsgPellionClose:
            tool_answer_timer_.stop();
            HandleToolAction(handshake_.OnToolAnswer(m->wparam()));
            break;
        case kMsgLockRequest:
            Lock();
            break;
        case kMsgUserManageRequest: {
            CDevUserManage dialog(app_, this);
            dialog.exec();
            break;
        }
        default:
            break;
    }
    return true;
}

}  // namespace vantor::client
