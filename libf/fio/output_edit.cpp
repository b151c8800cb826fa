// Output editing: integer, real, logical and character fields, position and control
// descriptors on WRITE, and the list-directed layout of every item type.
#include "libf/fio/output_edit.h"

#include <cstring>

#include "libf/fio/decimal.h"
#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/record.h"

namespace fio {

namespace {

constexpr int32_t item_structure = 17;

// Writes into space reserved in the record; never beyond it.
struct Sink {
    char* p;
    char* end;
    void put(char c) {
        if (p < end) *p++ = c;
    }
    void put(const char* s, int64_t n) {
        if (n > end - p) n = end - p;
        if (n <= 0) return;
        std::memcpy(p, s, static_cast<std::size_t>(n));
        p += n;
    }
    void fill(char c, int64_t n) {
        if (n > end - p) n = end - p;
        if (n <= 0) return;
        std::memset(p, c, static_cast<std::size_t>(n));
        p += n;
    }
};

enum ComplexPart { not_complex, real_part, imaginary_part };

// One data descriptor as applied to one element.
struct Edit {
    int32_t w = 0;            // width left for the field after the sign adjustment
    int32_t field_width = 0;  // the descriptor's width: the width of an asterisk fill
    int32_t d = 0;
    int32_t e = 0;
    int32_t k = 0;
    bool sign_plus = false;
    bool list = false;        // list-directed: blank counts give way to the list layout
    ComplexPart part = not_complex;
};

// An element's bytes, loaded whatever their alignment.
struct ItemValue {
    alignas(16) unsigned char raw[16] = {};
    int32_t size = 0;
};

bool load_value(const char* address, int32_t size, ItemValue& value) {
    switch (size) {
        case 1: case 2: case 4: case 8: case 10: case 12: case 16: break;
        default: return false;
    }
    std::memcpy(value.raw, address, static_cast<std::size_t>(size));
    value.size = size;
    return true;
}

int64_t signed_value(const ItemValue& v) {
    switch (v.size) {
        case 1: { int8_t x; std::memcpy(&x, v.raw, 1); return x; }
        case 2: { int16_t x; std::memcpy(&x, v.raw, 2); return x; }
        case 4: { int32_t x; std::memcpy(&x, v.raw, 4); return x; }
        default: { int64_t x; std::memcpy(&x, v.raw, 8); return x; }
    }
}

uint64_t unsigned_value(const ItemValue& v) {
    const int64_t s = signed_value(v);
    switch (v.size) {
        case 1: return static_cast<uint64_t>(s) & 0xFFu;
        case 2: return static_cast<uint64_t>(s) & 0xFFFFu;
        case 4: return static_cast<uint64_t>(s) & 0xFFFFFFFFu;
        default: return static_cast<uint64_t>(s);
    }
}

bool is_nonzero(const ItemValue& v) {
    for (int32_t i = 0; i < v.size; ++i)
        if (v.raw[i] != 0) return true;
    return false;
}

// A real as real_to_digits takes it: a 4-byte real, or an 8-byte one (extended values are
// narrowed to 8 bytes, the precision the conversion works in).
struct Real {
    alignas(8) unsigned char bits[8] = {};
    int32_t type = item_real8;
    bool negative = false;
};

bool real_view(const ItemValue& v, Real& r) {
    if (v.size == 4) {
        std::memcpy(r.bits, v.raw, 4);
        r.type = item_real4;
        r.negative = (v.raw[3] & 0x80) != 0;
    } else if (v.size == 8) {
        std::memcpy(r.bits, v.raw, 8);
        r.type = item_real8;
        r.negative = (v.raw[7] & 0x80) != 0;
    } else if (v.size >= 10) {
        long double x = 0;
        std::memcpy(&x, v.raw, sizeof x < 10 ? sizeof x : 10);
        const double narrowed = static_cast<double>(x);
        std::memcpy(r.bits, &narrowed, 8);
        r.type = item_real8;
        r.negative = (v.raw[9] & 0x80) != 0;
    } else {
        return false;
    }
    return true;
}

char digit_at(const char* digits, int64_t i) { return i >= 0 && i < 20 ? digits[i] : '0'; }

void put_digits(Sink& s, const char* digits, int64_t from, int64_t count) {
    for (int64_t i = 0; i < count; ++i) s.put(digit_at(digits, from + i));
}

bool is_special(const char* digits) { return digits[0] == 'I' || digits[0] == 'N'; }

int32_t decimal_length(int64_t v) {
    int32_t n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

void put_number(Sink& s, int64_t v, int32_t min_digits) {
    char text[24];
    int32_t n = 0;
    do {
        text[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    s.fill('0', min_digits - n);
    while (n > 0) s.put(text[--n]);
}

// The blanks before a field, or the list-directed separator that replaces them.
void lead_in(Sink& s, const Edit& f, int64_t blanks, bool negative) {
    if (!f.list)
        s.fill(' ', blanks);
    else if (f.part == real_part)
        s.put(" (", 2);
    else if (f.part == imaginary_part)
        s.put(',');
    else
        s.fill(' ', negative ? 1 : 2);
}

void real_sign(Sink& s, const Edit& f, bool negative) {
    if (negative)
        s.put('-');
    else if (f.sign_plus)
        s.put('+');
}

// Each editor writes nothing and returns false when the field does not fit; the caller then
// fills field_width with asterisks.

bool edit_integer(Sink& s, const Edit& f, int32_t base, const ItemValue& v) {
    const bool decimal = base == 10;
    const int64_t value = signed_value(v);
    const bool negative = decimal && value < 0;
    uint64_t magnitude = decimal ? (negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value))
                                 : unsigned_value(v);
    char text[64];
    int32_t n = 0;
    while (magnitude != 0) {
        text[n++] = "0123456789abcdef"[magnitude % static_cast<uint64_t>(base)];
        magnitude /= static_cast<uint64_t>(base);
    }
    const int64_t zeros = f.d > n ? f.d - n : 0;
    const bool plus = decimal && f.sign_plus && value > 0;
    const int64_t blanks = static_cast<int64_t>(f.w) - (negative ? 1 : 0) - zeros - n - (plus ? 1 : 0);
    if (blanks < 0) return false;
    lead_in(s, f, blanks, negative);
    if (plus) s.put('+');
    if (negative) s.put('-');
    s.fill('0', zeros);
    while (n > 0) s.put(text[--n]);
    return true;
}

bool edit_special(Sink& s, const Edit& f, int32_t width, const Real& r, const char* digits) {
    const int64_t blanks = static_cast<int64_t>(width) - ((r.negative || f.sign_plus) ? 4 : 3);
    if (blanks < 0) return false;
    lead_in(s, f, blanks, r.negative);
    real_sign(s, f, r.negative);
    s.put(digits, 3);
    return true;
}

// F editing with w (room for the sign taken off) and the whole field's width fw.
bool edit_fixed(Sink& s, const Edit& f, int32_t w, int32_t fw, int32_t d, int32_t k, const Real& r) {
    char digits[digit_buffer_size];
    int32_t n = real_to_digits(r.bits, digits, d + k, true, r.type);
    if (is_special(digits)) return edit_special(s, f, fw, r, digits);
    if (digits[0] != '0') {
        n += k;
    } else if (r.negative) {
        // -0.0 shows as zero like 0.0: no sign, and the sign's position goes back to the field.
        Real positive = r;
        positive.negative = false;
        return edit_fixed(s, f, f.sign_plus ? w : w + 1, fw, d, k, positive);
    }
    const int64_t room = static_cast<int64_t>(w) - d - 1;
    if (n < 1 && d == 0) {  // shows as "0." without a sign
        if (fw < 1) return false;
        s.fill(' ', fw - 2);
        if (fw >= 2) s.put('0');
        s.put('.');
        return true;
    }
    if (n < 1 && static_cast<int64_t>(n) + d <= 0) {  // shows as zero, without a sign
        if (fw < static_cast<int64_t>(d) + 1) return false;
        s.fill(' ', static_cast<int64_t>(fw) - d - 2);
        if (static_cast<int64_t>(fw) - d >= 2) s.put('0');
        s.put('.');
        s.fill('0', d);
        return true;
    }
    if (n < 1 && room < 0) return false;
    if (n > 0) {
        if (room < n) return false;
        lead_in(s, f, room - n, r.negative);
        real_sign(s, f, r.negative);
        put_digits(s, digits, 0, n);
        s.put('.');
        put_digits(s, digits, n, d);
        return true;
    }
    lead_in(s, f, room, r.negative);
    real_sign(s, f, r.negative);
    s.put('.');
    s.fill('0', -static_cast<int64_t>(n));
    put_digits(s, digits, 0, static_cast<int64_t>(d) + n);
    return true;
}

// The exponent part of E, D, ES and EN: letter (or none for three digits in e <= 2), sign, digits.
struct Exponent {
    bool letter = true;
    int32_t digits = 2;
};

bool exponent_layout(int64_t v, int32_t e, Exponent& out) {
    const int32_t width = e > 1 ? e : 1;
    if (v < 100 || e > 2) {
        out.letter = true;
        out.digits = width;
        return decimal_length(v) <= width;
    }
    out.letter = false;
    out.digits = 3;
    return e == 2 && v <= 999;
}

void put_exponent(Sink& s, const Exponent& layout, char letter, bool negative, int64_t v) {
    if (layout.letter) s.put(letter);
    s.put(negative ? '-' : '+');
    put_number(s, v, layout.digits);
}

int32_t exponent_room(int32_t e) { return e > 1 ? e : 1; }

bool edit_exponential(Sink& s, const Edit& f, int32_t code, const Real& r) {
    const int32_t d = f.d;
    const int32_t b = code == edit_es ? 1 : f.k;
    // With a positive scale the d + 1 significant digits shown are the ones rounded.
    const int64_t count = b > 0 ? static_cast<int64_t>(d) + 1 : static_cast<int64_t>(d) + b;
    char digits[digit_buffer_size];
    const int32_t x = real_to_digits(r.bits, digits, count > 1 ? static_cast<int32_t>(count) : 1, false, r.type);
    if (is_special(digits)) return edit_special(s, f, f.field_width, r, digits);
    if (count < 1) return false;  // k <= -d: no digit to show
    int64_t lead = static_cast<int64_t>(f.w) - d - exponent_room(f.e) - 3;
    if (lead < 0 || (lead == 0 && b > 0)) return false;
    const bool lead_zero = lead > 0;
    if (lead_zero) --lead;
    const int64_t fraction = static_cast<int64_t>(d) - b + 1;
    if (b > 0 && fraction < 0) return false;
    const bool zero = digits[0] == '0';
    const int64_t v = zero ? 0 : (x >= b ? static_cast<int64_t>(x) - b : static_cast<int64_t>(b) - x);
    Exponent layout;
    if (!exponent_layout(v, f.e, layout)) return false;
    lead_in(s, f, lead, r.negative);
    real_sign(s, f, r.negative);
    if (b <= 0) {
        if (lead_zero) s.put('0');
        s.put('.');
        s.fill('0', -static_cast<int64_t>(b));
        put_digits(s, digits, 0, count);
    } else {
        put_digits(s, digits, 0, b);
        s.put('.');
        put_digits(s, digits, b, fraction);
    }
    put_exponent(s, layout, code == edit_d ? 'D' : 'E', !zero && x < b, v);
    return true;
}

// Digits before the point in EN: the exponent taken modulo 3 into 1 to 3.
int32_t engineering_digits(int32_t x) {
    const int32_t r = x % 3;
    return r == 0 ? 3 : (r < 0 ? r + 3 : r);
}

bool edit_engineering(Sink& s, const Edit& f, const Real& r) {
    const int32_t d = f.d;
    char digits[digit_buffer_size];
    // Every generated digit: the exponent before any rounding to the field.
    const int32_t unrounded = real_to_digits(r.bits, digits, digit_buffer_size - 1, false, r.type);
    if (is_special(digits)) return edit_special(s, f, f.field_width, r, digits);
    const bool zero = digits[0] == '0';
    int32_t x = unrounded;
    int32_t q = 1;
    if (!zero) {
        q = engineering_digits(x);
        x = real_to_digits(r.bits, digits, q + d, false, r.type);
        if (x != unrounded) {
            // The rounding carried into a new digit: the value shown is 10^x, and q follows
            // x. Rounding again at the new q would undo the carry.
            q = engineering_digits(x);
            std::memset(digits + 1, '0', digit_buffer_size - 2);
        }
    }
    const int64_t lead = static_cast<int64_t>(f.w) - q - d - exponent_room(f.e) - 3;
    if (lead < 0) return false;
    const int64_t v = zero ? 0 : (x >= q ? static_cast<int64_t>(x) - q : static_cast<int64_t>(q) - x);
    Exponent layout;
    if (!exponent_layout(v, f.e, layout)) return false;
    lead_in(s, f, lead, r.negative);
    real_sign(s, f, r.negative);
    put_digits(s, digits, 0, q);
    s.put('.');
    put_digits(s, digits, q, d);
    put_exponent(s, layout, 'E', !zero && x < q, v);
    return true;
}

bool edit_general(Sink& s, const Edit& f, const Real& r) {
    char digits[digit_buffer_size];
    const int32_t n = real_to_digits(r.bits, digits, f.d + f.k, true, r.type);
    if (is_special(digits)) return edit_special(s, f, f.field_width, r, digits);
    if (n < 0 || n > f.d) return edit_exponential(s, f, edit_e, r);
    const int32_t tail = f.e + 2;
    if (!edit_fixed(s, f, f.w - tail, f.field_width - tail, f.d - n, 0, r)) return false;
    if (!f.list) s.fill(' ', tail);
    return true;
}

void edit_logical(Sink& s, const Edit& f, const ItemValue& v) {
    s.fill(' ', f.w - 1);
    s.put(is_nonzero(v) ? 'T' : 'F');
}

void edit_character(Sink& s, int32_t w, const char* text, int32_t n) {
    if (w == 0) {
        s.put(text, n);
    } else if (w < n) {
        s.put(text, w);
    } else {
        s.fill(' ', w - n);
        s.put(text, n);
    }
}

bool is_character(int32_t type) { return type == item_counted_char || type == item_char; }
bool is_logical(int32_t type) { return type >= item_logical1 && type <= item_logical4; }
bool is_integer(int32_t type) { return type >= item_int1 && type <= item_int4; }
bool is_real(int32_t type) { return type >= item_real4 && type <= item_complex_ext; }
bool is_complex(int32_t type) { return type >= item_complex8 && type <= item_complex_ext; }

// The characters of a character element (a counted element keeps its length in its first byte).
void character_text(const TransferState& state, const char* address, const char*& text, int32_t& n) {
    if (state.item_type == item_counted_char) {
        const int32_t counted = static_cast<unsigned char>(address[0]);
        const int32_t room = state.item_length > 1 ? state.item_length - 1 : 0;
        text = address + 1;
        n = counted < room ? counted : room;
    } else {
        text = address;
        n = state.item_length > 0 ? state.item_length : 0;
    }
}

// Reserves room for a field of at most `bound` characters and returns a sink over it.
int32_t open_field(RecordBuffer& record, int64_t bound, Sink& s) {
    if (bound > 0x7FFF0000) bound = 0x7FFF0000;
    if (int32_t status = reserve_record(record, static_cast<int32_t>(bound))) return status;
    s.p = record.data + record.position;
    s.end = s.p + bound;
    return 0;
}

void close_field(RecordBuffer& record, const Sink& s) {
    record.position = static_cast<int32_t>(s.p - record.data);
    if (record.position > record.limit) record.limit = record.position;
}

// Edits one element with a data descriptor (codes 1 to 12; 0 transfers nothing).
int32_t edit_element(TransferState& state, int32_t code, Edit& f, const char* address) {
    const int32_t type = state.item_type;
    const bool character = is_character(type);
    const char* text = nullptr;
    int32_t length = 0;
    if (character) character_text(state, address, text, length);
    if (code == edit_g) {
        if (character) code = edit_a;
        else if (is_logical(type)) code = edit_l;
        else if (is_integer(type)) code = edit_i, f.d = 1;
    }
    if (code == edit_end) return 0;
    ItemValue value;
    if (code != edit_a && !load_value(address, state.item_length, value))
        return report_error(err_type_mismatch, state);
    Real real;
    if (code >= edit_f && code <= edit_g) {
        if (!is_real(type) && (code == edit_es || code == edit_en || code == edit_g))
            return report_error(err_type_mismatch, state);
        if (!real_view(value, real)) return report_error(err_type_mismatch, state);
        if (real.negative || f.sign_plus) f.w -= 1;
    }
    if (code == edit_l && f.w <= 0) f.w = f.field_width = 1;  // L0 would ask for -1 blanks
    int64_t bound = f.field_width > 0 ? f.field_width : 0;
    if (code == edit_a) bound = length > bound ? length : bound;
    Sink s{};
    if (int32_t error = open_field(state.record, bound + 8, s)) return report_error(error, state);
    bool fits = true;
    switch (code) {
        case edit_i: fits = edit_integer(s, f, 10, value); break;
        case edit_b: fits = edit_integer(s, f, 2, value); break;
        case edit_o: fits = edit_integer(s, f, 8, value); break;
        case edit_z: fits = edit_integer(s, f, 16, value); break;
        case edit_f: fits = edit_fixed(s, f, f.w, f.field_width, f.d, f.k, real); break;
        case edit_e: case edit_d: case edit_es:
            fits = edit_exponential(s, f, code, real);
            break;
        case edit_en: fits = edit_engineering(s, f, real); break;
        case edit_g: fits = edit_general(s, f, real); break;
        case edit_l: edit_logical(s, f, value); break;
        case edit_a:
            if (character)
                edit_character(s, f.w, text, length);
            else
                edit_character(s, f.w, address, state.item_length);
            break;
        default: return report_error(err_internal, state);
    }
    if (!fits) s.fill('*', f.field_width);
    if (f.part == imaginary_part) s.put(')');
    close_field(state.record, s);
    return 0;
}

// The list-directed descriptor of an item type.
int32_t list_descriptor(const TransferState& state, Edit& f) {
    const int32_t type = state.item_type;
    f.list = true;
    if (is_logical(type)) {
        f.w = 2;
        return edit_l;
    }
    if (is_integer(type)) {
        f.w = state.item_length > 4 ? 24 : 12;  // room for every 8-byte value too
        f.d = 1;
        return edit_i;
    }
    f.k = 1;
    if (state.item_length == 4) {
        f.w = 15, f.d = 6, f.e = 2;
    } else if (state.item_length == 8) {
        f.w = 24, f.d = 15, f.e = 3;
    } else {
        f.w = 28, f.d = 17, f.e = 4;
    }
    return edit_g;
}

// List-directed character item: separated by a blank unless it follows a character item
// (or, with a delimiter, unless it opens the record); records end at RECL.
int32_t write_list_character(TransferState& state, const char* text, int32_t n) {
    RecordBuffer& record = state.record;
    const UnitBlock& unit = *state.current_unit;
    const char delimiter = static_cast<char>(unit.delimiter);
    const int64_t recl = unit.record_length;
    const bool last_character = (state.statement_flags & sflag::last_was_character) != 0;
    const bool blank = delimiter != 0 ? !(last_character && record.limit <= 1) : !last_character;
    if (blank) {
        if (record.limit > 0 && record.limit + 1 >= recl)
            if (int32_t status = end_output_record(state)) return status;
        if (int32_t error = append_repeated(record, ' ', 1)) return report_error(error, state);
    }
    // Puts characters, moving to a continuation record when the record is full.
    auto put = [&](const char* chars, int32_t count) -> int32_t {
        while (count > 0) {
            if (record.limit >= recl) {
                if (int32_t status = end_output_record(state)) return status;
                if (delimiter == 0)
                    if (int32_t error = append_repeated(record, ' ', 1)) return report_error(error, state);
            }
            const int64_t room = recl - record.limit;
            const int32_t chunk = count < room ? count : static_cast<int32_t>(room);
            if (int32_t error = append_chars(record, chars, chunk)) return report_error(error, state);
            chars += chunk;
            count -= chunk;
        }
        return 0;
    };
    int32_t status = 0;
    if (delimiter == 0) {
        status = put(text, n);
    } else {
        status = put(&delimiter, 1);
        for (int32_t i = 0; i < n && status == 0; ++i) {
            status = put(text + i, 1);
            if (status == 0 && text[i] == delimiter) status = put(&delimiter, 1);
        }
        if (status == 0) status = put(&delimiter, 1);
    }
    state.statement_flags |= sflag::last_was_character;
    return status;
}

// After a list-directed value: a record grown beyond RECL moves the value to a new record,
// which starts with a blank. A value is never split across records, so one that does not fit
// a fresh record either is too long.
int32_t wrap_list_item(TransferState& state, int32_t start) {
    const RecordBuffer& record = state.record;
    const int64_t recl = state.current_unit->record_length;
    if (record.limit <= recl) return 0;
    const int64_t fresh_record = 1 + static_cast<int64_t>(record.limit) - start;  // the blank, then the value
    if (fresh_record > recl) return report_error(err_record_too_long, state);
    return wrap_output_item(state, start);
}

int32_t write_list_element(TransferState& state, const char* address, int32_t& complex_start) {
    if (is_character(state.item_type)) {
        const char* text = nullptr;
        int32_t n = 0;
        character_text(state, address, text, n);
        return write_list_character(state, text, n);
    }
    state.statement_flags &= ~sflag::last_was_character;
    Edit f;
    const int32_t code = list_descriptor(state, f);
    f.field_width = f.w;
    f.sign_plus = (state.statement_flags & sflag::sign_plus) != 0;
    int32_t start = state.record.position;
    if (is_complex(state.item_type)) {
        if ((state.statement_flags & sflag::imaginary_next) == 0) {
            f.part = real_part;
            complex_start = start;
            state.statement_flags |= sflag::complex_part | sflag::imaginary_next;
        } else {
            f.part = imaginary_part;
            state.statement_flags &= ~(sflag::complex_part | sflag::imaginary_next);
            if (complex_start >= 0) start = complex_start;
        }
    }
    if (int32_t status = edit_element(state, code, f, address)) return status;
    if (f.part == real_part) return 0;
    return wrap_list_item(state, start);
}

int32_t write_formatted_element(TransferState& state, const char* address) {
    EditCode code = edit_end;
    if (int32_t status = walk_to_data_descriptor(state, state.item_type, DescriptorStop::output_item,
                                                 perform_output_control, code))
        return status;
    Edit f;
    f.w = f.field_width = state.edit_width;
    f.d = state.edit_digits;
    f.e = state.edit_exponent;
    f.k = state.scale_factor;
    f.sign_plus = (state.statement_flags & sflag::sign_plus) != 0;
    state.field_width = state.edit_width;
    return edit_element(state, code, f, address);
}

int32_t move_to(TransferState& state, int64_t position) {
    RecordBuffer& record = state.record;
    if (position < 0) position = 0;
    if (position > 0x7FFF0000) position = 0x7FFF0000;
    record.position = static_cast<int32_t>(position);
    const int32_t error = fill_to_position(record);
    return error != 0 ? report_error(error, state) : 0;
}

}  // namespace

int32_t perform_output_control(TransferState& state, int32_t code) {
    RecordBuffer& record = state.record;
    const int32_t n = state.edit_width;
    switch (code) {
        case edit_t: return move_to(state, static_cast<int64_t>(n) - 1);
        case edit_tl: {
            const int64_t to = static_cast<int64_t>(record.position) - n;
            record.position = static_cast<int32_t>(to > state.left_tab_limit ? to : state.left_tab_limit);
            return 0;
        }
        case edit_tr:
        case edit_x: return move_to(state, static_cast<int64_t>(record.position) + n);
        case edit_slash:
            for (int32_t i = 0; i < (n > 1 ? n : 1); ++i)
                if (int32_t status = end_output_record(state)) return status;
            return 0;
        case edit_string: {
            const int32_t error = append_chars(record, edit_text(state), n);
            return error != 0 ? report_error(error, state) : 0;
        }
        case edit_sp: state.statement_flags |= sflag::sign_plus; return 0;
        case edit_ss: state.statement_flags &= ~sflag::sign_plus; return 0;
        case edit_dollar: state.statement_flags |= sflag::suppress_terminator; return 0;
        default: return 0;  // P (already loaded), BN, BZ, :, Q
    }
}

int32_t write_item(TransferState& state) {
    if (state.terminated != 0) return 0;
    if (state.item_type == item_structure) return report_error(err_structure, state);
    const bool list = (state.present & pres::list_directed) != 0;
    const char* address = static_cast<const char*>(state.item_address);
    int32_t complex_start = -1;
    for (int32_t i = 0; i < state.item_count; ++i, address += state.item_length) {
        const int32_t status =
            list ? write_list_element(state, address, complex_start) : write_formatted_element(state, address);
        if (status != 0) return status;
    }
    return 0;
}

}  // namespace fio
