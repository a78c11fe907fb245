#include "CCLayoutCtrVecDlg.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <set>

#include "AppContext.h"
#include "CCMessageBox.h"
#include "CCVantorMainDlg.h"
#include "CDeviceGrid.h"
#include "CDeviceRow.h"
#include "CSetSplitViewDlg.h"
#include "CSkinButton.h"
#include "CVideoPane.h"
#include "CWvrInfo.h"
#include "ClientMessages.h"
#include "DeviceRegistry.h"
#include "MainGeometry.h"
#include "PostMessage.h"
#include "SkinPalette.h"

namespace vantor::client {

namespace {

struct CommandButton {
    int id;
    const char* stem;
    int menu_entry;
    bool header;
    bool available;  // views that arrive later keep their button disabled
};

constexpr CommandButton kButtons[] = {
    {1016, "bottom_split", 0, false, true},     {1017, "bottom_device", 1, false, false},
    {1010, "bottom_mymsg", 2, false, false},     {1018, "bottom_sightmode", 3, false, false},
    {1002, "bottom_lock", 4, false, true},       {1020, "bottom_sysmsg", 5, false, false},
    {1014, "bottom_usermanage", 6, false, true}, {1019, "bottom_sysset", 7, false, false},
    {1009, "bottom_frensh", 8, true, true},      {1007, "bottom_adddev", 9, true, false},
    {1011, "bottom_deldev", 10, true, true},
};

constexpr int kHeaderHeight = 36;
constexpr int kUpperRow[4] = {1016, 1017, 1010, 1018};
constexpr int kLowerRow[4] = {1002, 1020, 1014, 1019};
constexpr int kDeleteSettleMs = 100;

}  // namespace

CCLayoutCtrVecDlg::CCLayoutCtrVecDlg(AppContext& app, DeviceRegistry& registry,
                                     QWidget* main_window, QWidget* parent)
    : QWidget(parent), app_(app), registry_(registry), main_window_(main_window) {
    setObjectName("130");
    title_ = new QLabel(this);
    title_->setObjectName("1023");
    title_->setStyleSheet("color: white; font-size: 14px; font-weight: 600; padding-left: 12px;");
    grid_ = new CDeviceGrid(this);
    grid_->setFrameShape(QFrame::NoFrame);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setStyleSheet(
        "QListWidget { background: white; outline: 0; }"
        "QListWidget::item { border-bottom: 1px solid #EEF1F4; }"
        "QListWidget::item:selected { background: #E8F0FC; }"
        "QListWidget::item:hover { background: #F5F8FD; }");
    connect(grid_, &QListWidget::currentRowChanged, this, [this] { RefreshRows(); });
    for (const CommandButton& b : kButtons) {
        auto* button = new CSkinButton(b.id, this);
        button->setEnabled(b.available);
        button->SetCaptionBelow(!b.header);
        buttons_[b.id] = button;
    }
    split_ = new CSetSplitViewDlg(this, this);
    split_->hide();
    connect(buttons_[1016], &QAbstractButton::clicked, this, [this] { ShowSplitChooser(); });
    connect(buttons_[1009], &QAbstractButton::clicked, this, [this] { registry_.ReconnectAll(); });
    connect(buttons_[1011], &QAbstractButton::clicked, this, [this] { DeleteSelected(); });
    connect(buttons_[1002], &QAbstractButton::clicked, this,
            [this] { PostMessage(main_window_, kMsgLockRequest, 0, 0); });
    connect(buttons_[1014], &QAbstractButton::clicked, this, [this] {
        if (app_.accounts.current_right != 1) {
            ShowNotify(10);
            return;
        }
        PostMessage(main_window_, kMsgUserManageRequest, 0, 0);
    });
}

void CCLayoutCtrVecDlg::LoadSkin(int startup_delay_ms) {
    const QString skin = app_.SkinFolder();
    for (const CommandButton& b : kButtons) {
        CSkinButton* button = buttons_[b.id];
        button->LoadSkin(skin, b.stem,
                         b.header ? SkinFamily::LayoutHeader : SkinFamily::LayoutMain);
        if (b.header) {
            button->setToolTip(app_.Text(LangTag::DevMenu, b.menu_entry));
        } else {
            button->setText(app_.Text(LangTag::DevMenu, b.menu_entry));
        }
    }
    bottom_bg_ = QPixmap(skin + "/bottom_bg.bmp");
    split_->LoadTexts(app_.lang);
    split_->LoadSkin(skin);
    title_->setText(app_.Text(LangTag::DevManageContent, 11));
    resizeEvent(nullptr);
    // The start-up step waits so the window is on screen before devices are contacted.
    QTimer::singleShot(startup_delay_ms, this, [this] { PostMessage(this, kMsgStartup, 0, 0); });
}

void CCLayoutCtrVecDlg::resizeEvent(QResizeEvent*) {
    const QSize size = this->size();
    const int b = skin::kLayoutButtonW, h = skin::kLayoutButtonH;
    for (int c = 0; c < 4; ++c) {
        buttons_[kUpperRow[c]]->setGeometry(
            QRect(MainGeometry::LayoutButton(size, b, h, 0, c), QSize(b, h)));
        buttons_[kLowerRow[c]]->setGeometry(
            QRect(MainGeometry::LayoutButton(size, b, h, 1, c), QSize(b, h)));
    }
    title_->setGeometry(0, 0, width(), kHeaderHeight);
    const int hb = skin::kHeaderButton;
    buttons_[1011]->setGeometry(width() - hb - 4, 4, hb, hb);
    buttons_[1007]->setGeometry(width() - 2 * hb - 6, 4, hb, hb);
    buttons_[1009]->setGeometry(width() - 3 * hb - 8, 4, hb, hb);
    grid_->setGeometry(0, kHeaderHeight, width() - 7 + 7,
                       MainGeometry::GridBottom(size, h) - kHeaderHeight);
}

void CCLayoutCtrVecDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::kBackground);
    p.fillRect(QRect(0, 0, width(), kHeaderHeight), skin::kHeader);
    if (!bottom_bg_.isNull()) {
        p.drawPixmap(5, height() - 130, bottom_bg_);
    }
    p.setPen(skin::kRule);
    p.drawLine(0, 0, 0, height());
}

int CCLayoutCtrVecDlg::row_count() const {
    return grid_->count();
}

void CCLayoutCtrVecDlg::AddRow(CCDevInfo* device) {
    auto* item = new QListWidgetItem(grid_);
    auto* row = new CDeviceRow(app_, device, this, grid_);
    item->setSizeHint(QSize(0, CDeviceRow::kHeight));
    item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(device)));
    grid_->setItemWidget(item, row);
}

void CCLayoutCtrVecDlg::RemoveRow(CCDevInfo* device) {
    for (int i = 0; i < grid_->count(); ++i) {
        if (grid_->item(i)->data(Qt::UserRole).value<quintptr>() ==
            reinterpret_cast<quintptr>(device)) {
            delete grid_->takeItem(i);
            return;
        }
    }
}

void CCLayoutCtrVecDlg::RefreshRows() {
    for (int i = 0; i < grid_->count(); ++i) {
        if (auto* row = static_cast<CDeviceRow*>(grid_->itemWidget(grid_->item(i)))) {
            row->Refresh(i == grid_->currentRow() ? 2 : 0);
        }
    }
}

CCDevInfo* CCLayoutCtrVecDlg::Selected() const {
    QListWidgetItem* item = grid_->currentItem();
    return item ? reinterpret_cast<CCDevInfo*>(item->data(Qt::UserRole).value<quintptr>())
                : nullptr;
}

CCDevInfo* CCLayoutCtrVecDlg::FindDevice(intptr_t identity) const {
    for (size_t i = 0; i < registry_.size(); ++i) {
        if (reinterpret_cast<intptr_t>(registry_.at(i)) == identity) {
            return registry_.at(i);
        }
    }
    return nullptr;
}

void CCLayoutCtrVecDlg::ShowNotify(int entry) {
    CCMessageBox::Show(main_window_, app_.Text(LangTag::DevNotify, entry));
}

bool CCLayoutCtrVecDlg::event(QEvent* e) {
    if (e->type() != PostedMessage::EventType()) {
        return QWidget::event(e);
    }
    const auto* m = static_cast<PostedMessage*>(e);
    switch (m->msg()) {
        case kMsgStartup:
            Startup();
            break;
        case kMsgSettingsButton:
            OnSettingsButton(FindDevice(m->lparam()));
            break;
        case kMsgAreaButton:
            OnAreaButton(FindDevice(m->lparam()));
            break;
        case kMsgDeviceAdded:
            if (auto* dev = reinterpret_cast<CCDevInfo*>(m->wparam())) {
                dev->owner = main_window_;
                AddRow(dev);
                PostMessage(main_window_, kMsgDeviceAdded, m->wparam(), m->lparam());
            }
            break;
        case kMsgSetSplit:
            PostMessage(main_window_, kMsgSetSplit, m->wparam(), m->lparam());
            break;
        default:
            break;
    }
    return true;
}

void CCLayoutCtrVecDlg::Startup() {
    grid_->setUpdatesEnabled(false);
    for (size_t i = 0; i < registry_.size(); ++i) {
        registry_.at(i)->owner = main_window_;
        AddRow(registry_.at(i));
    }
    AutoStartVideo();
    RefreshRows();
    grid_->setUpdatesEnabled(true);
    registry_.ReconnectAll();
}

void CCLayoutCtrVecDlg::AutoStartVideo() {
    if (app_.settings.auto_start_video == 0) {
        return;
    }
    const size_t n = std::min<size_t>(
        static_cast<size_t>(std::max(0, app_.settings.init_split_screen)), registry_.size());
    const int panes = main_view_ ? main_view_->pane_count() : 0;
    // Panes handed out here, so a recorder channel never takes a pane that a camera earlier in
    // the list was given but whose video has not started yet (nothing is online this early).
    std::set<CVideoPane*> given;
    for (size_t i = 0; i < n && static_cast<int>(i) < panes; ++i) {
        CCDevInfo* dev = registry_.at(i);
        if (dev->kind() != kKindRecorder && !dev->video_running) {
            given.insert(main_view_->PaneAt(static_cast<int>(i)));
        }
    }
    auto next_free = [&]() -> CVideoPane* {
        for (int k = 0; k < panes; ++k) {
            CVideoPane* p = main_view_->PaneAt(k);
            const CCDevInfo* bound = p ? p->BoundDevice() : nullptr;
            if (p != nullptr && given.count(p) == 0 && (bound == nullptr || !bound->video_running)) {
                return p;
            }
        }
        return nullptr;
    };
    for (size_t i = 0; i < n; ++i) {
        CCDevInfo* dev = registry_.at(i);
        if (auto* wvr = dynamic_cast<CWvrInfo*>(dev)) {
            wvr->owner = main_window_;
            wvr->ConnectChannels();
            for (int k = 0; k < CNasInfo::kChannelCount; ++k) {
                CNasInfo* channel = wvr->Channel(k);
                CVideoPane* pane = next_free();
                if (channel == nullptr || pane == nullptr) {
                    continue;
                }
                given.insert(pane);
                if (channel->IsOnline()) {
                    wvr->StartChannelVideo(k, pane);
                } else {
                    // Not online yet: the channel keeps the pane and starts there when it is.
                    channel->AssignPane(pane);
                }
            }
        } else if (!dev->video_running) {
            dev->AssignPane(static_cast<int>(i) < panes ? main_view_->PaneAt(static_cast<int>(i))
                                                        : nullptr);
            dev->Connect();
        }
    }
}

void CCLayoutCtrVecDlg::OnDeviceDropped(CCDevInfo* device, QPoint screen_point) {
    // Only devices of the list: the drag carries an address that may be stale.
    device = FindDevice(reinterpret_cast<intptr_t>(device));
    if (device == nullptr || device->video_running || main_view_ == nullptr) {
        return;
    }
    main_view_->DropDeviceOnPane(device, screen_point);
}

void CCLayoutCtrVecDlg::ShowSplitChooser() {
    // Above the split button, right-aligned with the layout so it stays on screen.
    split_->adjustSize();
    const QPoint corner = buttons_[1016]->mapToGlobal(QPoint(0, 0));
    const int right = mapToGlobal(QPoint(width(), 0)).x();
    split_->move(std::min(corner.x(), right - split_->width() - 4), corner.y() - split_->height() - 6);
    split_->show();
    split_->raise();
    split_->activateWindow();
}

void CCLayoutCtrVecDlg::OnSettingsButton(CCDevInfo* device) {
    if (device == nullptr) {
        return;
    }
    const CCDevInfo* target = device;
    if (device->kind() == kKindRecorder) {
        const auto* wvr = dynamic_cast<const CWvrInfo*>(device);
        target = wvr ? wvr->Channel(0) : nullptr;
    } else if (device->kind() != kKindCamera) {
        return;
    }
    if (target == nullptr || !target->IsOnline()) {
        ShowNotify(8);
        return;
    }
    if (app_.accounts.current_right != 1) {
        ShowNotify(10);
        return;
    }
    // The settings sheet arrives with the device settings views.
}

void CCLayoutCtrVecDlg::OnAreaButton(CCDevInfo* device) {
    if (device == nullptr || device->kind() != kKindRecorder) {
        return;
    }
    const auto* wvr = dynamic_cast<const CWvrInfo*>(device);
    const CCDevInfo* channel = wvr ? wvr->Channel(0) : nullptr;
    if (channel == nullptr || !channel->IsOnline()) {
        ShowNotify(8);
        return;
    }
    if (app_.accounts.current_right != 1) {
        ShowNotify(10);
        return;
    }
    // The protection-region dialog arrives with the accessory views.
}

void CCLayoutCtrVecDlg::DeleteSelected() {
    if (CCDevInfo* dev = Selected()) {
        QThread::msleep(kDeleteSettleMs);
        RemoveRow(dev);
        grid_->setCurrentRow(-1);
        PostMessage(main_window_, kMsgDeviceRemoved, reinterpret_cast<uintptr_t>(dev), 0);
    }
    registry_.SaveDeviceList(app_.File("camera.xml"));
}

}  // namespace vantor::client
