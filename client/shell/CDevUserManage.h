// The account editor (administrator only): the two names and passwords, edited together and
// checked by UserAccounts::ValidateEdit before "user.xml" is written.
//
// Thread: user-interface thread. Modal.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vantor::client {

struct AppContext;

class CDevUserManage : public QDialog {
  public:
    explicit CDevUserManage(AppContext& app, QWidget* parent = nullptr);

    void EnableEditing();
    // Returns 0 when saved, else the DevNotify entry shown.
    int TrySave();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    AppContext& app_;
    QLineEdit* user_name_;
    QLineEdit* user_password_;
    QLineEdit* admin_name_;
    QLineEdit* admin_password_;
};

}  // namespace vantor::client
