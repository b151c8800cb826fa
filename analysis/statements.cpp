// The analysis's statements, issued through the typed call front as compiled code issues them.
#include <array>

#include "analysis/analysis.h"
#include "libf/allocate.h"
#include "libf/character.h"
#include "libf/fio/errors.h"
#include "libf/fio/program_end.h"
#include "libf/fio/format.h"
#include "libf/fio/open_close.h"
#include "libf/fio/transfer_state.h"

namespace analysis {

namespace {

using fio::FormatRecord;

constexpr int32_t result_block_size = 1 << 16;

constexpr FormatRecord format_record(uint32_t code, uint32_t digits, uint32_t width, int32_t repeat) {
    FormatRecord r{};
    const uint32_t words[5] = {code, digits, width, 0, static_cast<uint32_t>(repeat)};
    for (int w = 0; w < 5; ++w)
        for (int b = 0; b < 4; ++b) r.bytes[w * 4 + b] = static_cast<uint8_t>(words[w] >> (8 * b));
    return r;
}

// The FORMAT statements' compiled forms: a header the engine does not read, then the records.
constexpr std::array<FormatRecord, 3> title_records = {
    FormatRecord{},
    format_record(fio::rec_a, 0, 0, 1),
    format_record(fio::rec_end, 0, 0, -1),
};
constexpr std::array<FormatRecord, 3> scores_records = {
    FormatRecord{},
    format_record(fio::rec_f, 3, 10, 10),
    format_record(fio::rec_end, 0, 0, -1),
};

// Label 9983 "(a)" and label 44 "(10f10.3)": each FORMAT statement's label and text as one
// NUL-terminated string, with its precompiled records.
constexpr fio::Format title_format = fio::Format::statement("9983(a)", title_records.data());
constexpr fio::Format scores_format = fio::Format::statement("44(10f10.3)", scores_records.data());

}  // namespace

fio::Control record_control(fio::Unit unit, Layout layout) {
    switch (layout) {
        case Layout::title: return {.unit = unit, .format = title_format};
        case Layout::scores: return {.unit = unit, .format = scores_format};
        case Layout::list: break;
    }
    return {.unit = unit};
}

void write_record(fio::Unit unit, Layout layout, fio::ItemList items) {
    fio::write(record_control(unit, layout)).run(items);
}

void read_record(fio::Unit unit, Layout layout, fio::ItemList items) {
    // One statement object for both calls: the unit number its control words point at stays
    // valid through the end call, whose errors name the unit.
    fio::read(record_control(unit, layout)).begin(items).end();
}

void read_array_row(fio::Unit unit, const libf::ArrayDescriptor& array, int fixed_dimension,
                    int32_t fixed_index) {
    const int32_t* section[2] = {nullptr, nullptr};
    section[fixed_dimension] = &fixed_index;
    read_record(unit, Layout::list, {fio::item(array, {section[0], section[1]})});
}

void write_console_text(const char* text) { write_record(console_unit, Layout::list, {fio::item(text)}); }

void open_result_file(int32_t unit, const char* name) {
    // Large blocks: the score files take millions of records.
    fio::open_connection({.unit = unit, .file = name, .blocksize = result_block_size});
}

void close_unit(int32_t unit) { fio::close_connection({.unit = unit}); }

void stop_run(int32_t status) {
    char code[1];
    libf::assign_chars(code, 1, " ", 1);
    fio::stop(code, 1, status);
}

void allocate_matrix(RealMatrix& matrix, int32_t rows, int32_t columns) {
    libf::ArrayDescriptor& d = matrix.descriptor;
    d = libf::ArrayDescriptor{};
    d.flags = libf::make_flags(2, libf::dflag::kind_allocatable);
    d.type_word = libf::make_type_word(libf::class_real, 4);
    d.element_length = 32;
    const int32_t extent1 = rows > 0 ? rows : 0;
    const int32_t extent2 = columns > 0 ? columns : 0;
    d.dimensions[0] = {1, extent1, 1};
    d.dimensions[1] = {1, extent2, extent1};
    const std::intptr_t request[] = {libf::allocation_request_word(1), reinterpret_cast<std::intptr_t>(&d)};
    libf::allocate_arrays(request, nullptr);
}

bool matrix_fits(int32_t rows, int32_t columns) {
    const uint64_t elements = static_cast<uint64_t>(rows > 0 ? rows : 0) * static_cast<uint64_t>(columns > 0 ? columns : 0);
    return elements * sizeof(float) <= libf::max_allocation_bytes;
}

void report_outside_statement(int32_t number) { fio::report_error_outside_statement(number); }

}  // namespace analysis
