// The process's one statement record and its lifecycle.
#include "libf/fio/transfer_state.h"

#include "libf/fio/heap.h"

namespace fio {

TransferState& transfer_state() {
    static TransferState state;
    return state;
}

void start_statement(TransferState& state, const StatementStart& start) {
    state.present = start.present;
    state.options = start.options;
    state.statement_flags = (state.statement_flags & sflag::kept_on_end) | start.kind;
    state.unit_spec = start.unit_spec;
    state.iostat_var = start.iostat_var;
    state.iostat_width = 4;
    state.err_given = start.err_given ? -1 : 0;
    state.end_given = 0;
    state.internal_length = 0;
    state.internal_records = 0;
    state.rec_var = nullptr;
    state.size_var = nullptr;
    state.format_start = nullptr;
    state.format_length = 0;
    state.advance_text = SpecText{};
    state.value_repeat = 0;
    release_gathered(state);
}

void release_gathered(TransferState& state) {
    free_mem(state.gathered_internal);
    state.gathered_internal = nullptr;
    free_mem(state.gathered_format);
    state.gathered_format = nullptr;
}

void finish_statement(TransferState& state) {
    free_format(state);
    state.record.limit = 0;
    state.record.position = 0;
    state.left_tab_limit = 0;
    state.statement_flags &= sflag::kept_on_end;
}

void start_outside_statement(TransferState& state) {
    state.present = 0;
    state.options &= ~opt::eor;
    state.err_given = 0;
    state.end_given = 0;
    state.statement_flags = sflag::omit_statement_line;
}

void free_format(TransferState& state) {
    if (state.compiled_format != nullptr) {
        free_mem(state.compiled_format);
        state.compiled_format = nullptr;
    }
    state.format_code = nullptr;
    state.format_code_length = 0;
}

int32_t statement_unit_number(const TransferState& state) {
    if ((state.options & opt::unit_by_value) != 0) return static_cast<int32_t>(state.unit_spec);
    const auto* p = reinterpret_cast<const int32_t*>(state.unit_spec);
    return p != nullptr ? *p : -1;
}

}  // namespace fio
