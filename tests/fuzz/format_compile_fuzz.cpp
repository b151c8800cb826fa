// Format compilation of arbitrary bytes. The first byte chooses where a NUL goes inside the
// passed length (none when it is 0); a compiled program must be a well-formed byte code that
// ends inside its own length.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "libf/fio/format.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Length of the byte-code entry at code[i] (see format.h), or 0 for an unknown code.
int32_t entry_length(const uint8_t* code, int32_t i) {
    switch (code[i]) {
    case fio::edit_i: case fio::edit_b: case fio::edit_o: case fio::edit_z: case fio::edit_f:
        return 7;
    case fio::edit_e: case fio::edit_es: case fio::edit_en: case fio::edit_g: case fio::edit_d:
        return 9;
    case fio::edit_l: case fio::edit_a: return 5;
    case fio::edit_t: case fio::edit_tl: case fio::edit_tr: case fio::edit_x: case fio::edit_p:
    case fio::edit_slash: case fio::edit_group_begin:
        return 3;
    case fio::edit_string: return 3 + (code[i + 1] << 8 | code[i + 2]);
    case fio::edit_group_end: case fio::edit_sp: case fio::edit_ss: case fio::edit_bn:
    case fio::edit_bz: case fio::edit_colon: case fio::edit_dollar: case fio::edit_q:
        return 1;
    default: return 0;
    }
}

void check_byte_code(const fio::TransferState& state) {
    const uint8_t* code = state.format_code;
    const int32_t length = state.format_code_length;
    if (code == nullptr || length < 1) std::abort();
    int32_t i = 0;
    int depth = 0;
    while (code[i] != fio::edit_end) {
        if (code[i] == fio::edit_group_begin) ++depth;
        if (code[i] == fio::edit_group_end && --depth < 0) std::abort();
        // An entry's operands must lie inside the program, before its end byte.
        if (code[i] == fio::edit_string && i + 3 > length) std::abort();
        const int32_t n = entry_length(code, i);
        if (n == 0 || i + n >= length) std::abort();
        i += n;
    }
    if (depth != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4096) return 0;
    fuzz::fresh_state();
    const uint8_t nul_at = data[0];
    const auto length = static_cast<int32_t>(size - 1);
    // An exact-size copy: the compiler must not read past the passed length.
    std::unique_ptr<char[]> text(new char[static_cast<std::size_t>(length)]);
    std::memcpy(text.get(), data + 1, static_cast<std::size_t>(length));
    if (nul_at != 0 && length > 0) text[(nul_at - 1) % length] = '\0';
    fio::TransferState& state = fio::transfer_state();
    const int32_t status = fio::compile_format(text.get(), length, state);
    if (status == 0) {
        check_byte_code(state);
    } else if (state.compiled_format != nullptr) {
        std::abort();  // nothing stays allocated after an error
    }
    fio::free_format(state);
    return 0;
}
