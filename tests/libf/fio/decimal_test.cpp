#include "libf/fio/decimal.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "libf/fio/transfer_state.h"

namespace {

struct Digits {
    std::string text;  // the 20 characters before the NUL
    int32_t exponent;
};

// T is float (a 4-byte real) or double.
template <typename T>
Digits to_digits(T value, int32_t count, bool fixed) {
    char buffer[fio::digit_buffer_size];
    std::memset(buffer, '#', sizeof buffer);
    const int32_t type = sizeof(T) == 4 ? fio::item_real4 : fio::item_real8;
    const int32_t x = fio::real_to_digits(&value, buffer, count, fixed, type);
    EXPECT_EQ(buffer[20], '\0');
    return {std::string(buffer, 20), x};
}

template <typename T = double>
T read(const std::string& text, int32_t adjust = 0) {
    T result = -99;
    fio::digits_to_real(text.c_str(), &result, adjust,
                        sizeof(T) == 4 ? fio::item_real4 : fio::item_real8);
    return result;
}

// Expected digit strings are the exact decimal expansions of the scaled double (the digit
// loop is exact), worked out with Python's fractions module from the operands below.
TEST(RealToDigits, RoundsOnTheGeneratedDigits) {
    struct Case {
        double value;
        bool four_byte;
        int32_t count;
        bool fixed;
        std::string digits;  // compared over its own length
        int32_t exponent;
    };
    const Case cases[] = {
        // 1234.5 / 1000 is 1.23449999999999993... in double: the fifth digit is 4, no round up.
        {1234.5, true, 4, false, "12344999000000000000", 4},
        {1234.5, true, 3, false, "12344999", 4},
        // 9.96 to one decimal: the carry runs through both nines and out of the first digit.
        {9.96, false, 1, true, "100", 2},
        // 0.0004f widens to 0.000399999989895...; keep = 1 looks at the 3, so no rounding.
        {0.0004, true, 3, true, "39999998000000000000", -3},
        // keep = 0 in fixed mode: returned unrounded.
        {0.0004, true, 2, true, "39999998000000000000", -3},
        // 16.0625 / 10 is 1.606249999999999955... in double, so this tie rounds down.
        {16.0625, false, 3, true, "1606249999999999", 2},
        // 0.0625 * 100 = 6.25 exactly, so this tie rounds up.
        {0.0625, false, 3, true, "63", -1},
        // 0.95 * 10 rounds to exactly 9.5; rounding to one digit carries out: 0.1E1.
        {0.95, false, 1, false, "10", 1},
        {0.5, false, 0, true, "1", 1},
        // 0.0006 * 10^4 is 5.999...; keep = 1 rounds the first digit itself into a new one
        // (the digits after the inspected one are left as they are).
        {0.0006, false, 3, true, "1", -2},
    };
    for (const auto& c : cases) {
        const Digits d = c.four_byte ? to_digits(static_cast<float>(c.value), c.count, c.fixed)
                                     : to_digits(c.value, c.count, c.fixed);
        EXPECT_EQ(d.text.substr(0, c.digits.size()), c.digits) << c.value << " count " << c.count;
        EXPECT_EQ(d.exponent, c.exponent) << c.value << " count " << c.count;
    }
}

TEST(RealToDigits, RequestsBeyondTheGeneratedDigitsRoundByTheNextGeneratedDigit) {
    // 12345.678f is 12345.677734375: digits 12345677|7, the ninth rounds the eighth.
    Digits d = to_digits(12345.678f, 3, true);
    EXPECT_EQ(d.text, "12345678000000000000");
    EXPECT_EQ(d.exponent, 5);
    // 1e12f is 999999995904: digits 99999999|5 carry out of the first digit.
    d = to_digits(1e12f, 8, false);
    EXPECT_EQ(d.text, "10000000000000000000");
    EXPECT_EQ(d.exponent, 13);
    // The smallest 4-byte subnormal widens to 2^-149 = 1.40129846432...e-45.
    d = to_digits(std::numeric_limits<float>::denorm_min(), 8, false);
    EXPECT_EQ(d.text, "14012985000000000000");
    EXPECT_EQ(d.exponent, -44);
    // 0.1 is 0.1000000000000000055...: sixteen digits and a 0 that does not round.
    d = to_digits(0.1, 20, false);
    EXPECT_EQ(d.text, "10000000000000000000");
    EXPECT_EQ(d.exponent, 0);
}

TEST(RealToDigits, TinyValuesWhoseEstimateIsOneTooHigh) {
    // 2^-877 = 9.92416103329609567...e-265 and 2^-681 = 9.96719495109756753...e-206: the
    // exponent estimate gives a scaled value below 1. The powers of ten built by squaring
    // are a few units high, so only the leading digits are compared.
    const Digits a = to_digits(0x1p-877, 15, false);
    EXPECT_EQ(a.text.substr(0, 12), "992416103329");
    EXPECT_EQ(a.exponent, -264);
    const Digits b = to_digits(0x1p-681, 15, false);
    EXPECT_EQ(b.text.substr(0, 12), "996719495109");
    EXPECT_EQ(b.exponent, -205);
}

TEST(RealToDigits, SpecialValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string zeros(20, '0');
    struct Case {
        double value;
        std::string text;
    };
    const Case cases[] = {
        {inf, "INF                 "},
        {-inf, "INF                 "},
        {nan, "NaN                 "},
        {-nan, "NaN                 "},
        {0.0, zeros},
        {-0.0, zeros},
        {std::numeric_limits<double>::denorm_min(), zeros},
        {std::nextafter(std::numeric_limits<double>::min(), 0.0), zeros},  // largest subnormal
    };
    for (const auto& c : cases) {
        const Digits d = to_digits(c.value, 5, false);
        EXPECT_EQ(d.text, c.text) << c.value;
        EXPECT_EQ(d.exponent, 0) << c.value;
    }
    EXPECT_EQ(to_digits(std::numeric_limits<float>::infinity(), 5, false).text, "INF                 ");
    EXPECT_EQ(to_digits(std::numeric_limits<float>::quiet_NaN(), 5, false).text,
              "NaN                 ");
}

TEST(DigitsToReal, ReadsTheFieldForms) {
    struct Case {
        const char* text;
        int32_t adjust;
        double expected;
    };
    const Case cases[] = {
        {"1.5E2", 0, 150.0},  {"1.5D2", 0, 150.0}, {"1.5e+2", 0, 150.0},
        {"1.5+2", 0, 150.0},  {"15E1", 0, 150.0},  {"1.5d2", 0, 150.0},
        {"-.5", 0, -0.5},     {".5E", 0, 0.5},     {"+7", 0, 7.0},
        {" 7", 0, 7.0},       {"1.5-3", 0, 0.0015}, {"15", -1, 1.5},
        {"15E1", -1, 15.0},  // an exponent in the field and an adjustment both count
        {"1.5X7", 0, 1.5},    {"12,3", 0, 12.0},   {"2.", 0, 2.0},
        {"1.0000", 0, 1.0},
        // The pending zeros are applied up to the accumulator's limit: 10^19 / 10^19.
        {"1.000000000000000000000000001", 0, 1.0},
        // Python: 1.0 / 1e30 (10^30 built by squaring rounds like the literal 1e30).
        {"0.000000000000000000000000000001", 0, 1.0 / 1e30},
    };
    for (const auto& c : cases) EXPECT_EQ(read(c.text, c.adjust), c.expected) << c.text;
    EXPECT_EQ(read<float>("0.1"), 0.1f);
    EXPECT_EQ(read<float>("-2.5E-3"), -0.0025f);
}

TEST(DigitsToReal, LongMantissasStayWithinSixtyFourBits) {
    // Expected values: the accumulator truncated to 53 significant bits (Python:
    // a >> (n - 53) << (n - 53)) then scaled by the exact power of ten.
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        // 2^64 - 1 fits exactly; truncation to 53 bits gives 2^64 - 2^11.
        {"18446744073709551615", 18446744073709549568.0},
        // One more does not fit: the last digit only raises the exponent, and
        // 1844674407370955161 truncates to 1844674407370955008, times 10 rounds as above.
        {"18446744073709551616", 18446744073709549568.0},
        // A 20th digit that would overflow 64 bits although the first 19 are below the old
        // high-word bound 429496730 x 2^32.
        {"18446744075000000000", 1.8446744075e19},
        {"123456789012345678901234", 1.2345678901234567e+23},
        {"0.12345678901234567890123", 0.12345678901234568},
    };
    for (const auto& c : cases) EXPECT_EQ(read(c.text), c.expected) << c.text;
}

TEST(DigitsToReal, ZeroInfinityNaNAndExtremeExponents) {
    struct Case {
        const char* text;
        double expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"0", 0.0},   {"0.0", 0.0}, {"-0", -0.0}, {"", 0.0},   {"-", -0.0},
        {"0E99999", 0.0}, {"-0.000", -0.0},
        {"INF", inf}, {"-Infinity", -inf}, {"i", inf},
        {"1E400", inf}, {"-1E400", -inf},
        {"1E4294967297", inf},  // saturates instead of wrapping to 10^1
        {"1E-4294967297", 0.0},
        {"1E-99999", 0.0},
    };
    for (const auto& c : cases) {
        const double got = read(c.text);
        EXPECT_EQ(got, c.expected) << c.text;
        EXPECT_EQ(std::signbit(got), std::signbit(c.expected)) << c.text;
    }
    EXPECT_TRUE(std::isnan(read("NaN")));
    EXPECT_TRUE(std::isnan(read("n")));
    EXPECT_TRUE(std::signbit(read("-NaN")));
    EXPECT_FALSE(std::signbit(read("NaN")));

    // A 4-byte target gets 4-byte results and nothing beyond them is written.
    struct SingleCase {
        const char* text;
        uint32_t bits;
    };
    const SingleCase singles[] = {
        {"INF", 0x7f800000u},   // 4-byte infinity
        {"-0", 0x80000000u},
        {"1E39", 0x7f800000u},  // beyond the 4-byte range
        {"1.5", 0x3fc00000u},
    };
    for (const auto& c : singles) {
        unsigned char raw[8];
        std::memset(raw, 0xAB, sizeof raw);
        fio::digits_to_real(c.text, raw, 0, fio::item_complex8);
        uint32_t bits;
        std::memcpy(&bits, raw, sizeof bits);
        EXPECT_EQ(bits, c.bits) << c.text;
        for (int i = 4; i < 8; ++i) EXPECT_EQ(raw[i], 0xAB) << c.text;
    }
    const float nan4 = read<float>("-nan");
    EXPECT_TRUE(std::isnan(nan4) && std::signbit(nan4));
}

TEST(DigitsToReal, TinyExponentsAreScaledInTwoSteps) {
    // 10^309 alone overflows. The powers are built by squaring (10^308 comes out a few units
    // high), so the result is within a few units of the last place, not exact.
    const double a = read("2.5E-308");
    EXPECT_NEAR(a, 2.5e-308, 1e-15 * 2.5e-308);
    const double b = read("1E-320");  // subnormal
    EXPECT_NEAR(b, 1e-320, 3 * std::numeric_limits<double>::denorm_min());
    EXPECT_NEAR(read("123456789E-330"), 1.23456789e-322,
                3 * std::numeric_limits<double>::denorm_min());
}

TEST(PowerOfTen, ByRepeatedSquaring) {
    EXPECT_EQ(fio::power_of_ten(0), 1.0);
    EXPECT_EQ(fio::power_of_ten(1), 10.0);
    EXPECT_EQ(fio::power_of_ten(-2), 0.01);  // 1 / 100, correctly rounded
    EXPECT_EQ(fio::power_of_ten(22), 1e22);
    EXPECT_EQ(fio::power_of_ten(309), std::numeric_limits<double>::infinity());
    EXPECT_EQ(fio::power_of_ten(INT32_MAX), std::numeric_limits<double>::infinity());
    EXPECT_EQ(fio::power_of_ten(INT32_MIN), 0.0);
    // 10^308 = 10^4 * 10^16 * 10^32 * 10^256; the products round upward by about 3 units.
    EXPECT_NEAR(fio::power_of_ten(308), 1e308, 1e-15 * 1e308);
}

// The text "0.D1D2...E<x>" of the first `digits` digits.
std::string as_text(const Digits& d, int digits) {
    return "0." + d.text.substr(0, static_cast<size_t>(digits)) + "E" + std::to_string(d.exponent);
}

TEST(RoundTrip, DigitsReadBackWithinTheirPrecision) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        // Random bit patterns cover every exponent; subnormals and specials are skipped.
        const double value = std::bit_cast<double>(random());
        if (!std::isnormal(value)) continue;
        const Digits d = to_digits(value, 17, false);
        const double back = std::copysign(read(as_text(d, 16)), value);
        // Sixteen rounded digits hold the value to 5e-16 of itself; the powers of ten built
        // by squaring add a few units of 2^-53 on each side (about 1e-15 in all).
        ASSERT_LE(std::fabs(back - value), 2e-15 * std::fabs(value))
            << std::hexfloat << value << " " << d.text << "E" << d.exponent;
    }
    for (int i = 0; i < 200000; ++i) {
        const auto value = std::bit_cast<float>(static_cast<uint32_t>(random()));
        if (!std::isnormal(value)) continue;
        const Digits d = to_digits(value, 9, false);
        const double back = std::copysign(read(as_text(d, 8)), value);
        // Eight digits: half a unit of the eighth digit is at most 5e-8 of the value.
        ASSERT_LE(std::fabs(back - value), 5.0001e-8 * std::fabs(value))
            << std::hexfloat << value << " " << d.text << "E" << d.exponent;
        // Read back as a 4-byte real it is the value or a neighbour (8 digits cannot
        // always pin one of 2^24 significands).
        const float single = read<float>(as_text(d, 8));
        ASSERT_LE(std::fabs(single - std::fabs(value)),
                  std::nextafter(std::fabs(value), INFINITY) - std::fabs(value))
            << std::hexfloat << value;
    }
}

}  // namespace
