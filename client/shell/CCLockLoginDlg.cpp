#include "CCLockLoginDlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

#include "AppContext.h"
#include "CSkinButton.h"
#include "DialogStyle.h"
#include "SkinPalette.h"

namespace vantor::client {

CCLockLoginDlg::CCLockLoginDlg(AppContext& app, QWidget* parent, std::function<void()> on_unlock)
    : QWidget(parent), app_(app), on_unlock_(std::move(on_unlock)) {
    setObjectName("131");
    setStyleSheet(DialogStyle::Sheet());
    auto* picture = new QLabel(this);
    picture->setObjectName("1191");
    picture->setPixmap(QPixmap(app.SkinFolder() + "/logoicon.bmp"));
    picture_ = picture;
    auto* label = new QLabel(app.Text(LangTag::DevOther, 6), this);
    label->setObjectName("1245");
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet("color: #C9D3DF; font-size: 15px;");
    label_ = label;
    password_ = new QLineEdit(this);
    password_->setObjectName("1011");
    password_->setEchoMode(QLineEdit::Password);
    auto* unlock = new CSkinButton(1012, this);
    const QPixmap s1(app.SkinFolder() + "/Lock_s1.bmp"), s2(app.SkinFolder() + "/Lock_s2.bmp");
    unlock->SetImages(s1, s2, s2, s1);
    unlock->setText(app.Text(LangTag::DevOther, 5));
    button_ = unlock;
    connect(unlock, &QAbstractButton::clicked, this, [this] { TryUnlock(); });
    connect(password_, &QLineEdit::returnPressed, this, [this] { TryUnlock(); });
}

bool CCLockLoginDlg::TryUnlock() {
    if (!app_.accounts.UnlockMatches(password_->text().toStdString())) {
        return false;
    }
    password_->clear();
    if (on_unlock_) {
        on_unlock_();
    }
    return true;
}

void CCLockLoginDlg::resizeEvent(QResizeEvent*) {
    // The edit sits at a quarter of the screen; kept inside the view on small windows.
    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size()
                                                          : QSize(1280, 800);
    const int cx = width() / 2;
    const int y = std::min(screen.height() / 4, std::max(0, height() - 120));
    picture_->setGeometry(cx - 32, std::max(10, y - 130), 64, 64);
    label_->setGeometry(0, std::max(80, y - 50), width(), 24);
    const int x = std::min(screen.width() / 4, std::max(0, width() - 380));
    password_->setGeometry(std::max(cx - 190, x), y, 220, 36);
    button_->setGeometry(password_->geometry().right() + 10, y, 140, 36);
}

void CCLockLoginDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::kTitle);
}

}  // namespace vantor::client
