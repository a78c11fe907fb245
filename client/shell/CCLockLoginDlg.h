// The lock view: covers the working views until the logged-in account's password is typed.
//
// Thread: user-interface thread. A child of the main window (template 131).
#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;

namespace vantor::client {

struct AppContext;

class CCLockLoginDlg : public QWidget {
  public:
    CCLockLoginDlg(AppContext& app, QWidget* parent, std::function<void()> on_unlock);
    // Unlocks when the password matches the current account; a wrong one does nothing.
    bool TryUnlock();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    AppContext& app_;
    std::function<void()> on_unlock_;
    QLineEdit* password_;
    QWidget* picture_;
    QWidget* label_;
    QWidget* button_;
};

}  // namespace vantor::client
