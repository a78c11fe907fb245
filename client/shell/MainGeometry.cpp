#include "MainGeometry.h"

namespace vantor::client {

QRect MainGeometry::WindowRect(const QRect& screen, bool maximised) {
    if (maximised) {
        return screen;
    }
    const int w = static_cast<int>(screen.width() * 0.75);
    const int h = static_cast<int>(screen.height() * 0.8125);
    return {screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2, w, h};
}

QPoint MainGeometry::LayoutButton(const QSize& layout, int b, int h, int row, int column) {
    const int w = layout.width();
    const int xs[4] = {w - 4 * b - 25, w - 3 * b - 20, w - 2 * b - 15, w - b - 10};
    const int y = row == 0 ? layout.height() - 2 * h - 15 : layout.height() - h - 5;
    return {xs[column & 3], y};
}

}  // namespace vantor::client
