// CLOSE: disconnecting a unit, keeping or deleting its file.
#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/open_close.h"
#include "libf/fio/record.h"
#include "libf/fio/specifiers.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

int32_t write_buffered_data(UnitBlock& unit) {
    if (!has(unit.attributes, attr::dirty)) return 0;
    return has(unit.attributes, attr::direct) ? write_back_direct_block(unit) : flush_unit(unit);
}

}  // namespace

int32_t disconnect_unit(TransferState& s, UnitBlock& unit, bool remove) {
    if (int32_t status = end_open_output_record(s, unit)) return status;
    if (int32_t error = write_buffered_data(unit)) return report_error(error, s);
    const bool remove_file = remove || has(unit.attributes, attr::delete_on_close);
    const int32_t error = close_file(unit, remove_file);
    if (s.current_unit == &unit) s.current_unit = nullptr;
    release_unit(s, &unit);
    return error != 0 ? report_error(error, s) : status_ok;
}

int32_t close_unit(TransferState& s) {
    poll_console();
    set_statement_kind(s, kind_close);
    if (has(s.present, open_present::iostat)) store_iostat(s, 0);
    s.statement_flags |= sflag::no_console_create;
    const int32_t found = find_unit(s);
    s.statement_flags &= ~sflag::no_console_create;
    if (found != 0) return report_error(found, s);
    UnitBlock* unit = s.current_unit;
    if (unit == nullptr || has(unit->attributes, attr::console)) return status_ok;

    bool remove = false;
    if (has(s.present, open_present::status)) {
        char text[specifier_buffer_size];
        upcase_specifier(s.status_text, text, sizeof text);
        if (keyword_equals(text, "DELETE"))
            remove = true;
        else if (!keyword_equals(text, "KEEP"))
            return report_error(err_bad_iolist, s);
    }
    if (int32_t status = disconnect_unit(s, *unit, remove)) return status;
    set_statement_kind(s, kind_rewind);
    return status_ok;
}

int32_t close_statement(const std::intptr_t* v) {
    TransferState& s = transfer_state();
    start_statement(s, {.present = open_present::unit,
                        .options = open_option::close_entry,
                        .unit_spec = v[close_arg::unit],
                        .iostat_var = reinterpret_cast<void*>(v[close_arg::iostat]),
                        .err_given = v[close_arg::err] != 0});
    if (s.iostat_var != nullptr) s.present |= open_present::iostat;
    if (s.err_given != 0) s.present |= open_present::err;
    if (v[close_arg::status] != 0) {
        s.status_text.text = reinterpret_cast<char*>(v[close_arg::status]);
        s.status_text.length = static_cast<int32_t>(v[close_arg::status + 1]);
        s.present |= open_present::status;
    }
    return close_unit(s);
}

int32_t close_connection(const CloseArgs& a) {
    std::intptr_t v[close_arg::count] = {};
    const int32_t unit = a.unit;
    v[close_arg::unit] = reinterpret_cast<std::intptr_t>(&unit);
    v[close_arg::iostat] = reinterpret_cast<std::intptr_t>(a.iostat);
    v[close_arg::err] = a.err ? 1 : 0;
    if (a.status.data() != nullptr) {
        v[close_arg::status] = reinterpret_cast<std::intptr_t>(a.status.data());
        v[close_arg::status + 1] = static_cast<std::intptr_t>(a.status.size());
    }
    return close_statement(v);
}

}  // namespace fio
