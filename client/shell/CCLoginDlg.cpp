#include "CCLoginDlg.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QWindow>

#include "AppContext.h"
#include "CCMessageBox.h"
#include "CSkinButton.h"
#include "DialogStyle.h"
#include "SkinPalette.h"

namespace vantor::client {

namespace {
constexpr int kWidth = 360;
constexpr int kHeight = 420;
}  // namespace

CCLoginDlg::CCLoginDlg(AppContext& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName("104");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(app.Text(LangTag::VantorTitle, 0));
    setFixedSize(kWidth, kHeight);
    setStyleSheet(DialogStyle::Sheet());
    const QString skin = app.SkinFolder();

    auto* logo = new QLabel(this);
    logo->setObjectName("1239");
    logo->setPixmap(QPixmap(skin + "/logoicon.bmp"));
    logo->setGeometry((kWidth - 64) / 2, 70, 64, 64);
    auto* title = new QLabel(app.Text(LangTag::VantorTitle, 0), this);
    title->setObjectName("1240");
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet("font-size: 17px; font-weight: 600; color: #1F2A37;");
    title->setGeometry(20, 142, kWidth - 40, 28);

    auto* user_icon = new QLabel(this);
    user_icon->setPixmap(QPixmap(skin + "/login_user_s.bmp"));
    user_icon->setGeometry(70, 195, 24, 24);
    name_ = new QLineEdit(this);
    name_->setObjectName("1241");
    name_->setGeometry(100, 190, 190, 34);
    auto* pwd_icon = new QLabel(this);
    pwd_icon->setPixmap(QPixmap(skin + "/login_pwd_s.bmp"));
    pwd_icon->setGeometry(70, 245, 24, 24);
    password_ = new QLineEdit(this);
    password_->setObjectName("1242");
    password_->setEchoMode(QLineEdit::Password);
    password_->setGeometry(100, 240, 190, 34);

    remember_name_ = new QCheckBox(app.Text(LangTag::DevOther, 7), this);
    remember_name_->setObjectName("1043");
    remember_name_->setGeometry(70, 286, 220, 22);
    remember_password_ = new QCheckBox(app.Text(LangTag::DevOther, 8), this);
    remember_password_->setObjectName("1044");
    remember_password_->setGeometry(70, 310, 220, 22);

    auto* login = new CSkinButton(1011, this);
    const QPixmap normal(skin + "/login_btn_s2.bmp"), other(skin + "/login_btn_s3.bmp");
    login->SetImages(normal, other, other, other);
    login->setText(app.Text(LangTag::DevOther, 0));
    login->setGeometry(70, 350, 220, 36);
    connect(login, &QAbstractButton::clicked, this, [this] { TryLogin(); });

    auto* close = new CSkinButton(1007, this);
    close->LoadSkin(skin, "dev_manage_close_", SkinFamily::DialogClose);
    close->setGeometry(kWidth - 32, 8, 24, 24);
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    auto* minimise = new CSkinButton(1008, this);
    minimise->LoadSkin(skin, "dlg_min_", SkinFamily::TitleBar);
    minimise->setGeometry(kWidth - 60, 8, 24, 24);
    connect(minimise, &QAbstractButton::clicked, this, &QWidget::showMinimized);

    const UserAccounts& a = app.accounts;
    if (a.remember_name == 1) {
        name_->setText(QString::fromStdString(a.current_right == 1 ? a.admin_name : a.user_name));
    }
    if (a.remember_password == 1) {
        password_->setText(
            QString::fromStdString(a.current_right == 1 ? a.admin_password : a.user_password));
    }
    remember_name_->setChecked(a.remember_name == 1);
    remember_password_->setChecked(a.remember_password == 1);
    connect(name_, &QLineEdit::returnPressed, this, [this] { TryLogin(); });
    connect(password_, &QLineEdit::returnPressed, this, [this] { TryLogin(); });
    name_->setFocus();
}

bool CCLoginDlg::TryLogin() {
    UserAccounts& a = app_.accounts;
    const int right = a.MatchLogin(name_->text().toStdString(), password_->text().toStdString());
    if (right < 0) {
        CCMessageBox::Show(this, app_.Text(LangTag::DevNotify, 9));
        return false;
    }
    a.current_right = right;
    a.remember_name = remember_name_->isChecked() ? 1 : 0;
    a.remember_password = remember_password_->isChecked() ? 1 : 0;
    UserAccountsFile::Save(app_.File("user.xml"), a);
    accept();
    return true;
}

void CCLoginDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
    }
    QDialog::mousePressEvent(event);
}

void CCLoginDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::kPanel);
    p.fillRect(QRect(0, 0, width(), 4), skin::kAccent);
    p.setPen(skin::kRule);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace vantor::client
