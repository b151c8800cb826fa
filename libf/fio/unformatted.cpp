// Unformatted item transfer: raw bytes into the record or straight to a byte-stream unit, with
// element-wise byte swapping on big-endian connections.
#include "libf/fio/unformatted.h"

#include <algorithm>
#include <cstring>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/record.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

constexpr int64_t max_record_bytes = 0x7FFFFFFF;
// Swapped copies for a byte stream are made in pieces of this size (a multiple of 8).
constexpr int32_t swap_chunk = 512;

bool big_endian(const UnitBlock& unit) { return has(unit.attributes, attr::big_endian); }

int64_t item_bytes(const TransferState& state) {
    if (state.item_length <= 0 || state.item_count <= 0) return 0;
    return static_cast<int64_t>(state.item_length) * state.item_count;
}

// Reverses every whole element of `size` bytes in place.
void swap_elements(char* data, int64_t n, int32_t size) {
    if (size <= 1) return;
    for (int64_t at = 0; at + size <= n; at += size) std::reverse(data + at, data + at + size);
}

int32_t report_unit_error(TransferState& state, const UnitBlock& unit) {
    return report_error(unit.last_error != 0 ? unit.last_error : err_internal, state);
}

int32_t append_to_record(TransferState& state, const char* source, int64_t n, int32_t swap) {
    RecordBuffer& record = state.record;
    if (static_cast<int64_t>(record.position) + n > max_record_bytes)
        return report_error(err_allocation, state);
    const int32_t start = record.position;
    if (int32_t error = append_chars(record, source, static_cast<int32_t>(n))) return report_error(error, state);
    swap_elements(record.data + start, n, swap);
    return 0;
}

int32_t write_to_stream(TransferState& state, UnitBlock& unit, const char* source, int64_t n,
                        int32_t swap) {
    char copy[swap_chunk];
    for (int64_t done = 0; done < n;) {
        const auto piece = static_cast<int32_t>(std::min<int64_t>(n - done, swap > 1 ? swap_chunk : max_record_bytes));
        const char* bytes = source + done;
        if (swap > 1) {
            std::memcpy(copy, bytes, static_cast<std::size_t>(piece));
            swap_elements(copy, piece, swap);
            bytes = copy;
        }
        if (unit_write_bytes(unit, bytes, piece) != 0) return report_unit_error(state, unit);
        done += piece;
    }
    return 0;
}

// Copies what the record still holds; 10038 when that is less than the item.
int32_t read_from_record(TransferState& state, char* target, int64_t n) {
    RecordBuffer& record = state.record;
    const int64_t left = std::max<int64_t>(static_cast<int64_t>(record.limit) - record.position, 0);
    const int64_t take = std::min(n, left);
    if (take > 0) std::memcpy(target, record.data + record.position, static_cast<std::size_t>(take));
    record.position += static_cast<int32_t>(take);
    return take < n ? report_error(err_past_record, state) : 0;
}

// Whole runs from the unit's block buffer; a single byte through the file layer refills it.
int32_t read_from_stream(TransferState& state, UnitBlock& unit, char* target, int64_t n) {
    int64_t done = 0;
    while (done < n) {
        const int64_t buffered = static_cast<int64_t>(unit.buffer_fill) - unit.buffer_pos;
        if (buffered > 0 && unit.buffer != nullptr) {
            const int64_t take = std::min(n - done, buffered);
            std::memcpy(target + done, unit.buffer + unit.buffer_pos, static_cast<std::size_t>(take));
            unit.buffer_pos += static_cast<int32_t>(take);
            done += take;
            continue;
        }
        const int got = unit_next_byte(unit, target[done]);
        if (got == 0) return report_end_of_file(state);
        if (got < 0) return report_unit_error(state, unit);
        ++done;
    }
    return 0;
}

}  // namespace

int32_t swap_element_size(int32_t item_type, int32_t item_length) {
    switch (item_type) {
        case item_logical2:
        case item_int2:
            return 2;
        case item_logical4:
        case item_int4:
            return item_length == 8 ? 8 : 4;  // 8-byte integers and logicals share these codes
        case item_real4:
        case item_complex8:
            return 4;
        case item_real8:
        case item_complex16:
            return 8;
        default:
            return 1;
    }
}

bool has_unformatted_records(const UnitBlock& unit) {
    return has(unit.attributes, attr::direct | attr::record_markers);
}

namespace {

// The bytes of the current item and how they are to move.
struct RawItem {
    UnitBlock* unit = nullptr;
    char* bytes = nullptr;
    int64_t size = 0;  // 0: nothing to transfer
    bool big = false;
};

// Checks shared by both directions. A structure on a byte-swapped unit is refused before
// anything is copied, so a structure being read keeps its value.
int32_t prepare_item(TransferState& state, RawItem& item) {
    if (state.terminated != 0) return 0;
    item.unit = state.current_unit;
    if (item.unit == nullptr) return report_error(err_internal, state);
    item.big = big_endian(*item.unit);
    if (item.big && state.item_type == item_structure) return report_error(err_endian_structure, state);
    const int64_t n = item_bytes(state);
    if (n == 0) return 0;
    if (state.item_address == nullptr) return report_error(err_internal, state);
    item.bytes = static_cast<char*>(state.item_address);
    item.size = n;
    return 0;
}

}  // namespace

int32_t write_unformatted_item(TransferState& state) {
    RawItem item;
    if (int32_t status = prepare_item(state, item); status != 0 || item.size == 0) return status;
    const int32_t swap = item.big ? swap_element_size(state.item_type, state.item_length) : 1;
    if (has_unformatted_records(*item.unit)) return append_to_record(state, item.bytes, item.size, swap);
    return write_to_stream(state, *item.unit, item.bytes, item.size, swap);
}

int32_t read_unformatted_item(TransferState& state) {
    RawItem item;
    if (int32_t status = prepare_item(state, item); status != 0 || item.size == 0) return status;
    const int32_t status = has_unformatted_records(*item.unit)
                               ? read_from_record(state, item.bytes, item.size)
                               : read_from_stream(state, *item.unit, item.bytes, item.size);
    if (status != 0) return status;
    if (item.big) swap_elements(item.bytes, item.size, swap_element_size(state.item_type, state.item_length));
    return 0;
}

int32_t transfer_unformatted_item(TransferState& state) {
    switch (statement_kind(state)) {
        case kind_write: return write_unformatted_item(state);
        case kind_read: return read_unformatted_item(state);
        default: return report_error(err_internal, state);
    }
}

}  // namespace fio
