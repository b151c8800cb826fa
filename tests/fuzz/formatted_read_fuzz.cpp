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

libf::ArrayDescriptor character_array(char* base, int32_t element_length, int32_t count) {
    libf::ArrayDescriptor d{};
    d.base = reinterpret_cast<std::intptr_t>(base);
    d.type_word = libf::make_type_word(libf::class_character, 1);
    d.element_length = element_length;
    d.flags = libf::make_flags(1, 0);
    d.dimensions[0] = {1, count, element_length};
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    fuzz::fresh_state();
    fuzz::Reader in{data, size};
    const std::string format(in.until(0));
    std::vector<std::string_view> lines;
    while (!in.empty() && lines.size() < max_records) lines.push_back(in.until('\n'));
    if (lines.empty()) lines.emplace_back();
    std::size_t width = 1;
    for (auto line : lines) width = std::max(width, line.size());

    // One exact-size block of records.
    const std::size_t total = width * lines.size();
    std::unique_ptr<char[]> records(new char[total]);
    std::memset(records.get(), ' ', total);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!lines[i].empty()) std::memcpy(records.get() + i * width, lines[i].data(), lines[i].size());
    const libf::ArrayDescriptor file =
        character_array(records.get(), static_cast<int32_t>(width), static_cast<int32_t>(lines.size()));
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
