// Numeric helpers that compiled code calls directly: bit shift and integer power.
#include "libf/intrinsics.h"

namespace libf {

uint32_t shift_bits(uint32_t value, int32_t count) {
    // Tested without taking |count|, which would overflow for the most negative count.
    if (count >= 32 || count <= -32) return 0;
    return count >= 0 ? value << count : value >> -count;
}

double integer_power(double base, int32_t exponent) {
    if (exponent == 0) return 1.0;
    // Unsigned magnitude: -2147483648 has no positive int32 counterpart.
    uint32_t m = exponent < 0 ? 0u - static_cast<uint32_t>(exponent)
                              : static_cast<uint32_t>(exponent);
    double x = base;
    double accumulator = 1.0;
    double power;
    for (;;) {
        if (m == 1) {
            power = x * accumulator;
            break;
        }
        if (m & 1u) accumulator *= x;
        x *= x;
        m >>= 1;
    }
    return exponent < 0 ? 1.0 / power : power;
}

}  // namespace libf
