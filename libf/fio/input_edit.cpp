// Input editing: cutting fields out of the input record and converting them into items.
#include "libf/fio/input_edit.h"

#include <algorithm>
#include <cstring>

#include "libf/fio/decimal.h"
#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"
#include "libf/fio/record.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

constexpr int32_t item_structure = 17;
constexpr int32_t x87_bytes = 10;  // significant bytes of the platform's long double

enum class RealKind { none, single, double_, extended };

bool is_character(int32_t type) { return type == item_counted_char || type == item_char; }
bool is_logical(int32_t type) { return type >= item_logical1 && type <= item_logical4; }
bool is_integer(int32_t type) { return type >= item_int1 && type <= item_int4; }
bool is_real(int32_t type) { return type >= item_real4 && type <= item_complex_ext; }

// Integer and real items: a comma ends their field (never a character or logical item's).
bool is_numeric(int32_t type) { return is_integer(type) || is_real(type); }

RealKind real_kind(int32_t item_type, int32_t size) {
    switch (item_type) {
    case item_real4:
    case item_complex8: return RealKind::single;
    case item_real8:
    case item_complex16: return RealKind::double_;
    case item_real_ext:
    case item_complex_ext: return size >= x87_bytes ? RealKind::extended : RealKind::none;
    default: break;
    }
    // Any other item receives a real of its own size.
    if (size == 4) return RealKind::single;
    if (size == 8) return RealKind::double_;
    if (size == 12 || size == static_cast<int32_t>(sizeof(long double))) return RealKind::extended;
    return RealKind::none;
}

bool reserve(RecordBuffer& buffer, int64_t needed) {
    if (needed <= buffer.capacity) return true;
    int64_t size = (needed + 8191) / 8192 * 8192;
    if (size > INT32_MAX) return false;
    void* grown = realloc_mem(buffer.data, static_cast<std::size_t>(size));
    if (grown == nullptr) return false;
    buffer.data = static_cast<char*>(grown);
    buffer.capacity = static_cast<int32_t>(size);
    return true;
}

bool begins_infinity_or_nan(const char* text) {
    char c = text[0] == '+' || text[0] == '-' ? text[1] : text[0];
    return c == 'I' || c == 'i' || c == 'N' || c == 'n';
}

bool is_exponent_letter(char c) { return c == 'D' || c == 'E' || c == 'd' || c == 'e'; }

// Cuts the next field of at most `width` characters from the record into state.work.
int32_t cut_field(TransferState& state, int32_t width, bool comma_ends) {
    RecordBuffer& record = state.record;
    int32_t available = std::max(record.limit - record.position, 0);
    int32_t take = std::clamp(width, 0, available);
    const char* start = take > 0 ? record.data + record.position : nullptr;
    bool by_comma = false;
    if (comma_ends && take > 0) {
        if (const void* comma = std::memchr(start, ',', static_cast<std::size_t>(take))) {
            take = static_cast<int32_t>(static_cast<const char*>(comma) - start);
            by_comma = true;
        }
    }
    // A field that a comma ends has not run into the end of the record.
    if (!by_comma && available < width) {
        uint32_t attributes = state.current_unit ? state.current_unit->attributes : attr::pad_yes;
        if (attributes & attr::nonadvancing_open)
            state.statement_flags |= sflag::eor_hit;
        else if (!(attributes & attr::pad_yes))
            return report_error(err_past_record, state);
    }
    if (!reserve(state.work, int64_t{take} + 1)) return report_error(err_allocation, state);
    if (take > 0) std::memcpy(state.work.data, start, static_cast<std::size_t>(take));
    state.work.data[take] = '\0';
    state.work.limit = take;
    state.work.position = 0;
    record.position += take + (by_comma ? 1 : 0);
    return 0;
}

// Inserts the implied decimal point: the last min(n, d) of the n mantissa digits follow it.
bool insert_implied_point(RecordBuffer& field, int32_t sign_length, int32_t exponent_start,
                          int32_t digits) {
    int32_t n = exponent_start - sign_length;
    int32_t zeros = std::max(digits - n, 0);
    int32_t at = exponent_start - std::min(n, digits);
    int32_t inserted = 1 + zeros;
    if (!reserve(field, int64_t{field.limit} + inserted + 1)) return false;
    char* text = field.data;
    std::memmove(text + at + inserted, text + at, static_cast<std::size_t>(field.limit - at + 1));
    text[at] = '.';
    std::memset(text + at + 1, '0', static_cast<std::size_t>(zeros));
    field.limit += inserted;
    return true;
}

void store_real(const char* text, int32_t exponent_adjust, void* address, RealKind kind,
                int32_t size) {
    if (kind == RealKind::single) {
        float value;
        digits_to_real(text, &value, exponent_adjust, item_real4);
        std::memcpy(address, &value, sizeof value);
        return;
    }
    double value;
    digits_to_real(text, &value, exponent_adjust, item_real8);
    if (kind == RealKind::double_) {
        std::memcpy(address, &value, sizeof value);
        return;
    }
    // Extended: the 80-bit value, the rest of the item's storage zeroed.
    long double extended = value;
    std::memset(address, 0, static_cast<std::size_t>(size));
    std::memcpy(address, &extended, x87_bytes);
}

void store_logical(void* address, int32_t size, bool value) {
    if (size <= 0) return;
    std::memset(address, 0, static_cast<std::size_t>(size));
    static_cast<unsigned char*>(address)[0] = value ? 1 : 0;  // little-endian 0 or 1
}

// The next data descriptor (or Q), performing the position and control descriptors on the way.
// Code 0 comes from a precompiled record without descriptor: it skips a field.
int32_t next_data_descriptor(TransferState& state, EditCode& code) {
    return walk_to_data_descriptor(state, state.item_type, DescriptorStop::input_item, perform_input_control, code);
}

void read_a(TransferState& state, char* address, int32_t width) {
    if (state.item_type == item_counted_char) {
        if (state.item_length < 1) return;
        int32_t length = state.item_length - 1;
        input_character(state.work, width, address + 1, length);
        address[0] = static_cast<char>(std::min({width, length, 255}));
        return;
    }
    input_character(state.work, width, address, state.item_length);
}

int32_t read_g(TransferState& state, char* address, int32_t width) {
    int32_t type = state.item_type;
    int32_t size = state.item_length;
    if (is_character(type)) {
        read_a(state, address, width);
        return 0;
    }
    if (is_logical(type)) {
        input_logical(state.work, address, size);
        return 0;
    }
    if (is_integer(type)) return input_integer(state, state.work, 10, address, size);
    if (is_real(type))
        return input_real(state, state.work, state.edit_digits, state.scale_factor, address, type,
                          size);
    return report_error(err_type_mismatch, state);
}

// Characters of an element: a counted character item spends its first byte on the count.
int32_t element_characters(const TransferState& state) {
    if (state.item_type == item_counted_char) return std::max(state.item_length - 1, 0);
    return state.item_length;
}

int32_t read_element(TransferState& state, char* address) {
    EditCode code = edit_end;
    int32_t status = next_data_descriptor(state, code);
    if (status != 0) return status;
    int32_t type = state.item_type;
    int32_t size = state.item_length;
    if (code == edit_q) {
        int32_t left = std::max(state.record.limit - state.record.position, 0);
        status = store_integer(address, size, left);
        return status == 0 ? 0 : report_error(status, state);
    }
    int32_t width = state.edit_width > 0 ? state.edit_width : element_characters(state);
    bool numeric_code = code >= edit_i && code <= edit_g;
    status = cut_field(state, width, numeric_code && is_numeric(type));
    if (status != 0) return status;

    switch (code) {
    case edit_i: return input_integer(state, state.work, 10, address, size);
    case edit_b: return input_integer(state, state.work, 2, address, size);
    case edit_o: return input_integer(state, state.work, 8, address, size);
    case edit_z: return input_integer(state, state.work, 16, address, size);
    case edit_f:
    case edit_e:
    case edit_d:
    case edit_es:
    case edit_en:
        return input_real(state, state.work, state.edit_digits, state.scale_factor, address, type,
                          size);
    case edit_g: return read_g(state, address, width);
    case edit_l: input_logical(state.work, address, size); return 0;
    case edit_a: read_a(state, address, width); return 0;
    default: return 0;  // a descriptor without data (precompiled code 12): the field is skipped
    }
}

}  // namespace

int32_t read_item(TransferState& state) {
    if (state.terminated) return 0;
    if (state.item_type == item_structure) return report_error(err_structure, state);
    char* address = static_cast<char*>(state.item_address);
    for (int32_t element = 0; element < state.item_count; ++element) {
        int32_t status = read_element(state, address);
        if (status != 0) return status;
        if (state.statement_flags & sflag::eor_hit) return report_end_of_record(state);
        address += state.item_length;
    }
    return 0;
}

int32_t perform_input_control(TransferState& state, int32_t code) {
    RecordBuffer& record = state.record;
    int64_t n = state.edit_width;
    int64_t position = record.position;
    switch (code) {
    case edit_t: position = n - 1; break;
    case edit_tl: position -= n; break;
    case edit_tr:
    case edit_x: position += n; break;
    case edit_slash:
        for (int64_t i = 0; i < std::max<int64_t>(n, 1); ++i) {
            int32_t status = next_input_record(state);
            if (status != 0) return status;
        }
        return 0;
    case edit_bn: state.statement_flags &= ~uint32_t{sflag::blank_zero}; return 0;
    case edit_bz: state.statement_flags |= sflag::blank_zero; return 0;
    default: return 0;  // strings, sign controls, ":", "$", P: nothing on input
    }
    // Tabbing never leaves the record.
    record.position = static_cast<int32_t>(std::clamp<int64_t>(position, 0, record.limit));
    return 0;
}

int32_t clean_numeric_field(char* text, int32_t length, bool blank_zero) {
    int32_t from = 0;
    while (from < length && text[from] == ' ') ++from;
    int32_t to = 0;
    if (from < length && (text[from] == '+' || text[from] == '-')) text[to++] = text[from++];
    int32_t lead = from;
    while (lead < length && text[lead] == ' ') ++lead;
    char first = lead < length ? text[lead] : '\0';
    bool zero_blanks = blank_zero && first != 'I' && first != 'i' && first != 'N' && first != 'n';
    for (; from < length; ++from) {
        char c = text[from];
        if (c != ' ')
            text[to++] = c;
        else if (zero_blanks)
            text[to++] = '0';
    }
    text[to] = '\0';
    return to;
}

int32_t parse_integer(const char* text, int32_t base, uint32_t& value) {
    bool negative = false;
    if (base == 10 && (*text == '+' || *text == '-')) negative = *text++ == '-';
    uint32_t result = 0;
    for (; *text != '\0'; ++text) {
        char c = *text;
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else
            return err_numeric_input;
        if (digit >= static_cast<uint32_t>(base)) return err_numeric_input;
        result = result * static_cast<uint32_t>(base) + digit;  // wraps, as documented
    }
    value = negative ? 0u - result : result;
    return 0;
}

int32_t store_integer(void* address, int32_t size, int32_t value) {
    switch (size) {
    case 1: {
        auto v = static_cast<int8_t>(value);
        std::memcpy(address, &v, 1);
        return 0;
    }
    case 2: {
        auto v = static_cast<int16_t>(value);
        std::memcpy(address, &v, 2);
        return 0;
    }
    case 4: std::memcpy(address, &value, 4); return 0;
    case 8: {
        int64_t v = value;  // sign-extended to the whole item
        std::memcpy(address, &v, 8);
        return 0;
    }
    default: return err_type_mismatch;
    }
}

bool logical_value(const char* text, int32_t length) {
    int32_t i = 0;
    while (i < length && text[i] == ' ') ++i;
    if (i < length && text[i] == '.') ++i;
    return i < length && (text[i] == 'T' || text[i] == 't');
}

int32_t input_integer(TransferState& state, RecordBuffer& field, int32_t base, void* address,
                      int32_t size) {
    bool blank_zero = state.statement_flags & sflag::blank_zero;
    field.limit = clean_numeric_field(field.data, field.limit, blank_zero);
    uint32_t value = 0;
    int32_t error = parse_integer(field.data, base, value);
    if (error == 0) error = store_integer(address, size, static_cast<int32_t>(value));
    return error == 0 ? 0 : report_error(error, state);
}

int32_t input_real(TransferState& state, RecordBuffer& field, int32_t digits, int32_t scale,
                   void* address, int32_t item_type, int32_t size) {
    RealKind kind = real_kind(item_type, size);
    if (kind == RealKind::none) return report_error(err_type_mismatch, state);
    bool blank_zero = state.statement_flags & sflag::blank_zero;
    field.limit = clean_numeric_field(field.data, field.limit, blank_zero);
    const char* text = field.data;
    if (begins_infinity_or_nan(text)) {
        // Taken as it is: no implied point, no scale factor.
        store_real(text, 0, address, kind, size);
        return 0;
    }
    int32_t sign_length = text[0] == '+' || text[0] == '-' ? 1 : 0;
    // The exponent starts at a letter, or at a sign after the first mantissa character.
    int32_t exponent_start = sign_length;
    while (exponent_start < field.limit) {
        char c = text[exponent_start];
        if (is_exponent_letter(c)) break;
        if ((c == '+' || c == '-') && exponent_start > sign_length) break;
        ++exponent_start;
    }
    bool has_exponent = exponent_start < field.limit;
    bool has_point = std::memchr(text, '.', static_cast<std::size_t>(field.limit)) != nullptr;
    if (digits > 0 && !has_point) {
        if (!insert_implied_point(field, sign_length, exponent_start, digits))
            return report_error(err_allocation, state);
        text = field.data;
    }
    for (int32_t i = sign_length; i < field.limit; ++i) {
        char c = text[i];
        bool valid = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' ||
                     is_exponent_letter(c);
        if (!valid) return report_error(err_numeric_input, state);
    }
    store_real(text, has_exponent ? 0 : -scale, address, kind, size);
    return 0;
}

void input_logical(const RecordBuffer& field, void* address, int32_t size) {
    store_logical(address, size, logical_value(field.data, field.limit));
}

void input_character(const RecordBuffer& field, int32_t width, char* target, int32_t length) {
    if (length <= 0) return;
    width = std::max(width, 0);
    int32_t have = std::min(field.limit, width);
    // With a field at least as wide as the item the rightmost characters are taken.
    int32_t from = width >= length ? width - length : 0;
    int32_t copied = std::min(length, width);
    for (int32_t j = 0; j < copied; ++j) {
        int32_t source = from + j;
        target[j] = source < have ? field.data[source] : ' ';
    }
    if (copied < length) std::memset(target + copied, ' ', static_cast<std::size_t>(length - copied));
}

}  // namespace fio
