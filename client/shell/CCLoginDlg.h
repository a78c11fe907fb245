// The login dialog: the two local accounts, remember boxes, skinned frame.
//
// Thread: user-interface thread. Modal; accepted after a successful login, which sets the
// current right and writes "user.xml".
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace vantor::client {

struct AppContext;

class CCLoginDlg : public QDialog {
  public:
    CCLoginDlg(AppContext& app, QWidget* parent = nullptr);

    // Tries the typed name and password; true when logged in (and the dialog accepted).
    bool TryLogin();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    AppContext& app_;
    QLineEdit* name_;
    QLineEdit* password_;
    QCheckBox* remember_name_;
    QCheckBox* remember_password_;
};

}  // namespace vantor::client
