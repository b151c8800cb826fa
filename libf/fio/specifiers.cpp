// Text specifiers of OPEN, CLOSE and INQUIRE: normalising, matching keywords, filling answers.
#include "libf/fio/specifiers.h"

#include <cstring>

namespace fio {

std::string_view specifier_view(const SpecText& specifier) {
    if (specifier.text == nullptr) return {};
    if (specifier.length < 0) {
        // Length-prefixed form: the first byte holds the length.
        const auto n = static_cast<unsigned char>(specifier.text[0]);
        return {specifier.text + 1, n};
    }
    return {specifier.text, static_cast<std::size_t>(specifier.length)};
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

void upcase_specifier(const SpecText& specifier, char* out, int out_size) {
    if (out == nullptr || out_size <= 0) return;
    std::string_view value = specifier_view(specifier);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    // A value longer than any keyword must not match one by being cut short.
    if (value.size() > static_cast<std::size_t>(out_size - 1)) {
        out[0] = '\0';
        return;
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        out[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    out[value.size()] = '\0';
}

bool keyword_equals(const char* value, std::string_view keyword) {
    return value != nullptr && std::string_view(value) == keyword;
}

void fill_text(std::string_view source, char* dest, int32_t dest_length) {
    if (dest == nullptr || dest_length <= 0) return;
    const auto length = static_cast<std::size_t>(dest_length);
    const std::size_t n = source.size() < length ? source.size() : length;
    std::memcpy(dest, source.data(), n);
    std::memset(dest + n, ' ', length - n);
}

}  // namespace fio
