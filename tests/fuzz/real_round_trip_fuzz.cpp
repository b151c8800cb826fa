// Real output and input round trip. For a 4- or 8-byte real taken from the input's bits, the
// digits of the conversion (real_to_digits, and ESw.d output through a WRITE) read back
// (digits_to_real, and ESw.d input through a READ) must give a value within the precision the
// digits carry. Input: a control byte (type, fixed mode), the digit count, the bits.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "libf/fio/decimal.h"
#include "libf/fio/io_calls.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Slack for the binary scaling inside both conversions: a few units in the last place of the
// 8-byte value.
constexpr double scaling_slack = 0x1p-49;

[[noreturn]] void fail(const char* what, double value, double back, const std::string& text) {
    std::fprintf(stderr, "%s: %.17g read back as %.17g from \"%s\"\n", what, value, back, text.c_str());
    std::abort();
}

bool same_special(double value, double back) {
    if (std::isnan(value)) return std::isnan(back);
    return back == value;
}

// The digits the conversion keeps: `count` significant ones, or `count` after the point.
void check_digits(double value, const void* bits, int32_t type, int32_t count, bool fixed) {
    char digits[fio::digit_buffer_size];
    const int32_t x = fio::real_to_digits(bits, digits, count, fixed, type);
    if (digits[fio::digit_buffer_size - 1] != '\0') std::abort();
    if (std::isinf(value) || std::isnan(value)) {
        if (std::string(digits, 3) != (std::isinf(value) ? "INF" : "NaN")) fail("special", value, 0, digits);
        return;
    }
    const int generated = type == fio::item_real4 ? 8 : 16;
    const int64_t kept = std::clamp<int64_t>(fixed ? int64_t{count} + x : count, 0, generated);
    std::string text = "0." + std::string(digits, static_cast<std::size_t>(kept)) + "E" + std::to_string(x);
    double back = 0;
    fio::digits_to_real(text.c_str(), &back, 0, fio::item_real8);
    const double magnitude = std::fabs(value);
    // Rounding up to the shown digits can pass the largest real ("0.2E309"): infinity then.
    if (std::isinf(back) && std::strtold(text.c_str(), nullptr) > std::numeric_limits<double>::max()) return;
    if (magnitude < 0x1p-1022 && type == fio::item_real8) {
        // Subnormal 8-byte values convert as zero.
        if (back != 0) fail("subnormal", value, back, text);
        return;
    }
    // The last kept digit's place: count after the point, or count significant digits, and
    // never finer than the generated digits.
    const int64_t last_place = std::max<int64_t>(fixed ? -int64_t{count} : int64_t{x} - count, int64_t{x} - generated);
    const double half_unit = 0.5 * std::pow(10.0, static_cast<double>(last_place));
    const double tolerance = half_unit * (1 + 1e-9) + magnitude * scaling_slack;
    if (!(std::fabs(back - magnitude) <= tolerance)) fail("digits", value, back, text);
}

// ESw.d out through an internal WRITE and in through an internal READ of the same format.
void check_edited(double value, int32_t type, int32_t d) {
    const int32_t w = d + 12;
    const std::string format = "(ES" + std::to_string(w) + "." + std::to_string(d) + ")";
    char record[64];
    int32_t iostat = 0;
    const float single = static_cast<float>(value);
    const fio::Item out = type == fio::item_real4 ? fio::item(single) : fio::item(value);
    const int32_t written = fio::write({.unit = fio::internal_file(record, w), .format = fio::Format(format),
                                        .iostat = &iostat}).run({out});
    const std::string text(record, static_cast<std::size_t>(w));
    if (written != 0 || iostat != 0) fail("ES output failed", value, 0, text);
    double back = 0;
    float back_single = 0;
    const fio::Item in = type == fio::item_real4 ? fio::item(back_single) : fio::item(back);
    const int32_t read = fio::read({.unit = fio::internal_file(record, w), .format = fio::Format(format),
                                    .iostat = &iostat}).run({in});
    if (read != 0 || iostat != 0) fail("ES input failed", value, 0, text);
    if (type == fio::item_real4) back = back_single;
    if (std::isinf(value) || std::isnan(value)) {
        if (!same_special(value, back)) fail("ES special", value, back, text);
        return;
    }
    const double magnitude = std::fabs(value);
    if (magnitude < 0x1p-1022 && type == fio::item_real8) return;
    // d + 1 significant digits, at most as many as the conversion generates; a 4-byte result
    // adds its own rounding when stored.
    const int generated = type == fio::item_real4 ? 8 : 16;
    const int kept = std::min(d + 1, generated);
    if (std::isinf(back)) {
        // Only a value that rounds up past the largest real may come back as infinity.
        const double half_unit = 0.5 * std::pow(10.0, std::floor(std::log10(magnitude)) + 1 - kept);
        const double largest = type == fio::item_real4 ? std::numeric_limits<float>::max()
                                                       : std::numeric_limits<double>::max();
        if (!(magnitude + half_unit * 1.000001 > largest)) fail("ES overflow", value, back, text);
        return;
    }
    const double larger = std::max(magnitude, std::fabs(back));
    const double leading = larger == 0 ? 0 : std::floor(std::log10(larger) + 1e-12);
    double tolerance = 0.5 * std::pow(10.0, leading + 1 - kept) * (1 + 1e-9) + magnitude * scaling_slack;
    // Storing into a 4-byte real rounds once more, by an absolute step for subnormals.
    if (type == fio::item_real4) tolerance += std::max(magnitude * 0x1p-23, 0x1p-149);
    if (!(std::fabs(std::fabs(back) - magnitude) <= tolerance)) fail("ES digits", value, back, text);
    if (magnitude != 0 && back != 0 && std::signbit(back) != std::signbit(value)) fail("ES sign", value, back, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 64) return 0;
    fuzz::fresh_state();
    fuzz::Reader in{data, size};
    const uint8_t control = in.byte();
    const int32_t count = in.byte() % 24;
    const bool four_byte = (control & 1) != 0;
    const bool fixed = (control & 2) != 0;
    if (four_byte) {
        const auto value = in.value<float>();
        check_digits(value, &value, fio::item_real4, count, fixed);
        check_edited(value, fio::item_real4, std::clamp(count, 1, 20));
    } else {
        const auto value = in.value<double>();
        check_digits(value, &value, fio::item_real8, count, fixed);
        check_edited(value, fio::item_real8, std::clamp(count, 1, 20));
    }
    return 0;
}
