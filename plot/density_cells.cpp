// Triangular cells: a place's barycentric (R, S) picks the row and column; the two fractional
// parts tell the upward cell from the downward one beside it.
#include "plot/density_cells.h"

#include <algorithm>
#include <cmath>

namespace plot {

namespace {

struct Fractions {
    double r;
    double s;
};

// Inverse of x = W (s + r/2), y = H r.
Fractions fractions_of(double x, double y) {
    const double r = y / kApexHeight;
    return {r, x / kBaseWidth - r / 2.0};
}

PlotPoint place_of(double r, double s) { return {kBaseWidth * (s + r / 2.0), kApexHeight * r, 0}; }

}  // namespace

Cell cell_of(double x, double y, int32_t n) {
    const Fractions f = fractions_of(x, y);
    const double r = std::clamp(f.r, 0.0, 1.0) * n;
    const double s = std::clamp(f.s, 0.0, 1.0) * n;
    const int32_t row = std::clamp(static_cast<int32_t>(std::floor(r)), 0, n - 1);
    const int32_t column = std::clamp(static_cast<int32_t>(std::floor(s)), 0, n - 1 - row);
    // The last column of a row has only its upward cell.
    const bool up = column == n - 1 - row || (r - row) + (s - column) < 1.0;
    return {row, column, up};
}

int32_t cell_index(const Cell& cell, int32_t n) { return (cell.row * n + cell.column) * 2 + (cell.up ? 0 : 1); }

Cell cell_at(int32_t index, int32_t n) {
    const int32_t slot = index / 2;
    return {slot / n, slot % n, index % 2 == 0};
}

Corners cell_corners(const Cell& cell, int32_t n) {
    const double r = static_cast<double>(cell.row) / n;
    const double s = static_cast<double>(cell.column) / n;
    const double step = 1.0 / n;
    if (cell.up) return {place_of(r, s), place_of(r, s + step), place_of(r + step, s)};
    return {place_of(r, s + step), place_of(r + step, s + step), place_of(r + step, s)};
}

DensityCells bin_positions(std::span<const PlotPoint> positions, int32_t per_side) {
    DensityCells cells;
    cells.per_side = per_side;
    cells.counts.assign(static_cast<size_t>(per_side) * per_side * 2, 0);
    for (const PlotPoint& p : positions) {
        int64_t& count = cells.counts[static_cast<size_t>(cell_index(cell_of(p.x, p.y, per_side), per_side))];
        count += p.pairs;
        cells.max_count = std::max(cells.max_count, count);
    }
    return cells;
}

}  // namespace plot
