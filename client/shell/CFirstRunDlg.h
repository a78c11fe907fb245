// First run: no "user.xml" yet. Asks for the administrator's name and password (twice) and
// writes the accounts file, so that the login can succeed.
//
// Thread: user-interface thread. Modal; accepted once the file is written.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace vantor::client {

struct AppContext;

class CFirstRunDlg : public QDialog {
  public:
    explicit CFirstRunDlg(AppContext& app, QWidget* parent = nullptr);

    // Returns the DevNotify entry of the broken rule, 0 when the account was created.
    int TryCreate();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    AppContext& app_;
    QLineEdit* name_;
    QLineEdit* password_;
    QLineEdit* repeat_;
    QLabel* error_;
};

}  // namespace vantor::client
