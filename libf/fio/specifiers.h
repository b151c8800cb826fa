// Text specifiers of OPEN, CLOSE and INQUIRE: normalising, matching keywords, filling answers.
#pragma once

#include <cstdint>
#include <string_view>

#include "libf/fio/transfer_state.h"

namespace fio {

constexpr int specifier_buffer_size = 32;

// Copies a specifier into out (NUL-terminated, at most out_size - 1 bytes), dropping trailing
// blanks and upper-casing a-z. A value too long to fit yields a text that matches no keyword.
void upcase_specifier(const SpecText& specifier, char* out, int out_size);
bool keyword_equals(const char* value, std::string_view keyword);

// Copies an answer into a character variable, blank-padded or truncated to dest_length.
void fill_text(std::string_view source, char* dest, int32_t dest_length);

// The text and length of a specifier, resolving the length-prefixed form.
std::string_view specifier_view(const SpecText& specifier);

// A file name as OPEN and INQUIRE take it: without its leading and trailing spaces.
std::string_view trim_blanks(std::string_view text);

}  // namespace fio
