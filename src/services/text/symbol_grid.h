#pragma once
// The Insert Symbol grid's geometry in the dialog's client area: 10 rows of 23 cells below
// the font list, centred across, ending 10 pixels above the bottom; cell (r, c) shows the
// character 32 + 23 r + c.
namespace tessaly::text {

struct GridGeometry {
    static constexpr int kRows = 10;
    static constexpr int kColumns = 23;

    int left = 0, top = 0, cellWidth = 0, cellHeight = 0;

    static GridGeometry For(int clientWidth, int clientHeight, int listBottom);
    // The code of the cell at a client point (may be 256 or more), -1 outside the grid.
    int CodeAt(int x, int y) const;
};

} // namespace tessaly::text
