// Fixed-length character values: blank-padded assignment, concatenation, comparison, trimming.
#include "libf/character.h"

#include <algorithm>
#include <cstring>

namespace libf {

namespace {

constexpr char blank = ' ';

// A negative length from compiled code describes an empty value.
int32_t length_of(int32_t length) { return length < 0 ? 0 : length; }

// Length of the first `length` bytes without their trailing blanks.
int32_t unpadded_length(const char* value, int32_t length) {
    while (length > 0 && value[length - 1] == blank) --length;
    return length;
}

bool all_blank(const char* value, int32_t length) {
    return unpadded_length(value, length) == 0;
}

}  // namespace

void assign_chars(char* dest, int32_t dest_length, const char* source, int32_t source_length) {
    const int32_t ld = length_of(dest_length);
    const int32_t ls = length_of(source_length);
    if (ld == 0) return;
    const int32_t copied = std::min(ld, ls);
    // The padding never lies inside the source when the destination starts inside it, and
    // memmove copies from the end in that case, so the backward case is preserved.
    if (copied > 0) std::memmove(dest, source, static_cast<size_t>(copied));
    if (ld > copied) std::memset(dest + copied, blank, static_cast<size_t>(ld - copied));
}

int32_t concat_chars(const char* first, int32_t first_length, const char* second,
                     int32_t second_length, char* dest, int32_t capacity) {
    const int64_t l1 = length_of(first_length);
    const int64_t l2 = length_of(second_length);
    const int64_t cap = length_of(capacity);
    const auto stored = static_cast<int32_t>(std::min(l1 + l2, cap));
    const auto from_first = static_cast<int32_t>(std::min<int64_t>(l1, stored));
    const int32_t from_second = stored - from_first;
    if (from_first > 0) std::memmove(dest, first, static_cast<size_t>(from_first));
    if (from_second > 0)
        std::memmove(dest + from_first, second, static_cast<size_t>(from_second));
    return stored;
}

bool chars_equal(const char* a, int32_t a_length, const char* b, int32_t b_length) {
    const int32_t la = length_of(a_length);
    const int32_t lb = length_of(b_length);
    const int32_t common = std::min(la, lb);
    if (common > 0 && std::memcmp(a, b, static_cast<size_t>(common)) != 0) return false;
    return la > lb ? all_blank(a + common, la - common) : all_blank(b + common, lb - common);
}

bool chars_not_equal(const char* a, int32_t a_length, const char* b, int32_t b_length) {
    return !chars_equal(a, a_length, b, b_length);
}

int32_t trimmed_copy(const char* source, char* dest, int32_t source_length, int32_t dest_length) {
    const int32_t part = std::min(length_of(source_length), length_of(dest_length));
    const int32_t kept = unpadded_length(source, part);
    if (kept > 0) std::memmove(dest, source, static_cast<size_t>(kept));
    return kept;
}

int32_t trimmed_length(const char* value, int32_t length) {
    return unpadded_length(value, length_of(length));
}

}  // namespace libf
