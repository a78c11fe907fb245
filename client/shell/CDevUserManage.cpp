#include "CDevUserManage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "AppContext.h"
#include "CCMessageBox.h"
#include "CSkinButton.h"
#include "DialogStyle.h"
#include "SkinPalette.h"

namespace vantor::client {

namespace {
constexpr int kWidth = 460;
constexpr int kHeight = 300;
}  // namespace

CDevUserManage::CDevUserManage(AppContext& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName("151");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kWidth, kHeight);
    setStyleSheet(DialogStyle::Sheet());
    auto* title = new QLabel(app.Text(LangTag::DevMenu, 6), this);
    title->setStyleSheet("font-size: 15px; font-weight: 600; color: #1F2A37;");
    title->setGeometry(20, 14, 300, 24);
    auto edit = [this](int id, int x, int y, bool secret, const std::string& value) {
        auto* e = new QLineEdit(QString::fromStdString(value), this);
        e->setObjectName(QString::number(id));
        e->setGeometry(x, y, 190, 32);
        e->setEchoMode(secret ? QLineEdit::Password : QLineEdit::Normal);
        e->setEnabled(false);
        return e;
    };
    auto label = [this, &app](int id, int entry, int x, int y) {
        auto* l = new QLabel(app.Text(LangTag::DevUserManageContent, entry), this);
        l->setObjectName(QString::number(id));
        l->setGeometry(x, y, 190, 18);
    };
    const UserAccounts& a = app.accounts;
    label(1087, 0, 30, 60);
    user_name_ = edit(1031, 30, 80, false, a.user_name);
    label(1088, 1, 240, 60);
    user_password_ = edit(1193, 240, 80, true, a.user_password);
    label(1089, 2, 30, 130);
    admin_name_ = edit(1033, 30, 150, false, a.admin_name);
    label(1090, 3, 240, 130);
    admin_password_ = edit(1192, 240, 150, true, a.admin_password);

    const QPixmap normal(app.SkinFolder() + "/Lock_s1.bmp"),
        other(app.SkinFolder() + "/Lock_s2.bmp");
    auto* edit_button = new CSkinButton(1085, this);
    edit_button->SetImages(normal, other, other, normal);
    edit_button->setText(app.Text(LangTag::DevUserManageContent, 4));
    edit_button->setGeometry(kWidth - 310, 230, 140, 36);
    connect(edit_button, &QAbstractButton::clicked, this, [this] { EnableEditing(); });
    auto* save = new CSkinButton(1086, this);
    save->SetImages(normal, other, other, normal);
    save->setText(app.Text(LangTag::DevUserManageContent, 5));
    save->setGeometry(kWidth - 160, 230, 140, 36);
    connect(save, &QAbstractButton::clicked, this, [this] { TrySave(); });
    auto* close = new CSkinButton(1084, this);
    close->LoadSkin(app.SkinFolder(), "dev_manage_close_", SkinFamily::DialogClose);
    close->setGeometry(kWidth - 32, 8, 24, 24);
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
}

void CDevUserManage::EnableEditing() {
    for (QLineEdit* e : {user_name_, user_password_, admin_name_, admin_password_}) {
        e->setEnabled(true);
    }
}

int CDevUserManage::TrySave() {
    const std::string un = user_name_->text().toStdString();
    const std::string up = user_password_->text().toStdString();
    const std::string an = admin_name_->text().toStdString();
    const std::string ap = admin_password_->text().toStdString();
    const int rule = UserAccounts::ValidateEdit(un, up, an, ap);
    if (rule != 0) {
        CCMessageBox::Show(this, app_.Text(LangTag::DevNotify, rule));
        return rule;
    }
    for (QLineEdit* e : {user_name_, user_password_, admin_name_, admin_password_}) {
        e->setEnabled(false);
    }
    UserAccounts& a = app_.accounts;
    a.user_name = un;
    a.user_password = up;
    a.admin_name = an;
    a.admin_password = ap;
    UserAccountsFile::Save(app_.File("user.xml"), a);
    return 0;
}

void CDevUserManage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::kPanel);
    p.fillRect(QRect(0, 0, width(), 4), skin::kAccent);
    p.setPen(skin::kRule);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace vantor::client
