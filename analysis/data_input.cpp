// The input file: title, dimensions and matrix rows, with the presence of every cell, and the
// data check that notes what the reading passed over.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/analysis.h"
#include "libf/character.h"
#include "libf/fio/units.h"

namespace analysis {

namespace {

constexpr int32_t input_unit = 1;

constexpr std::string_view utf8_mark = "\xEF\xBB\xBF";
// Byte-order marks of UTF-32 first, since the little-endian one begins like that of UTF-16.
constexpr std::string_view wide_text_marks[] = {
    std::string_view("\xFF\xFE\0\0", 4), std::string_view("\0\0\xFE\xFF", 4), "\xFF\xFE", "\xFE\xFF"};

bool is_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Length of the UTF-8 sequence that byte leads, or 0 when it leads none.
int sequence_length(char byte) {
    const auto b = static_cast<unsigned char>(byte);
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

// Where a cut after `limit` bytes falls: moved back to the start of a UTF-8 character that
// would be split there.
std::size_t character_boundary(std::string_view text, std::size_t limit) {
    if (text.size() <= limit || !is_continuation(text[limit])) return std::min(text.size(), limit);
    std::size_t start = limit;
    while (start > 0 && limit - start < 3 && is_continuation(text[start - 1])) --start;
    if (start == 0) return limit;
    --start;
    const int length = sequence_length(text[start]);
    return length > 0 && start + static_cast<std::size_t>(length) > limit ? start : limit;
}

bool is_wide_text(std::string_view record) {
    return std::any_of(std::begin(wide_text_marks), std::end(wide_text_marks),
                       [record](std::string_view mark) { return record.starts_with(mark); });
}

// The line number of the READ just done on the input unit, and whether values were left in it.
fio::ReadPosition read_position() {
    fio::ReadPosition position;
    fio::last_read_position(input_unit, position);
    return position;
}

// Not-numbers among the n values of row r: NaN, infinity, and a lone minus sign, which reads
// as a zero with its sign set.
int64_t count_not_numbers(const RealMatrix& a, int32_t orientation, int32_t r, int32_t n) {
    int64_t count = 0;
    for (int32_t c = 1; c <= n; ++c) {
        const float v = orientation == 0 ? a.at(r, c) : a.at(c, r);
        if (!std::isfinite(v) || (v == 0.0f && std::signbit(v))) ++count;
    }
    return count;
}

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

void check_row(int32_t orientation, int32_t r, int32_t n_cols, const MatrixData& m, DataCheck& check) {
    const fio::ReadPosition position = read_position();
    if (position.text_left) check.skipped.add({position.record_number, r, 0});
    if (const int64_t n = count_not_numbers(m.data_matrix, orientation, r, n_cols))
        check.not_numbers.add({position.record_number, r, n});
}

// READ(1, *, IOSTAT=k) with no items, to the end of the file: each line after the last row
// that holds anything is noted.
void check_lines_after_rows(DataCheck& check) {
    for (;;) {
        int32_t iostat = 0;
        fio::read(fio::Control{.unit = input_unit, .iostat = &iostat}).begin().end();
        if (iostat != 0) return;
        const fio::ReadPosition position = read_position();
        if (position.text_left) check.after_rows.add({position.record_number, 0, 0});
    }
}

void read_title(MatrixData& m) {
    // Room for a byte-order mark before the title's bytes.
    char record[title_length + utf8_mark.size()];
    read_record(input_unit, Layout::title, {fio::item(record)});
    const std::string_view text(record, sizeof record);
    if (is_wide_text(text)) {
        write_console_text(" INPUT FILE IS NOT A PLAIN TEXT FILE (UTF-16 OR UTF-32)");
        stop_run(run_failed);
    }
    keep_title(text, m.title);
}

}  // namespace

void FindingList::add(const Finding& finding) {
    constexpr std::size_t shown_at_most = 5;
    if (shown.size() < shown_at_most) {
        shown.push_back(finding);
    } else {
        ++more_lines;
        more_count += finding.count;
    }
}

void keep_title(std::string_view record, char (&title)[title_length]) {
    if (record.starts_with(utf8_mark)) record.remove_prefix(utf8_mark.size());
    const std::size_t kept = character_boundary(record, title_length);
    libf::assign_chars(title, title_length, record.data(), static_cast<int32_t>(kept));
}

void shape_matrix(int32_t orientation, int32_t n_rows, int32_t n_cols, MatrixData& m) {
    m.cell_count = static_cast<int64_t>(n_rows) * n_cols;
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
}

void read_matrix(int32_t orientation, MatrixData& m, DataCheck& check) {
    read_title(m);
    int32_t n_rows = 0;
    int32_t n_cols = 0;
    read_record(input_unit, Layout::list, {fio::item(n_rows), fio::item(n_cols)});
    if (const fio::ReadPosition position = read_position(); position.text_left)
        check.skipped.add({position.record_number, 0, 0});
    // A negative dimension describes no data; taken as it stands it would turn into a
    // positive number of pairs over a matrix that has no columns.
    n_rows = std::max(n_rows, 0);
    n_cols = std::max(n_cols, 0);

    shape_matrix(orientation, n_rows, n_cols, m);
    uint64_t present = 0;
    for (int32_t r = 1; r <= n_rows; ++r) {
        present += read_row(orientation, r, n_cols, m);
        check_row(orientation, r, n_cols, m, check);
    }
    m.present_count = present;
    check_lines_after_rows(check);
    close_unit(input_unit);
}

float matrix_fill(const MatrixData& m) {
    return static_cast<float>(100.0 * static_cast<double>(m.present_count) / static_cast<double>(m.cell_count));
}

}  // namespace analysis
