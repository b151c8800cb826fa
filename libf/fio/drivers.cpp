// Data-transfer statement drivers: argument lists, control-list set-up and items.
#include "libf/fio/drivers.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "libf/array_descriptor.h"
#include "libf/fio/array_walk.h"
#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/input_edit.h"
#include "libf/fio/list_input.h"
#include "libf/fio/output_edit.h"
#include "libf/fio/record.h"
#include "libf/fio/record_cache.h"
#include "libf/fio/statement.h"
#include "libf/fio/unformatted.h"

namespace fio {

namespace {

using libf::ArrayDescriptor;

// ---------------------------------------------------------------------------------------------
// Control words

// The control words of one statement, addressed by their unshifted numbers.
struct ControlList {
    const std::intptr_t* words = nullptr;
    int32_t count = 0;
    uint32_t options = 0;

    int32_t place(int32_t number) const {
        int32_t at = number;
        if ((options & control_option::internal_scalar) && number > control_word::unit) ++at;
        if ((options & control_option::format_text) && number > control_word::format) ++at;
        return at;
    }
    std::intptr_t at_place(int32_t at) const { return at >= 0 && at < count ? words[at] : 0; }
    std::intptr_t word(int32_t number) const { return at_place(place(number)); }
    // The length word that follows a two-word (address, length) control word.
    int32_t length_after(int32_t number) const {
        return static_cast<int32_t>(at_place(place(number) + 1));
    }
    template <class T>
    T* pointer(int32_t number) const {
        return reinterpret_cast<T*>(word(number));
    }
};

// ---------------------------------------------------------------------------------------------
// Control-list set-up

int32_t set_internal_array(TransferState& state, const ArrayDescriptor* d) {
    if (d == nullptr) return report_error(err_internal, state);
    ArrayWalk walk;
    if (int32_t status = plan_walk(state, *d, nullptr, walk)) return status;
    if (walk.count > std::numeric_limits<int32_t>::max()) return report_error(err_allocation, state);
    state.options |= opt::internal_file;
    state.internal_length = static_cast<int32_t>(walk.element_bytes);
    state.internal_records = static_cast<int32_t>(walk.count);
    if (is_contiguous(walk)) {
        state.unit_spec = walk.base;
        return 0;
    }
    int32_t total = 0;
    if (int32_t status = gather(state, walk, state.gathered_internal, total)) return status;
    state.unit_spec = reinterpret_cast<std::intptr_t>(state.gathered_internal);
    return 0;
}

int32_t set_unit(TransferState& state, const ControlList& list) {
    state.present |= pres::unit;
    const std::intptr_t unit = list.word(control_word::unit);
    if (list.options & control_option::internal_scalar) {
        state.options |= opt::internal_file;
        state.unit_spec = unit;
        state.internal_length = std::max(list.length_after(control_word::unit), 0);
        state.internal_records = 1;
        return 0;
    }
    if (list.options & control_option::internal_array)
        return set_internal_array(state, reinterpret_cast<const ArrayDescriptor*>(unit));
    if (unit == 0) {
        state.options |= opt::unit_by_value;
        state.unit_spec = -1;
        return 0;
    }
    state.unit_spec = unit;
    return 0;
}

int32_t set_format_array(TransferState& state, const ArrayDescriptor* d) {
    if (d == nullptr) return report_error(err_internal, state);
    ArrayWalk walk;
    if (int32_t status = plan_walk(state, *d, nullptr, walk)) return status;
    int32_t total = 0;
    if (int32_t status = gather(state, walk, state.gathered_format, total)) return status;
    state.format_start = state.gathered_format;
    state.format_length = total;
    return 0;
}

int32_t set_format(TransferState& state, const ControlList& list, ControlReading reading) {
    if (reading == ControlReading::namelist) {
        state.present |= pres::namelist;
        return 0;
    }
    if (const std::intptr_t records = list.word(control_word::format_record)) {
        state.present |= pres::formatted | pres::precompiled_format;
        state.format_start = reinterpret_cast<const void*>(records);
        return 0;
    }
    const std::intptr_t format = list.word(control_word::format);
    if (format == 0) {
        if (reading == ControlReading::formatted) state.present |= pres::formatted | pres::list_directed;
        return 0;
    }
    state.present |= pres::formatted;
    if (list.options & control_option::format_array)
        return set_format_array(state, reinterpret_cast<const ArrayDescriptor*>(format));
    const char* text = reinterpret_cast<const char*>(format);
    state.format_start = text;
    state.format_length = (list.options & control_option::format_text)
                              ? list.length_after(control_word::format)
                              : static_cast<int32_t>(std::strlen(text));
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Items

enum class Direction { read, write, length };

// What a driver keeps between the calls of one statement.
constexpr int32_t max_control_words = 64;

struct DriverStatement {
    // Copy of the control words, kept in place so a statement allocates nothing for them.
    std::intptr_t control[max_control_words] = {};
    int32_t control_count = 0;
    uint32_t control_options = 0;
    int32_t status = 0;
    bool finished = true;
};

// The seven drivers: what each transfers and how it reads its control list.
struct Driver {
    Direction direction;
    ControlReading reading;
};

enum DriverId { formatted_write_id, formatted_read_id, unformatted_read_id, unformatted_write_id,
                namelist_read_id, namelist_write_id, iolength_id, driver_count };

constexpr Driver drivers[driver_count] = {
    {Direction::write, ControlReading::formatted},    {Direction::read, ControlReading::formatted},
    {Direction::read, ControlReading::unformatted},   {Direction::write, ControlReading::unformatted},
    {Direction::read, ControlReading::namelist},      {Direction::write, ControlReading::namelist},
    {Direction::length, ControlReading::formatted},
};

// Each driver's statement in progress; statements of different drivers may interleave.
DriverStatement g_statements[driver_count];

int32_t add_iolength(TransferState& state) {
    const int64_t total = static_cast<int64_t>(state.iolength_total) +
                          static_cast<int64_t>(state.item_length) * state.item_count;
    state.iolength_total = static_cast<int32_t>(
        std::min<int64_t>(total, std::numeric_limits<int32_t>::max()));
    return 0;
}

// The item step of one element, chosen by the direction and the statement's presence bits.
int32_t item_step(TransferState& state, Direction direction) {
    if (direction == Direction::length) return add_iolength(state);
    if ((state.present & (pres::formatted | pres::namelist)) == 0) return unformatted_item(state);
    if (state.present & pres::namelist) return report_error(err_internal, state);
    if (direction == Direction::write) return write_item(state);
    if (state.present & pres::list_directed) return read_list_item(state);
    return read_item(state);
}

// item_type, item_length and item_count of one element.
struct ItemFields {
    int32_t type = 0;
    int32_t length = 0;
    int32_t count = 0;
};

int32_t item_fields(uint32_t type_word, int32_t character_length, ItemFields& f) {
    const uint32_t size = libf::type_size_bytes(type_word);
    const auto length = static_cast<int32_t>(size);
    switch (libf::type_class(type_word)) {
        case libf::class_character:
            f = {item_char, std::max(character_length, 0), 1};
            return 0;
        case libf::class_logical:
            f = {size == 1 ? item_logical1 : size == 2 ? item_logical2 : item_logical4, length, 1};
            return 0;
        case libf::class_integer:
            f = {size == 1 ? item_int1 : size == 2 ? item_int2 : item_int4, length, 1};
            return 0;
        case libf::class_real:
            f = {size == 4 ? item_real4 : item_real8, length, 1};
            return 0;
        case libf::class_complex:
            // Two reals of half the size each.
            f = size == 8 ? ItemFields{item_complex8, 4, 2} : ItemFields{item_complex16, 8, 2};
            return 0;
        default:
            return err_internal;
    }
}

int32_t transfer_element(TransferState& state, Direction direction, const ItemFields& f,
                         std::intptr_t address) {
    state.item_type = f.type;
    state.item_length = f.length;
    state.item_count = f.count;
    state.item_address = reinterpret_cast<void*>(address);
    return item_step(state, direction);
}

int32_t transfer_array(TransferState& state, Direction direction, const ArrayDescriptor* d,
                       const std::intptr_t* section) {
    if (d == nullptr) return report_error(err_internal, state);
    ItemFields f;
    if (int32_t error = item_fields(d->type_word, d->element_length, f)) return report_error(error, state);
    ArrayWalk walk;
    if (int32_t status = plan_walk(state, *d, section, walk)) return status;
    return for_each_element(walk, [&](std::intptr_t address) {
        return transfer_element(state, direction, f, address);
    });
}

// Takes the items of one call; p points at item_count. Stops at the first non-zero status.
int32_t transfer_items(TransferState& state, Direction direction, const std::intptr_t* p) {
    const std::intptr_t count = *p++;
    for (std::intptr_t i = 0; i < count; ++i) {
        int32_t status = 0;
        switch (*p++) {
            case item_kind::scalar: {
                const auto type_word = static_cast<uint32_t>(p[0]);
                const std::intptr_t address = p[1];
                int32_t character_length = 0;
                p += 2;
                if (libf::type_class(type_word) == libf::class_character)
                    character_length = static_cast<int32_t>(*p++);
                ItemFields f;
                status = item_fields(type_word, character_length, f);
                status = status != 0 ? report_error(status, state)
                                     : transfer_element(state, direction, f, address);
                break;
            }
            case item_kind::array:
                status = transfer_array(state, direction, reinterpret_cast<const ArrayDescriptor*>(p[0]),
                                        reinterpret_cast<const std::intptr_t*>(p[1]));
                p += 2;
                break;
            default:  // structures and unknown kinds
                status = report_error(err_internal, state);
                break;
        }
        if (status != 0) return status;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Statement begin, end and release

int32_t begin_step(TransferState& state, const Driver& driver, const DriverStatement& st) {
    if (driver.direction == Direction::length) {
        // No control list: errors of the items must not reach a previous statement's IOSTAT=.
        start_statement(state, {.kind = kind_inquire, .options = opt::status_codes});
        state.iolength_total = 0;
        return 0;
    }
    set_statement_kind(state, driver.direction == Direction::read ? kind_read : kind_write);
    int32_t status = setup_transfer(state, st.control, st.control_count, st.control_options, driver.reading);
    if (status == 0)
        status = driver.direction == Direction::read ? begin_read(state) : begin_write(state);
    if (status == 0 && driver.reading == ControlReading::namelist) status = namelist_group(state);
    return status;
}

int32_t end_step(TransferState& state, const Driver& driver) {
    switch (driver.direction) {
        case Direction::read: return end_read(state);
        case Direction::write: return end_write(state);
        case Direction::length: return 0;
    }
    return 0;
}

// An internal WRITE into a gathered character array puts the text back into the elements.
void scatter_internal(TransferState& state, const DriverStatement& st) {
    const ControlList list{st.control, st.control_count, st.control_options};
    const auto* d = list.pointer<const ArrayDescriptor>(control_word::unit);
    ArrayWalk walk;
    if (d != nullptr && plan_walk(state, *d, nullptr, walk) == 0) scatter(walk, state.gathered_internal);
}

void release(TransferState& state, const Driver& driver, DriverStatement& st) {
    if (driver.direction == Direction::write && state.gathered_internal != nullptr &&
        (st.control_options & control_option::internal_scalar) == 0)
        scatter_internal(state, st);
    if (driver.direction != Direction::length) {
        release_gathered(state);
        free_format(state);
    }
    st.finished = true;
}

// Copies the control words of a begin call; returns the address of item_count.
const std::intptr_t* take_control_list(DriverStatement& st, const std::intptr_t* p) {
    const std::intptr_t words = std::max<std::intptr_t>(p[0] - 1, 0);
    st.control_count = static_cast<int32_t>(std::min<std::intptr_t>(words, max_control_words));
    st.control_options = static_cast<uint32_t>(p[1]);
    st.status = 0;
    st.finished = false;
    std::memcpy(st.control, p + 2, sizeof(std::intptr_t) * st.control_count);
    return p + 2 + words;
}

// The items of a formatted WRITE that begins and ends in this call: a recurring record takes
// its kept text, any other runs the item steps and is kept for next time.
int32_t write_items_of_whole_statement(TransferState& state, const std::intptr_t* p) {
    RecordKey key;
    if (!record_key_of(state, p, key)) return transfer_items(state, Direction::write, p);
    char text[cached_record_chars];
    const int32_t length = find_cached_record(key, text);
    if (length >= 0) {
        state.field_width = static_cast<int32_t>(key.descriptor[2]);
        const int32_t error = append_chars(state.record, text, length);
        return error != 0 ? report_error(error, state) : 0;
    }
    const int32_t status = transfer_items(state, Direction::write, p);
    if (status == 0) keep_cached_record(key, state.record);
    return status;
}

// A whole formatted WRITE, from its argument list (after the flags), that names only a unit
// number and a precompiled format and whose record is kept: written straight to the unit when
// nothing can fail there. False, with nothing done, for any other statement.
bool write_kept_record(TransferState& state, const std::intptr_t* p) {
    // Without options, every control word stands at its own number.
    const std::intptr_t words = p[0] - 1;
    if (p[1] != 0 || words < control_word::size + 1 || words > max_control_words) return false;
    const std::intptr_t* control = p + 2;
    const std::intptr_t unit = control[control_word::unit];
    const std::intptr_t records = control[control_word::format_record];
    if (unit == 0 || records == 0 || control[control_word::iostat] != 0 || control[control_word::rec] != 0 ||
        control[control_word::advance] != 0 || control[control_word::size] != 0)
        return false;
    const uint8_t* format_code = precompiled_records(reinterpret_cast<const void*>(records));
    RecordKey key;
    if (!record_key_of(format_code, p + 2 + words, key)) return false;
    char line[cached_record_chars + 2];  // and the line end
    const int32_t length = find_cached_record(key, line);
    if (length < 0 || !write_record_directly(state, unit, line, length)) return false;
    state.field_width = static_cast<int32_t>(key.descriptor[2]);
    return true;
}

int32_t run_driver(DriverId id, const std::intptr_t* args) {
    TransferState& state = transfer_state();
    const Driver& driver = drivers[id];
    DriverStatement& st = g_statements[id];
    const std::intptr_t flags = args[0];
    const std::intptr_t* p = args + 1;
    const bool begin = (flags & driver_flag::begin) != 0;
    const bool end = (flags & driver_flag::end) != 0;
    if (id == formatted_write_id && begin && end && st.finished && write_kept_record(state, p)) {
        st.status = 0;
        return 0;
    }
    if (begin) {
        if (!st.finished) release(state, driver, st);  // the previous statement never ended
        p = take_control_list(st, p);
        if (st.status == 0) st.status = begin_step(state, driver, st);
    } else if (st.finished) {
        return driver.direction == Direction::length ? 0 : st.status;
    }
    if (st.status == 0) {
        const bool whole_write = id == formatted_write_id && begin && end;
        st.status = whole_write ? write_items_of_whole_statement(state, p) : transfer_items(state, driver.direction, p);
    }
    if (end && st.status == 0) st.status = end_step(state, driver);
    if (end || st.status != 0) release(state, driver, st);
    if (driver.direction == Direction::length) return end ? state.iolength_total : 0;
    return st.status;
}

}  // namespace

int32_t setup_transfer(TransferState& state, const std::intptr_t* words, int32_t word_count,
                       uint32_t control_options, ControlReading reading) {
    const ControlList list{words, word_count, control_options};
    start_statement(state, {.kind = statement_kind(state), .options = opt::status_codes});
    if (const auto* bits = list.pointer<const int32_t>(control_word::end_conditions)) {
        if (*bits & end_condition::err) {
            state.present |= pres::err;
            state.err_given = -1;
        }
        if (*bits & end_condition::end) {
            state.present |= pres::end;
            state.end_given = -1;
        }
        if (*bits & end_condition::eor) state.options |= opt::eor;
    }
    // IOSTAT= first, so that a failure of the later set-up already honours it.
    if (void* iostat = list.pointer<void>(control_word::iostat)) {
        state.present |= pres::iostat;
        state.iostat_var = iostat;
    }
    if (auto* rec = list.pointer<int32_t>(control_word::rec)) {
        state.present |= pres::rec;
        state.rec_var = rec;
    }
    if (auto* advance = list.pointer<char>(control_word::advance)) {
        state.options |= opt::advance;
        state.advance_text = SpecText{advance, list.length_after(control_word::advance)};
    }
    if (auto* size = list.pointer<int32_t>(control_word::size)) {
        state.present |= pres::size;
        state.size_var = size;
    }
    if (int32_t status = set_unit(state, list)) return status;
    return set_format(state, list, reading);
}

int32_t set_item_type(TransferState& state, uint32_t type_word, int32_t character_length) {
    ItemFields f;
    if (int32_t error = item_fields(type_word, character_length, f)) return error;
    state.item_type = f.type;
    state.item_length = f.length;
    state.item_count = f.count;
    return 0;
}

int32_t unformatted_item(TransferState& state) { return transfer_unformatted_item(state); }

int32_t namelist_group(TransferState& state) { return report_error(err_internal, state); }

int32_t formatted_write(const std::intptr_t* args) { return run_driver(formatted_write_id, args); }
int32_t formatted_read(const std::intptr_t* args) { return run_driver(formatted_read_id, args); }
int32_t unformatted_read(const std::intptr_t* args) { return run_driver(unformatted_read_id, args); }
int32_t unformatted_write(const std::intptr_t* args) { return run_driver(unformatted_write_id, args); }
int32_t namelist_read(const std::intptr_t* args) { return run_driver(namelist_read_id, args); }
int32_t namelist_write(const std::intptr_t* args) { return run_driver(namelist_write_id, args); }
int32_t iolength(const std::intptr_t* args) { return run_driver(iolength_id, args); }

}  // namespace fio
