// Compiling a format text into the byte code that the format interpreter runs.
#include <algorithm>
#include <cstdint>

#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"

namespace fio {

namespace {

constexpr int32_t max_field = 32767;         // repeat counts, widths, digits, positions, k
constexpr int32_t max_string_entry = 65535;  // characters one string entry can hold
constexpr int64_t number_cap = 1000000;      // numbers saturate here; all above max_field are refused
constexpr int64_t min_capacity = 256;
constexpr int64_t entry_margin = 11;         // room for the largest entry and the end byte
constexpr int64_t max_capacity = 0x7FFFFFFF;

struct Compiler {
    const char* text;
    int32_t length;
    int32_t pos = 0;
    uint8_t* code = nullptr;
    int64_t size = 0;
    int64_t capacity = 0;
};

struct Number {
    bool present = false;
    int64_t value = 0;
};

bool at_end(const Compiler& c) { return c.pos >= c.length; }

void skip_blanks(Compiler& c) {
    while (c.pos < c.length && c.text[c.pos] == ' ') ++c.pos;
}

char upper(char ch) { return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch; }
bool is_digit(char ch) { return ch >= '0' && ch <= '9'; }

// The next non-blank character, folded to upper case, without taking it; 0 at the end.
char peek_upper(Compiler& c) {
    skip_blanks(c);
    return at_end(c) ? '\0' : upper(c.text[c.pos]);
}

// Optional signed integer; blanks anywhere are insignificant ("1 0" is 10).
int32_t read_number(Compiler& c, Number& n) {
    n = Number{};
    skip_blanks(c);
    if (at_end(c)) return 0;
    bool negative = false;
    char ch = c.text[c.pos];
    if (ch == '+' || ch == '-') {
        negative = ch == '-';
        ++c.pos;
        skip_blanks(c);
        if (at_end(c) || !is_digit(c.text[c.pos])) return err_format;
    } else if (!is_digit(ch)) {
        return 0;
    }
    int64_t value = 0;
    while (c.pos < c.length) {
        ch = c.text[c.pos];
        if (is_digit(ch)) {
            value = std::min(value * 10 + (ch - '0'), number_cap);
        } else if (ch != ' ') {
            break;
        }
        ++c.pos;
    }
    n.present = true;
    n.value = negative ? -value : value;
    return 0;
}

bool in_range(const Number& n, int64_t low) { return n.value >= low && n.value <= max_field; }

int32_t grow(Compiler& c, int64_t new_capacity) {
    if (new_capacity > max_capacity) return err_allocation;
    void* p = realloc_mem(c.code, static_cast<std::size_t>(new_capacity));
    if (p == nullptr) return err_allocation;
    c.code = static_cast<uint8_t*>(p);
    c.capacity = new_capacity;
    return 0;
}

// Keeps room for the next entry: 256 more bytes whenever fewer than 11 remain.
int32_t keep_margin(Compiler& c) {
    return c.capacity - c.size < entry_margin ? grow(c, c.capacity + 256) : 0;
}

void put8(Compiler& c, int32_t v) { c.code[c.size++] = static_cast<uint8_t>(v); }

void put16(Compiler& c, int32_t v) {
    c.code[c.size++] = static_cast<uint8_t>((v >> 8) & 0xFF);
    c.code[c.size++] = static_cast<uint8_t>(v & 0xFF);
}

void emit_alone(Compiler& c, EditCode code) { put8(c, code); }

void emit_n(Compiler& c, EditCode code, int32_t n) {
    put8(c, code);
    put16(c, n);
}

// Starts a string entry of n characters, growing by 512-byte steps until it fits.
int32_t begin_string(Compiler& c, int32_t n) {
    const int64_t need = c.size + 3 + n + entry_margin;
    if (need > c.capacity) {
        const int64_t steps = (need - c.capacity + 511) / 512;
        if (int32_t rc = grow(c, c.capacity + steps * 512)) return rc;
    }
    emit_n(c, edit_string, n);
    return 0;
}

// Quoted string; a doubled quote stands for one. Over-long strings become several entries.
int32_t quoted_string(Compiler& c, char quote) {
    int64_t n = 0;
    int32_t i = c.pos;
    for (;; ++n) {
        if (i >= c.length) return err_unmatched_quotes;
        if (c.text[i] == quote) {
            if (i + 1 < c.length && c.text[i + 1] == quote) {
                i += 2;
                continue;
            }
            break;
        }
        ++i;
    }
    do {
        const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(n, max_string_entry));
        if (int32_t rc = begin_string(c, chunk)) return rc;
        for (int32_t k = 0; k < chunk; ++k) {
            const char ch = c.text[c.pos];
            c.pos += (ch == quote) ? 2 : 1;
            put8(c, static_cast<uint8_t>(ch));
        }
        n -= chunk;
    } while (n > 0);
    ++c.pos;  // the closing quote
    return 0;
}

int32_t hollerith(Compiler& c, int32_t n) {
    if (c.length - c.pos < n) return err_hollerith;
    if (int32_t rc = begin_string(c, n)) return rc;
    for (int32_t k = 0; k < n; ++k) put8(c, static_cast<uint8_t>(c.text[c.pos++]));
    return 0;
}

// I, B, O, Z: [w[.m]], w at least 1, m at least 0.
int32_t integer_edit(Compiler& c, EditCode code, int32_t repeat) {
    Number w, m;
    if (int32_t rc = read_number(c, w)) return rc;
    int32_t digits = 1;
    if (w.present) {
        if (!in_range(w, 1)) return err_format;
        if (peek_upper(c) == '.') {
            ++c.pos;
            if (int32_t rc = read_number(c, m)) return rc;
            if (!m.present || !in_range(m, 0)) return err_format;
            digits = static_cast<int32_t>(m.value);
        }
    }
    emit_n(c, code, repeat);
    put16(c, static_cast<int32_t>(w.value));
    put16(c, digits);
    return 0;
}

// F, D, E, ES, EN, G: nothing or w.d, then (except F) an optional E and exponent digits.
int32_t real_edit(Compiler& c, EditCode code, int32_t repeat) {
    Number w, d, e;
    if (int32_t rc = read_number(c, w)) return rc;
    int32_t exponent = 2;
    if (w.present) {
        if (!in_range(w, 0) || peek_upper(c) != '.') return err_format;
        ++c.pos;
        if (int32_t rc = read_number(c, d)) return rc;
        if (!d.present || !in_range(d, 0)) return err_format;
        if (code != edit_f && peek_upper(c) == 'E') {
            ++c.pos;
            if (int32_t rc = read_number(c, e)) return rc;
            if (!e.present || !in_range(e, 0)) return err_format;
            exponent = static_cast<int32_t>(e.value);
        }
    }
    emit_n(c, code, repeat);
    put16(c, static_cast<int32_t>(w.value));
    put16(c, static_cast<int32_t>(d.value));
    if (code != edit_f) put16(c, exponent);
    return 0;
}

// L (w at least 1) and A (w at least 0), both optional.
int32_t width_edit(Compiler& c, EditCode code, int32_t repeat) {
    Number w;
    if (int32_t rc = read_number(c, w)) return rc;
    if (w.present && !in_range(w, code == edit_l ? 1 : 0)) return err_format;
    emit_n(c, code, repeat);
    put16(c, static_cast<int32_t>(w.value));
    return 0;
}

int32_t tab_edit(Compiler& c) {
    EditCode code = edit_t;
    const char second = peek_upper(c);
    if (second == 'L' || second == 'R') {
        code = second == 'L' ? edit_tl : edit_tr;
        ++c.pos;
    }
    Number n;
    if (int32_t rc = read_number(c, n)) return rc;
    if (!n.present || !in_range(n, 0)) return err_format;
    emit_n(c, code, static_cast<int32_t>(n.value));
    return 0;
}

// S alone is accepted only before a comma.
int32_t sign_edit(Compiler& c) {
    const char second = peek_upper(c);
    if (second == 'P' || second == 'S') {
        ++c.pos;
        emit_alone(c, second == 'P' ? edit_sp : edit_ss);
        return 0;
    }
    if (second != ',') return err_format;
    emit_alone(c, edit_ss);
    return 0;
}

// One descriptor with its optional count; level tracks the parenthesis nesting.
int32_t compile_descriptor(Compiler& c, int32_t& level) {
    Number count;
    if (int32_t rc = read_number(c, count)) return rc;
    skip_blanks(c);
    if (at_end(c)) return err_unmatched_parens;
    const char letter = upper(c.text[c.pos++]);
    if (count.present && letter != 'P' && !in_range(count, 1)) return err_repeat_count;
    const int32_t repeat = count.present ? static_cast<int32_t>(count.value) : 1;
    switch (letter) {
    case '\'':
    case '"':
        if (count.present) return err_non_repeatable;
        return quoted_string(c, letter);
    case 'H': return hollerith(c, repeat);
    case '(':
        emit_n(c, edit_group_begin, repeat);
        ++level;
        return 0;
    case ')':
        if (count.present) return err_repeat_count;
        if (level > 1) emit_alone(c, edit_group_end);
        --level;
        return 0;
    case '/': emit_n(c, edit_slash, repeat); return 0;
    case ':':
    case '$':
    case '\\':
    case 'Q': {
        if (count.present) return err_non_repeatable;
        const EditCode code = letter == ':' ? edit_colon : letter == 'Q' ? edit_q : edit_dollar;
        emit_alone(c, code);
        return 0;
    }
    case 'S': return count.present ? err_non_repeatable : sign_edit(c);
    case 'T': return count.present ? err_non_repeatable : tab_edit(c);
    case 'X': emit_n(c, edit_x, repeat); return 0;
    case 'P': {
        const int64_t k = count.present ? count.value : 1;
        if (k < -max_field || k > max_field) return err_repeat_count;
        emit_n(c, edit_p, static_cast<int32_t>(k) & 0xFFFF);
        return 0;
    }
    case 'B': {
        const char second = peek_upper(c);
        if (second == 'N' || second == 'Z') {
            if (count.present) return err_repeat_count;
            ++c.pos;
            emit_alone(c, second == 'N' ? edit_bn : edit_bz);
            return 0;
        }
        return integer_edit(c, edit_b, repeat);
    }
    case 'I': return integer_edit(c, edit_i, repeat);
    case 'O': return integer_edit(c, edit_o, repeat);
    case 'Z': return integer_edit(c, edit_z, repeat);
    case 'F': return real_edit(c, edit_f, repeat);
    case 'D': return real_edit(c, edit_d, repeat);
    case 'G': return real_edit(c, edit_g, repeat);
    case 'E': {
        const char second = peek_upper(c);
        EditCode code = edit_e;
        if (second == 'N' || second == 'S') {
            code = second == 'N' ? edit_en : edit_es;
            ++c.pos;
        }
        return real_edit(c, code, repeat);
    }
    case 'L': return width_edit(c, edit_l, repeat);
    case 'A': return width_edit(c, edit_a, repeat);
    default: return err_format;
    }
}

int32_t compile_body(Compiler& c) {
    skip_blanks(c);
    if (at_end(c) || c.text[c.pos] != '(') return err_missing_paren;
    ++c.pos;
    int32_t level = 1;
    while (!at_end(c)) {
        if (int32_t rc = compile_descriptor(c, level)) return rc;
        if (int32_t rc = keep_margin(c)) return rc;
        skip_blanks(c);
        if (!at_end(c) && c.text[c.pos] == ',') ++c.pos;
        if (level == 0) break;  // whatever follows the outermost ")" is ignored
    }
    if (level != 0) return err_unmatched_parens;
    put8(c, edit_end);
    return 0;
}

}  // namespace

int32_t compile_format(const char* text, int32_t length, TransferState& state) {
    free_format(state);
    Compiler c{text, text != nullptr ? std::max(length, 0) : 0};
    if (int32_t rc = grow(c, std::min(std::max<int64_t>(3 * int64_t{c.length}, min_capacity), max_capacity)))
        return rc;
    if (int32_t rc = compile_body(c)) {
        free_mem(c.code);
        return rc;
    }
    state.compiled_format = c.code;
    state.format_code = c.code;
    state.format_code_length = static_cast<int32_t>(c.size);
    return 0;
}

}  // namespace fio
