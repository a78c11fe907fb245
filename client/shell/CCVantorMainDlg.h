// The main view, left of the layout: the pane area of the live view. Until the pane grid
// arrives it draws the start-up pane count as empty panes.
//
// Thread: user-interface thread.
#pragma once

#include <QWidget>

namespace vantor::client {

class CCVantorMainDlg : public QWidget {
  public:
    explicit CCVantorMainDlg(QWidget* parent);
    void SetPaneCount(int panes);
    int pane_count() const { return panes_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int panes_ = 16;
};

}  // namespace vantor::client
