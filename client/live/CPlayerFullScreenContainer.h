// The full-screen host: a top-most frameless window over the primary screen that borrows one
// window (a pane, or another view's window) and gives it back on leaving. At most one host
// exists at a time. Escape, a double-click on the host and a close request leave full screen;
// every 3 s the host raises itself again so that other top-most windows do not cover it.
//
// Thread: user-interface thread only.
// Ownership: the host owns itself (deleted after leaving). The hosted window stays owned by
// whoever owned it before: the host never deletes it, even when the host itself goes first.
#pragma once

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace vantor::client {

class CPlayerFullScreenContainer : public QWidget {
  public:
    static constexpr int kRaiseIntervalMs = 3000;

    // The host, or nullptr when nothing is full screen.
    static CPlayerFullScreenContainer* Instance();
    // Takes `window` full screen; when a host already exists, leaves full screen instead.
    static void EnterFullScreen(QWidget* window);
    // Gives `window` back to its former parent and place and closes the host; nothing when
    // `window` is not the hosted one.
    static void LeaveFullScreen(QWidget* window);

    QWidget* Hosted() const { return hosted_.data(); }

    ~CPlayerFullScreenContainer() override;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    CPlayerFullScreenContainer();
    void GiveBack();
    void Close();

    QPointer<QWidget> hosted_;
    QPointer<QWidget> former_parent_;
    QRect former_rect_;
    Qt::WindowFlags former_flags_;
    QTimer raise_timer_;
};

}  // namespace vantor::client
