// Conversion between IEEE reals and decimal digit strings, on the bits of the value with a
// 64-bit integer mantissa and one scaling by a power of ten.
#include "libf/fio/decimal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "libf/fio/transfer_state.h"
#include "libf/intrinsics.h"

namespace fio {

namespace {

constexpr int digit_count = 20;
constexpr uint64_t fraction_mask = (uint64_t{1} << 52) - 1;
constexpr uint64_t hidden_bit = uint64_t{1} << 52;
constexpr uint64_t sign_bit = uint64_t{1} << 63;
constexpr int32_t largest_single_power = 308;  // 10^308 is the largest finite power of ten
constexpr int64_t exponent_limit = 1'000'000'000;  // saturation point of decimal exponents

bool is_four_byte(int32_t type) { return type == item_real4 || type == item_complex8; }

int32_t biased_exponent(uint64_t bits) { return static_cast<int32_t>((bits >> 52) & 0x7ff); }

int32_t high_word(double value) {
    return static_cast<int32_t>(std::bit_cast<uint64_t>(value) >> 32);
}

void fill_special(char* buffer, const char* name) {
    std::memcpy(buffer, name, 3);
    std::memset(buffer + 3, ' ', digit_count - 3);
    buffer[digit_count] = '\0';
}

// Scales the magnitude into [1, 10) and returns x with magnitude = scaled * 10^(x - 1).
int32_t scale_to_one_digit(double& scaled, int32_t exponent) {
    // floor((E - 1023) * log10 2) in 16-bit fixed point.
    int32_t x = (exponent * 19728 - 20181744) >> 16;
    if (x > 0) scaled /= power_of_ten(x);
    if (x < 0) scaled *= power_of_ten(-x);
    if (high_word(scaled) < high_word(10.0)) {
        x += 1;
    } else {
        scaled /= 10.0;
        x += 2;
    }
    // The estimate runs one too high for a few tiny values (near 1e-205 and 1e-264).
    if (scaled < 1.0) {
        scaled *= 10.0;
        x -= 1;
    }
    return x;
}

// Writes `count` digits of a value in [1, 10) and returns the digit that would follow them.
char generate_digits(double scaled, char* buffer, int count) {
    const uint64_t bits = std::bit_cast<uint64_t>(scaled);
    // Fixed point: the integer part sits in the four bits above the 52 fraction bits.
    uint64_t fixed_point = ((bits & fraction_mask) | hidden_bit) << (biased_exponent(bits) - 1023);
    char next = '0';
    for (int i = 0; i <= count; ++i) {
        const char digit = static_cast<char>('0' + (fixed_point >> 52));
        if (i < count) buffer[i] = digit; else next = digit;
        fixed_point &= fraction_mask;
        fixed_point = (fixed_point << 2) + fixed_point;  // times 5, then times 2
        fixed_point <<= 1;
    }
    return next;
}

// Adds one unit at digit `last` (0-based), carrying leftwards; returns true when the carry
// ran out of the first digit.
bool round_up_from(char* buffer, int last) {
    for (int i = last; i >= 0; --i) {
        if (buffer[i] != '9') {
            ++buffer[i];
            return false;
        }
        buffer[i] = '0';
    }
    buffer[0] = '1';
    return true;
}

}  // namespace

double power_of_ten(int32_t n) { return libf::integer_power(10.0, n); }

int32_t real_to_digits(const void* value, char* buffer, int32_t count, bool fixed, int32_t type) {
    double magnitude;
    if (is_four_byte(type)) {
        float single;
        std::memcpy(&single, value, sizeof single);
        magnitude = single;
    } else {
        std::memcpy(&magnitude, value, sizeof magnitude);
    }
    const uint64_t bits = std::bit_cast<uint64_t>(magnitude) & ~sign_bit;
    const int32_t exponent = biased_exponent(bits);
    if (exponent == 2047) {
        fill_special(buffer, (bits & fraction_mask) == 0 ? "INF" : "NaN");
        return 0;
    }
    std::memset(buffer, '0', digit_count);
    buffer[digit_count] = '\0';
    if (exponent == 0) return 0;

    double scaled = std::bit_cast<double>(bits);
    int32_t x = scale_to_one_digit(scaled, exponent);
    const int generated = is_four_byte(type) ? 8 : 16;
    const char next = generate_digits(scaled, buffer, generated);

    int64_t keep = int64_t{count} + 1;
    if (fixed) keep += x;
    if (keep <= 0) return x;
    if (keep > generated) {
        // More digits asked for than generated: round the last generated digit by the next
        // one of the same loop; the positions beyond stay "0".
        if (next >= '5' && round_up_from(buffer, generated - 1)) ++x;
        return x;
    }
    const int inspected = static_cast<int>(keep) - 1;
    if (buffer[inspected] < '5') return x;
    buffer[inspected] = '0';
    if (round_up_from(buffer, inspected - 1)) ++x;
    return x;
}

namespace {

// Text cursor of digits_to_real.
struct Scan {
    const char* p;
    bool digit() const { return *p >= '0' && *p <= '9'; }
    int value() const { return *p - '0'; }
};

// True when acc * 10 + digit still fits in 64 bits.
bool fits(uint64_t acc, int digit) {
    return acc <= (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(digit)) / 10;
}

struct Mantissa {
    uint64_t acc = 0;
    int64_t exponent = 0;  // decimal exponent counted while reading digits
    bool full = false;     // a digit did not fit: later digits are not accumulated

    void integer_digit(int digit) {
        if (!full && fits(acc, digit)) {
            acc = acc * 10 + static_cast<uint64_t>(digit);
        } else {
            full = true;
            if (exponent < exponent_limit) ++exponent;
        }
    }
    // Fraction zeros wait until a nonzero digit shows they matter.
    void fraction_digit(int digit, int64_t& pending_zeros) {
        if (digit == 0) {
            ++pending_zeros;
            return;
        }
        for (; pending_zeros > 0 && !full; --pending_zeros) accumulate_fraction(0);
        pending_zeros = 0;
        accumulate_fraction(digit);
    }
    void accumulate_fraction(int digit) {
        if (full || !fits(acc, digit)) {
            full = true;
            return;
        }
        acc = acc * 10 + static_cast<uint64_t>(digit);
        --exponent;
    }
};

int64_t read_exponent(Scan& s) {
    if (*s.p == 'E' || *s.p == 'e' || *s.p == 'D' || *s.p == 'd') ++s.p;
    bool negative = false;
    if (*s.p == '+' || *s.p == '-') negative = *s.p++ == '-';
    int64_t value = 0;
    for (; s.digit(); ++s.p) {
        value = value * 10 + s.value();
        if (value > exponent_limit) value = exponent_limit;
    }
    return negative ? -value : value;
}

// The leading 1 of acc moved to bit 52 (bits shifted out on the right are dropped).
double mantissa_to_double(uint64_t acc) {
    const int left_shift = std::countl_zero(acc) - 11;
    const uint64_t normal = left_shift >= 0 ? acc << left_shift : acc >> -left_shift;
    const auto biased = static_cast<uint64_t>(1075 - left_shift);
    return std::bit_cast<double>((biased << 52) | (normal & fraction_mask));
}

// 10^n in extended precision, by the same squaring.
long double extended_power_of_ten(int64_t n) {
    long double x = 10.0L;
    long double power = 1.0L;
    for (; n > 0; n >>= 1) {
        if (n & 1) power *= x;
        x *= x;
    }
    return power;
}

double scale_by_power_of_ten(double value, int64_t t) {
    if (t > 0) {
        const double scaled = value * power_of_ten(static_cast<int32_t>(t));
        if (!std::isinf(scaled)) return scaled;
        // The power's rounding error (a few units in its last place) must not carry a value
        // just below the largest real into infinity: decide overflow in extended precision.
        return static_cast<double>(static_cast<long double>(value) * extended_power_of_ten(t));
    }
    if (t < -largest_single_power) {
        // 10^|t| alone would overflow: divide in two steps so tiny values survive.
        value /= power_of_ten(static_cast<int32_t>(-t - largest_single_power));
        t = -largest_single_power;
    }
    if (t < 0) return value / power_of_ten(static_cast<int32_t>(-t));
    return value;
}

void store(void* result, double value, int32_t type) {
    if (is_four_byte(type)) {
        const auto single = static_cast<float>(value);
        std::memcpy(result, &single, sizeof single);
    } else {
        std::memcpy(result, &value, sizeof value);
    }
}

}  // namespace

void digits_to_real(const char* text, void* result, int32_t exponent_adjust, int32_t type) {
    Scan s{text};
    while (*s.p == ' ') ++s.p;
    bool negative = false;
    if (*s.p == '+' || *s.p == '-') negative = *s.p++ == '-';
    // copysign, not a product: a product need not carry the sign onto a NaN.
    auto signed_value = [negative](double v) { return std::copysign(v, negative ? -1.0 : 1.0); };

    const char first = *s.p;
    if (first == 'I' || first == 'i') {
        store(result, signed_value(std::numeric_limits<double>::infinity()), type);
        return;
    }
    if (first == 'N' || first == 'n') {
        store(result, signed_value(std::numeric_limits<double>::quiet_NaN()), type);
        return;
    }

    Mantissa m;
    for (; s.digit(); ++s.p) m.integer_digit(s.value());
    if (*s.p == '.') {
        ++s.p;
        int64_t pending_zeros = 0;
        for (; s.digit(); ++s.p) m.fraction_digit(s.value(), pending_zeros);
    }
    const int64_t exponent_value = read_exponent(s);

    if (m.acc == 0) {
        store(result, signed_value(0.0), type);
        return;
    }
    const int64_t t = std::clamp(int64_t{exponent_adjust} + exponent_value + m.exponent,
                                 -2 * exponent_limit, 2 * exponent_limit);
    const double magnitude = scale_by_power_of_ten(mantissa_to_double(m.acc), t);
    store(result, signed_value(magnitude), type);
}

}  // namespace fio
