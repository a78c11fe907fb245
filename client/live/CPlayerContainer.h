// The pane grid of the main view: owns the video panes, arranges them in square split layouts
// (or one of the three layouts with a large pane), shows one pane maximised over the whole grid,
// and paints the borders, the yellow selection frame and, in the 16:9 mode, the recording
// indicator above recording panes. The rectangle arithmetic lives in PaneLayout.
//
// Thread: user-interface thread only.
// Ownership: the grid owns its panes (Qt children). Panes dropped from the list without
// destroy-surplus stay as hidden children until the grid goes: a device may still point at
// one, so they are neither destroyed nor handed out again.
#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "CPlayerBase.h"
#include "PaneSource.h"

namespace vantor::client {

class CPlayerContainer : public QWidget, public PaneSource {
  public:
    // Makes one pane as a child of the grid (the "pane class").
    using PaneFactory = std::function<CPlayerBase*(QWidget* parent)>;

    static constexpr int kBorderPx = 2;
    static constexpr QRgb kSelectionColour = 0xFFFF00;

    explicit CPlayerContainer(QWidget* parent = nullptr);
    ~CPlayerContainer() override;

    // Default: CVideoWnd. Applies to panes created from now on.
    void SetPaneFactory(PaneFactory factory);
    // 0 each pane fills its cell; 1 each pane is 16:9, centred vertically. Takes effect at the
    // next layout.
    void SetVideoMode(int video_mode) { video_mode_ = video_mode; }
    int video_mode() const { return video_mode_; }

    // Sets the number of panes (clamped to 0..PaneLayout::kMaxPaneCount) and lays them out.
    // Panes past the count are hidden and their video stopped; with destroy_surplus they are
    // also destroyed. Leaves any maximised pane. Returns 0, changing nothing, when the selected
    // pane's native window has gone behind the grid's back; otherwise 1.
    int SetPaneCount(int count, bool destroy_surplus);
    // Maximises pane `index`, or restores the layout when it already is maximised.
    // 0 for an index outside 0..count-1, else 1.
    int TogglePaneMaximize(int index);
    // Shows pane min(index, count - 1) alone over the grid and selects it.
    void MaximizePane(int index);
    // The idle, visible pane under a screen point; nullptr when none.
    CPlayerBase* PaneAtPoint(QPoint screen_point) const;
    // The first pane in grid order that plays no video; nullptr when all play.
    CPlayerBase* FirstFreePane() const;
    // UM_SETSPLIT with 0: the selected pane goes full screen (or leaves it when a host exists);
    // nothing when the grid itself is the window held full screen.
    void ShowSelectedFullScreen();
    // Invalidates every visible pane and the grid.
    void RepaintAll();

    int pane_count() const { return pane_count_; }
    int maximised_index() const { return maximised_index_; }
    CPlayerBase* Pane(int index) const;  // nullptr outside 0..count-1
    int letterbox_offset() const { return letterbox_offset_px_; }

    // PaneSource
    CVideoPane* PaneAt(QPoint screen_point) override;
    CVideoPane* FirstFree() override;

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void LayoutPanes();
    void Relayout();
    bool IsOwnPane(const CPlayerBase* pane) const;
    int OffsetOf(int index) const;
    void PaintBars(class QPainter& p, const CPlayerBase* pane, int offset, const QColor& c) const;

    PaneFactory factory_;
    int pane_count_ = 0;
    int video_mode_ = 0;
    int letterbox_offset_px_ = 0;  // last computed in the 16:9 mode
    QFont font_;
    bool font_made_ = false;
    int maximised_index_ = -1;
    QSize last_size_;
    // Index k has control identifier 1001 + k. Guarded pointers: a pane deleted behind the
    // grid's back leaves an empty entry, filled again by the next SetPaneCount.
    std::vector<QPointer<CPlayerBase>> panes_;
    std::vector<int> offsets_px_;  // letterbox offset of each pane
    QRgb grid_background_ = 0x000000;
    QRgb pane_background_ = 0x000000;
    bool relayout_queued_ = false;
};

}  // namespace vantor::client
