// Data-transfer statement drivers: argument lists, control-list set-up, items and array walks.
#include "libf/fio/drivers.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "libf/array_descriptor.h"
#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"
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
// Array walk

// The elements of an array or section: nested runs left after fixed subscripts have been
// applied and dimensions of extent 1 dropped and contiguous dimensions merged.
struct ArrayWalk {
    std::intptr_t base = 0;
    int rank = 0;
    int64_t extent[libf::max_rank] = {};
    int64_t stride[libf::max_rank] = {};  // bytes
    int64_t count = 0;
    int64_t element_bytes = 0;
};

bool is_character(const ArrayDescriptor& d) {
    return libf::type_class(d.type_word) == libf::class_character;
}

int64_t element_bytes(const ArrayDescriptor& d) {
    if (is_character(d)) return d.element_length > 0 ? d.element_length : 0;
    return libf::type_size_bytes(d.type_word);
}

// Strides count 4-byte units for elements of 4 bytes or more, bytes otherwise; CHARACTER
// strides always count bytes.
int64_t stride_unit(const ArrayDescriptor& d) {
    return !is_character(d) && element_bytes(d) >= 4 ? 4 : 1;
}

// Plans the walk; a fixed subscript outside its dimension is an array boundary error.
int32_t plan_walk(TransferState& state, const ArrayDescriptor& d, const std::intptr_t* section,
                  ArrayWalk& walk) {
    const int rank = libf::descriptor_rank(d);
    if (rank > libf::max_rank) return report_error(err_internal, state);
    walk = ArrayWalk{};
    walk.base = d.base;
    walk.element_bytes = element_bytes(d);
    const int64_t unit = stride_unit(d);
    bool empty = false;
    for (int i = 0; i < rank; ++i) {
        const libf::DimensionTriplet& dim = d.dimensions[i];
        const int64_t stride = static_cast<int64_t>(dim.stride) * unit;
        const auto* fixed = section != nullptr ? reinterpret_cast<const int32_t*>(section[i]) : nullptr;
        if (fixed != nullptr) {
            const int64_t offset = static_cast<int64_t>(*fixed) - dim.lower_bound;
            if (offset < 0 || offset >= dim.extent) return report_outside_error(outside_array_bounds, state);
            walk.base += static_cast<std::intptr_t>(offset * stride);
            continue;
        }
        if (dim.extent <= 0) empty = true;
        if (dim.extent <= 1) continue;
        walk.extent[walk.rank] = dim.extent;
        walk.stride[walk.rank] = stride;
        ++walk.rank;
    }
    if (empty) {
        walk.rank = 0;
        return 0;
    }
    // Merge neighbours that continue one another, so a contiguous array is a single run.
    int merged = 0;
    for (int i = 1; i < walk.rank; ++i) {
        if (walk.stride[merged] * walk.extent[merged] == walk.stride[i]) {
            walk.extent[merged] *= walk.extent[i];
        } else {
            ++merged;
            walk.extent[merged] = walk.extent[i];
            walk.stride[merged] = walk.stride[i];
        }
    }
    if (walk.rank > 0) walk.rank = merged + 1;
    walk.count = 1;
    for (int i = 0; i < walk.rank; ++i) walk.count *= walk.extent[i];
    return 0;
}

// True when the walk is one run of adjacent elements.
bool is_contiguous(const ArrayWalk& walk) {
    return walk.rank == 0 || (walk.rank == 1 && walk.stride[0] == walk.element_bytes);
}

// Calls visit(address) for every element in array element order until it returns non-zero.
template <class Visit>
int32_t for_each_element(const ArrayWalk& walk, Visit visit) {
    int64_t index[libf::max_rank] = {};
    int64_t offset = 0;
    for (int64_t n = 0; n < walk.count; ++n) {
        if (int32_t status = visit(walk.base + static_cast<std::intptr_t>(offset))) return status;
        for (int k = 0; k < walk.rank; ++k) {
            if (++index[k] < walk.extent[k]) {
                offset += walk.stride[k];
                break;
            }
            offset -= walk.stride[k] * (walk.extent[k] - 1);
            index[k] = 0;
        }
    }
    return 0;
}

// Copies the elements of a CHARACTER array into one heap block of count * length bytes.
int32_t gather(TransferState& state, const ArrayWalk& walk, char*& copy, int32_t& total) {
    const int64_t bytes = walk.count * walk.element_bytes;
    if (bytes > std::numeric_limits<int32_t>::max()) return report_error(err_allocation, state);
    copy = static_cast<char*>(alloc_mem(static_cast<std::size_t>(bytes), false));
    if (copy == nullptr) return report_error(err_allocation, state);
    char* out = copy;
    for_each_element(walk, [&](std::intptr_t address) {
        std::memcpy(out, reinterpret_cast<const char*>(address), static_cast<std::size_t>(walk.element_bytes));
        out += walk.element_bytes;
        return 0;
    });
    total = static_cast<int32_t>(bytes);
    return 0;
}

void scatter(const ArrayWalk& walk, const char* copy) {
    for_each_element(walk, [&](std::intptr_t address) {
        std::memcpy(reinterpret_cast<char*>(address), copy, static_cast<std::size_t>(walk.element_bytes));
        copy += walk.element_bytes;
        return 0;
    });
}

// ---------------------------------------------------------------------------------------------
// Control-list set-up

void clear_specifiers(TransferState& state) {
    state.present = 0;
    state.options = opt::status_codes;
    state.err_given = 0;
    state.end_given = 0;
    state.unit_spec = 0;
    state.internal_length = 0;
    state.internal_records = 0;
    state.iostat_var = nullptr;
    state.iostat_width = 4;
    state.rec_var = nullptr;
    state.size_var = nullptr;
    state.format_start = nullptr;
    state.format_length = 0;
    state.advance_text = SpecText{};
    state.value_repeat = 0;
    free_mem(state.gathered_internal);
    state.gathered_internal = nullptr;
    free_mem(state.gathered_format);
    state.gathered_format = nullptr;
}

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

struct Driver {
    Direction direction;
    ControlReading reading;
    DriverStatement statement;
};

Driver g_formatted_write{Direction::write, ControlReading::formatted, {}};
Driver g_formatted_read{Direction::read, ControlReading::formatted, {}};
Driver g_unformatted_read{Direction::read, ControlReading::unformatted, {}};
Driver g_unformatted_write{Direction::write, ControlReading::unformatted, {}};
Driver g_namelist_read{Direction::read, ControlReading::namelist, {}};
Driver g_namelist_write{Direction::write, ControlReading::namelist, {}};
Driver g_iolength{Direction::length, ControlReading::formatted, {}};

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
        clear_specifiers(state);
        set_statement_kind(state, kind_inquire);
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
        free_mem(state.gathered_internal);
        state.gathered_internal = nullptr;
        free_mem(state.gathered_format);
        state.gathered_format = nullptr;
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
    if (const CachedRecord* kept = find_cached_record(key)) {
        state.field_width = static_cast<int32_t>(key.descriptor[2]);
        return append_chars(state.record, kept->text, kept->length);
    }
    const int32_t status = transfer_items(state, Direction::write, p);
    if (status == 0) keep_cached_record(key, state.record);
    return status;
}

int32_t run_driver(Driver& driver, const std::intptr_t* args) {
    TransferState& state = transfer_state();
    DriverStatement& st = driver.statement;
    const std::intptr_t flags = args[0];
    const std::intptr_t* p = args + 1;
    const bool begin = (flags & driver_flag::begin) != 0;
    const bool end = (flags & driver_flag::end) != 0;
    if (begin) {
        if (!st.finished) release(state, driver, st);  // the previous statement never ended
        p = take_control_list(st, p);
        if (st.status == 0) st.status = begin_step(state, driver, st);
    } else if (st.finished) {
        return driver.direction == Direction::length ? 0 : st.status;
    }
    if (st.status == 0) {
        const bool whole_write = &driver == &g_formatted_write && begin && end;
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
    clear_specifiers(state);
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

int32_t formatted_write(const std::intptr_t* args) { return run_driver(g_formatted_write, args); }
int32_t formatted_read(const std::intptr_t* args) { return run_driver(g_formatted_read, args); }
int32_t unformatted_read(const std::intptr_t* args) { return run_driver(g_unformatted_read, args); }
int32_t unformatted_write(const std::intptr_t* args) { return run_driver(g_unformatted_write, args); }
int32_t namelist_read(const std::intptr_t* args) { return run_driver(g_namelist_read, args); }
int32_t namelist_write(const std::intptr_t* args) { return run_driver(g_namelist_write, args); }
int32_t iolength(const std::intptr_t* args) { return run_driver(g_iolength, args); }

}  // namespace fio
