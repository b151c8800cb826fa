// Shared pieces of the fuzz targets: a quiet console, a fresh statement record per input, and a
// byte reader that splits one input into the pieces a target needs.
#pragma once

#include "libf/array_descriptor.h"

#include <vector>

#include <memory>

#include <algorithm>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "libf/fio/errors.h"
#include "libf/fio/program_end.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/heap.h"
#include "libf/fio/transfer_state.h"

namespace fuzz {

// Text that the console read callback serves, one line (through its line feed) per call.
inline std::string& console_input() {
    static std::string input;
    return input;
}

inline int32_t console_read(char* buffer, int32_t count) {
    std::string& input = console_input();
    std::size_t n = input.find('\n');
    n = n == std::string::npos ? input.size() : n + 1;
    if (n > static_cast<std::size_t>(count)) n = static_cast<std::size_t>(count);
    input.copy(buffer, n);
    input.erase(0, n);
    return static_cast<int32_t>(n);
}

inline int32_t console_write(const char*, int32_t*, int32_t) { return 1; }

// Every statement of a target carries IOSTAT=, so the run-time must never end the process.
inline void console_exit(int32_t code) {
    std::fprintf(stderr, "run-time ended the process with %d\n", code);
    std::abort();
}

inline void console_poll() {}

// Called at the start of every input: the state of the previous input is released.
inline void fresh_state() {
    fio::TransferState& state = fio::transfer_state();
    fio::close_all_units(state);
    fio::free_mem(state.imaginary.data);
    fio::free_mem(state.compiled_format);
    fio::free_mem(state.gathered_internal);
    fio::free_mem(state.gathered_format);
    state = fio::TransferState{};
    fio::install_console_callbacks({console_read, console_write, console_exit, console_poll});
    console_input().clear();
}

// Takes the input apart from the front.
struct Reader {
    const uint8_t* data;
    std::size_t size;

    bool empty() const { return size == 0; }
    uint8_t byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    template <class T>
    T value() {
        T v{};
        const std::size_t n = size < sizeof v ? size : sizeof v;
        std::memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
    // Bytes up to the next `end` (dropped), or the rest.
    std::string_view until(uint8_t end) {
        const void* hit = std::memchr(data, end, size);
        const std::size_t n = hit ? static_cast<std::size_t>(static_cast<const uint8_t*>(hit) - data) : size;
        std::string_view piece(reinterpret_cast<const char*>(data), n);
        const std::size_t used = hit ? n + 1 : n;
        data += used;
        size -= used;
        return piece;
    }
    std::string_view rest() {
        std::string_view piece(reinterpret_cast<const char*>(data), size);
        data += size;
        size = 0;
        return piece;
    }
};

// An internal file built from the input's lines: one exact-size block of records, each
// blank-padded to the longest line, so a read past it is caught.
struct InternalFile {
    std::unique_ptr<char[]> records;
    libf::ArrayDescriptor array{};

    InternalFile(Reader& in, std::size_t max_records) {
        std::vector<std::string_view> lines;
        while (!in.empty() && lines.size() < max_records) lines.push_back(in.until('\n'));
        if (lines.empty()) lines.emplace_back();
        std::size_t width = 1;
        for (auto line : lines) width = std::max(width, line.size());
        const std::size_t total = width * lines.size();
        records.reset(new char[total]);
        std::memset(records.get(), ' ', total);
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (!lines[i].empty()) std::memcpy(records.get() + i * width, lines[i].data(), lines[i].size());
        const auto element_length = static_cast<int32_t>(width);
        array.base = reinterpret_cast<std::intptr_t>(records.get());
        array.type_word = libf::make_type_word(libf::class_character, 1);
        array.element_length = element_length;
        array.flags = libf::make_flags(1, 0);
        array.dimensions[0] = {1, static_cast<int32_t>(lines.size()), element_length};
    }
};

}  // namespace fuzz
