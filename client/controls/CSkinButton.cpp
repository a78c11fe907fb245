#include "CSkinButton.h"

#include <QFontMetrics>
#include <QPainter>

#include "SkinPalette.h"

namespace vantor::client {

namespace {

struct Suffixes {
    const char* s[4];
};

Suffixes FamilySuffixes(SkinFamily family) {
    switch (family) {
        case SkinFamily::LayoutMain:
            return {{"_s1", "_s3", "_s2", "_s3"}};
        case SkinFamily::LayoutHeader:
            return {{"_s1", "_s2", "_s3", "_s1"}};
        case SkinFamily::TitleBar:
            return {{"_s3", "_s1", "_s2", "_s3"}};
        case SkinFamily::DialogClose:
            return {{"_s3", "_s2", "_s1", "_s3"}};
        case SkinFamily::DeviceRow:
            return {{"_default", "_mo", "_click", "_default"}};
    }
    return {{"_s1", "_s1", "_s1", "_s1"}};
}

}  // namespace

CSkinButton::CSkinButton(int id, QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QString::number(id));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void CSkinButton::LoadSkin(const QString& folder, const QString& stem, SkinFamily family) {
    const Suffixes sfx = FamilySuffixes(family);
    for (int i = 0; i < 4; ++i) {
        images_[i] = QPixmap(folder + "/" + stem + sfx.s[i] + ".bmp");
    }
    update();
}

void CSkinButton::SetImages(const QPixmap& normal, const QPixmap& over, const QPixmap& pressed,
                            const QPixmap& disabled) {
    images_[0] = normal;
    images_[1] = over;
    images_[2] = pressed;
    images_[3] = disabled;
    update();
}

QSize CSkinButton::sizeHint() const {
    const QSize img = images_[0].isNull() ? QSize(40, 40) : images_[0].size();
    return img;
}

void CSkinButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    int state = 0;
    if (!isEnabled()) {
        state = 3;
    } else if (isDown() || isChecked()) {
        state = 2;
    } else if (hover_) {
        state = 1;
    }
    const QPixmap& img = images_[state];
    if (!img.isNull()) {
        p.drawPixmap(rect(), img);
    }
    if (!text().isEmpty()) {
        QFont f = font();
        f.setPixelSize(caption_below_ ? 11 : 13);
        p.setFont(f);
        p.setPen(isEnabled() ? (caption_below_ ? skin::kInk : QColor(Qt::white)) : skin::kMuted);
        const QRect area = caption_below_ ? QRect(0, height() - 18, width(), 16) : rect();
        p.drawText(area, Qt::AlignCenter,
                   QFontMetrics(f).elidedText(text(), Qt::ElideRight, width()));
    }
    if (!isEnabled()) {
        p.fillRect(rect(), QColor(255, 255, 255, 110));
    }
}

}  // namespace vantor::client
