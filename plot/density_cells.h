// Binning of the triangle into small triangular cells for the density shading. Each side is cut
// into `per_side` parts; the lines of constant R, S and D through the cuts make per_side^2
// cells. Pure arithmetic, no drawing.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "plot/plot_data.h"

namespace plot {

constexpr int32_t kCellsPerSide = 40;  // five cells per grid step of 0.2

// A cell by its row from the base (R between row/n and (row+1)/n), its column (S between
// column/n and (column+1)/n) and whether it points up (the apex side is a corner) or down.
struct Cell {
    int32_t row = 0;
    int32_t column = 0;
    bool up = true;
    bool operator==(const Cell&) const = default;
};

struct DensityCells {
    int32_t per_side = kCellsPerSide;
    std::vector<int64_t> counts;  // pairs per cell, indexed by cell_index
    int64_t max_count = 0;
};

// The cell holding a place in data units; places outside are taken to the nearest edge cell.
Cell cell_of(double x, double y, int32_t per_side);
int32_t cell_index(const Cell& cell, int32_t per_side);
Cell cell_at(int32_t index, int32_t per_side);
// The cell's three corners in data units.
struct Corners {
    PlotPoint a, b, c;
};
Corners cell_corners(const Cell& cell, int32_t per_side);

// Adds every position's pairs to its cell.
DensityCells bin_positions(std::span<const PlotPoint> positions, int32_t per_side = kCellsPerSide);

}  // namespace plot
