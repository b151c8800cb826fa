// The unit list: resolving unit numbers, console pre-connection, implicit connection.
#include "libf/fio/units.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/heap.h"

namespace fio {

namespace {

constexpr int32_t console_buffer_size = 256;
constexpr int32_t file_buffer_size = 8192;
constexpr int32_t record_buffer_size = 1024;

bool is_transfer(StatementKind kind) { return kind == kind_read || kind == kind_write; }

UnitBlock* find_in_list(const TransferState& state, int32_t number) {
    for (UnitBlock* u = state.units; u != nullptr; u = u->next)
        if (u->unit_number == number) return u;
    return nullptr;
}

// The reserved console unit a user number stands for, or 0 when it stands for none.
int32_t console_number_for(int32_t number, StatementKind kind) {
    switch (number) {
        case 0: return console_error_unit;
        case 5: return console_input_unit;
        case 6: return console_output_unit;
        case 9:
        case -1: return kind == kind_read ? console_input_unit : console_output_unit;
        default: return 0;
    }
}

// Finds or creates a console unit; standard input and output always come into being together.
UnitBlock* console_unit(TransferState& state, int32_t reserved) {
    if (UnitBlock* u = find_in_list(state, reserved)) return u;
    if (reserved == console_error_unit) return create_console_unit(state, reserved);
    UnitBlock* input = find_in_list(state, console_input_unit);
    if (input == nullptr) input = create_console_unit(state, console_input_unit);
    if (input == nullptr) return nullptr;
    UnitBlock* output = find_in_list(state, console_output_unit);
    if (output == nullptr) output = create_console_unit(state, console_output_unit);
    if (output == nullptr) return nullptr;
    return reserved == console_input_unit ? input : output;
}

int32_t set_up_internal_unit(TransferState& state) {
    if (!is_transfer(statement_kind(state))) return err_internal_use;
    UnitBlock& u = state.internal_unit;
    u = UnitBlock{};
    u.attributes = attr::readable | attr::writable | attr::internal | attr::pad_yes;
    u.buffer = reinterpret_cast<char*>(state.unit_spec);
    u.buffer_size = state.internal_length;
    u.record_length = state.internal_length;
    u.block_number = state.internal_records;
    u.max_record = no_record_limit;
    u.tab_size = tab_size_from_environment();
    if (int32_t error = ensure_record_buffers(state)) return error;
    state.statement_flags &= ~sflag::blank_zero;
    state.current_unit = &u;
    return 0;
}

bool set_file_name(UnitBlock& unit, int32_t number) {
    char name[24];
    const int n = std::snprintf(name, sizeof name, "fort.%d", static_cast<int>(number));
    auto* copy = static_cast<char*>(alloc_mem(static_cast<std::size_t>(n) + 1, false));
    if (copy == nullptr) return false;
    std::memcpy(copy, name, static_cast<std::size_t>(n) + 1);
    unit.file_name = copy;
    return true;
}

int32_t abandon_implicit(TransferState& state, UnitBlock* unit, int32_t error) {
    if (unit->handle != no_handle) close_file(*unit, false);
    release_unit(state, unit);
    return report_error(error, state);
}

}  // namespace

bool last_read_position(int32_t number, ReadPosition& position) {
    const UnitBlock* unit = number >= 0 ? find_in_list(transfer_state(), number) : nullptr;
    if (unit == nullptr) return false;
    position = {.record_number = unit->record_number, .text_left = unit->text_left};
    return true;
}

UnitBlock* connected_unit(const TransferState& state, int32_t number) { return find_in_list(state, number); }

int32_t find_unit(TransferState& state) {
    state.current_unit = nullptr;
    if ((state.options & opt::internal_file) != 0) return set_up_internal_unit(state);
    const StatementKind kind = statement_kind(state);
    const int32_t number = statement_unit_number(state);
    if (number < -1 || (number == -1 && !is_transfer(kind))) return err_negative_unit;
    UnitBlock* unit = number >= 0 ? find_in_list(state, number) : nullptr;
    if (unit == nullptr && (state.statement_flags & sflag::no_console_create) == 0) {
        if (const int32_t reserved = console_number_for(number, kind)) {
            unit = console_unit(state, reserved);
            if (unit == nullptr) return err_allocation;
        }
    }
    if (unit == nullptr) return 0;
    if (int32_t error = ensure_record_buffers(state)) return error;
    if ((unit->attributes & attr::blank_zero) != 0)
        state.statement_flags |= sflag::blank_zero;
    else
        state.statement_flags &= ~sflag::blank_zero;
    state.current_unit = unit;
    return 0;
}

UnitBlock* create_console_unit(TransferState& state, int32_t number) {
    UnitBlock* u = new_unit(state);
    if (u == nullptr) return nullptr;
    u->buffer = static_cast<char*>(alloc_mem(console_buffer_size, false));
    if (u->buffer == nullptr) {
        release_unit(state, u);
        return nullptr;
    }
    u->unit_number = number;
    u->buffer_size = console_buffer_size;
    u->tab_size = tab_size_from_environment();
    u->record_length = no_record_limit;
    u->max_record = no_record_limit;
    u->advance_count = 0;
    const uint32_t common = attr::char_device | attr::console | attr::pad_yes;
    if (number == console_input_unit) {
        u->attributes = common | attr::readable;
        u->handle = selector_input;
    } else {
        u->attributes = common | attr::writable;
        u->handle = number == console_output_unit ? selector_output : selector_error;
    }
    return u;
}

UnitBlock* new_unit(TransferState& state) {
    void* memory = alloc_mem(sizeof(UnitBlock), true);
    if (memory == nullptr) return nullptr;
    auto* u = new (memory) UnitBlock{};
    UnitBlock** link = &state.units;
    while (*link != nullptr) link = &(*link)->next;
    *link = u;
    return u;
}

void release_unit(TransferState& state, UnitBlock* unit) {
    if (unit == nullptr || unit == &state.internal_unit) return;
    for (UnitBlock** link = &state.units; *link != nullptr; link = &(*link)->next) {
        if (*link == unit) {
            *link = unit->next;
            break;
        }
    }
    if (state.current_unit == unit) state.current_unit = nullptr;
    free_mem(unit->file_name);
    free_mem(unit->pending_record.data);
    free_mem(unit->buffer);
    unit->~UnitBlock();
    free_mem(unit);
}

int32_t implicit_open(TransferState& state) {
    if ((state.present & pres::rec) != 0) return report_error(err_implicit_direct, state);
    const int32_t number = statement_unit_number(state);
    UnitBlock* u = new_unit(state);
    if (u == nullptr) return report_error(err_allocation, state);
    u->unit_number = number;
    u->attributes = attr::readable | attr::writable | attr::pad_yes;
    if ((state.present & (pres::formatted | pres::list_directed | pres::namelist)) == 0) {
        u->attributes |= attr::unformatted;
        if ((state.options & opt::default_markers) != 0) u->attributes |= attr::record_markers;
    }
    u->record_length = no_record_limit;
    u->max_record = no_record_limit;
    u->buffer_size = file_buffer_size;
    if (!set_file_name(*u, number)) return abandon_implicit(state, u, err_allocation);
    const OpenStatus status = file_size(*u) >= 0 ? OpenStatus::old_file : OpenStatus::new_file;
    open_file(*u, status, OpenAction::readwrite, false);
    if (u->last_error != 0) return abandon_implicit(state, u, u->last_error);
    u->attributes |= is_char_device(*u) ? attr::char_device : attr::truncate_pending;
    u->buffer = static_cast<char*>(alloc_mem(file_buffer_size, false));
    if (u->buffer == nullptr) return abandon_implicit(state, u, err_allocation);
    if (int32_t error = ensure_record_buffers(state)) return abandon_implicit(state, u, error);
    state.statement_flags &= ~sflag::blank_zero;
    state.current_unit = u;
    return 0;
}

int32_t ensure_record_buffers(TransferState& state) {
    for (RecordBuffer* record : {&state.record, &state.work}) {
        if (record->data != nullptr) continue;
        record->data = static_cast<char*>(alloc_mem(record_buffer_size, false));
        if (record->data == nullptr) return err_allocation;
        record->capacity = record_buffer_size;
        record->limit = 0;
        record->position = 0;
    }
    return 0;
}

}  // namespace fio
