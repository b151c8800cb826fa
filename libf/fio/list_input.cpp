// List-directed input: scanning values out of the input records and converting them into items.
#include "libf/fio/list_input.h"

#include <algorithm>
#include <cstdint>

#include "libf/fio/errors.h"
#include "libf/fio/heap.h"
#include "libf/fio/input_edit.h"
#include "libf/fio/record.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

constexpr int end_of_record = -1;     // next_char at the end of the record (a NUL byte is data)
constexpr int32_t stop_scan = -1;     // internal: a non-advancing READ reached its record end
constexpr int32_t value_growth = 8192;
constexpr int32_t item_structure = 17;

// How an unquoted value ended.
enum class Ending { comma, blank, record_end, slash };

bool is_complex(int32_t type) { return type >= item_complex8 && type <= item_complex_ext; }
bool takes_quotes(int32_t type) { return type == item_counted_char || type == item_char; }

void set_mark(TransferState& state) { state.statement_flags |= sflag::value_at_record_end; }
void clear_mark(TransferState& state) { state.statement_flags &= ~uint32_t{sflag::value_at_record_end}; }

// The next character of the current record, never crossing into the next one.
int next_char(TransferState& state) {
    RecordBuffer& record = state.record;
    if (record.position >= record.limit) return end_of_record;
    return static_cast<unsigned char>(record.data[record.position++]);
}

void put_back(TransferState& state) { --state.record.position; }

// Moves on to the next record. A non-advancing READ never leaves its record: it notes the
// end-of-record condition, which the item step takes after the element.
int32_t next_record(TransferState& state) {
    const UnitBlock* unit = state.current_unit;
    if (unit != nullptr && (unit->attributes & attr::nonadvancing_open) != 0) {
        state.statement_flags |= sflag::eor_hit;
        return stop_scan;
    }
    return next_input_record(state);
}

// `next_nonblank`: skips blanks; at the end of the record either reads the next record
// (`cross`; end of file there is the end-of-file condition) or answers end_of_record.
int32_t next_nonblank(TransferState& state, bool cross, int& c) {
    for (;;) {
        RecordBuffer& record = state.record;
        while (record.position < record.limit && record.data[record.position] == ' ')
            ++record.position;
        c = next_char(state);
        if (c != end_of_record || !cross) return 0;
        if (int32_t status = next_record(state)) return status;
    }
}

int32_t reserve_value(TransferState& state, RecordBuffer& value, int64_t need) {
    if (need <= value.capacity && value.data != nullptr) return 0;
    const int64_t size = (need / value_growth + 1) * value_growth;
    if (size > INT32_MAX) return report_error(err_allocation, state);
    void* grown = realloc_mem(value.data, static_cast<std::size_t>(size));
    if (grown == nullptr) return report_error(err_allocation, state);
    value.data = static_cast<char*>(grown);
    value.capacity = static_cast<int32_t>(size);
    return 0;
}

// Appends one character and keeps the text NUL-terminated; `position` counts the characters.
int32_t put(TransferState& state, RecordBuffer& value, int c) {
    if (int32_t status = reserve_value(state, value, int64_t{value.limit} + 2)) return status;
    value.data[value.limit++] = static_cast<char>(c);
    value.data[value.limit] = '\0';
    value.position = value.limit;
    return 0;
}

void empty_value(RecordBuffer& value) {
    value.limit = 0;
    value.position = 0;
    if (value.data != nullptr) value.data[0] = '\0';
}

// After a value ended by a blank or a closing quote or parenthesis: blanks and one comma
// around it form one separator; blanks that reach the end of the record set the mark, so a
// comma that opens the next record still belongs to this value.
void skip_separator(TransferState& state) {
    int c = end_of_record;
    next_nonblank(state, false, c);  // cannot fail without crossing
    if (c == end_of_record)
        set_mark(state);
    else if (c != ',')
        put_back(state);
}

// The decimal number that the stored characters spell; other characters are not checked and
// the count wraps rather than overflowing.
int32_t repeat_count(const RecordBuffer& value) {
    uint32_t count = 0;
    for (int32_t i = 0; i < value.limit; ++i)
        count = count * 10u + static_cast<uint32_t>(value.data[i] - '0');
    return static_cast<int32_t>(count);
}

// A quoted character value: record ends add nothing; a doubled quote stands for one quote.
int32_t scan_quoted(TransferState& state, int quote) {
    RecordBuffer& work = state.work;
    for (;;) {
        int c = next_char(state);
        if (c == end_of_record) {
            if (int32_t status = next_record(state)) return status;
            continue;
        }
        if (c == quote) {
            int next = next_char(state);
            if (next != quote) {
                if (next != end_of_record) put_back(state);
                break;
            }
        }
        if (int32_t status = put(state, work, c)) return status;
    }
    if (work.limit == 0) {
        // Nothing between the quotes: a blank value (not a null one) that sets the item to blanks.
        if (int32_t status = put(state, work, ' ')) return status;
        work.position = 0;
    }
    skip_separator(state);
    return 0;
}

// The imaginary part of a complex value, up to ")". The comma between the parts may follow
// blanks or open the next record.
int32_t scan_imaginary(TransferState& state, Ending ending) {
    if (ending != Ending::comma) {
        int c = end_of_record;
        if (int32_t status = next_nonblank(state, true, c)) return status;
        if (c != ',') put_back(state);
    }
    clear_mark(state);
    for (;;) {
        int c = next_char(state);
        if (c == end_of_record) {
            if (int32_t status = next_record(state)) return status;
            continue;
        }
        if (c == ')') break;
        if (c == ' ') continue;
        if (int32_t status = put(state, state.imaginary, c)) return status;
    }
    skip_separator(state);
    return 0;
}

// An unquoted value starting with c. Sets `repeated` when it turned out to be a repeat count.
int32_t scan_unquoted(TransferState& state, int32_t item_type, int c, bool& repeated) {
    RecordBuffer& work = state.work;
    const bool complex = is_complex(item_type);
    if (complex && c == '(') {
        if (int32_t status = next_nonblank(state, true, c)) return status;
    }
    Ending ending;
    for (;;) {
        if (c == end_of_record) {
            ending = Ending::record_end;
            break;
        }
        if (c == '*') {
            state.value_repeat = repeat_count(work);
            repeated = true;
            return 0;
        }
        if (c == ',' || c == ' ') {
            ending = c == ',' ? Ending::comma : Ending::blank;
            break;
        }
        if (c == '/') {
            put_back(state);
            ending = Ending::slash;
            break;
        }
        if (int32_t status = put(state, work, c)) return status;
        c = next_char(state);
    }
    if (complex && work.limit > 0) return scan_imaginary(state, ending);
    if (ending == Ending::blank) skip_separator(state);
    if (ending == Ending::record_end) set_mark(state);
    return 0;
}

int32_t scan(TransferState& state, int32_t item_type) {
    for (;;) {  // once more after each repeat count
        empty_value(state.work);
        empty_value(state.imaginary);
        int c = end_of_record;
        if (int32_t status = next_nonblank(state, true, c)) return status;
        if (c == '/') {
            // The slash stays, so every later item of the statement gets a null value too.
            put_back(state);
            clear_mark(state);
            return 0;
        }
        if (c == ',') {
            const bool belongs_to_previous = (state.statement_flags & sflag::value_at_record_end) != 0;
            clear_mark(state);
            if (!belongs_to_previous) return 0;
            if (int32_t status = next_nonblank(state, false, c)) return status;
            if (c == end_of_record) {
                // A record holding only that comma: a null value that ends at the record end.
                set_mark(state);
                return 0;
            }
            if (c == ',') return 0;
        }
        clear_mark(state);
        if (takes_quotes(item_type) && (c == '\'' || c == '"')) return scan_quoted(state, c);
        bool repeated = false;
        int32_t status = scan_unquoted(state, item_type, c, repeated);
        if (status != 0 || !repeated) return status;
    }
}

void read_counted_character(const RecordBuffer& value, char* address, int32_t item_length) {
    if (item_length < 1) return;
    const int32_t length = item_length - 1;
    input_character(value, std::min(value.limit, length), address + 1, length);
    address[0] = static_cast<char>(std::min({value.position, value.limit, length, 255}));
}

// Converts a non-null value with the type's list-directed default: I, L, real input without
// implied point or scale factor, or A giving the leftmost characters.
int32_t convert_value(TransferState& state, RecordBuffer& value, char* address) {
    const int32_t type = state.item_type;
    const int32_t size = state.item_length;
    switch (type) {
    case item_counted_char: read_counted_character(value, address, size); return 0;
    case item_char: input_character(value, std::min(value.limit, size), address, size); return 0;
    case item_logical1:
    case item_logical2:
    case item_logical4: input_logical(value, address, size); return 0;
    case item_int1:
    case item_int2:
    case item_int4: return input_integer(state, value, 10, address, size);
    case item_real4:
    case item_real8:
    case item_real_ext:
    case item_complex8:
    case item_complex16:
    case item_complex_ext: return input_real(state, value, 0, 0, address, type, size);
    case item_structure: return report_error(err_structure, state);
    default: return report_error(err_internal, state);
    }
}

int32_t read_list_element(TransferState& state, char* address) {
    const int32_t type = state.item_type;
    const bool imaginary_part = is_complex(type) && (state.statement_flags & sflag::imaginary_next);
    if (!imaginary_part) {
        const int32_t was = state.value_repeat;
        if (was > 1) {
            state.value_repeat = was - 1;  // the previous value serves this element too
        } else {
            state.value_repeat = 0;
            if (int32_t status = scan_value(state, type)) return status;
        }
    }
    if (is_complex(type)) state.statement_flags ^= sflag::imaginary_next;
    RecordBuffer& value = imaginary_part ? state.imaginary : state.work;
    if (value.limit == 0) return 0;  // a null value leaves the element as it was
    return convert_value(state, value, address);
}

}  // namespace

void begin_list_input(TransferState& state) {
    state.value_repeat = 0;
    state.statement_flags &= ~uint32_t{sflag::value_at_record_end | sflag::imaginary_next};
}

int32_t scan_value(TransferState& state, int32_t item_type) {
    const int32_t status = scan(state, item_type);
    if (status != stop_scan) return status;
    empty_value(state.work);
    empty_value(state.imaginary);
    return 0;
}

int32_t read_list_item(TransferState& state) {
    if (state.terminated) return 0;
    char* address = static_cast<char*>(state.item_address);
    for (int32_t element = 0; element < state.item_count; ++element) {
        if (int32_t status = read_list_element(state, address)) return status;
        if (state.statement_flags & sflag::eor_hit) return report_end_of_record(state);
        address += state.item_length;
    }
    return 0;
}

int32_t end_list_input(TransferState& state) {
    state.value_repeat = 0;
    state.statement_flags &= ~uint32_t{sflag::value_at_record_end | sflag::imaginary_next};
    const UnitBlock* unit = state.current_unit;
    if (unit == nullptr || (unit->attributes & attr::nonadvancing_open) == 0)
        state.record.position = state.record.limit;
    return 0;
}

}  // namespace fio
