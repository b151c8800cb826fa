// Fixed-length character values: blank-padded assignment, concatenation, comparison, trimming.
#pragma once

#include <cstdint>

namespace libf {

void assign_chars(char* dest, int32_t dest_length, const char* source, int32_t source_length);
int32_t concat_chars(const char* first, int32_t first_length, const char* second,
                     int32_t second_length, char* dest, int32_t capacity);
bool chars_equal(const char* a, int32_t a_length, const char* b, int32_t b_length);
bool chars_not_equal(const char* a, int32_t a_length, const char* b, int32_t b_length);
int32_t trimmed_copy(const char* source, char* dest, int32_t source_length, int32_t dest_length);
int32_t trimmed_length(const char* value, int32_t length);

}  // namespace libf
