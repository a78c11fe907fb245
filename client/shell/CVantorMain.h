// The main window: a frameless, skinned window with its own title band and three child views
// (main view, layout, lock view). Owns the device registry; routes device messages.
//
// Thread: user-interface thread. Device objects post to this window from library threads.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "ShutdownHandshake.h"

namespace vantor::client {

class CCLayoutCtrVecDlg;
class CCLockLoginDlg;
class CCVantorMainDlg;
class CSkinButton;
class DeviceRegistry;
class WindowEndpoint;
struct AppContext;

class CVantorMain : public QWidget {
  public:
    // Initialises the libraries and reads the device list (with_player: also the player).
    CVantorMain(AppContext& app, bool with_player, QWidget* parent = nullptr);
    ~CVantorMain() override;

    // Runs the login; on success shows, sizes and skins the window and returns true.
    // auto_login: log in with the remembered name and password without asking, when both are
    // remembered and still match; otherwise the dialog is shown as usual.
    bool LoginAndShow(int startup_delay_ms, bool auto_login = false);
    void SetMaximised(bool maximised);
    void Lock();
    void Unlock();

    DeviceRegistry& registry() { return *registry_; }
    CCLayoutCtrVecDlg* layout() const { return layout_; }
    CCLockLoginDlg* lock_view() const { return lock_; }
    // The handle the download program is given to reach this window; 0 when there is none.
    uint64_t endpoint_handle() const;
    bool maximised() const { return maximised_; }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ApplyGeometry();
    void HandleToolAction(ShutdownHandshake::Action action);
    void ShutDownNow();

    AppContext& app_;
    std::unique_ptr<DeviceRegistry> registry_;
    CCVantorMainDlg* main_view_;
    CCLayoutCtrVecDlg* layout_;
    CCLockLoginDlg* lock_;
    CSkinButton* close_;
    CSkinButton* max_;
    CSkinButton* min_;
    QPixmap title_left_, title_right_, title_mid_, logo_;
    QFont title_font_;
    bool maximised_ = false;
    bool shut_down_ = false;
    // The record download program reaches this window through the endpoint (10024, 10025).
    std::unique_ptr<WindowEndpoint> endpoint_;
    ShutdownHandshake handshake_;
    QTimer tool_answer_timer_;
};

}  // namespace vantor::client
