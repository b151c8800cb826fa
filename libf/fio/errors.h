// Run-time error report and the conditions a statement ends with.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

// Run-time error numbers with fixed messages.
enum ErrorNumber : int32_t {
    err_not_open_for_read = 10000,
    err_not_open_for_write = 10001,
    err_file_not_found = 10002,
    err_bad_recl = 10003,
    err_allocation = 10004,
    err_bad_iolist = 10005,
    err_format = 10006,
    err_repeat_count = 10007,
    err_hollerith = 10008,
    err_missing_paren = 10009,
    err_unmatched_parens = 10010,
    err_unmatched_quotes = 10011,
    err_non_repeatable = 10012,
    err_end_of_file = 10013,
    err_bad_file = 10014,
    err_group_overflow = 10015,
    err_numeric_input = 10016,
    err_no_record = 10017,
    err_max_record = 10018,
    err_type_mismatch = 10022,
    err_bad_record_number = 10023,
    err_internal_use = 10024,
    err_recl_not_direct = 10025,
    err_block_not_unformatted = 10026,
    err_truncate = 10027,
    err_structure = 10028,
    err_negative_unit = 10029,
    err_open_mismatch = 10030,
    err_implicit_direct = 10031,
    err_new_exists = 10032,
    err_unit_type = 10033,
    err_endian = 10036,
    err_endian_structure = 10037,
    err_past_record = 10038,
    err_past_record_nonadvancing = 10039,
    err_advance = 10040,
    err_delim = 10041,
    err_pad = 10042,
    err_size_advance = 10043,
    err_eor_advance = 10044,
    err_already_allocated = 10047,
    err_internal = 10048,
    err_record_too_long = 10060,
    err_advance_not_allowed = 10061,
    err_pad_unformatted = 10064,
    err_runtime_memory = 10070,
};

// Indexes of the table of errors raised outside I/O statements.
enum OutsideError : int32_t {
    outside_unknown = 0,
    outside_select_case = 1,
    outside_array_bounds = 2,
    outside_divide_by_zero = 3,
    outside_underflow = 4,
    outside_operand = 5,
    outside_overflow = 6,
    outside_stack = 7,
};

// Message of a run-time error (10000-10070), or null.
const char* runtime_error_message(int32_t number);

// Returns 1 when ERR= or IOSTAT= takes the error; otherwise reports and ends the process.
int32_t report_error(int32_t number, TransferState& state);
// An error raised outside I/O statements, by its index in the table of such errors.
int32_t report_outside_error(int32_t index, TransferState& state);
// A run-time error raised outside any statement (ALLOCATE, a program's own limits): reported
// without a statement line, and no IOSTAT= or ERR= of an earlier statement takes it.
[[noreturn]] void report_error_outside_statement(int32_t number);
// An error code of the support library, mapped to its run-time error.
[[noreturn]] void report_library_error(int32_t code);

// Statement status protocol: end of file and end of record (return 1, 2 or 3, or end the process).
int32_t report_end_of_file(TransferState& state);
int32_t report_end_of_record(TransferState& state);

// Stores a value in the IOSTAT= variable with the statement's iostat_width.
void store_iostat(TransferState& state, int32_t value);

void error_line(const char* text);

}  // namespace fio
