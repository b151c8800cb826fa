// The analysis's statements, issued through the run-time's entry points as compiled code does.
#include <array>
#include <cstring>

#include "analysis/analysis.h"
#include "libf/allocate.h"
#include "libf/character.h"
#include "libf/fio/drivers.h"
#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/open_close.h"
#include "libf/fio/transfer_state.h"

namespace analysis {

namespace {

using fio::FormatRecord;

constexpr FormatRecord format_record(uint32_t code, uint32_t digits, uint32_t width, int32_t repeat) {
    FormatRecord r{};
    const uint32_t words[5] = {code, digits, width, 0, static_cast<uint32_t>(repeat)};
    for (int w = 0; w < 5; ++w)
        for (int b = 0; b < 4; ++b) r.bytes[w * 4 + b] = static_cast<uint8_t>(words[w] >> (8 * b));
    return r;
}

// A FORMAT statement's compiled form: a header the engine does not read, then the records.
constexpr std::array<FormatRecord, 3> title_format = {
    FormatRecord{},
    format_record(fio::rec_a, 0, 0, 1),
    format_record(fio::rec_end, 0, 0, -1),
};
constexpr std::array<FormatRecord, 3> scores_format = {
    FormatRecord{},
    format_record(fio::rec_f, 3, 10, 10),
    format_record(fio::rec_end, 0, 0, -1),
};
constexpr char title_format_text[] = "9983(a)";
constexpr char scores_format_text[] = "44(10f10.3)";

// Control word 2 of every statement points at this value.
const int32_t statement_version = 3;

// Builds the argument list of one driver call (at most 8 items, as the program's statements).
struct ArgumentList {
    struct Words {
        std::intptr_t data_[64];
        int32_t size = 0;
        void push_back(std::intptr_t w) { data_[size++] = w; }
        const std::intptr_t* data() const { return data_; }
    } words;
    int32_t unit_number = 0;  // the control list points here

    void begin(int32_t unit, Format format) {
        unit_number = unit;
        std::intptr_t control[10] = {};
        control[2] = reinterpret_cast<std::intptr_t>(&statement_version);
        if (unit != console_unit) control[fio::control_word::unit] = reinterpret_cast<std::intptr_t>(&unit_number);
        if (format == Format::title) {
            control[fio::control_word::format_record] = reinterpret_cast<std::intptr_t>(title_format.data());
            control[fio::control_word::format] = reinterpret_cast<std::intptr_t>(title_format_text);
        } else if (format == Format::scores) {
            control[fio::control_word::format_record] = reinterpret_cast<std::intptr_t>(scores_format.data());
            control[fio::control_word::format] = reinterpret_cast<std::intptr_t>(scores_format_text);
        }
        words.push_back(std::size(control) + 1);
        words.push_back(0);
        for (std::intptr_t w : control) words.push_back(w);
    }
    void items(std::initializer_list<Item> list) {
        words.push_back(static_cast<std::intptr_t>(list.size()));
        for (const Item& item : list) {
            words.push_back(fio::item_kind::scalar);
            words.push_back(item.type_word);
            words.push_back(reinterpret_cast<std::intptr_t>(item.address));
            if (libf::type_class(item.type_word) == libf::class_character) words.push_back(item.length);
        }
    }
};

constexpr uint32_t integer4 = libf::make_type_word(libf::class_integer, 4);
constexpr uint32_t real4 = libf::make_type_word(libf::class_real, 4);
constexpr uint32_t character = libf::make_type_word(libf::class_character, 1);

}  // namespace

Item int_item(const int32_t& value) { return {integer4, &value, 0}; }
Item real_item(const float& value) { return {real4, &value, 0}; }
Item text_item(const char* text, int32_t length) { return {character, text, length}; }

void write_record(int32_t unit, Format format, std::initializer_list<Item> items) {
    ArgumentList args;
    args.words.push_back(fio::driver_flag::whole);
    args.begin(unit, format);
    args.items(items);
    fio::formatted_write(args.words.data());
}

void read_record(int32_t unit, Format format, std::initializer_list<Item> items) {
    ArgumentList args;
    args.words.push_back(fio::driver_flag::begin);
    args.begin(unit, format);
    args.items(items);
    fio::formatted_read(args.words.data());
    const std::intptr_t end_call[] = {fio::driver_flag::end, 0};
    fio::formatted_read(end_call);
}

void read_array_row(int32_t unit, const libf::ArrayDescriptor& array, int fixed_dimension,
                    int32_t fixed_index) {
    const int32_t index = fixed_index;
    std::intptr_t section[2] = {};
    section[fixed_dimension] = reinterpret_cast<std::intptr_t>(&index);
    ArgumentList args;
    args.words.push_back(fio::driver_flag::begin);
    args.begin(unit, Format::list);
    args.words.push_back(1);
    args.words.push_back(fio::item_kind::array);
    args.words.push_back(reinterpret_cast<std::intptr_t>(&array));
    args.words.push_back(reinterpret_cast<std::intptr_t>(section));
    fio::formatted_read(args.words.data());
    const std::intptr_t end_call[] = {fio::driver_flag::end, 0};
    fio::formatted_read(end_call);
}

void write_console_text(const char* text) {
    write_record(console_unit, Format::list, {text_item(text, static_cast<int32_t>(std::strlen(text)))});
}

void open_result_file(int32_t unit, const char* name) {
    fio::open_connection({.unit = unit, .file = name});
}

void close_unit(int32_t unit) { fio::close_connection({.unit = unit}); }

void stop_run() {
    char code[1];
    libf::assign_chars(code, 1, " ", 1);
    fio::stop(code, 1);
}

void allocate_matrix(RealMatrix& matrix, int32_t rows, int32_t columns) {
    libf::ArrayDescriptor& d = matrix.descriptor;
    d = libf::ArrayDescriptor{};
    d.flags = libf::make_flags(2, libf::dflag::kind_allocatable);
    d.type_word = real4;
    d.element_length = 32;
    const int32_t extent1 = rows > 0 ? rows : 0;
    const int32_t extent2 = columns > 0 ? columns : 0;
    d.dimensions[0] = {1, extent1, 1};
    d.dimensions[1] = {1, extent2, extent1};
    const std::intptr_t request[] = {libf::allocation_request_word(1), reinterpret_cast<std::intptr_t>(&d)};
    libf::allocate_arrays(request, nullptr);
}

void report_outside_statement(int32_t number) {
    // As ALLOCATE reports: no statement is running, so no statement line and no IOSTAT=.
    fio::TransferState& state = fio::transfer_state();
    state.present = 0;
    state.err_given = 0;
    state.statement_flags = fio::sflag::omit_statement_line;
    fio::report_error(number, state);
    fio::exit_process(-1);
}

}  // namespace analysis
