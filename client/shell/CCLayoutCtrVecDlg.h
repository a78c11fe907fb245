// The main layout, right of the main view: device list title, device grid and the command
// buttons. Handles the start-up message (1845), the row buttons (5427, 5428) and deletion.
//
// Thread: user-interface thread. Posts device additions and removals to the main window.
#pragma once

#include <QWidget>
#include <map>

#include "CCDefineEvent.h"

class QLabel;

namespace vantor::client {

class CCDevInfo;
class CDeviceGrid;
class CSetSplitViewDlg;
class CSkinButton;
class DeviceRegistry;
class CCVantorMainDlg;
struct AppContext;

class CCLayoutCtrVecDlg : public QWidget, public CCDefineEvent {
  public:
    CCLayoutCtrVecDlg(AppContext& app, DeviceRegistry& registry, QWidget* main_window,
                      QWidget* parent);

    // Loads the button images and captions, then schedules the start-up message.
    void LoadSkin(int startup_delay_ms);
    void AddRow(CCDevInfo* device);
    void RemoveRow(CCDevInfo* device);
    void RefreshRows();
    CCDevInfo* Selected() const;
    int row_count() const;
    void SetMainView(CCVantorMainDlg* view) { main_view_ = view; }

    // A device row dropped on the main view: opens the device in the pane under the point,
    // unless its video already runs. The address is checked against the registry first.
    void OnDeviceDropped(CCDevInfo* device, QPoint screen_point) override;

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Startup();
    void AutoStartVideo();
    void ShowSplitChooser();
    void OnSettingsButton(CCDevInfo* device);
    void OnAreaButton(CCDevInfo* device);
    void DeleteSelected();
    void ShowNotify(int entry);
    CCDevInfo* FindDevice(intptr_t identity) const;

    AppContext& app_;
    DeviceRegistry& registry_;
    QWidget* main_window_;
    CCVantorMainDlg* main_view_ = nullptr;
    QLabel* title_;
    CDeviceGrid* grid_;
    CSetSplitViewDlg* split_;
    std::map<int, CSkinButton*> buttons_;
    QPixmap bottom_bg_;
};

}  // namespace vantor::client
