// The format interpreter: hands out one edit descriptor at a time from the compiled byte code
// or from precompiled format records, with group repetition, reversion and its record advance.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"
#include "libf/fio/record.h"

namespace fio {

namespace {

constexpr int32_t record_size = static_cast<int32_t>(sizeof(FormatRecord));
constexpr int32_t invalid_entry = -1;
// Precompiled record code 12: consumes an item like a data descriptor but transfers nothing;
// it reaches the editing routines as EditCode 0.
constexpr int32_t no_descriptor = 200;

// One decoded format entry, from either form. kind is an EditCode, or invalid_entry.
struct Entry {
    int32_t kind = invalid_entry;
    int32_t repeat = 1;    // data and string repeat; group count; end record: distance
    int32_t width = 0;     // w, n, string length, "/" count
    int32_t digits = 0;    // d or m
    int32_t exponent = 0;  // e
    int32_t scale = 0;     // k of P
    int32_t text = 0;      // offset of a string's characters
    int32_t next = 0;      // offset of the following entry
};

bool precompiled(const TransferState& s) { return s.compiled_format == nullptr; }

int32_t be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }
int32_t be16s(const uint8_t* p) { return static_cast<int16_t>(be16(p)); }

Entry decode_code(const uint8_t* code, int32_t at) {
    const uint8_t* p = code + at;
    Entry e;
    e.kind = p[0];
    e.next = at + 1;
    switch (p[0]) {
    case edit_i: case edit_b: case edit_o: case edit_z: case edit_f:
        e.repeat = be16(p + 1);
        e.width = be16s(p + 3);
        e.digits = be16s(p + 5);
        e.next = at + 7;
        break;
    case edit_e: case edit_d: case edit_es: case edit_en: case edit_g:
        e.repeat = be16(p + 1);
        e.width = be16s(p + 3);
        e.digits = be16s(p + 5);
        e.exponent = be16s(p + 7);
        e.next = at + 9;
        break;
    case edit_l: case edit_a:
        e.repeat = be16(p + 1);
        e.width = be16(p + 3);
        e.next = at + 5;
        break;
    case edit_t: case edit_tl: case edit_tr: case edit_x: case edit_slash:
        e.width = be16(p + 1);
        e.next = at + 3;
        break;
    case edit_p:
        e.scale = be16s(p + 1);
        e.next = at + 3;
        break;
    case edit_string:
        e.width = be16(p + 1);
        e.text = at + 3;
        e.next = e.text + e.width;
        break;
    case edit_group_begin:
        e.repeat = be16(p + 1);
        e.next = at + 3;
        break;
    case edit_end: e.next = at; break;
    default: break;
    }
    return e;
}

// EditCode of each record code; invalid_entry for unknown codes.
constexpr int32_t record_kinds[30] = {
    invalid_entry, edit_a, edit_b, edit_d, edit_e, edit_en, edit_es, edit_f, edit_g, edit_i,
    edit_l, edit_o, no_descriptor, edit_z, edit_slash, edit_p, edit_string, edit_bn, edit_bz,
    edit_colon, edit_ss, edit_sp, edit_ss, edit_tl, edit_tr, edit_t, edit_dollar,
    edit_group_begin, edit_group_end, edit_end,
};

Entry decode_record(const uint8_t* records, int32_t at) {
    const uint8_t* p = records + at;
    const uint32_t code = record_code(p);
    Entry e;
    e.kind = code < 30 ? record_kinds[code] : invalid_entry;
    e.repeat = static_cast<int32_t>(record_word(p, frec::repeat));
    e.width = static_cast<int32_t>(record_operand(p, frec::width));
    e.digits = static_cast<int32_t>(record_operand(p, frec::digits));
    const int32_t exponent = static_cast<int32_t>((record_word(p, frec::word0) >> 10) & 0x3F);
    e.exponent = exponent == 0 ? 2 : exponent;
    e.next = at + record_size;
    if (e.kind == edit_p) {
        e.scale = e.repeat;
        e.repeat = 1;
    } else if (e.kind == edit_string) {
        e.text = at + record_size;
        const int64_t next = int64_t{e.text} + (int64_t{e.width} + record_size - 1) / record_size * record_size;
        if (next > 0x7FFFFFFF) e.kind = invalid_entry;
        else e.next = static_cast<int32_t>(next);
    }
    return e;
}

Entry decode(const TransferState& s, int32_t at) {
    return precompiled(s) ? decode_record(s.format_code, at) : decode_code(s.format_code, at);
}

bool consumes_item(int32_t kind) { return is_data_edit(kind) || kind == no_descriptor; }

// Data descriptors and strings carry a repeat count.
bool carries_repeat(int32_t kind) { return consumes_item(kind) || kind == edit_string; }

bool small_item(int32_t item_type) {
    return item_type == item_logical1 || item_type == item_logical2 || item_type == item_int1 ||
           item_type == item_int2;
}

void load_real_operands(const Entry& e, int32_t item_type, TransferState& s) {
    if (e.width == 0) {
        const bool wide = item_type == item_real8 || item_type == item_complex16;
        const bool extended = item_type == item_real_ext || item_type == item_complex_ext;
        s.edit_width = extended ? 28 : wide ? 24 : 15;
        s.edit_digits = extended ? 17 : wide ? 15 : 6;
        s.edit_exponent = (extended || wide) ? 3 : 2;
        return;
    }
    s.edit_width = e.width;
    s.edit_digits = e.digits;
    s.edit_exponent = e.kind == edit_f ? 0 : e.exponent;
}

void load_operands(const Entry& e, int32_t item_type, TransferState& s) {
    switch (e.kind) {
    case edit_i: case edit_b: case edit_o: case edit_z:
        s.edit_width = e.width != 0 ? e.width : small_item(item_type) ? 7 : 12;
        s.edit_digits = e.digits;
        break;
    case edit_f: case edit_e: case edit_d: case edit_es: case edit_en: case edit_g:
        load_real_operands(e, item_type, s);
        break;
    case edit_l:
        // Precompiled records leave L0 to the editing routines.
        s.edit_width = (e.width == 0 && !precompiled(s)) ? 2 : e.width;
        break;
    case edit_p: s.scale_factor = e.scale; break;
    case edit_string:
        s.edit_width = e.width;
        s.repeat_item = e.text;
        break;
    case edit_a: case edit_t: case edit_tl: case edit_tr: case edit_x: case edit_slash:
        s.edit_width = e.width;
        break;
    default: break;
    }
}

void start_pass(const TransferState& s, GroupEntry& g) {
    g.pass_position = s.record.position;
    g.pass_limit = s.record.limit;
    g.pass_flags = s.statement_flags;
    g.pass_scale = s.scale_factor;
    g.pass_left_tab = s.left_tab_limit;
    g.pass_moved_on = false;
}

int32_t enter_group(TransferState& s, const Entry& e) {
    if (s.group_depth + 1 > max_group_depth) return report_error(err_group_overflow, s);
    GroupEntry& g = s.group_stack[s.group_depth];
    g.count = std::max(e.repeat, 1);
    g.remaining = g.count;
    g.body = e.next;
    start_pass(s, g);
    s.group_top = s.group_depth;
    ++s.group_depth;
    s.format_cursor = e.next;
    return 0;
}

bool same_as_pass_start(const TransferState& s, const GroupEntry& g) {
    return g.pass_position == s.record.position && g.pass_limit == s.record.limit &&
           g.pass_flags == s.statement_flags && g.pass_scale == s.scale_factor &&
           g.pass_left_tab == s.left_tab_limit;
}

// A pass that handed out no item, "/" or input Q, and left the record, its position and the modes
// as they were, would do exactly the same again, so the remaining passes are skipped. Nested
// repeat counts multiply: "(32767(32767(32767(1X))))" would otherwise take 32767^3 passes.
bool repeat_has_no_effect(const TransferState& s, const GroupEntry& g) {
    return !g.pass_moved_on && same_as_pass_start(s, g);
}

// Marks every pass in progress as having moved on. Q takes an item on input only.
void note_moving_on(TransferState& s, int32_t kind) {
    const bool takes_q = kind == edit_q && statement_kind(s) == kind_read;
    if (!consumes_item(kind) && kind != edit_slash && !takes_q) return;
    for (int32_t i = 0; i < s.group_depth; ++i) s.group_stack[i].pass_moved_on = true;
}

int32_t leave_group(TransferState& s, const Entry& e) {
    if (s.group_depth < 1) return report_error(err_format, s);  // group end without a begin
    GroupEntry& g = s.group_stack[s.group_depth - 1];
    if (--g.remaining > 0 && repeat_has_no_effect(s, g)) g.remaining = 0;
    if (g.remaining > 0) {
        start_pass(s, g);
        s.format_cursor = g.body;
        return 0;
    }
    --s.group_depth;
    s.group_top = std::max(s.group_depth - 1, 0);
    s.format_cursor = e.next;
    return 0;
}

// Whether a data descriptor lies between the reversion point and the end of the format;
// without one, reversion would go round for ever.
bool data_ahead(const TransferState& s, int32_t from, int32_t end) {
    for (int32_t at = from; at < end;) {
        const Entry e = decode(s, at);
        if (consumes_item(e.kind)) return true;
        if (e.kind == invalid_entry || e.next <= at) return false;
        at = e.next;
    }
    return false;
}

// The end of the format with items left: advance the record, then revert.
int32_t revert(TransferState& s, const Entry& end, int32_t at) {
    int32_t target = 0;
    bool to_group = false;
    if (precompiled(s)) {
        const int64_t t = int64_t{at} + int64_t{end.repeat} * record_size;
        if (end.repeat >= 0 || t < 0) return report_error(err_format, s);
        target = static_cast<int32_t>(t);
    } else if (s.group_stack[0].count != 0) {
        target = s.group_stack[0].body;
        to_group = true;
    }
    if (!data_ahead(s, target, at)) return report_error(err_format, s);
    const int32_t rc = statement_kind(s) == kind_read ? next_input_record(s) : end_output_record(s);
    if (rc != 0) return rc;
    s.format_cursor = target;
    s.group_top = 0;
    s.group_depth = to_group ? 1 : 0;
    if (to_group) {
        s.group_stack[0].remaining = s.group_stack[0].count;
        start_pass(s, s.group_stack[0]);
    }
    return 0;
}

// Consumes group structure (and reversion) up to the next descriptor, which it decodes.
int32_t next_descriptor_entry(TransferState& s, Entry& e, int32_t& at) {
    for (;;) {
        at = s.format_cursor;
        e = decode(s, at);
        int32_t rc = 0;
        switch (e.kind) {
        case invalid_entry: return report_error(err_format, s);
        case edit_group_begin: rc = enter_group(s, e); break;
        case edit_group_end: rc = leave_group(s, e); break;
        case edit_end: rc = revert(s, e, at); break;
        default: return 0;
        }
        if (rc != 0) return rc;
    }
}

// Offset of the entry a repeating descriptor came from.
int32_t repeating_entry(const TransferState& s) {
    if (s.repeat_code != edit_string) return s.repeat_item;
    return s.repeat_item - (precompiled(s) ? record_size : 3);
}

}  // namespace

int32_t begin_format(TransferState& s) {
    free_format(s);
    s.format_cursor = 0;
    s.repeat_left = 0;
    s.repeat_item = 0;
    s.repeat_code = edit_end;
    s.group_depth = 0;
    s.group_top = 0;
    s.group_stack[0] = GroupEntry{};
    s.edit_width = s.edit_digits = s.edit_exponent = s.scale_factor = 0;
    if (s.present & pres::precompiled_format) {
        if (s.format_start == nullptr) return report_error(err_format, s);
        s.format_code = precompiled_records(s.format_start);
        s.format_code_length = 0;
        return 0;
    }
    const char* text = static_cast<const char*>(s.format_start);
    int32_t length = text != nullptr ? std::max(s.format_length, 0) : 0;
    if (text == nullptr || text != s.gathered_format) {
        // A text ends at its NUL, never beyond its length; leading digits are the FORMAT label.
        if (const void* nul = std::memchr(text, '\0', static_cast<std::size_t>(length)))
            length = static_cast<int32_t>(static_cast<const char*>(nul) - text);
        while (length > 0 && *text >= '0' && *text <= '9') {
            ++text;
            --length;
        }
    }
    const int32_t rc = compile_format(text, length, s);
    return rc != 0 ? report_error(rc, s) : 0;
}

namespace {

bool stops_at(DescriptorStop stop, EditCode code) {
    if (code == edit_end || is_data_edit(code)) return true;
    if (code == edit_q) return stop != DescriptorStop::output_item;
    return code == edit_colon && stop == DescriptorStop::trailing;
}

}  // namespace

int32_t walk_to_data_descriptor(TransferState& state, int32_t item_type, DescriptorStop stop, ControlStep perform,
                                EditCode& code) {
    for (;;) {
        if (stop == DescriptorStop::trailing && !pending_control(state)) return 0;
        if (int32_t status = next_edit_descriptor(item_type, state, code)) return status;
        if (stops_at(stop, code)) return 0;
        if (int32_t status = perform(state, code)) return status;
    }
}

int32_t next_edit_descriptor(int32_t item_type, TransferState& s, EditCode& code) {
    code = edit_end;
    if (s.format_code == nullptr) return report_error(err_format, s);
    Entry e;
    if (s.repeat_left >= 1) {
        e = decode(s, repeating_entry(s));
    } else {
        int32_t at = 0;
        s.repeat_left = 0;
        if (int32_t rc = next_descriptor_entry(s, e, at)) return rc;
        s.format_cursor = e.next;
        note_moving_on(s, e.kind);
        if (carries_repeat(e.kind)) {
            s.repeat_item = at;
            s.repeat_left = std::max(e.repeat, 1);
        }
    }
    load_operands(e, item_type, s);
    if (carries_repeat(e.kind)) --s.repeat_left;
    s.repeat_code = e.kind;
    code = e.kind == no_descriptor ? edit_end : static_cast<EditCode>(e.kind);
    return 0;
}

bool pending_control(const TransferState& s) {
    if (s.repeat_left >= 1 || s.format_code == nullptr) return false;
    // Walk a copy of the group state; passes are counted so that groups without
    // descriptors cannot keep the look-ahead going round.
    int32_t depth = s.group_depth;
    int32_t remaining[max_group_depth];
    int32_t body[max_group_depth];
    // A level whose whole body was walked in this look-ahead holds nothing but groups: its
    // further passes would meet nothing either (nested counts would take 32767^depth steps).
    bool whole_body[max_group_depth];
    for (int32_t i = 0; i < depth; ++i) {
        remaining[i] = s.group_stack[i].remaining;
        body[i] = s.group_stack[i].body;
        whole_body[i] = false;
    }
    int32_t at = s.format_cursor;
    for (;;) {
        const Entry e = decode(s, at);
        if (e.kind == edit_group_begin) {
            if (depth >= max_group_depth) return true;  // the fetch reports the overflow
            remaining[depth] = std::max(e.repeat, 1);
            whole_body[depth] = true;
            body[depth++] = e.next;
            at = e.next;
        } else if (e.kind == edit_group_end) {
            if (depth < 1) return true;  // the fetch reports the broken format
            if (--remaining[depth - 1] > 0 && !whole_body[depth - 1]) {
                whole_body[depth - 1] = true;
                at = body[depth - 1];
            } else {
                --depth;
                at = e.next;
            }
        } else {
            // A broken record answers true so that the fetch reports it.
            return e.kind == invalid_entry || (e.kind >= edit_t && e.kind <= edit_dollar);
        }
    }
}

}  // namespace fio
