// The main view, left of the layout: the pane grid of the live view, and the drop target for
// device rows dragged from the layout's list.
//
// Thread: user-interface thread.
// Ownership: owns the pane grid (a Qt child, created on first use); the drop sink (the layout)
// must outlive the view or be cleared.
#pragma once

#include <QWidget>

namespace vantor::client {

class CCDefineEvent;
class CCDevInfo;
class CPlayerContainer;
class CVideoPane;

class CCVantorMainDlg : public QWidget {
  public:
    explicit CCVantorMainDlg(QWidget* parent);

    // Creates the grid with `panes` panes when it does not exist yet; an existing grid keeps
    // the split the user chose.
    void EnsureGrid(int panes);
    // UM_SETSPLIT: a pane count re-splits the grid (creating it when needed); 0 takes the
    // selected pane full screen, or back.
    void SetSplit(int panes);

    CPlayerContainer* grid() const { return grid_; }
    int pane_count() const;
    CVideoPane* PaneAt(int index) const;  // nullptr outside the grid
    // Opens a device in the idle pane under a screen point; false when it did not start.
    bool DropDeviceOnPane(CCDevInfo* device, QPoint screen_point);

    // Where drops of device rows are reported (notification slot 4).
    void SetDropSink(CCDefineEvent* sink) { drop_sink_ = sink; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    CPlayerContainer* grid_ = nullptr;
    CCDefineEvent* drop_sink_ = nullptr;
};

}  // namespace vantor::client
