#include "CFirstRunDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "AppContext.h"
#include "CSkinButton.h"
#include "DialogStyle.h"
#include "SkinPalette.h"

namespace vantor::client {

namespace {
constexpr int kWidth = 360;
constexpr int kHeight = 360;
// The ordinary account is created disabled: an empty name never logs in.
}  // namespace

CFirstRunDlg::CFirstRunDlg(AppContext& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName("FirstRun");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(app.Text(LangTag::DevOther, 9));
    setFixedSize(kWidth, kHeight);
    setStyleSheet(DialogStyle::Sheet());
    auto* title = new QLabel(app.Text(LangTag::DevOther, 9), this);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet("font-size: 17px; font-weight: 600; color: #1F2A37;");
    title->setGeometry(20, 40, kWidth - 40, 28);
    auto label = [this](const QString& text, int y) {
        auto* l = new QLabel(text, this);
        l->setGeometry(50, y, 260, 18);
    };
    label(app.Text(LangTag::DevUserManageContent, 2), 88);
    name_ = new QLineEdit(this);
    name_->setObjectName("1033");
    name_->setGeometry(50, 108, 260, 32);
    label(app.Text(LangTag::DevUserManageContent, 3), 148);
    password_ = new QLineEdit(this);
    password_->setObjectName("1192");
    password_->setEchoMode(QLineEdit::Password);
    password_->setGeometry(50, 168, 260, 32);
    repeat_ = new QLineEdit(this);
    repeat_->setObjectName("1194");
    repeat_->setEchoMode(QLineEdit::Password);
    repeat_->setGeometry(50, 208, 260, 32);
    error_ = new QLabel(this);
    error_->setWordWrap(true);
    error_->setStyleSheet("color: #D93A3A; font-size: 12px;");
    error_->setGeometry(50, 244, 260, 36);
    auto* ok = new CSkinButton(1, this);
    const QPixmap normal(app.SkinFolder() + "/login_btn_s2.bmp");
    const QPixmap other(app.SkinFolder() + "/login_btn_s3.bmp");
    ok->SetImages(normal, other, other, other);
    ok->setText(app.Text(LangTag::DevOther, 3));
    ok->setGeometry(50, 290, 260, 36);
    connect(ok, &QAbstractButton::clicked, this, [this] { TryCreate(); });
    auto* close = new CSkinButton(1007, this);
    close->LoadSkin(app.SkinFolder(), "dev_manage_close_", SkinFamily::DialogClose);
    close->setGeometry(kWidth - 32, 8, 24, 24);
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
}

int CFirstRunDlg::TryCreate() {
    const std::string name = name_->text().toStdString();
    const std::string password = password_->text().toStdString();
    if (password != repeat_->text().toStdString()) {
        error_->setText(app_.Text(LangTag::DevNotify, 9));
        return 9;
    }
    // The same rules as the account editor, with a placeholder for the ordinary account.
    int rule = UserAccounts::ValidateEdit("u", "", name, password);
    if (rule == 15) {
        rule = 0;
    }
    if (rule != 0) {
        error_->setText(app_.Text(LangTag::DevNotify, rule));
        return rule;
    }
    UserAccounts a;
    a.admin_name = name;
    a.admin_password = password;
    a.remember_name = 1;
    a.current_right = 1;
    if (!UserAccountsFile::Save(app_.File("user.xml"), a)) {
        error_->setText(QStringLiteral("user.xml"));
        return -1;
    }
    app_.accounts = a;
    accept();
    return 0;
}

void CFirstRunDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::kPanel);
    p.fillRect(QRect(0, 0, width(), 4), skin::kAccent);
    p.setPen(skin::kRule);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace vantor::client
