// One row of the layout's device grid: icon, name, state text and the row's buttons.
//
// Thread: user-interface thread. The device outlives the row (rows are removed first).
#pragma once

#include <QWidget>

class QLabel;

namespace vantor::client {

class CCDevInfo;
class CSkinButton;
struct AppContext;

class CDeviceRow : public QWidget {
  public:
    static constexpr int kHeight = 52;

    CDeviceRow(AppContext& app, CCDevInfo* device, QObject* layout, QWidget* parent);
    // Re-reads state, icon and thumbnail. visual: 0 normal, 1 mouse-over, 2 selected.
    void Refresh(int visual);
    CCDevInfo* device() const { return device_; }

  private:
    AppContext& app_;
    CCDevInfo* device_;
    QLabel* icon_;
    QLabel* name_;
    QLabel* state_;
    CSkinButton* thumbnail_;
    QString shown_thumbnail_;
};

}  // namespace vantor::client
