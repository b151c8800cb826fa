// Block operations between a unit and the outside world: POSIX files and the console callbacks.
#pragma once

#include <cstdint>
#include <string>

#include "libf/fio/transfer_state.h"

namespace fio {

// The console callback table. write returns non-zero on success.
struct ConsoleHooks {
    int32_t (*read)(char* buffer, int32_t count);
    int32_t (*write)(const char* buffer, int32_t* count, int32_t selector);
    void (*exit)(int32_t code);
    void (*poll)();
};

void install_console_callbacks(const ConsoleHooks& hooks);
const ConsoleHooks& console_hooks();
ConsoleHooks default_console_hooks();

// File status and action for open_file.
enum class OpenStatus { old_file, new_file };
enum class OpenAction { read, write, readwrite };

// Sets handle, base_offset and tab_size on success; last_error on failure.
void open_file(UnitBlock& unit, OpenStatus status, OpenAction action, bool append);
// -1 when the file does not exist or cannot be examined; 0 for anything not a regular file.
int64_t file_size(UnitBlock& unit);
bool is_char_device(const UnitBlock& unit);
void seek(UnitBlock& unit, int64_t offset);
void read_block(UnitBlock& unit);
void write_block(UnitBlock& unit);
int32_t truncate_after_write(UnitBlock& unit);
int32_t close_file(UnitBlock& unit, bool remove);
// Creates a unique empty file "FOR..." in the temporary directory; returns its name, or "" on failure.
std::string scratch_name();
int32_t tab_size_from_environment();

void write_error_text(const char* text, int32_t length);
void write_output_text(const char* text, int32_t length);
// Calls the poll callback.
void poll_console();

// Byte-level access used by the record layer.
// Copies n bytes into the unit's block buffer, writing full blocks. Returns 0 or sets last_error and returns it.
int32_t unit_write_bytes(UnitBlock& unit, const char* data, int32_t n);
// Writes out the unit's buffered data (sequential) or its block (direct access).
int32_t flush_unit(UnitBlock& unit);
// Next byte of a sequential unit: 1 and the byte, 0 at end of file, -1 on an error (last_error set).
int unit_next_byte(UnitBlock& unit, char& byte);
// Positions a direct-access unit at record_number for a READ (for_read) or WRITE.
// Returns 0, -1 at end of file, or an error number in last_error.
int32_t position_direct_record(UnitBlock& unit, bool for_read);
// Gives the bytes of the record last read back to the file, so that a WRITE replaces that
// record. The count is what the record really took, terminator included, whatever its line
// end. A device cannot be repositioned and is left alone. Returns 0 or the system error.
int32_t reposition_to_read_record(UnitBlock& unit);
// Writes a direct-access block back to its place.
int32_t write_back_direct_block(UnitBlock& unit);

}  // namespace fio
