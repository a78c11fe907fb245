// What placing a device's video needs from a set of panes: the pane under a drop point and the
// first pane without video. The pane grid implements it; tests use plain fakes.
//
// Thread: user-interface thread. The panes returned belong to the source and stay valid until
// its pane count next changes.
#pragma once

#include <QPoint>

namespace vantor::client {

class CVideoPane;

class PaneSource {
  public:
    virtual ~PaneSource() = default;

    // The idle pane under a screen point; nullptr when there is none.
    virtual CVideoPane* PaneAt(QPoint screen_point) = 0;
    // The first pane, in grid order, that shows no video; nullptr when every pane plays.
    virtual CVideoPane* FirstFree() = 0;
};

}  // namespace vantor::client
