// REWIND, BACKSPACE and ENDFILE. A sequential unit's position is a byte in its block buffer; moving
// backwards first puts the buffer into the shape a block read gives (block_number one past the
// block held, "read from file" set), so that earlier blocks can be loaded in turn.
#include "libf/fio/positioning.h"

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/record.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

constexpr uint32_t transfer_bits = attr::last_was_read | attr::last_was_write | attr::nonadvancing_open;

int32_t finish(TransferState& s) {
    set_statement_kind(s, kind_rewind);  // the kind is cleared once the statement has ended
    return status_ok;
}

int32_t report_file_error(TransferState& s, const UnitBlock& unit) {
    return report_error(unit.last_error != 0 ? unit.last_error : err_internal, s);
}

// Resolves the statement's unit; `unit` stays null for a number that is not connected.
int32_t resolve_unit(TransferState& s, bool console_units, UnitBlock*& unit) {
    if (!console_units) s.statement_flags |= sflag::no_console_create;
    const int32_t error = find_unit(s);
    s.statement_flags &= ~sflag::no_console_create;
    if (error != 0) return report_error(error, s);
    unit = s.current_unit;
    if (unit != nullptr) unit->attributes &= ~attr::at_connect_mask;
    return status_ok;
}

void forget_open_record(UnitBlock& unit) {
    unit.attributes &= ~attr::nonadvancing_open;
    unit.pending_record.limit = 0;
    unit.pending_record.position = 0;
    unit.advance_count = 0;
    unit.record_bytes = 0;
}

int64_t block_offset(const UnitBlock& unit, int64_t block) {
    return unit.base_offset + block * unit.buffer_size;
}

// Writes out unwritten data and leaves the block that holds the position in the buffer as a block
// read from the file would be. With `cut` the file ends at the position. No block is read, so a
// unit that may only write can still be cut.
int32_t settle_block(UnitBlock& unit, bool cut) {
    const bool from_file = has(unit.attributes, attr::read_from_file);
    const int64_t block = from_file ? unit.block_number - 1 : unit.block_number;
    const int32_t position = unit.buffer_pos;
    if (cut) {
        unit.buffer_fill = position;
        unit.attributes |= attr::truncate_pending;
    }
    if (cut || has(unit.attributes, attr::dirty)) {
        // A block being written starts where the file pointer stands; one read from the file
        // goes back to its own place.
        if (from_file) {
            seek(unit, block_offset(unit, block));
            if (unit.last_error != 0) return unit.last_error;
        }
        const int32_t written = unit.buffer_fill;
        write_block(unit);
        if (unit.last_error != 0) return unit.last_error;
        unit.buffer_fill = written;
    } else if (!from_file) {
        unit.buffer_fill = position;
    }
    unit.buffer_pos = position;
    unit.block_number = static_cast<int32_t>(block + 1);
    unit.attributes = (unit.attributes & ~attr::dirty) | attr::read_from_file;
    return 0;
}

// Moves back one byte: 1 and the byte, 0 at the start of the file, -1 on a file error.
int step_back_byte(UnitBlock& unit, char& byte) {
    if (unit.buffer_pos > unit.buffer_fill) unit.buffer_pos = unit.buffer_fill;
    if (unit.buffer_pos == 0) {
        const int32_t got = step_back_block(unit);
        if (got <= 0) return got;
        unit.buffer_pos = got;
    }
    byte = unit.buffer[--unit.buffer_pos];
    return 1;
}

// Moves back n bytes: 1 when done, 0 when the file starts first, -1 on a file error.
int move_back(UnitBlock& unit, int64_t n) {
    while (n > unit.buffer_pos) {
        n -= unit.buffer_pos;
        const int32_t got = step_back_block(unit);
        if (got <= 0) return got;
        unit.buffer_pos = got;
    }
    unit.buffer_pos -= static_cast<int32_t>(n);
    return 1;
}

// Formatted: over the line feed that ends the previous record, then back to the byte after the
// line feed before it, or to the start of the file.
int32_t back_over_line(TransferState& s, UnitBlock& unit) {
    char byte = 0;
    int got = step_back_byte(unit, byte);
    while (got == 1) {
        got = step_back_byte(unit, byte);
        if (got == 1 && byte == '\n') {
            ++unit.buffer_pos;
            return status_ok;
        }
    }
    return got < 0 ? report_file_error(s, unit) : status_ok;
}

// Unformatted with length markers: the marker that ends the previous record gives the bytes to
// go back over (data and both markers).
int32_t back_over_marked_record(TransferState& s, UnitBlock& unit) {
    unsigned char marker[4] = {};
    for (int i = 3; i >= 0; --i) {
        char byte = 0;
        const int got = step_back_byte(unit, byte);
        if (got < 0) return report_file_error(s, unit);
        if (got == 0) return i == 3 ? status_ok : report_error(err_bad_file, s);
        marker[i] = static_cast<unsigned char>(byte);
    }
    const bool big = has(unit.attributes, attr::big_endian);
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= static_cast<uint32_t>(marker[i]) << (big ? 24 - 8 * i : 8 * i);
    // A marker that cannot be right would leave the unit inside some record.
    if (length > 0x7FFFFFFFu) return report_error(err_bad_file, s);
    const int got = move_back(unit, static_cast<int64_t>(length) + 4);
    if (got < 0) return report_file_error(s, unit);
    return got == 0 ? report_error(err_bad_file, s) : status_ok;
}

int32_t back_over_record(TransferState& s, UnitBlock& unit) {
    if (settle_block(unit, false) != 0) return report_file_error(s, unit);
    if (has(unit.attributes, attr::unformatted)) return back_over_marked_record(s, unit);
    return back_over_line(s, unit);
}

void prepare_statement(TransferState& s, const int32_t* unit, int32_t* iostat, int32_t err) {
    start_statement(s, {.present = position_present::unit,
                        .options = opt::status_codes,
                        .unit_spec = reinterpret_cast<std::intptr_t>(unit),
                        .iostat_var = iostat,
                        .err_given = err != 0});
    if (iostat != nullptr) s.present |= position_present::iostat;
    if (err != 0) s.present |= position_present::err;
}

}  // namespace

int32_t step_back_block(UnitBlock& unit) {
    if (has(unit.attributes, attr::dirty) || !has(unit.attributes, attr::read_from_file)) {
        if (settle_block(unit, false) != 0) return -1;
    }
    const bool first = unit.block_number <= 1;
    const int64_t block = first ? 0 : unit.block_number - 2;
    seek(unit, block_offset(unit, block));
    if (unit.last_error != 0) return -1;
    read_block(unit);
    if (unit.last_error != 0) return -1;
    unit.block_number = static_cast<int32_t>(block + 1);
    unit.attributes |= attr::read_from_file;
    return first ? 0 : unit.buffer_fill;
}

int32_t rewind_unit(TransferState& s) {
    set_statement_kind(s, kind_rewind);
    store_iostat(s, 0);
    UnitBlock* unit = nullptr;
    if (int32_t status = resolve_unit(s, false, unit)) return status;
    if (unit == nullptr || has(unit->attributes, attr::direct)) return finish(s);
    if (int32_t status = end_open_output_record(s, *unit)) return status;
    if (flush_unit(*unit) != 0) return report_file_error(s, *unit);
    seek(*unit, 0);
    if (unit->last_error != 0) return report_file_error(s, *unit);
    unit->base_offset = 0;
    unit->block_number = 0;
    unit->buffer_pos = 0;
    unit->buffer_fill = 0;
    unit->record_number = 0;
    forget_open_record(*unit);
    unit->attributes &= ~(transfer_bits | attr::endfile | attr::read_from_file);
    unit->attributes |= attr::truncate_pending;
    return finish(s);
}

int32_t backspace_unit(TransferState& s) {
    poll_console();
    set_statement_kind(s, kind_backspace);
    store_iostat(s, 0);
    UnitBlock* unit = nullptr;
    if (int32_t status = resolve_unit(s, false, unit)) return status;
    if (unit == nullptr) return finish(s);
    if (has(unit->attributes, attr::direct)) {
        if (unit->record_number > 0) unit->record_number -= 1;
        return finish(s);
    }
    if (int32_t status = end_open_output_record(s, *unit)) return status;
    if (unit->record_number == 0 || has(unit->attributes, attr::endfile)) {
        // After ENDFILE the unit goes back to the end of its data, before the end of file.
        if (unit->record_number != 0) {
            if (settle_block(*unit, false) != 0) return report_file_error(s, *unit);
            unit->buffer_pos = unit->buffer_fill;
        }
        unit->attributes = (unit->attributes & ~attr::endfile) | attr::truncate_pending;
        return finish(s);
    }
    const bool byte_stream = has(unit->attributes, attr::unformatted) &&
                             !has(unit->attributes, attr::record_markers);
    if (byte_stream) return finish(s);
    if (int32_t status = back_over_record(s, *unit)) return status;
    unit->record_number -= 1;
    forget_open_record(*unit);
    unit->attributes = (unit->attributes & ~transfer_bits) | attr::truncate_pending;
    return finish(s);
}

int32_t endfile_unit(TransferState& s) {
    set_statement_kind(s, kind_endfile);
    store_iostat(s, 0);
    UnitBlock* unit = nullptr;
    if (int32_t status = resolve_unit(s, true, unit)) return status;
    if (unit == nullptr || has(unit->attributes, attr::direct)) return finish(s);
    // A console unit is no file: it only remembers the end of file.
    if (!has(unit->attributes, attr::console)) {
        if (int32_t status = end_open_output_record(s, *unit)) return status;
        // A device is never cut; it only gets out what it holds.
        const bool device = has(unit->attributes, attr::char_device);
        if ((device ? flush_unit(*unit) : settle_block(*unit, true)) != 0) return report_file_error(s, *unit);
        forget_open_record(*unit);
    }
    unit->attributes |= attr::endfile;
    return finish(s);
}

int32_t rewind_statement(const int32_t* unit, int32_t* iostat, int32_t err) {
    TransferState& s = transfer_state();
    prepare_statement(s, unit, iostat, err);
    return rewind_unit(s);
}

int32_t backspace_statement(const int32_t* unit, int32_t* iostat, int32_t err) {
    TransferState& s = transfer_state();
    prepare_statement(s, unit, iostat, err);
    return backspace_unit(s);
}

int32_t endfile_statement(const int32_t* unit, int32_t* iostat, int32_t err) {
    TransferState& s = transfer_state();
    prepare_statement(s, unit, iostat, err);
    return endfile_unit(s);
}

}  // namespace fio
