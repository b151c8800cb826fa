// The statement's record buffer: appending output, ending and writing output records,
// splitting input records out of the unit's byte stream.
#include "libf/fio/record.h"

#include <cstring>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/heap.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

constexpr int64_t growth_step = 8192;
#ifdef SIMPLEX_FUZZ_LIMITS
// Fuzz builds: a record the input legitimately asks for (T, X, strings and nested repeats
// reach 2 GiB, and the sanitizer's realloc copies at every 8 KiB step) is refused like a
// failed allocation.
constexpr int64_t max_capacity = 1 << 20;
#else
constexpr int64_t max_capacity = 0x7FFFFFFF - growth_step;
#endif

// Makes capacity at least new_capacity. Returns 0 or 10004, not yet reported.
int32_t grow_to(RecordBuffer& record, int64_t new_capacity) {
    if (new_capacity > max_capacity) return err_allocation;
    void* data = realloc_mem(record.data, static_cast<std::size_t>(new_capacity));
    if (data == nullptr) return err_allocation;
    record.data = static_cast<char*>(data);
    record.capacity = static_cast<int32_t>(new_capacity);
    return 0;
}

// Room for `need` bytes, grown to the next multiple of 8192 above need.
int32_t ensure_room(RecordBuffer& record, int64_t need) {
    if (need <= record.capacity && record.data != nullptr) return 0;
    return grow_to(record, (need / growth_step + 1) * growth_step);
}

// Blanks the columns an append skips over between limit and position.
void blank_gap(RecordBuffer& record) {
    if (record.position > record.limit)
        std::memset(record.data + record.limit, ' ', record.position - record.limit);
}

void advance(RecordBuffer& record, int32_t n) {
    record.position += n;
    if (record.position > record.limit) record.limit = record.position;
}

int32_t report_unit_error(TransferState& state, UnitBlock& unit) {
    return unit.last_error != 0 ? report_error(unit.last_error, state) : 0;
}

// Vertical motion that a FORTRAN carriage-control character stands for.
const char* vertical_motion(char control, int32_t& length) {
    switch (control) {
        case '+': length = 0; return "";
        case '-': length = 3; return "\n\n\n";
        case '0': length = 2; return "\n\n";
        case '1': length = 1; return "\f";
        default: length = 1; return "\n";
    }
}

int32_t write_internal(TransferState& state, UnitBlock& unit) {
    const RecordBuffer& record = state.record;
    const int32_t element = unit.record_length;
    // A record that does not fit in the elements left would lose characters.
    if (unit.block_number <= 0 ||
        static_cast<int64_t>(record.limit) > static_cast<int64_t>(unit.block_number) * element)
        return report_error(err_record_too_long, state);
    int32_t done = 0;
    do {
        const int32_t n = record.limit - done < element ? record.limit - done : element;
        char* target = unit.buffer + unit.buffer_pos;
        std::memcpy(target, record.data + done, n);
        std::memset(target + n, ' ', element - n);
        unit.buffer_pos += element;
        unit.block_number -= 1;
        done += n;
    } while (done < record.limit);
    return 0;
}

int32_t write_direct(TransferState& state, UnitBlock& unit) {
    const RecordBuffer& record = state.record;
    const int32_t recl = unit.record_length;
    if (unit.buffer == nullptr || unit.buffer_pos < 0 ||
        static_cast<int64_t>(unit.buffer_pos) + recl > unit.buffer_size)
        return report_error(err_internal, state);
    const int32_t n = record.limit < recl ? record.limit : recl;
    char* target = unit.buffer + unit.buffer_pos;
    std::memcpy(target, record.data, n);
    std::memset(target + n, has(unit.attributes, attr::unformatted) ? 0 : ' ', recl - n);
    unit.attributes |= attr::dirty;
    if (has(unit.attributes, attr::char_device) && write_back_direct_block(unit) != 0)
        return report_unit_error(state, unit);
    return 0;
}

void store_marker(char* out, int32_t length, bool big_endian) {
    const auto value = static_cast<uint32_t>(length);
    for (int i = 0; i < 4; ++i) {
        const int shift = big_endian ? 24 - 8 * i : 8 * i;
        out[i] = static_cast<char>((value >> shift) & 0xFF);
    }
}

int32_t write_sequential(TransferState& state, UnitBlock& unit) {
    const RecordBuffer& record = state.record;
    const char* text = record.data;
    int32_t length = record.limit;
    int32_t status = 0;
    if (has(unit.attributes, attr::unformatted)) {
        if (has(unit.attributes, attr::record_markers)) {
            char marker[4];
            store_marker(marker, length, has(unit.attributes, attr::big_endian));
            status = unit_write_bytes(unit, marker, 4);
            if (status == 0) status = unit_write_bytes(unit, text, length);
            if (status == 0) status = unit_write_bytes(unit, marker, 4);
        } else {
            status = unit_write_bytes(unit, text, length);
        }
    } else if (has(unit.attributes, attr::fortran_carriage)) {
        const bool keep_first = has(state.present, pres::list_directed | pres::namelist);
        int32_t motion_length = 1;
        const char* motion = "\n";
        if (!keep_first && length > 0) {
            motion = vertical_motion(text[0], motion_length);
            ++text;
            --length;
        }
        status = unit_write_bytes(unit, motion, motion_length);
        if (status == 0) status = unit_write_bytes(unit, text, length);
    } else {
        status = unit_write_bytes(unit, text, length);
    }
    if (status == 0 && has(unit.attributes, attr::char_device)) status = flush_unit(unit);
    return status != 0 ? report_unit_error(state, unit) : 0;
}

}  // namespace

int32_t append_chars(RecordBuffer& record, const char* text, int32_t n) {
    if (n <= 0) return 0;
    const int64_t need = static_cast<int64_t>(record.position) + n;
    if (int32_t status = ensure_room(record, need)) return status;
    blank_gap(record);
    std::memcpy(record.data + record.position, text, n);
    advance(record, n);
    return 0;
}

int32_t append_repeated(RecordBuffer& record, char ch, int32_t n) {
    if (n <= 0) return 0;
    const int64_t need = static_cast<int64_t>(record.position) + n;
    if (need > record.capacity || record.data == nullptr) {
        int64_t capacity = record.capacity;
        while (capacity <= need) capacity += growth_step;
        if (int32_t status = grow_to(record, capacity)) return status;
    }
    blank_gap(record);
    std::memset(record.data + record.position, ch, n);
    advance(record, n);
    return 0;
}

int32_t fill_to_position(RecordBuffer& record) {
    if (record.position <= record.limit) return 0;
    if (record.position >= record.capacity || record.data == nullptr) {
        const int64_t grown = static_cast<int64_t>(record.capacity) +
                              (static_cast<int64_t>(record.position) - record.capacity + 1024);
        if (int32_t status = grow_to(record, grown)) return status;
    }
    blank_gap(record);
    return 0;
}

int32_t reserve_record(RecordBuffer& record, int32_t n) {
    const int64_t need = static_cast<int64_t>(record.position) + (n > 0 ? n : 0);
    if (int32_t status = ensure_room(record, need)) return status;
    blank_gap(record);
    return 0;
}

int32_t write_output_record(TransferState& state) {
    UnitBlock& unit = *state.current_unit;
    int32_t status = 0;
    if (has(unit.attributes, attr::internal))
        status = write_internal(state, unit);
    else if (has(unit.attributes, attr::direct))
        status = write_direct(state, unit);
    else
        status = write_sequential(state, unit);
    state.record.limit = 0;
    state.record.position = 0;
    return status;
}

int32_t end_output_record(TransferState& state) {
    UnitBlock& unit = *state.current_unit;
    RecordBuffer& record = state.record;
    const uint32_t attributes = unit.attributes;
    if (has(attributes, attr::direct)) {
        if (record.limit > unit.record_length) return report_error(err_record_too_long, state);
        if (int32_t status = write_output_record(state)) return status;
        unit.record_number += 1;
        const int32_t positioned = position_direct_record(unit, false);
        return positioned > 0 ? report_unit_error(state, unit) : 0;
    }
    if (!has(attributes, attr::internal | attr::unformatted)) {
        // Preceding non-advancing pieces of the same record count towards RECL.
        if (static_cast<int64_t>(unit.advance_count) + record.limit > unit.record_length)
            return report_error(err_record_too_long, state);
        if (!has(state.statement_flags, sflag::suppress_terminator) &&
            has(state.present, pres::formatted | pres::namelist)) {
            record.position = record.limit;
            const bool fortran = has(attributes, attr::fortran_carriage);
            if (int32_t error = append_chars(record, "\r\n", fortran ? 1 : 2)) return report_error(error, state);
        }
    }
    if (int32_t status = write_output_record(state)) return status;
    unit.advance_count = 0;
    if (!has(attributes, attr::internal)) unit.record_number += 1;
    return 0;
}

namespace {

int32_t read_internal(TransferState& state, UnitBlock& unit) {
    if (unit.block_number <= 0) return report_end_of_file(state);
    RecordBuffer& record = state.record;
    const int32_t element = unit.record_length;
    if (int32_t error = ensure_room(record, element)) return report_error(error, state);
    std::memcpy(record.data, unit.buffer + unit.buffer_pos, element);
    record.limit = element;
    unit.buffer_pos += element;
    unit.block_number -= 1;
    return 0;
}

int32_t read_direct(TransferState& state, UnitBlock& unit) {
    RecordBuffer& record = state.record;
    // The statement's first record was positioned by its begin step; a further record
    // (after "/" or reversion) moves on to the next record number.
    if (record.limit > 0) {
        unit.record_number += 1;
        const int32_t positioned = position_direct_record(unit, true);
        if (positioned < 0) return report_end_of_file(state);
        if (positioned > 0) return report_unit_error(state, unit);
    }
    const int32_t recl = unit.record_length;
    if (unit.buffer == nullptr || unit.buffer_pos < 0 ||
        static_cast<int64_t>(unit.buffer_pos) + recl > unit.buffer_size)
        return report_error(err_internal, state);
    if (int32_t error = ensure_room(record, recl)) return report_error(error, state);
    std::memcpy(record.data, unit.buffer + unit.buffer_pos, recl);
    record.limit = recl;
    return 0;
}

// Next byte, or the end-of-file / error status in `status`; returns false when there is none.
bool next_byte(TransferState& state, UnitBlock& unit, char& byte, int32_t& status) {
    const int got = unit_next_byte(unit, byte);
    if (got == 1) return true;
    status = got == 0 ? report_end_of_file(state) : report_unit_error(state, unit);
    if (status == 0) status = report_error(err_internal, state);
    return false;
}

int32_t read_formatted_line(TransferState& state, UnitBlock& unit) {
    RecordBuffer& record = state.record;
    const int32_t tab = unit.tab_size >= 1 ? unit.tab_size : 8;
    char byte = 0;
    int32_t status = 0;
    unit.record_bytes = 0;
    // An error report names the line being read, or the one read, from these two bits.
    state.statement_flags = (state.statement_flags & ~sflag::file_line_read) | sflag::file_line_wanted;
    while (next_byte(state, unit, byte, status)) {
        ++unit.record_bytes;
        if (byte == '\n') {
            state.statement_flags |= sflag::file_line_read;
            return 0;
        }
        if (byte == '\r') continue;
        record.position = record.limit;
        const int32_t error = byte == '\t' ? append_repeated(record, ' ', (record.limit / tab + 1) * tab - record.limit)
                                            : append_chars(record, &byte, 1);
        if (error != 0) return report_error(error, state);
    }
    return status;
}

int32_t read_marked_record(TransferState& state, UnitBlock& unit) {
    RecordBuffer& record = state.record;
    char marker[4];
    int32_t status = 0;
    for (char& b : marker)
        if (!next_byte(state, unit, b, status)) return status;
    uint32_t length = 0;
    const bool big = has(unit.attributes, attr::big_endian);
    for (int i = 0; i < 4; ++i)
        length |= static_cast<uint32_t>(static_cast<unsigned char>(marker[i])) << (big ? 24 - 8 * i : 8 * i);
    if (length > 0x7FFFFFFFu) return report_error(err_bad_file, state);
    if (int32_t error = ensure_room(record, length)) return report_error(error, state);
    for (uint32_t i = 0; i < length; ++i)
        if (!next_byte(state, unit, record.data[i], status)) return status;
    record.limit = static_cast<int32_t>(length);
    for (char& b : marker)
        if (!next_byte(state, unit, b, status)) return status;
    return 0;
}

}  // namespace

int32_t next_input_record(TransferState& state) {
    UnitBlock& unit = *state.current_unit;
    RecordBuffer& record = state.record;
    record.position = 0;
    const uint32_t attributes = unit.attributes;
    if (has(attributes, attr::internal)) return read_internal(state, unit);
    if (has(attributes, attr::direct)) return read_direct(state, unit);
    record.limit = 0;
    int32_t status = 0;
    if (has(attributes, attr::unformatted)) {
        if (!has(attributes, attr::record_markers)) return 0;  // a plain byte stream
        status = read_marked_record(state, unit);
    } else {
        status = read_formatted_line(state, unit);
    }
    record.position = 0;
    if (status == 0) unit.record_number += 1;
    return status;
}

int32_t wrap_output_item(TransferState& state, int32_t start) {
    RecordBuffer& record = state.record;
    RecordBuffer& work = state.work;
    const int32_t length = record.limit - start;
    if (length < 0 || start < 0) return report_error(err_internal, state);
    if (int32_t error = ensure_room(work, length)) return report_error(error, state);
    std::memcpy(work.data, record.data + start, length);
    record.limit = start;
    record.position = start;
    if (int32_t status = end_output_record(state)) return status;
    int32_t error = append_repeated(record, ' ', 1);
    if (error == 0) error = append_chars(record, work.data, length);
    return error != 0 ? report_error(error, state) : 0;
}

int32_t end_open_output_record(TransferState& state, UnitBlock& unit) {
    constexpr uint32_t open_write = attr::nonadvancing_open | attr::last_was_write;
    if ((unit.attributes & open_write) != open_write) return status_ok;
    unit.attributes &= ~attr::nonadvancing_open;
    if (int32_t error = ensure_record_buffers(state)) return report_error(error, state);
    UnitBlock* const running = state.current_unit;
    const uint32_t present = state.present;
    state.current_unit = &unit;
    state.record.limit = 0;
    state.record.position = 0;
    state.present = (present & (pres::iostat | pres::err)) | pres::formatted;
    const int32_t error = append_chars(state.record, unit.pending_record.data, unit.pending_record.limit);
    unit.pending_record.limit = 0;
    unit.pending_record.position = 0;
    const int32_t status = error != 0 ? report_error(error, state) : end_output_record(state);
    state.present = present;
    state.current_unit = running;
    return status;
}

}  // namespace fio
