#include "CCVantorMainDlg.h"

#include <QPainter>
#include <cmath>

#include "SkinPalette.h"

namespace vantor::client {

CCVantorMainDlg::CCVantorMainDlg(QWidget* parent) : QWidget(parent) {
    setObjectName("129");
}

void CCVantorMainDlg::SetPaneCount(int panes) {
    panes_ = panes;
    update();
}

void CCVantorMainDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::kTitle);
    const int side =
        std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(panes_)))));
    const int gap = 2;
    const double cw = (width() - gap) / static_cast<double>(side);
    const double ch = (height() - gap) / static_cast<double>(side);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < side * side; ++i) {
        const QRectF r(gap + (i % side) * cw, gap + (i / side) * ch, cw - gap, ch - gap);
        p.fillRect(r, skin::kVideo);
    }
}

}  // namespace vantor::client
