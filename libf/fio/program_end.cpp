// Program end: closing every unit, STOP, the end of the program and the process exit.
#include "libf/fio/program_end.h"

#include <unistd.h>

#include <cstdio>

#include "libf/fio/file_layer.h"
#include "libf/fio/heap.h"
#include "libf/fio/record.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

// Set once a path that ends the process has begun; a later end_program() then does nothing.
bool g_ending = false;
// Set while close_all_units runs: errors met there are not reported again.
bool g_closing = false;

void close_unit_at_end(TransferState& state, UnitBlock& unit) {
    state.current_unit = &unit;
    // No IOSTAT=/ERR= of an earlier statement may take an error met here.
    state.present = 0;
    state.statement_flags = (state.statement_flags & sflag::kept_on_end) | kind_write;
    end_open_output_record(state, unit);
    if (unit.unit_number == console_input_unit || unit.unit_number == console_output_unit ||
        unit.unit_number == console_error_unit)
        return;
    if ((unit.attributes & attr::dirty) != 0) flush_unit(unit);
    unit.attributes |= attr::closed_at_end;
    close_file(unit, (unit.attributes & attr::delete_on_close) != 0);
}

void free_record(RecordBuffer& record) {
    free_mem(record.data);
    record = RecordBuffer{};
}

}  // namespace

bool closing_all_units() { return g_closing; }

void begin_program_end() { g_ending = true; }

void close_all_units(TransferState& state) {
    if (g_closing) return;
    g_closing = true;
    // Ending open records rewrites the statement fields; the error report still needs them.
    const uint32_t present = state.present;
    const uint32_t statement_flags = state.statement_flags;
    for (UnitBlock* u = state.units; u != nullptr; u = u->next) close_unit_at_end(state, *u);
    state.present = present;
    state.statement_flags = statement_flags;
    while (state.units != nullptr) release_unit(state, state.units);
    state.current_unit = nullptr;
    free_record(state.record);
    free_record(state.work);
    g_closing = false;
}

void stop(const char* text, int32_t length, int32_t status) {
    g_ending = true;
    if (length > 0 && text != nullptr) {
        write_error_text(" STOP ", 6);
        write_error_text(text, length);
    } else {
        write_error_text(" STOP", 5);
    }
    write_error_text("\n", 1);
    close_all_units(transfer_state());
    exit_process(status);
}

void end_program() {
    if (g_ending) return;
    g_ending = true;
    close_all_units(transfer_state());
    exit_process(0);
}

void exit_process(int32_t code) {
    g_ending = true;
    console_hooks().exit(code);
    std::fflush(nullptr);
    ::_exit(code & 0xFF);
}

}  // namespace fio
