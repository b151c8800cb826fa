// Input editing: cutting fields out of the input record and converting them into items.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// One item of a formatted READ (every element of state.item_address). Returns a statement status.
int32_t read_item(TransferState& state);

// Performs a position or control descriptor (code above 12) of a READ; also used by the end of
// the statement for the descriptors left in the format. Returns a statement status.
int32_t perform_input_control(TransferState& state, int32_t code);

// The conversions below work on a NUL-terminated value text held in a RecordBuffer (`limit` is
// its length; normally state.work) and are shared with list-directed input. Each returns 0 or
// the result of report_error.

// I, B, O, Z: base 10, 2, 8 or 16 into an integer of `size` bytes (1, 2, 4, or 8 sign-extended).
int32_t input_integer(TransferState& state, RecordBuffer& field, int32_t base, void* address,
                      int32_t size);
// F, E, D, ES, EN, G: `digits` is d for the implied decimal point (0: none) and `scale` the
// scale factor k (list-directed input passes 0 for both; with digits 0 the field's buffer is
// never reallocated). A real item_type chooses the result's layout; any other type takes a real
// of its size (4, 8, or extended for 12 or 16 bytes).
int32_t input_real(TransferState& state, RecordBuffer& field, int32_t digits, int32_t scale,
                   void* address, int32_t item_type, int32_t size);
// L: never an error.
void input_logical(const RecordBuffer& field, void* address, int32_t size);
// A: `width` is the field width w; a field shorter than w counts as padded with blanks, and a
// field wider than the item gives its rightmost characters. List-directed values, which give
// their leftmost characters, pass width = min(field.limit, length).
void input_character(const RecordBuffer& field, int32_t width, char* target, int32_t length);

// Pieces of the conversions, for callers that need only a step.
// Drops leading blanks; later blanks become '0' (blank_zero, unless the field starts with I or
// N after its sign) or are removed. Works in place, keeps the NUL; returns the new length.
int32_t clean_numeric_field(char* text, int32_t length, bool blank_zero);
// Cleaned text to a 32-bit value that wraps on overflow. Returns 0 or err_numeric_input (10016).
int32_t parse_integer(const char* text, int32_t base, uint32_t& value);
// Stores into 1, 2 or 4 bytes (low-order bytes) or 8 bytes (sign-extended). Returns 0 or 10022.
int32_t store_integer(void* address, int32_t size, int32_t value);
bool logical_value(const char* text, int32_t length);

}  // namespace fio
