// Conversion between IEEE reals and decimal digit strings.
#pragma once

#include <cstdint>

namespace fio {

constexpr int digit_buffer_size = 21;  // 20 digits and a NUL

// value points at a 4-byte real (type 9 or 12) or an 8-byte real (any other type).
// Fills buffer with 20 digit characters and a NUL and returns the decimal exponent x of 0.D1D2...
int32_t real_to_digits(const void* value, char* buffer, int32_t count, bool fixed, int32_t type);
// text: NUL-terminated cleaned field. Stores a 4-byte real for types 9 and 12, else an 8-byte real.
void digits_to_real(const char* text, void* result, int32_t exponent_adjust, int32_t type);
double power_of_ten(int32_t n);

}  // namespace fio
