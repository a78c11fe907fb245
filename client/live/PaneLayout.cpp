#include "PaneLayout.h"

#include <algorithm>

namespace vantor::client {

namespace {

PaneRect Span(const PaneRect& top_left, const PaneRect& bottom_right) {
    return {top_left.x, top_left.y, bottom_right.right() - top_left.x,
            bottom_right.bottom() - top_left.y};
}

// The large pane of a layout covers the block from cell `first` to cell `last`; the other
// cells follow in their order.
std::vector<PaneRect> LargePaneLayout(const std::vector<PaneRect>& cells, int side, int first,
                                      int last) {
    const int r0 = first / side, c0 = first % side, r1 = last / side, c1 = last % side;
    std::vector<PaneRect> out{Span(cells[first], cells[last])};
    for (int k = 0; k < static_cast<int>(cells.size()); ++k) {
        const int r = k / side, c = k % side;
        if (r < r0 || r > r1 || c < c0 || c > c1) {
            out.push_back(cells[k]);
        }
    }
    return out;
}

}  // namespace

int PaneLayout::CellCount(int n) {
    if (n < 1) {
        return 0;
    }
    switch (n) {
        case 1:
        case 2:
        case 3:
            return 1;
        case 4:
        case 5:
        case 7:
            return 4;
        case 6:
            return 9;
        case 8:
        case 13:
            return 16;
        default:
            break;
    }
    if (n < 16) {
        return 9;
    }
    if (n < 25) {
        return 16;
    }
    if (n < 36) {
        return 25;
    }
    if (n < 49) {
        return 36;
    }
    if (n < 64) {
        return 49;
    }
    if (n < 121) {
        return 64;
    }
    return n < 256 ? 121 : 256;
}

int PaneLayout::Side(int n) {
    const int cells = CellCount(n);
    int side = 0;
    while ((side + 1) * (side + 1) <= cells) {
        ++side;
    }
    return side;
}

std::vector<PaneRect> PaneLayout::Cells(int side, int width, int height, int border_px) {
    std::vector<PaneRect> out;
    if (side < 1) {
        return out;
    }
    // A client area smaller than the borders yields empty cells rather than negative ones.
    const int usable_w = std::max(0, width - border_px * (side + 1));
    const int usable_h = std::max(0, height - border_px * (side + 1));
    const int w = usable_w / side, rw = usable_w % side;
    const int h = usable_h / side, rh = usable_h % side;
    out.reserve(static_cast<size_t>(side) * side);
    int y = border_px;
    for (int row = 0; row < side; ++row) {
        const int ch = row < rh ? h + 1 : h;
        int x = border_px;
        for (int col = 0; col < side; ++col) {
            const int cw = col < rw ? w + 1 : w;
            out.push_back({x, y, cw, ch});
            x += cw + border_px;
        }
        y += ch + border_px;
    }
    return out;
}

std::vector<PaneRect> PaneLayout::PaneRects(int n, int width, int height, int border_px) {
    const int side = Side(n);
    std::vector<PaneRect> cells = Cells(side, width, height, border_px);
    switch (n) {
        case 6:
            return LargePaneLayout(cells, side, 0, 4);
        case 8:
            return LargePaneLayout(cells, side, 0, 10);
        case 13:
            return LargePaneLayout(cells, side, 5, 10);
        default:
            return cells;
    }
}

PanePlacement PaneLayout::Place(const PaneRect& cell, int video_mode) {
    if (video_mode != kVideoMode16x9) {
        return {cell, 0};
    }
    const int height = std::min(cell.w * 9 / 16, cell.h);
    const int offset = (cell.h - height) / 2;
    return {{cell.x, cell.y + offset, cell.w, height}, offset};
}

std::array<PaneRect, 4> PaneLayout::Bars(const PaneRect& pane, int o, int b) {
    const PaneRect r{pane.x - b, pane.y - b, pane.w + 2 * b, pane.h + 2 * b};
    return {{
        {r.x, r.y - o, r.w, b},
        {r.x, r.bottom() + o - b, r.w, b},
        {r.x, r.y - o, b, r.h + 2 * o},
        {r.right() - b, r.y - o, b, r.h + 2 * o},
    }};
}

PaneRect PaneLayout::HitRect(const PaneRect& pane, int o, int video_mode) {
    if (video_mode != kVideoMode16x9) {
        return pane;
    }
    return {pane.x, pane.y - o, pane.w, pane.h + 2 * o};
}

int PaneLayout::PaneAtPoint(const std::vector<PaneHitCandidate>& panes, int px, int py,
                            int video_mode) {
    for (size_t k = 0; k < panes.size(); ++k) {
        const PaneHitCandidate& p = panes[k];
        if (p.visible && !p.playing &&
            HitRect(p.rect, p.letterbox_offset_px, video_mode).Contains(px, py)) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

}  // namespace vantor::client
