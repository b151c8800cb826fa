// The input file: title, dimensions and matrix rows, with the presence of every cell.
#include <algorithm>

#include "analysis/analysis.h"

namespace analysis {

namespace {

constexpr int32_t input_unit = 1;

void set_bit(uint64_t* words, int32_t index) { words[index / 64] |= uint64_t{1} << (index % 64); }

// Reads row r of the file into dataMatrix and records which of its cells are present.
uint64_t read_row(int32_t orientation, int32_t r, int32_t n_cols, MatrixData& m) {
    RealMatrix& a = m.data_matrix;
    uint64_t present = 0;
    if (orientation == 0) {
        read_array_row(input_unit, a.descriptor, 0, r);
        for (int32_t c = 1; c <= n_cols; ++c) {
            if (a.at(r, c) > 0.0f) {
                ++present;
                set_bit(m.presence.object(c), r - 1);
            }
        }
    } else {
        read_array_row(input_unit, a.descriptor, 1, r);
        uint64_t* bits = m.presence.object(r);
        for (int32_t c = 1; c <= n_cols; ++c) {
            if (a.at(c, r) > 0.0f) {
                ++present;
                set_bit(bits, c - 1);
            }
        }
    }
    return present;
}

}  // namespace

void read_matrix(int32_t orientation, MatrixData& m) {
    read_record(input_unit, Format::title, {fio::item(m.title)});
    int32_t n_rows = 0;
    int32_t n_cols = 0;
    read_record(input_unit, Format::list, {fio::item(n_rows), fio::item(n_cols)});
    // A negative dimension describes no data; taken as it stands it would turn into a
    // positive number of pairs over a matrix that has no columns.
    n_rows = std::max(n_rows, 0);
    n_cols = std::max(n_cols, 0);

    const auto cells = static_cast<int32_t>(static_cast<uint32_t>(n_rows) * static_cast<uint32_t>(n_cols));
    m.cell_count = static_cast<float>(cells);
    if (orientation == 0) {
        allocate_matrix(m.data_matrix, n_rows, n_cols);
        m.n_variables = n_rows;
        m.n_objects = n_cols;
    } else {
        allocate_matrix(m.data_matrix, n_cols, n_rows);
        m.n_variables = n_cols;
        m.n_objects = n_rows;
    }
    m.presence.words_per_object = static_cast<int32_t>((static_cast<int64_t>(m.n_variables) + 63) / 64);
    m.presence.bits.assign(static_cast<std::size_t>(m.presence.words_per_object) * m.n_objects, 0);

    uint64_t present = 0;
    for (int32_t r = 1; r <= n_rows; ++r) present += read_row(orientation, r, n_cols, m);
    m.present_count = counter_value(present);
    close_unit(input_unit);
}

float matrix_fill(const MatrixData& m) {
    return static_cast<float>(100.0 * static_cast<double>(m.present_count) / static_cast<double>(m.cell_count));
}

}  // namespace analysis
