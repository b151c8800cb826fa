// A formatted WRITE of integer, real, character and logical items into an internal file, with
// the format taken from the input. Input: the internal file's length, the item values, then
// the format text.
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "libf/fio/io_calls.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    fuzz::fresh_state();
    fuzz::Reader in{data, size};
    const int32_t length = in.byte() + 1;
    const auto i4 = in.value<int32_t>();
    const auto i2 = in.value<int16_t>();
    const auto i8 = in.value<int64_t>();
    const auto r4 = in.value<float>();
    const auto r8 = in.value<double>();
    const auto l4 = in.value<int32_t>();
    const auto z8 = std::complex<float>(in.value<float>(), in.value<float>());
    char c[6];
    for (char& ch : c) ch = static_cast<char>(in.byte());
    const std::string_view format = in.rest();

    // Exact sizes: the run-time must stay inside the internal file and the format text.
    std::unique_ptr<char[]> record(new char[static_cast<std::size_t>(length)]);
    std::unique_ptr<char[]> text(new char[format.size()]);
    if (!format.empty()) std::memcpy(text.get(), format.data(), format.size());
    int32_t iostat = -12345;
    const fio::Control control{.unit = fio::internal_file(record.get(), length),
                               .format = fio::Format(std::string_view(text.get(), format.size())),
                               .iostat = &iostat};
    const int32_t status = fio::write(control).run(
        {fio::item(i4), fio::item(r8), fio::item(c, 6), fio::logical(l4), fio::item(i2),
         fio::item(r4), fio::item(i8), fio::item(z8)});
    // Success and IOSTAT= must agree: no failure passed off as success.
    if ((status == 0) != (iostat == 0)) std::abort();
    return 0;
}
