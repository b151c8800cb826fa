// List-directed READ of integer, real, character, logical and complex items from record text
// taken from the input: several records, repeat counts, quotes, slashes, parentheses. The first
// byte chooses the source (the console, or an internal file of records) and how many READ
// statements run; the rest is the text, one record per line.
#include <algorithm>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "libf/fio/io_calls.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::size_t max_records = 32;

struct Items {
    int32_t i4 = 0;
    int8_t i1 = 0;
    int64_t i8 = 0;
    float r4 = 0;
    double r8 = 0;
    int32_t l4 = 0;
    bool l1 = false;
    std::complex<float> z8;
    std::complex<double> z16;
    char c[9];
    int32_t v[3] = {};
};

// One READ statement; a reported error must show in IOSTAT=.
int32_t read_items(fio::Unit unit, Items& x, int shape) {
    int32_t iostat = -12345;
    libf::ArrayDescriptor array{};
    array.base = reinterpret_cast<std::intptr_t>(x.v);
    array.type_word = libf::make_type_word(libf::class_integer, 4);
    array.element_length = 32;
    array.flags = libf::make_flags(1, 0);
    array.dimensions[0] = {1, 3, 1};
    const fio::Control control{.unit = unit, .iostat = &iostat};
    int32_t status;
    if (shape == 0) {
        status = fio::read(control).run({fio::item(x.i4), fio::item(x.r4), fio::item(x.c, 9),
                                         fio::logical(x.l4), fio::item(x.z8), fio::item(x.r8)});
    } else if (shape == 1) {
        status = fio::read(control).run({fio::item(x.z16), fio::item(x.i1), fio::item(array),
                                         fio::item(x.i8), fio::item(x.l1), fio::item(x.c, 9)});
    } else {
        // The analysis's shape: items in the begin call, the end in a call of its own.
        fio::Statement s = fio::read(control);
        s.begin({fio::item(x.c, 9), fio::item(x.r8)});
        s.items({fio::item(x.z8), fio::item(array)});
        status = s.end();
    }
    if ((status == 0) != (iostat == 0)) std::abort();
    return iostat;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    fuzz::fresh_state();
    fuzz::Reader in{data, size};
    const uint8_t mode = in.byte();
    const int statements = 1 + (mode >> 1 & 3);
    Items x;
    if ((mode & 1) == 0) {
        // The console: each record is one typed line; text without a final line feed ends it.
        fuzz::console_input().assign(in.rest());
        for (int i = 0; i < statements; ++i)
            if (read_items(fio::STAR, x, (mode >> 3 & 3) + i) < 0) break;
        return 0;
    }
    const fuzz::InternalFile internal(in, max_records);
    const libf::ArrayDescriptor& file = internal.array;
    // Each statement starts again at the first record of the internal file.
    for (int i = 0; i < statements; ++i) read_items(fio::internal_file(file), x, (mode >> 3 & 3) + i);
    return 0;
}
