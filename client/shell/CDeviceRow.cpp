#include "CDeviceRow.h"

#include <QLabel>
#include <QPixmap>

#include "AppContext.h"
#include "CCDevInfo.h"
#include "CSkinButton.h"
#include "ClientMessages.h"
#include "DeviceRowRules.h"
#include "PostMessage.h"
#include "TextField.h"

namespace vantor::client {

CDeviceRow::CDeviceRow(AppContext& app, CCDevInfo* device, QObject* layout, QWidget* parent)
    : QWidget(parent), app_(app), device_(device) {
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    icon_ = new QLabel(this);
    icon_->setGeometry(8, 10, 32, 32);
    name_ = new QLabel(QString::fromUtf8(FieldText(device->identity.name).c_str()), this);
    name_->setObjectName("name");
    name_->setStyleSheet("font-size: 13px; font-weight: 600; color: #343E4A;");
    name_->setGeometry(50, 8, 120, 18);
    state_ = new QLabel(this);
    state_->setObjectName("state");
    state_->setStyleSheet("font-size: 11px; color: #8A94A0;");
    state_->setGeometry(50, 27, 120, 16);
    thumbnail_ = new CSkinButton(100011, this);
    thumbnail_->setGeometry(2, 5, 42, 30);
    thumbnail_->hide();

    auto* settings = new CSkinButton(11111, this);
    settings->LoadSkin(app.SkinFolder(), "leftbar_seting_", SkinFamily::DeviceRow);
    settings->setFixedSize(40, 40);
    const intptr_t identity = reinterpret_cast<intptr_t>(device);
    QObject::connect(settings, &QAbstractButton::clicked, layout,
                     [layout, identity] { PostMessage(layout, kMsgSettingsButton, 0, identity); });
    int right = 190;
    settings->move(right, 6);
    if (DeviceRowRules::HasAreaButton(*device)) {
        auto* area = new CSkinButton(11112, this);
        area->LoadSkin(app.SkinFolder(), "leftbar_area_", SkinFamily::DeviceRow);
        area->setFixedSize(40, 40);
        area->move(right - 40, 6);
        name_->setFixedWidth(95);
        state_->setFixedWidth(95);
        QObject::connect(area, &QAbstractButton::clicked, layout,
                         [layout, identity] { PostMessage(layout, kMsgAreaButton, 0, identity); });
    }
    Refresh(0);
}

void CDeviceRow::Refresh(int visual) {
    const int index = DeviceRowRules::IconIndex(*device_, visual);
    icon_->setPixmap(QPixmap(app_.SkinFolder() + "/" + DeviceRowRules::IconFile(index)));
    const std::string_view text = DeviceRowRules::StateText(*device_, app_.lang);
    state_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    const bool online = DeviceRowRules::StateSource(*device_) != nullptr &&
                        DeviceRowRules::StateSource(*device_)->IsOnline();
    state_->setStyleSheet(online ? "font-size: 11px; color: #1E9E5A;"
                                 : "font-size: 11px; color: #8A94A0;");
    // Recorders never show a thumbnail: their own object has no stream.
    QString path;
    if (device_->IsOnline() && device_->kind() != kKindRecorder) {
        path = QString::fromStdString(device_->ThumbnailPath());
    }
    if (path.isEmpty()) {
        device_->thumbnail_stored = 0;
        thumbnail_->hide();
        shown_thumbnail_.clear();
        return;
    }
    if (path != shown_thumbnail_) {
        const QPixmap pic(path);
        thumbnail_->SetImages(pic, pic, pic, pic);
        shown_thumbnail_ = path;
    }
    thumbnail_->show();
    thumbnail_->raise();
}

}  // namespace vantor::client
