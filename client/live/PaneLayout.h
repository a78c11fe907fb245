// Rectangle arithmetic of the pane grid: how many cells a pane count takes, where each cell
// lies, the three layouts with one large pane, the 16:9 letterbox, the border bars drawn around
// a pane and the drop hit rule. Plain values only, so all of it is testable without a display.
//
// Thread: any (no state). Rectangles are in the grid's client coordinates unless stated;
// right() and bottom() are exclusive, as in a window rectangle.
#pragma once

#include <array>
#include <vector>

namespace vantor::client {

struct PaneRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool Empty() const { return w <= 0 || h <= 0; }
    bool Contains(int px, int py) const {
        return px >= x && px < right() && py >= y && py < bottom();
    }
    bool operator==(const PaneRect&) const = default;
};

// Where a pane goes inside its cell, and the vertical margin left above (and below) it.
struct PanePlacement {
    PaneRect rect;
    int letterbox_offset_px = 0;
};

// What the hit rule needs to know about one pane, in list order.
struct PaneHitCandidate {
    PaneRect rect;  // window rectangle (screen or grid coordinates, as the point)
    int letterbox_offset_px = 0;
    bool visible = true;
    bool playing = false;
};

class PaneLayout {
  public:
    static constexpr int kBorderPx = 2;
    // The largest pane count the grid accepts; every count at or above it takes 256 cells.
    static constexpr int kMaxPaneCount = 256;
    static constexpr int kVideoModeFill = 0;
    static constexpr int kVideoMode16x9 = 1;

    // Number of cells of the square grid used for a pane count; 0 for a count below 1.
    static int CellCount(int pane_count);
    // Side of that square (its integer square root).
    static int Side(int pane_count);

    // Cells of an s x s grid over a width x height client area, row-major. The division
    // remainders go one pixel each to the first cells of every row and to the first rows.
    static std::vector<PaneRect> Cells(int side, int width, int height, int border_px = kBorderPx);

    // One rectangle per placed pane: the cells, or for 6, 8 and 13 panes the large pane first
    // and then the remaining cells. Panes past the returned size are not placed.
    static std::vector<PaneRect> PaneRects(int pane_count, int width, int height,
                                           int border_px = kBorderPx);

    // Mode 0 fills the cell. Mode 1 gives the pane a 16:9 shape centred vertically; a cell
    // wider than 16:9 is filled instead, so that a pane never spills into its neighbours.
    static PanePlacement Place(const PaneRect& cell, int video_mode);

    // The four bars (top, bottom, left, right) drawn around a pane: its rectangle widened by
    // the border on every side, reaching up and down over the letterbox margin.
    static std::array<PaneRect, 4> Bars(const PaneRect& pane, int letterbox_offset_px,
                                        int border_px = kBorderPx);

    // Rectangle that takes a drop for a pane: the pane itself, in mode 1 its whole cell height.
    static PaneRect HitRect(const PaneRect& pane, int letterbox_offset_px, int video_mode);

    // Index of the first visible, idle pane whose hit rectangle holds the point; -1 for none.
    static int PaneAtPoint(const std::vector<PaneHitCandidate>& panes, int px, int py,
                           int video_mode);
};

}  // namespace vantor::client
