#include "libf/intrinsics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

TEST(Intrinsics, ShiftIsLogicalAndZeroFromThirtyTwoOn) {
    struct Case {
        uint32_t value;
        int32_t count;
        uint32_t expected;
    };
    const Case cases[] = {
        {1u, 31, 0x80000000u},
        {1u, 32, 0u},
        {0x80000000u, -31, 1u},
        {0x80000000u, -1, 0x40000000u},   // zeros enter at the top, not the sign
        {0xffffffffu, 4, 0xfffffff0u},
        {0xffffffffu, -4, 0x0fffffffu},
        {0x12345678u, 0, 0x12345678u},
        {0xffffffffu, -32, 0u},
        {0xffffffffu, INT32_MIN, 0u},     // |count| is not representable
        {0xffffffffu, INT32_MAX, 0u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(libf::shift_bits(c.value, c.count), c.expected) << c.value << " by " << c.count;
}

TEST(Intrinsics, IntegerPower) {
    struct Case {
        double base;
        int32_t exponent;
        double expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {2.0, -2, 0.25},
        {0.0, 0, 1.0},
        {inf, 0, 1.0},
        {3.0, 5, 243.0},
        {-2.0, 3, -8.0},
        {-2.0, -3, -0.125},
        {10.0, 22, 1e22},          // every partial product is exact up to 10^22
        {0.0, -1, inf},
        {2.0, 1023, 0x1p1023},
        {2.0, -1074, 0.0},         // 2^1074 overflows on the way, so 1 / inf
        {1.0, INT32_MIN, 1.0},     // terminates: the magnitude 2^31 is unsigned
        {2.0, INT32_MIN, 0.0},
        {-1.0, INT32_MAX, -1.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(libf::integer_power(c.base, c.exponent), c.expected) << c.base << "^" << c.exponent;
    }
}

}  // namespace
