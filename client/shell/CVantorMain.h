// The main window: a frameless, skinned window with its own title band and three child views
// (main view, layout, lock view). Owns the device registry; routes device messages.
//
// Thread: user-interface thread. Device objects post to this window from library threads.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <memory>

namespace vantor::client {

class CCLayoutCtrVecDlg;
class CCLockLoginDlg;
class CCVantorMainDlg;
class CSkinButton;
class DeviceRegistry;
struct AppContext;

class CVantorMain : public QWidget {
  public:
    // Initialises the libraries and reads the device list (with_player: also the player).
    CVantorMain(AppContext& app, bool with_player, QWidget* parent = nullptr);
    ~CVantorMain() override;

    // Runs the login; on success shows, sizes and skins the window and returns true.
    bool LoginAndShow(int startup_delay_ms);
    void SetMaximised(bool maximised);
    void Lock();
    void Unlock();

    DeviceRegistry& registry() { return *registry_; }
    CCLayoutCtrVecDlg* layout() const { return layout_; }
    CCLockLoginDlg* lock_view() const { return lock_; }
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
};

}  // namespace vantor::client
