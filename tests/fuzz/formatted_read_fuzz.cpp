// A formatted READ of integer, real, character and logical items from record text taken from
// the input, with a fuzzed format. Input: the format text up to a NUL, then the records of the
// internal file, one per line (blank-padded to the longest).
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

constexpr std::size_t max_records = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    fuzz::fresh_state();
    fuzz::Reader in{data, size};
    const std::string format(in.until(0));
    const fuzz::InternalFile internal(in, max_records);
    const libf::ArrayDescriptor& file = internal.array;
    std::unique_ptr<char[]> text(new char[format.size()]);
    if (!format.empty()) std::memcpy(text.get(), format.data(), format.size());

    int32_t i4 = 0;
    int16_t i2 = 0;
    int64_t i8 = 0;
    float r4 = 0;
    double r8 = 0;
    int32_t l4 = 0;
    std::complex<double> z16;
    char c[7];
    int32_t iostat = -12345;
    const fio::Control control{.unit = fio::internal_file(file),
                               .format = fio::Format(std::string_view(text.get(), format.size())),
                               .iostat = &iostat};
    const int32_t status = fio::read(control).run(
        {fio::item(i4), fio::item(r4), fio::item(c, 7), fio::logical(l4), fio::item(i2),
         fio::item(r8), fio::item(i8), fio::item(z16)});
    if ((status == 0) != (iostat == 0)) std::abort();
    return 0;
}
