// Helpers shared by the tests.
#include "tests/support/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

#include "libf/fio/errors.h"
#include "libf/fio/program_end.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/heap.h"
#include "libf/fio/transfer_state.h"

namespace test_support {

namespace {

struct CaptureData {
    std::vector<ConsoleWrite> writes;
    std::string input;
    int polls = 0;
    std::vector<int32_t> exits;
};

CaptureData g_capture;

int32_t capture_read(char* buffer, int32_t count) {
    std::string& input = g_capture.input;
    std::size_t n = input.find('\n');
    n = n == std::string::npos ? input.size() : n + 1;
    if (n > static_cast<std::size_t>(count)) n = static_cast<std::size_t>(count);
    input.copy(buffer, n);
    input.erase(0, n);
    return static_cast<int32_t>(n);
}

int32_t capture_write(const char* buffer, int32_t* count, int32_t selector) {
    g_capture.writes.emplace_back(selector, std::string(buffer, static_cast<std::size_t>(*count)));
    return 1;
}

void capture_exit(int32_t code) { g_capture.exits.push_back(code); }
void capture_poll() { ++g_capture.polls; }

}  // namespace

TempDir::TempDir() {
    previous_ = std::filesystem::current_path().string();
    std::string pattern = (std::filesystem::temp_directory_path() / "fio-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    std::filesystem::current_path(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

ConsoleCapture::ConsoleCapture() {
    g_capture = CaptureData{};
    fio::install_console_callbacks({capture_read, capture_write, capture_exit, capture_poll});
}

ConsoleCapture::~ConsoleCapture() { fio::install_console_callbacks(fio::default_console_hooks()); }

void ConsoleCapture::type(const std::string& text) { g_capture.input += text; }

const std::vector<ConsoleWrite>& ConsoleCapture::writes() const { return g_capture.writes; }

std::string ConsoleCapture::text(int32_t selector) const {
    std::string joined;
    for (const auto& [s, bytes] : g_capture.writes)
        if (s == selector) joined += bytes;
    return joined;
}

int ConsoleCapture::polls() const { return g_capture.polls; }

const std::vector<int32_t>& ConsoleCapture::exits() const { return g_capture.exits; }

void ConsoleCapture::clear() {
    g_capture.writes.clear();
    g_capture.exits.clear();
    g_capture.polls = 0;
}

void reset_transfer_state() {
    fio::TransferState& state = fio::transfer_state();
    fio::close_all_units(state);
    fio::free_mem(state.imaginary.data);
    fio::free_mem(state.compiled_format);
    fio::free_mem(state.gathered_internal);
    fio::free_mem(state.gathered_format);
    state = fio::TransferState{};
    fio::install_console_callbacks(fio::default_console_hooks());
}

std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool file_exists(const std::string& name) { return std::filesystem::exists(name); }

fio::TransferState& statement(fio::StatementKind kind, int32_t unit) {
    fio::TransferState& s = fio::transfer_state();
    s.statement_flags = kind;
    s.options = fio::opt::status_codes | fio::opt::unit_by_value;
    s.unit_spec = unit;
    return s;
}

void start_internal_read(fio::TransferState& state, std::string& storage, const std::vector<std::string>& lines,
                         uint32_t present, uint32_t options, int32_t* iostat) {
    std::size_t length = 0;
    for (const std::string& line : lines) length = std::max(length, line.size());
    storage.clear();
    for (const std::string& line : lines) storage += line + std::string(length - line.size(), ' ');
    state.terminated = 0;
    state.statement_flags = 0;
    *iostat = 0;
    fio::set_statement_kind(state, fio::kind_read);
    state.present = fio::pres::formatted | fio::pres::iostat | fio::pres::unit | present;
    state.options = fio::opt::status_codes | fio::opt::internal_file | options;
    state.iostat_var = iostat;
    fio::UnitBlock& unit = state.internal_unit;
    unit = fio::UnitBlock{};
    unit.attributes = fio::attr::readable | fio::attr::writable | fio::attr::internal | fio::attr::pad_yes;
    unit.buffer = storage.data();
    unit.buffer_size = unit.record_length = static_cast<int32_t>(length);
    unit.block_number = static_cast<int32_t>(lines.size());
    unit.tab_size = 8;
    state.current_unit = &unit;
}

void set_item(fio::TransferState& state, int32_t type, int32_t length, void* address, int32_t count) {
    state.item_type = type;
    state.item_length = length;
    state.item_count = count;
    state.item_address = address;
}

}  // namespace test_support
