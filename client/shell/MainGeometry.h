// Window geometry of the main window and its layout view, as plain rectangles.
//
// Thread: any (pure). Widgets apply these; tests check them without a display.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vantor::client {

class MainGeometry {
  public:
    static constexpr int kTitleBand = 50;
    static constexpr int kLayoutWidth = 250;

    // Normal: 75 % x 81.25 % of the screen, centred; maximised: the whole screen.
    static QRect WindowRect(const QRect& screen, bool maximised);

    // Title-bar buttons of width b: close, maximise, minimise (x positions) for client width w.
    static int CloseX(int w, int b) { return w - b; }
    static int MaxX(int w, int b) { return w - 2 * b - 5; }
    static int MinX(int w, int b) { return w - 3 * b - 10; }

    static QRect LayoutRect(const QSize& client) {
        return {client.width() - 251, kTitleBand, kLayoutWidth, client.height() - 51};
    }
    static QRect MainViewRect(const QSize& client) {
        return {1, kTitleBand, client.width() - 253, client.height() - 51};
    }
    static QRect LockRect(const QSize& client) {
        return {-1, kTitleBand, client.width(), client.height() - kTitleBand};
    }

    // Start-up pane count: the setting when it lies in 1-64, else 16.
    static int InitialPaneCount(int setting) {
        return setting >= 1 && setting <= 64 ? setting : 16;
    }

    // Bottom buttons of the layout view (b x h each) for its client size; row 0 upper
    // (split, device, mymsg, sightmode), row 1 lower (lock, sysmsg, usermanage, sysset).
    static QPoint LayoutButton(const QSize& layout, int b, int h, int row, int column);
    // Bottom of the device grid.
    static int GridBottom(const QSize& layout, int h) { return layout.height() - 2 * h - 35; }
};

}  // namespace vantor::client
