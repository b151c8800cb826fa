// Numeric helpers that compiled code calls directly.
#pragma once

#include <cstdint>

namespace libf {

// Logical shift on 32 bits: left for count >= 0, right for count < 0; |count| >= 32 gives 0.
uint32_t shift_bits(uint32_t value, int32_t count);
double integer_power(double base, int32_t exponent);

}  // namespace libf
