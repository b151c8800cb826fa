// Run-time error report and the conditions a statement ends with: IOSTAT=, end of file, end of
// record.
#include "libf/fio/errors.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "libf/fio/file_layer.h"
#include "libf/fio/program_end.h"

namespace fio {

namespace {

constexpr int32_t first_runtime_error = 10000;

constexpr std::array<const char*, 71> runtime_messages = {
    "File not open for read",
    "File not open for write",
    "File not found",
    "Record length negative or 0",
    "Buffer allocation failed",
    "Bad iolist specifier",
    "Error in format string",
    "Illegal repeat count",
    "Hollerith count exceeds remaining format string",
    "Format string missing opening (",
    "Format string has unmatched parens",
    "Format string has unmatched quotes",
    "Non-repeatable format descriptor",
    "Attempt to read past end of file",
    "Bad file specification",
    "Format group table overflow",
    "Illegal character in numeric input",
    "No record specified for direct access",
    "Maximum record number exceeded",
    "Illegal file type for namelist directed I/O",
    "Illegal input for namelist directed I/O",
    "Variable not present in current namelist",
    "Variable type or size does not match edit descriptor",
    "Illegal direct access record number",
    "Illegal use of internal file",
    "RECL= only valid for direct access files",
    "BLOCK= only valid for unformatted sequential files",
    "Unable to truncate file after rewind, backspace, or endfile",
    "Entire structures can only be read/written with unformatted I/O",
    "Negative unit specifiers are not permitted",
    "Specifications in OPEN statement must match currently open file",
    "Cannot implicitly open for direct access -- record length unknown",
    "Status 'NEW' specified for an existing file",
    "Command not allowed for unit type",
    "TAVO is required for that feature",
    "Bad specification for window",
    "Endian specifier not BIG_ENDIAN or LITTLE_ENDIAN",
    "Cannot ENDIAN convert entire structures",
    "Attempt to read past end of record",
    "Attempt to read past end of record in non-advancing I/O",
    "Illegal specifier for ADVANCE=",
    "Illegal specifier for DELIM=",
    "Illegal specifier for PAD=",
    "SIZE= specified with ADVANCE=YES",
    "EOR= specified with ADVANCE=YES",
    "Cannot DEALLOCATE disassociated pointer or unallocated array",
    "Cannot DEALLOCATE a portion of an original allocation",
    "An allocatable array has already been allocated",
    "Internal or unknown runtime library error",
    "Unknown data type passed to runtime library",
    "Illegal DIM argument to array intrinsic",
    "Size of SOURCE argument to RESHAPE smaller than SHAPE array",
    "SHAPE array for RESHAPE contains a negative value",
    "Unallocated or disassociated array passed to inquiry function",
    "The ncopies argument to REPEAT is negative",
    "The S argument to NEAREST is negative",
    "The ORDER argument to RESHARE is contains an illegal value",
    "Result of TRANSFER with no SIZE is smaller than source",
    "SHAPE array for RESHAPE is zero sized array",
    "VECTOR argument to UNPACK contains insufficient values",
    "Attempt to write a record longer than specified record length",
    "ADVANCE= specified for direct access or unformatted file",
    "NAMELIST name is longer than specified record length",
    "NAMELIST variable name exceeds maximum length",
    "PAD= specified for unformatted file",
    "NAMELIST input contains multiple strided arrays",
    "Expected & or $ as first character for NAMELIST input",
    "NAMELIST group does not match current input group",
    "Pointer or allocatable array not associated or allocated",
    "NAMELIST input contains negative array stride",
    "Runtime memory allocation fails",
};

constexpr std::array<const char*, 8> outside_messages = {
    "Unknown Error",
    "No match for select case",
    "Array boundary error",
    "Floating point divide by zero",
    "Floating point underflow",
    "Floating point operand error",
    "Floating point overflow",
    "Unable to increase stack",
};

constexpr std::array<const char*, 8> statement_names = {
    "REWIND", "BACKSPACE", "OPEN", "CLOSE", "INQUIRE", "READ", "WRITE", "ENDFILE",
};

struct LibraryCode {
    int32_t code;
    int32_t error;
};

constexpr std::array<LibraryCode, 12> library_codes = {{
    {1205, 10070}, {1223, 10049}, {1405, 10050}, {1408, 10051}, {1409, 10052}, {1410, 10053},
    {1414, 10054}, {1415, 10055}, {1417, 10056}, {1418, 10057}, {1419, 10058}, {1420, 10059},
}};

void write_text(std::string_view text) {
    write_error_text(text.data(), static_cast<int32_t>(text.size()));
}

std::string_view decimal(int64_t value, char (&buffer)[24]) {
    const int n = std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return {buffer, static_cast<std::size_t>(n)};
}

// Text of an operating-system code, or its number when the system has none.
void system_error_line(int32_t code) {
    const char* text = strerrordesc_np(code);
    char buffer[24];
    if (text == nullptr) text = decimal(code, buffer).data();
    error_line(text);
}

void statement_line(const TransferState& state) {
    std::string line = "? ";
    line += statement_names[statement_kind(state)];
    line += "(UNIT=";
    write_text(line);
    char buffer[24];
    std::string unit;
    if ((state.options & opt::internal_file) != 0) {
        unit = "INTERNAL";
    } else {
        const int32_t number = statement_unit_number(state);
        unit = number == -1 ? std::string_view("*") : decimal(number, buffer);
    }
    unit += ",...\n";
    write_text(unit);
}

void source_line(const TransferState& state) {
    if (state.source_line == 0) return;
    char buffer[24];
    std::string number(decimal(state.source_line, buffer));
    number += '\n';
    write_text("File ");
    write_text(state.source_file != nullptr ? state.source_file : "");
    write_text("; Line ");
    write_text(number);
}

// For a READ that reached the lines of a formatted sequential file, the line it failed in:
// the line it was reading, or the one it had read. A READ that met the end of the file after a
// whole last line names that line instead.
std::string input_line_text(int32_t number, const TransferState& state) {
    constexpr uint32_t not_lines = attr::console | attr::internal | attr::unformatted | attr::direct;
    const UnitBlock* unit = state.current_unit;
    if ((state.statement_flags & sflag::file_line_wanted) == 0 || statement_kind(state) != kind_read ||
        unit == nullptr || unit->file_name == nullptr || (unit->attributes & not_lines) != 0)
        return {};
    char buffer[24];
    std::string text = "? ";
    if ((state.statement_flags & sflag::file_line_read) != 0) {
        text += "At line ";
        text += decimal(unit->record_number, buffer);
    } else if (number == err_end_of_file && unit->record_bytes == 0) {
        text += "At end of file after line ";
        text += decimal(unit->record_number, buffer);
    } else {
        text += "At line ";
        text += decimal(static_cast<int64_t>(unit->record_number) + 1, buffer);
    }
    text += " of ";
    text += unit->file_name;
    text += '\n';
    return text;
}

[[noreturn]] void write_report_and_exit(int32_t number, TransferState& state) {
    begin_program_end();
    // Taken before the units close: closing frees the file name.
    const std::string input_line = (state.statement_flags & sflag::outside_io) != 0 ? std::string()
                                                                                   : input_line_text(number, state);
    close_all_units(state);
    if ((state.statement_flags & sflag::outside_io) != 0) {
        const bool known = number >= 0 && number < static_cast<int32_t>(outside_messages.size());
        error_line("FORTRAN Runtime Error:");
        error_line(outside_messages[known ? number : 0]);
    } else {
        if (const char* message = runtime_error_message(number)) {
            error_line("FORTRAN Runtime Error:");
            error_line(message);
        } else {
            error_line("System Error:");
            system_error_line(number);
        }
        if ((state.statement_flags & sflag::omit_statement_line) == 0) statement_line(state);
    }
    source_line(state);
    if (!input_line.empty()) write_text(input_line);
    exit_process(-1);
}

}  // namespace

const char* runtime_error_message(int32_t number) {
    const int64_t index = static_cast<int64_t>(number) - first_runtime_error;
    if (index < 0 || index >= static_cast<int64_t>(runtime_messages.size())) return nullptr;
    return runtime_messages[static_cast<std::size_t>(index)];
}

int32_t report_error(int32_t number, TransferState& state) {
    if (closing_all_units()) return status_error;
    free_format(state);
    if (number == err_end_of_file)
        store_iostat(state, -1);
    else if (number == err_past_record_nonadvancing)
        store_iostat(state, -2);
    else
        store_iostat(state, number);
    if ((state.present & pres::err) != 0) {
        finish_statement(state);
        return status_error;
    }
    if ((state.present & pres::iostat) != 0) {
        state.terminated = 1;
        finish_statement(state);
        return status_error;
    }
    write_report_and_exit(number, state);
}

int32_t report_outside_error(int32_t index, TransferState& state) {
    start_outside_statement(state);
    state.statement_flags |= sflag::outside_io;
    return report_error(index, state);
}

void report_error_outside_statement(int32_t number) {
    TransferState& state = transfer_state();
    start_outside_statement(state);
    report_error(number, state);
    exit_process(-1);
}

void report_library_error(int32_t code) {
    int32_t error = err_internal;
    for (const LibraryCode& entry : library_codes)
        if (entry.code == code) error = entry.error;
    // The unit of whatever statement ran last may be long gone, so no statement line.
    report_error_outside_statement(error);
}

void store_iostat(TransferState& state, int32_t value) {
    if ((state.present & pres::iostat) == 0 || state.iostat_var == nullptr) return;
    switch (state.iostat_width) {
        case 1: {
            const auto byte = static_cast<int8_t>(value);  // -1 lands as 255, -2 as 254
            std::memcpy(state.iostat_var, &byte, 1);
            break;
        }
        case 2: {
            const auto half = static_cast<int16_t>(value);
            std::memcpy(state.iostat_var, &half, 2);
            break;
        }
        default: std::memcpy(state.iostat_var, &value, 4); break;
    }
}

int32_t report_end_of_file(TransferState& state) {
    store_iostat(state, -1);
    if ((state.present & pres::end) == 0) return report_error(err_end_of_file, state);
    finish_statement(state);
    return status_end;
}

int32_t report_end_of_record(TransferState& state) {
    if (UnitBlock* u = state.current_unit) {
        u->attributes &= ~attr::nonadvancing_open;
        if ((state.present & pres::size) != 0 && state.size_var != nullptr) {
            // Positions consumed by this statement, as on the normal end of the statement.
            const int32_t moved = state.record.position - u->pending_record.position;
            *state.size_var = moved > 0 ? moved : 0;
        }
    }
    store_iostat(state, -2);
    if ((state.options & opt::eor) == 0) return report_error(err_past_record_nonadvancing, state);
    finish_statement(state);
    return status_eor;
}

void error_line(const char* text) {
    std::string line = "? ";
    line += text != nullptr ? text : "";
    line += '\n';
    write_text(line);
}

}  // namespace fio
