// Helpers shared by the tests: temporary directories, capturing console callbacks, state reset.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "libf/fio/transfer_state.h"

namespace test_support {

// Creates a fresh directory, makes it the working directory, and on destruction returns to
// the previous one and removes the directory with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

// One call of the console write callback: the selector (-11 output, -12 error) and the bytes.
using ConsoleWrite = std::pair<int32_t, std::string>;

// Installs console callbacks that record every write and serve reads from a queue; the
// default callbacks come back on destruction. Only one may exist at a time.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    // Queues typed input; each read call returns one line (through its line feed) at most.
    void type(const std::string& text);
    const std::vector<ConsoleWrite>& writes() const;
    // Bytes written with one selector, joined.
    std::string text(int32_t selector) const;
    int polls() const;
    // Exit codes passed to the exit callback, in order.
    const std::vector<int32_t>& exits() const;
    void clear();
};

// Closes and releases every unit, frees the statement's buffers, zeroes the statement record
// and restores the default console callbacks.
void reset_transfer_state();

// The statement record set up for a statement of `kind` on unit number `unit` (by value).
fio::TransferState& statement(fio::StatementKind kind, int32_t unit);

// `state` set up for a READ with IOSTAT= from an internal file whose records are `lines`,
// blank-padded to the longest as a character array's elements are; `storage` holds the file.
// The caller adds the statement's format or list-directed begin step.
void start_internal_read(fio::TransferState& state, std::string& storage, const std::vector<std::string>& lines,
                         uint32_t present, uint32_t options, int32_t* iostat);
// The next item of the statement: its type code, length, element count and address.
void set_item(fio::TransferState& state, int32_t type, int32_t length, void* address, int32_t count = 1);

// Reads a whole file (binary); "" when it cannot be read.
std::string read_file(const std::string& name);
void write_file(const std::string& name, const std::string& bytes);
bool file_exists(const std::string& name);

}  // namespace test_support
