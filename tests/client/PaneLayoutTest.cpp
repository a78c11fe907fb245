// Grid rectangles, letterbox and hit rule of the pane grid, as tables.
#include <gtest/gtest.h>

#include "PaneLayout.h"

namespace vantor::client {
namespace {

TEST(PaneLayout, CellCountTable) {
    const struct {
        int from, to, cells;
    } table[] = {
        {-3, 0, 0},   {1, 3, 1},     {4, 5, 4},       {6, 6, 9},        {7, 7, 4},    {8, 8, 16},
        {9, 12, 9},   {13, 13, 16},  {14, 15, 9},     {16, 24, 16},     {25, 35, 25}, {36, 48, 36},
        {49, 63, 49}, {64, 120, 64}, {121, 255, 121}, {256, 1000, 256},
    };
    for (const auto& row : table) {
        for (int n = row.from; n <= row.to; ++n) {
            EXPECT_EQ(PaneLayout::CellCount(n), row.cells) << "n=" << n;
            const int side = PaneLayout::Side(n);
            EXPECT_EQ(side * side, row.cells) << "n=" << n;
        }
    }
}

TEST(PaneLayout, CellsAndRemainders) {
    const struct {
        int side, width, height;
        std::vector<PaneRect> cells;
    } table[] = {
        // 400 x 300, four panes: U = 394, V = 294, no remainder.
        {2,
         400,
         300,
         {{2, 2, 197, 147}, {201, 2, 197, 147}, {2, 151, 197, 147}, {201, 151, 197, 147}}},
        // U = 32 -> 11, 11, 10; V = 28 -> 10, 9, 9: remainders to the first cells and rows.
        {3,
         40,
         36,
         {{2, 2, 11, 10},
          {15, 2, 11, 10},
          {28, 2, 10, 10},
          {2, 14, 11, 9},
          {15, 14, 11, 9},
          {28, 14, 10, 9},
          {2, 25, 11, 9},
          {15, 25, 11, 9},
          {28, 25, 10, 9}}},
        {1, 400, 300, {{2, 2, 396, 296}}},
        // Smaller than its borders: empty cells, never negative sizes.
        {2, 3, 3, {{2, 2, 0, 0}, {4, 2, 0, 0}, {2, 4, 0, 0}, {4, 4, 0, 0}}},
    };
    for (const auto& row : table) {
        EXPECT_EQ(PaneLayout::Cells(row.side, row.width, row.height), row.cells)
            << "side " << row.side << " " << row.width << "x" << row.height;
    }
}

TEST(PaneLayout, LargePaneLayoutsAndUnplacedPanes) {
    // 3 x 3 over 302 x 302: cells 98 wide at 2, 102, 202. 4 x 4 over 402 x 402: 98 at 2..302.
    auto cell3 = [](int k) { return PaneRect{2 + (k % 3) * 100, 2 + (k / 3) * 100, 98, 98}; };
    auto cell4 = [](int k) { return PaneRect{2 + (k % 4) * 100, 2 + (k / 4) * 100, 98, 98}; };
    const struct {
        int panes, size;
        PaneRect large;
        std::vector<int> rest;
        bool side4;
    } table[] = {
        {6, 302, {2, 2, 198, 198}, {2, 5, 6, 7, 8}, false},
        {8, 402, {2, 2, 298, 298}, {3, 7, 11, 12, 13, 14, 15}, true},
        {13, 402, {102, 102, 198, 198}, {0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15}, true},
    };
    for (const auto& row : table) {
        const auto rects = PaneLayout::PaneRects(row.panes, row.size, row.size);
        ASSERT_EQ(rects.size(), static_cast<size_t>(row.panes)) << row.panes;
        EXPECT_EQ(rects[0], row.large) << row.panes;
        for (size_t k = 0; k < row.rest.size(); ++k) {
            EXPECT_EQ(rects[k + 1], row.side4 ? cell4(row.rest[k]) : cell3(row.rest[k]))
                << row.panes << " pane " << k + 1;
        }
    }
    // Counts without a layout of their own place only as many panes as there are cells.
    EXPECT_EQ(PaneLayout::PaneRects(5, 400, 300).size(), 4u);
    EXPECT_EQ(PaneLayout::PaneRects(7, 400, 300).size(), 4u);
    EXPECT_EQ(PaneLayout::PaneRects(10, 400, 300).size(), 9u);
    EXPECT_TRUE(PaneLayout::PaneRects(0, 400, 300).empty());
}

TEST(PaneLayout, PlacementInBothModes) {
    const struct {
        PaneRect cell;
        int mode;
        PaneRect pane;
        int offset;
    } table[] = {
        {{0, 0, 400, 300}, 1, {0, 37, 400, 225}, 37},
        {{2, 151, 197, 147}, 1, {2, 151 + 18, 197, 110}, 18},
        {{0, 0, 400, 300}, 0, {0, 0, 400, 300}, 0},
        // Wider than 16:9: the pane keeps to its cell instead of covering the next row.
        {{0, 0, 400, 100}, 1, {0, 0, 400, 100}, 0},
        {{0, 0, 0, 0}, 1, {0, 0, 0, 0}, 0},
    };
    for (const auto& row : table) {
        const PanePlacement got = PaneLayout::Place(row.cell, row.mode);
        EXPECT_EQ(got.rect, row.pane) << row.cell.w << "x" << row.cell.h << " mode " << row.mode;
        EXPECT_EQ(got.letterbox_offset_px, row.offset);
    }
}

TEST(PaneLayout, BarsFrameTheCellInBothModes) {
    // Pane 0 of the 400 x 300 four-pane grid: its bars lie in the border around the cell.
    const PaneRect cell{2, 2, 197, 147};
    const std::array<PaneRect, 4> frame{{
        {0, 0, 201, 2},
        {0, 149, 201, 2},
        {0, 0, 2, 151},
        {199, 0, 2, 151},
    }};
    EXPECT_EQ(PaneLayout::Bars(cell, 0), frame);
    // Letterboxed, the pane is smaller but the bars reach over the margins to the same frame.
    const PanePlacement p = PaneLayout::Place({2, 2, 197, 146}, PaneLayout::kVideoMode16x9);
    ASSERT_EQ(p.letterbox_offset_px, 18);
    const auto bars = PaneLayout::Bars(p.rect, p.letterbox_offset_px);
    EXPECT_EQ(bars[0], (PaneRect{0, 0, 201, 2}));
    EXPECT_EQ(bars[1], (PaneRect{0, 148, 201, 2}));
    EXPECT_EQ(bars[2], (PaneRect{0, 0, 2, 150}));
    EXPECT_EQ(bars[3], (PaneRect{199, 0, 2, 150}));
}

TEST(PaneLayout, HitRule) {
    // Two 16:9 panes stacked in 400 x 300 cells (offset 37).
    std::vector<PaneHitCandidate> panes{
        {{2, 39, 400, 225}, 37, true, false},
        {{2, 341, 400, 225}, 37, true, false},
    };
    const struct {
        int x, y, mode;
        int expect;
    } table[] = {
        {10, 50, 1, 0},  {10, 20, 1, 0},  // inside, and in the band above pane 0
        {10, 310, 1, 1},                  // band above pane 1 belongs to pane 1
        {10, 300, 1, 0},                  // band below pane 0
        {10, 20, 0, -1},                  // mode 0: only the pane itself takes a drop
        {1, 50, 1, -1},  {500, 50, 1, -1},
    };
    for (const auto& row : table) {
        EXPECT_EQ(PaneLayout::PaneAtPoint(panes, row.x, row.y, row.mode), row.expect)
            << row.x << "," << row.y << " mode " << row.mode;
    }
    // A playing or hidden pane is passed over; an overlapping later pane can then take it.
    std::vector<PaneHitCandidate> stacked{
        {{0, 0, 100, 100}, 0, true, true},
        {{0, 0, 100, 100}, 0, false, false},
        {{0, 0, 100, 100}, 0, true, false},
    };
    EXPECT_EQ(PaneLayout::PaneAtPoint(stacked, 50, 50, 0), 2);
    stacked[2].playing = true;
    EXPECT_EQ(PaneLayout::PaneAtPoint(stacked, 50, 50, 0), -1);
}

}  // namespace
}  // namespace vantor::client
