// Begin and end steps of READ and WRITE statements, and the non-advancing record that a
// statement may leave open on its unit for the next one.
#include "libf/fio/statement.h"

#include <algorithm>
#include <cstring>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"
#include "libf/fio/input_edit.h"
#include "libf/fio/list_input.h"
#include "libf/fio/output_edit.h"
#include "libf/fio/record.h"
#include "libf/fio/specifiers.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

enum class Advance { absent, yes, no, invalid };

Advance advance_value(const TransferState& state) {
    if (!has(state.options, opt::advance)) return Advance::absent;
    char value[specifier_buffer_size];
    upcase_specifier(state.advance_text, value, sizeof value);
    if (keyword_equals(value, "YES")) return Advance::yes;
    if (keyword_equals(value, "NO")) return Advance::no;
    return Advance::invalid;
}

bool uses_format(const TransferState& state) {
    return has(state.present, pres::formatted) && !has(state.present, pres::list_directed);
}

void empty_record(RecordBuffer& record) {
    record.limit = 0;
    record.position = 0;
}

// Statement end, normal or after an error absorbed by IOSTAT=: only the kept bits survive.
int32_t finish_transfer(TransferState& state) {
    finish_statement(state);
    return status_ok;
}

// Copies limit, position and the characters up to the further of the two (a pending output
// record keeps blanks beyond its limit). On allocation failure `to` is left as it was.
bool copy_record(RecordBuffer& to, const RecordBuffer& from) {
    const int32_t n = std::max({from.limit, from.position, 0});
    if (n > to.capacity || to.data == nullptr) {
        void* grown = realloc_mem(to.data, static_cast<std::size_t>(n));
        if (grown == nullptr) return false;
        to.data = static_cast<char*>(grown);
        to.capacity = n;
    }
    if (n > 0 && from.data != nullptr) std::memcpy(to.data, from.data, static_cast<std::size_t>(n));
    to.limit = from.limit;
    to.position = from.position;
    return true;
}

// Steps shared by both directions up to the unit: statement kind, cleared edit operands and
// IOSTAT=, format set-up, unit resolution.
int32_t start_transfer(TransferState& state, StatementKind kind) {
    set_statement_kind(state, kind);
    state.terminated = 0;
    state.edit_width = state.edit_digits = state.edit_exponent = state.scale_factor = 0;
    state.left_tab_limit = 0;
    store_iostat(state, 0);
    if (uses_format(state)) {
        if (int32_t status = begin_format(state)) return status;
    }
    if (int32_t error = find_unit(state)) return report_error(error, state);
    if (state.current_unit == nullptr) {
        if (int32_t status = implicit_open(state)) return status;
    }
    if (int32_t error = ensure_record_buffers(state)) return report_error(error, state);
    empty_record(state.record);
    return status_ok;
}

// Direction, internal-file and connection-position rules for the resolved unit.
int32_t check_unit(TransferState& state, uint32_t direction, int32_t direction_error) {
    UnitBlock& unit = *state.current_unit;
    if (!has(unit.attributes, direction)) return report_error(direction_error, state);
    if (has(unit.attributes, attr::internal)) {
        const bool allowed = has(state.present, pres::formatted | pres::namelist) &&
                             !has(state.present, pres::rec);
        if (!allowed) return report_error(err_internal_use, state);
    } else {
        unit.attributes &= ~attr::at_connect_mask;
    }
    return status_ok;
}

// REC= on a direct-access unit: checked, stored and the file positioned at that record.
int32_t select_direct_record(TransferState& state, bool for_read) {
    UnitBlock& unit = *state.current_unit;
    if (!has(unit.attributes, attr::direct)) return status_ok;
    if (!has(state.present, pres::rec) || state.rec_var == nullptr)
        return report_error(err_no_record, state);
    const int32_t rec = *state.rec_var;
    if (rec > unit.max_record) return report_error(err_max_record, state);
    if (rec < 1) return report_error(err_bad_record_number, state);
    unit.record_number = rec;
    const int32_t positioned = position_direct_record(unit, for_read);
    if (positioned < 0) return report_end_of_file(state);
    if (positioned > 0 || unit.last_error != 0)
        return report_error(unit.last_error != 0 ? unit.last_error : positioned, state);
    return status_ok;
}

bool refuses_advance(const UnitBlock& unit) {
    return has(unit.attributes, attr::direct | attr::unformatted);
}

// ADVANCE= rules common to READ and WRITE. An internal file is rebuilt by every statement, so it
// could not keep a non-advancing record: ADVANCE= is refused there.
int32_t check_advance(TransferState& state, Advance advance) {
    if (advance == Advance::absent) return status_ok;
    const UnitBlock& unit = *state.current_unit;
    if (has(unit.attributes, attr::internal)) return report_error(err_internal_use, state);
    if (refuses_advance(unit)) return report_error(err_advance_not_allowed, state);
    if (advance == Advance::invalid) return report_error(err_advance, state);
    return status_ok;
}

int32_t check_read_advance(TransferState& state, Advance advance) {
    if (int32_t status = check_advance(state, advance)) return status;
    if (advance == Advance::yes && has(state.options, opt::eor))
        return report_error(err_eor_advance, state);
    if (advance == Advance::yes && has(state.present, pres::size))
        return report_error(err_size_advance, state);
    return status_ok;
}

void mark_last_transfer(UnitBlock& unit, uint32_t last) {
    unit.attributes = (unit.attributes & ~(attr::last_was_read | attr::last_was_write)) | last;
}

// Whether the record the READ ends in holds values that no item took: non-blank text right of
// the column it stopped at, or repeats of a list-directed value left over. A list-directed
// slash there ends the input on purpose and is not counted itself.
bool values_left(const TransferState& state) {
    const bool list = has(state.present, pres::list_directed);
    if (list && state.value_repeat > 1) return true;
    const RecordBuffer& record = state.record;
    int32_t i = std::max(record.position, 0);
    while (i < record.limit && record.data[i] == ' ') ++i;
    if (list && i < record.limit && record.data[i] == '/') ++i;
    for (; i < record.limit; ++i)
        if (record.data[i] != ' ') return true;
    return false;
}

// Trailing position and control descriptors up to the next data descriptor, ":" or the end of
// the format, performed by the direction's handler. The look-ahead cannot foresee a group
// repetition that the fetch skips; a data descriptor or Q met that way still ends the controls.
int32_t perform_trailing_controls(TransferState& state, ControlStep perform) {
    EditCode code = edit_end;
    return walk_to_data_descriptor(state, 0, DescriptorStop::trailing, perform, code);
}

// A non-advancing READ keeps its record, and the column it stopped at, for the next statement.
int32_t keep_input_record(TransferState& state, UnitBlock& unit) {
    if (has(state.present, pres::size) && state.size_var != nullptr)
        *state.size_var = std::max(state.record.position - unit.pending_record.position, 0);
    if (!copy_record(unit.pending_record, state.record)) return report_error(err_allocation, state);
    return status_ok;
}

// A non-advancing WRITE sends its text without a record end; columns the position moved beyond
// the text stay pending as blanks at the start of the next piece.
int32_t write_output_piece(TransferState& state, UnitBlock& unit) {
    RecordBuffer& record = state.record;
    const int64_t total = static_cast<int64_t>(unit.advance_count) + record.limit;
    if (total > unit.record_length) return report_error(err_record_too_long, state);
    unit.advance_count = static_cast<int32_t>(total);
    const int32_t carried = std::max(record.position - record.limit, 0);
    if (int32_t status = write_output_record(state)) return status;
    record.position = carried;
    if (int32_t error = fill_to_position(record)) return report_error(error, state);
    if (!copy_record(unit.pending_record, record)) return report_error(err_allocation, state);
    return status_ok;
}

int32_t write_direct_record(TransferState& state, UnitBlock& unit) {
    if (state.record.limit > unit.record_length) return report_error(err_record_too_long, state);
    return write_output_record(state);
}

// A statement that ends early at its begin or end step releases its format at once.
int32_t release_on_failure(TransferState& state, int32_t status) {
    if (status != status_ok) free_format(state);
    return status;
}

int32_t begin_read_steps(TransferState& state) {
    if (int32_t status = start_transfer(state, kind_read)) return status;
    UnitBlock& unit = *state.current_unit;
    if (unit.unit_number != console_input_unit) poll_console();
    if (int32_t status = check_unit(state, attr::readable, err_not_open_for_read)) return status;
    if (int32_t status = select_direct_record(state, true)) return status;
    const Advance advance = advance_value(state);
    if (int32_t status = check_read_advance(state, advance)) return status;
    // A record left open by a non-advancing WRITE gets its line end before reading moves on.
    if (int32_t status = end_open_output_record(state, unit)) return status;
    mark_last_transfer(unit, attr::last_was_read);
    unit.text_left = false;
    if (has(state.present, pres::namelist)) return status_ok;

    if (has(unit.attributes, attr::nonadvancing_open)) {
        if (advance != Advance::no) unit.attributes &= ~attr::nonadvancing_open;
        // Reading continues in the same record, at the column the previous statement left.
        if (!copy_record(state.record, unit.pending_record)) return report_error(err_allocation, state);
    } else {
        if (advance == Advance::no) {
            unit.attributes |= attr::nonadvancing_open;
            empty_record(unit.pending_record);
        }
        const bool byte_stream = has(unit.attributes, attr::unformatted) &&
                                 !has(unit.attributes, attr::direct | attr::record_markers);
        if (!byte_stream) {
            if (int32_t status = next_input_record(state)) return status;
        }
    }
    if (has(state.present, pres::list_directed)) begin_list_input(state);
    return status_ok;
}

int32_t end_read_steps(TransferState& state) {
    // The statement kind stays until the end: an error met on the way still names the READ.
    if (state.terminated) return finish_transfer(state);
    if (uses_format(state)) {
        if (int32_t status = perform_trailing_controls(state, perform_input_control)) return status;
    }
    UnitBlock* unit = state.current_unit;
    if (unit != nullptr) unit->text_left = values_left(state);
    if (has(state.present, pres::list_directed)) end_list_input(state);
    free_format(state);
    if (unit != nullptr && has(unit->attributes, attr::nonadvancing_open)) {
        if (int32_t status = keep_input_record(state, *unit)) return status;
    }
    return finish_transfer(state);
}

int32_t begin_write_steps(TransferState& state) {
    poll_console();
    if (int32_t status = start_transfer(state, kind_write)) return status;
    UnitBlock& unit = *state.current_unit;
    if (int32_t status = check_unit(state, attr::writable, err_not_open_for_write)) return status;
    if (int32_t status = select_direct_record(state, false)) return status;
    // ADVANCE= is checked before the open record is touched, so a refused statement leaves the
    // file where it was.
    const Advance advance = advance_value(state);
    if (int32_t status = check_advance(state, advance)) return status;

    if (has(unit.attributes, attr::nonadvancing_open)) {
        if (!copy_record(state.record, unit.pending_record)) return report_error(err_allocation, state);
        if (has(unit.attributes, attr::last_was_read)) {
            if (int32_t error = reposition_to_read_record(unit)) return report_error(error, state);
        }
        // What lies right of the column is dropped, and TL may not move back into earlier pieces.
        state.record.limit = state.record.position;
        state.left_tab_limit = state.record.position;
    } else {
        unit.advance_count = 0;
    }

    if (advance == Advance::no)
        unit.attributes |= attr::nonadvancing_open;
    else
        unit.attributes &= ~attr::nonadvancing_open;

    if (has(state.present, pres::list_directed | pres::namelist)) {
        if (int32_t error = append_repeated(state.record, ' ', 1)) return report_error(error, state);
        state.statement_flags |= sflag::last_was_character;
    }
    mark_last_transfer(unit, attr::last_was_write);
    return status_ok;
}

int32_t end_write_steps(TransferState& state) {
    if (state.terminated) return finish_transfer(state);
    if (uses_format(state)) {
        if (int32_t status = perform_trailing_controls(state, perform_output_control)) return status;
    }
    free_format(state);
    UnitBlock& unit = *state.current_unit;
    int32_t status = status_ok;
    if (has(unit.attributes, attr::direct))
        status = write_direct_record(state, unit);
    else if (has(unit.attributes, attr::nonadvancing_open))
        status = write_output_piece(state, unit);
    else
        status = end_output_record(state);
    if (status != status_ok) return status;
    return finish_transfer(state);
}

// Attributes under which a record takes a path of its own, or may fail on the way.
constexpr uint32_t own_record_path = attr::fortran_carriage | attr::unformatted | attr::direct | attr::internal |
                                     attr::char_device | attr::console | attr::nonadvancing_open;

}  // namespace

bool write_record_directly(TransferState& state, std::intptr_t unit_spec, char* line, int32_t length) {
    const int32_t number = *reinterpret_cast<const int32_t*>(unit_spec);
    UnitBlock* unit = number >= 0 ? connected_unit(state, number) : nullptr;
    if (unit == nullptr || (unit->attributes & (attr::writable | own_record_path)) != attr::writable) return false;
    // The record and its line end go to the buffer in one piece; filling the buffer exactly
    // would write it to the file.
    const int32_t bytes = length + 2;
    if (length > unit->record_length || unit->buffer == nullptr || unit->buffer_size - unit->buffer_pos <= bytes)
        return false;
    poll_console();
    start_statement(state, {.kind = kind_write,
                            .present = pres::unit | pres::formatted | pres::precompiled_format,
                            .options = opt::status_codes,
                            .unit_spec = unit_spec});
    state.current_unit = unit;
    unit->attributes &= ~attr::at_connect_mask;
    mark_last_transfer(*unit, attr::last_was_write);
    std::memcpy(line + length, "\r\n", 2);
    unit_write_bytes(*unit, line, bytes);
    unit->advance_count = 0;
    unit->record_number += 1;
    finish_statement(state);
    return true;
}

int32_t begin_read(TransferState& state) { return release_on_failure(state, begin_read_steps(state)); }
int32_t end_read(TransferState& state) { return release_on_failure(state, end_read_steps(state)); }
int32_t begin_write(TransferState& state) { return release_on_failure(state, begin_write_steps(state)); }
int32_t end_write(TransferState& state) { return release_on_failure(state, end_write_steps(state)); }

}  // namespace fio
