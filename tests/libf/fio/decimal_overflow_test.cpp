// Reading reals next to the largest 8-byte real: a value below it must stay finite although the
// power of ten that scales it is a few units too large in its last place.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "libf/fio/decimal.h"
#include "libf/fio/transfer_state.h"

namespace {

TEST(DecimalOverflow, ValuesNextToTheLargestReal) {
    constexpr double largest = std::numeric_limits<double>::max();
    constexpr double inf = std::numeric_limits<double>::infinity();
    // Expected values: the correctly rounded conversions of the same texts.
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"0.1797693134862315E309", 1.797693134862315e+308},
        {"1.7976931348623157E308", largest},
        {"1.7976931348623158E308", largest},
        {"1.797693134862316E308", inf},
        {"-1.797693134862316E308", -inf},
        {"1E400", inf},
        {"1E4294967297", inf},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        double value = 0;
        fio::digits_to_real(c.text, &value, 0, fio::item_real8);
        if (std::isinf(c.expected)) {
            EXPECT_EQ(value, c.expected);
        } else {
            // Within two units in the last place, as the scaling allows elsewhere.
            EXPECT_TRUE(std::isfinite(value));
            EXPECT_NEAR(value, c.expected, 2 * (largest - std::nextafter(largest, 0.0)));
        }
    }
}

}  // namespace
