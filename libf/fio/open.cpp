// OPEN: connecting a unit to a file, or changing the few properties a connected unit may change.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <string>
#include <unistd.h>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/heap.h"
#include "libf/fio/open_close.h"
#include "libf/fio/specifiers.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

constexpr int32_t default_buffer_size = 8192;

struct Keyword {
    std::string_view word;
    uint32_t value;
};

// ACTION= values map straight to attribute bits: access, carriage control, delete at close.
constexpr uint32_t rw = attr::readable | attr::writable;
constexpr uint32_t print = attr::writable | attr::fortran_carriage;
constexpr Keyword action_words[] = {
    {"READWRITE", rw}, {"BOTH", rw}, {"NONE", rw}, {"KEEP", rw}, {"SAVE", rw}, {"SUBMIT", rw},
    {"LIST", rw}, {"READ", attr::readable}, {"WRITE", attr::writable}, {"PRINT", print},
    {"FORTRAN", print}, {"DELETE", rw | attr::delete_on_close},
    {"SUBMIT/DELETE", rw | attr::delete_on_close}, {"PRINT/DELETE", print | attr::delete_on_close},
};
constexpr Keyword byte_order_words[] = {{"BIG_ENDIAN", attr::big_endian}, {"LITTLE_ENDIAN", attr::little_endian}};
constexpr Keyword blank_words[] = {{"ZERO", attr::blank_zero}, {"NULL", 0}};

enum AccessValue : uint32_t { access_sequential, access_direct, access_append, access_transparent };
constexpr Keyword access_words[] = {{"DIRECT", access_direct}, {"APPEND", access_append},
                                    {"TRANSPARENT", access_transparent}, {"SEQUENTIAL", access_sequential}};

enum FormValue : uint32_t { form_formatted, form_unformatted, form_binary };
constexpr Keyword form_words[] = {{"UNFORMATTED", form_unformatted}, {"BINARY", form_binary},
                                  {"FORMATTED", form_formatted}};

constexpr Keyword status_words[] = {{"NEW", attr::status_new}, {"OLD", attr::status_old},
                                    {"SCRATCH", attr::status_scratch}, {"UNKNOWN", 0}, {"REPLACE", 0}};
constexpr Keyword position_words[] = {{"APPEND", attr::position_append}, {"ASIS", 0},
                                      {"REWIND", attr::position_rewind}};
constexpr Keyword delim_words[] = {{"APOSTROPHE", '\''}, {"QUOTE", '"'}, {"NONE", 0}};
constexpr Keyword pad_words[] = {{"YES", attr::pad_yes}, {"NO", 0}};
constexpr Keyword carriage_words[] = {{"FORTRAN", attr::fortran_carriage}, {"LIST", 0}};

// True when the specifier names one of the table's keywords; value receives its meaning.
bool lookup(const SpecText& specifier, std::span<const Keyword> table, uint32_t& value) {
    char text[specifier_buffer_size];
    upcase_specifier(specifier, text, sizeof text);
    for (const Keyword& k : table) {
        if (keyword_equals(text, k.word)) {
            value = k.value;
            return true;
        }
    }
    return false;
}

uint32_t bits_if(bool condition, uint32_t bits) { return condition ? bits : 0u; }

void replace_bits(uint32_t& word, uint32_t mask, uint32_t bits) { word = (word & ~mask) | bits; }

// The connection an OPEN asks for: the unit's properties, or the defaults, with every given
// specifier applied.
struct Connection {
    uint32_t attributes = rw | attr::pad_yes;
    uint32_t given = attr::record_markers;  // attribute bits compared with a connected unit
    int32_t record_length = 0;
    int32_t buffer_size = default_buffer_size;
    int32_t max_record = no_record_limit;
    uint32_t stream_kind = 0;
    int32_t delimiter = 0;
};

// Attribute bits that describe a connection (as opposed to the unit's running state).
constexpr uint32_t connection_bits = rw | attr::fortran_carriage | attr::delete_on_close |
                                     attr::blank_zero | attr::unformatted | attr::direct |
                                     attr::record_markers | attr::status_mask | attr::position_mask |
                                     attr::big_endian | attr::little_endian | attr::pad_yes;

Connection from_unit(const UnitBlock& unit) {
    Connection c;
    c.attributes = unit.attributes & connection_bits;
    c.record_length = unit.record_length;
    c.buffer_size = unit.buffer_size;
    c.max_record = unit.max_record;
    c.stream_kind = unit.stream_kind;
    c.delimiter = unit.delimiter;
    return c;
}

int32_t apply_action(const TransferState& s, Connection& c, bool connected) {
    if (has(s.present, open_present::action)) {
        uint32_t v = 0;
        if (!lookup(s.action_text, action_words, v)) return err_bad_iolist;
        replace_bits(c.attributes, rw, v & rw);
        c.attributes |= v & (attr::fortran_carriage | attr::delete_on_close);
        c.given |= rw;
    } else if (!connected && has(s.present, open_present::read_only)) {
        replace_bits(c.attributes, rw, attr::readable);
    }
    return 0;
}

int32_t apply_byte_order(const TransferState& s, Connection& c, bool connected) {
    constexpr uint32_t mask = attr::big_endian | attr::little_endian;
    if (has(s.options, open_option::convert)) {
        uint32_t v = 0;
        if (!lookup(s.convert_text, byte_order_words, v)) return err_endian;
        replace_bits(c.attributes, mask, v);
    } else if (!connected) {
        replace_bits(c.attributes, mask,
                     has(s.options, open_option::big_endian_default) ? attr::big_endian : attr::little_endian);
    }
    return 0;
}

int32_t apply_blank_access_form(const TransferState& s, Connection& c, bool connected) {
    uint32_t v = 0;
    if (has(s.present, open_present::blank)) {
        if (!lookup(s.blank_text, blank_words, v)) return err_bad_iolist;
        replace_bits(c.attributes, attr::blank_zero, v);
    }
    if (has(s.present, open_present::access)) {
        if (!lookup(s.access_text, access_words, v)) return err_bad_iolist;
        if (c.stream_kind == stream_transparent) c.stream_kind = 0;
        replace_bits(c.attributes, attr::direct, bits_if(v == access_direct, attr::direct));
        if (v == access_append) replace_bits(c.attributes, attr::position_mask, attr::position_append);
        if (v == access_transparent) c.stream_kind = stream_transparent;
        c.given |= attr::direct;
    }
    if (has(s.present, open_present::form)) {
        if (!lookup(s.form_text, form_words, v)) return err_bad_iolist;
        if (c.stream_kind == stream_binary) c.stream_kind = 0;
        replace_bits(c.attributes, attr::unformatted, bits_if(v != form_formatted, attr::unformatted));
        if (v == form_binary) c.stream_kind = stream_binary;
        c.given |= attr::unformatted;
    } else if (!connected && has(c.attributes, attr::direct)) {
        c.attributes |= attr::unformatted;
    }
    return 0;
}

int32_t apply_status_position(const TransferState& s, Connection& c) {
    uint32_t v = 0;
    if (has(s.present, open_present::status)) {
        if (!lookup(s.status_text, status_words, v)) return err_bad_iolist;
        if (v == attr::status_scratch) {
            if (has(s.present, open_present::file)) return err_bad_file;
            c.attributes |= attr::delete_on_close;
        }
        replace_bits(c.attributes, attr::status_mask, v);
        c.given |= attr::delete_on_close;
    }
    if (has(s.present, open_present::position)) {
        if (!lookup(s.position_text, position_words, v)) return err_bad_iolist;
        replace_bits(c.attributes, attr::position_mask, v);
    }
    return 0;
}

bool sequential_records(const Connection& c) {
    return has(c.attributes, attr::unformatted) && !has(c.attributes, attr::direct) && c.stream_kind == 0;
}

int32_t apply_sizes(const TransferState& s, Connection& c, bool connected) {
    const bool direct = has(c.attributes, attr::direct);
    const bool unformatted = has(c.attributes, attr::unformatted);
    if (has(s.present, open_present::recl)) {
        if (!direct && !has(s.options, open_option::recl_any_access)) return err_recl_not_direct;
        int64_t recl = *s.recl_var;
        if (unformatted && has(s.options, open_option::recl_in_words)) recl *= 4;
        if (recl < 1 || recl > no_record_limit) return err_bad_recl;
        // Unformatted sequential records are bounded by their markers, not by RECL=.
        c.record_length = unformatted && !direct ? no_record_limit : static_cast<int32_t>(recl);
        if (direct) c.buffer_size = c.record_length;
    } else if (direct) {
        if (c.record_length < 1) return err_bad_recl;
    } else if (!connected) {
        c.record_length = no_record_limit;
    }
    if (has(s.present, open_present::blocksize)) {
        const int32_t size = *s.blocksize_var;
        if (size < 0) return err_bad_iolist;
        if (size == 0)
            c.attributes |= attr::char_device;  // written through record by record
        else
            c.buffer_size = size;
    }
    // A connected unit keeps its markers unless FORM= or ACCESS= describe the connection anew.
    if (!connected || has(s.present, open_present::form | open_present::access))
        replace_bits(c.attributes, attr::record_markers,
                     bits_if(sequential_records(c) && has(s.options, open_option::default_markers), attr::record_markers));
    if (has(s.present, open_present::block)) {
        if (!sequential_records(c)) return err_block_not_unformatted;
        const int32_t markers = *s.block_var;
        if (markers != -1 && markers != 0) return err_bad_iolist;
        replace_bits(c.attributes, attr::record_markers, bits_if(markers == -1, attr::record_markers));
    }
    if (has(s.present, open_present::maxrec)) c.max_record = *s.maxrec_var;
    return 0;
}

int32_t apply_text_options(const TransferState& s, Connection& c) {
    uint32_t v = 0;
    if (has(s.options, open_option::delim)) {
        if (!lookup(s.delim_text, delim_words, v)) return err_delim;
        c.delimiter = static_cast<int32_t>(v);
    }
    if (has(s.options, open_option::pad)) {
        if (has(c.attributes, attr::unformatted)) return err_pad_unformatted;
        if (!lookup(s.pad_text, pad_words, v)) return err_pad;
        replace_bits(c.attributes, attr::pad_yes, v);
    }
    if (has(s.options, open_option::carriage)) {
        if (!lookup(s.carriage_text, carriage_words, v)) return err_bad_iolist;
        replace_bits(c.attributes, attr::fortran_carriage, v);
    }
    return 0;
}

// Builds the whole connection before anything is changed, so a refusal leaves every unit as it was.
int32_t build_connection(const TransferState& s, Connection& c, bool connected) {
    if (int32_t e = apply_action(s, c, connected)) return e;
    if (int32_t e = apply_byte_order(s, c, connected)) return e;
    if (int32_t e = apply_blank_access_form(s, c, connected)) return e;
    if (int32_t e = apply_status_position(s, c)) return e;
    if (int32_t e = apply_sizes(s, c, connected)) return e;
    return apply_text_options(s, c);
}

// A connected unit accepts a re-OPEN only when nothing but BLANK, carriage control, DELIM and PAD
// would change.
int32_t update_connected(TransferState& s, UnitBlock& unit, const Connection& c) {
    const Connection now = from_unit(unit);
    constexpr uint32_t fixed = rw | attr::status_mask | attr::position_mask;
    const bool same = c.record_length == now.record_length && c.max_record == now.max_record &&
                      unit.buffer_size >= c.buffer_size && c.stream_kind == now.stream_kind &&
                      ((c.attributes ^ now.attributes) & (fixed | c.given)) == 0;
    if (!same) return report_error(err_open_mismatch, s);
    replace_bits(unit.attributes, attr::blank_zero | attr::fortran_carriage,
                 c.attributes & (attr::blank_zero | attr::fortran_carriage));
    if (has(s.options, open_option::delim)) unit.delimiter = c.delimiter;
    if (has(s.options, open_option::pad)) replace_bits(unit.attributes, attr::pad_yes, c.attributes & attr::pad_yes);
    set_statement_kind(s, kind_rewind);
    return status_ok;
}

UnitBlock* find_console_unit(TransferState& s, int32_t number) {
    for (UnitBlock* u = s.units; u != nullptr; u = u->next)
        if (u->unit_number == number) return u;
    return nullptr;
}

// On the console, BLANK= or ACTION="READ" means the input unit and any other ACTION= the output unit.
UnitBlock* console_target(TransferState& s, UnitBlock* unit) {
    if (unit->unit_number != console_input_unit && unit->unit_number != console_output_unit) return unit;
    int32_t wanted = unit->unit_number;
    uint32_t action = 0;
    if (has(s.present, open_present::blank))
        wanted = console_input_unit;
    else if (has(s.present, open_present::action))
        wanted = lookup(s.action_text, action_words, action) && action == attr::readable ? console_input_unit
                                                                                          : console_output_unit;
    UnitBlock* target = find_console_unit(s, wanted);
    return target != nullptr ? target : unit;
}

bool names_other_file(const TransferState& s, const UnitBlock& unit) {
    const std::string_view file = trim_blanks(specifier_view(s.file_text));
    return unit.file_name == nullptr || file != trim_blanks(unit.file_name);
}

char* copy_name(std::string_view name) {
    auto* text = static_cast<char*>(alloc_mem(name.size() + 1, false));
    if (text == nullptr) return nullptr;
    std::memcpy(text, name.data(), name.size());
    text[name.size()] = '\0';
    return text;
}

// A half-built unit: what it opened or created goes again, then the error is reported.
struct NewUnit {
    TransferState& state;
    UnitBlock* unit;
    bool opened = false;
    bool created = false;  // the file did not exist (or is our scratch file)

    int32_t fail(int32_t error) {
        if (opened)
            close_file(*unit, created);
        else if (created && unit->file_name != nullptr)
            ::unlink(unit->file_name);
        release_unit(state, unit);
        return report_error(error, state);
    }
};

int32_t name_file(TransferState& s, NewUnit& n, bool scratch) {
    std::string name;
    if (has(s.present, open_present::file)) {
        name = trim_blanks(specifier_view(s.file_text));
        if (name.empty()) return err_bad_file;
    } else if (scratch) {
        name = scratch_name();
        if (name.empty()) return err_bad_file;
        n.created = true;
    } else {
        name = "fort." + std::to_string(n.unit->unit_number);
    }
    n.unit->file_name = copy_name(name);
    if (n.unit->file_name == nullptr) {
        if (scratch) ::unlink(name.c_str());
        return err_allocation;
    }
    return 0;
}

int32_t grow_record_buffer(RecordBuffer& record, int32_t size) {
    if (record.capacity >= size && record.data != nullptr) return 0;
    void* data = realloc_mem(record.data, static_cast<std::size_t>(size));
    if (data == nullptr) return err_allocation;
    record.data = static_cast<char*>(data);
    record.capacity = size;
    return 0;
}

// Blocks hold whole records: the block size is raised to one record and cut to a multiple of it.
int32_t set_up_direct(TransferState& s, UnitBlock& unit) {
    const int32_t recl = unit.record_length;
    const int32_t block = unit.buffer_size < recl ? recl : unit.buffer_size;
    unit.records_per_block = block / recl;
    unit.buffer_size = recl * unit.records_per_block;
    unit.block_number = -1;
    return grow_record_buffer(s.record, block);
}

OpenAction action_of(uint32_t attributes) {
    if (has(attributes, attr::readable) && has(attributes, attr::writable)) return OpenAction::readwrite;
    return has(attributes, attr::readable) ? OpenAction::read : OpenAction::write;
}

// An OPEN that did not ask for an action gets read access alone on a file it may not write.
void open_with_fallback(const TransferState& s, UnitBlock& unit, OpenStatus status, bool append) {
    const OpenAction action = action_of(unit.attributes);
    open_file(unit, status, action, append);
    const int32_t error = unit.last_error;
    const bool may_fall_back = action == OpenAction::readwrite && status == OpenStatus::old_file &&
                               !has(s.present, open_present::action);
    if (error == 0 || !may_fall_back || (error != EACCES && error != EROFS && error != EPERM)) return;
    open_file(unit, status, OpenAction::read, append);
    if (unit.last_error == 0)
        unit.attributes &= ~attr::writable;
    else
        unit.last_error = error;
}

int32_t connect_new(TransferState& s, const Connection& c, UnitBlock* old_unit) {
    UnitBlock* unit = new_unit(s);
    if (unit == nullptr) return report_error(err_allocation, s);
    NewUnit n{s, unit};
    unit->handle = no_handle;
    unit->unit_number = statement_unit_number(s);
    unit->stream_kind = c.stream_kind;
    unit->delimiter = c.delimiter;
    unit->record_length = c.record_length;
    unit->buffer_size = c.buffer_size;
    unit->max_record = c.max_record;
    const uint32_t position = c.attributes & attr::position_mask;
    unit->attributes = c.attributes | (position == attr::position_rewind   ? attr::at_connect_rewind
                                       : position == attr::position_append ? attr::at_connect_append
                                                                           : attr::at_connect_asis);
    const uint32_t status = c.attributes & attr::status_mask;
    if (int32_t e = name_file(s, n, status == attr::status_scratch)) return n.fail(e);

    const bool exists = file_size(*unit) >= 0;
    if (status == attr::status_new && exists) return n.fail(err_new_exists);
    const bool make_new = status == attr::status_new || status == attr::status_scratch ||
                          (status != attr::status_old && !exists);
    n.created = n.created || (make_new && !exists);

    const bool direct = has(unit->attributes, attr::direct);
    if (direct) {
        if (int32_t e = set_up_direct(s, *unit)) return n.fail(e);
    }
    const bool append = !direct && position == attr::position_append;
    open_with_fallback(s, *unit, make_new ? OpenStatus::new_file : OpenStatus::old_file, append);
    if (unit->last_error != 0) return n.fail(unit->last_error);
    n.opened = true;

    if (is_char_device(*unit))
        unit->attributes |= attr::char_device;
    else if (!direct && !append && !has(unit->attributes, attr::char_device))
        unit->attributes |= attr::truncate_pending;  // the first write cuts off the old contents
    unit->buffer = static_cast<char*>(alloc_mem(static_cast<std::size_t>(unit->buffer_size), true));
    if (unit->buffer == nullptr) return n.fail(err_allocation);
    if (append) {
        if (int32_t e = count_existing_records(*unit)) return n.fail(e);
    }

    // The old connection goes only once the new one stands.
    if (old_unit != nullptr) {
        if (int32_t status_code = disconnect_unit(s, *old_unit, false)) return status_code;
    }
    set_statement_kind(s, kind_rewind);
    return status_ok;
}

}  // namespace

int32_t open_unit(TransferState& s) {
    poll_console();
    set_statement_kind(s, kind_open);
    if (has(s.present, open_present::iostat)) store_iostat(s, 0);
    if (int32_t e = ensure_record_buffers(s)) return report_error(e, s);

    uint32_t status = 0;
    const bool scratch = has(s.present, open_present::status) && lookup(s.status_text, status_words, status) &&
                         status == attr::status_scratch;
    if (has(s.present, open_present::file) || scratch) s.statement_flags |= sflag::no_console_create;
    const int32_t found = find_unit(s);
    s.statement_flags &= ~sflag::no_console_create;
    if (found != 0) return report_error(found, s);

    UnitBlock* unit = s.current_unit;
    bool reconnect = false;
    if (unit != nullptr) {
        if (has(unit->attributes, attr::console)) {
            unit = console_target(s, unit);
            s.current_unit = unit;
        } else if (has(s.present, open_present::file) ? names_other_file(s, *unit) : scratch) {
            reconnect = true;
        }
    }
    const bool connected = unit != nullptr && !reconnect;
    Connection c = connected ? from_unit(*unit) : Connection{};
    if (int32_t e = build_connection(s, c, connected)) return report_error(e, s);
    if (connected) return update_connected(s, *unit, c);
    return connect_new(s, c, reconnect ? unit : nullptr);
}

namespace {

// Reads the file from its start through a cursor over the unit's block buffer.
struct FileCursor {
    UnitBlock& unit;
    int64_t block_start = 0;
    int64_t offset = 0;

    // 1 and the byte, 0 at the end of the file, -1 on an error.
    int next(char& byte) {
        if (offset >= block_start + unit.buffer_fill) {
            block_start = offset;
            seek(unit, offset);
            if (unit.last_error == 0) read_block(unit);
            if (unit.last_error != 0) return -1;
            if (unit.buffer_fill == 0) return 0;
        }
        byte = unit.buffer[offset - block_start];
        ++offset;
        return 1;
    }
};

// Record count of a formatted file: its line feeds.
int32_t count_lines(UnitBlock& unit, int64_t size, int32_t& count) {
    int64_t offset = 0;
    while (offset < size) {
        seek(unit, offset);
        if (unit.last_error == 0) read_block(unit);
        if (unit.last_error != 0) return unit.last_error;
        if (unit.buffer_fill == 0) break;
        const int64_t n = std::min<int64_t>(unit.buffer_fill, size - offset);
        for (int64_t i = 0; i < n; ++i)
            if (unit.buffer[i] == '\n') ++count;
        offset += unit.buffer_fill;
    }
    return 0;
}

// Record count of a file with length markers; a marker that cannot be right ends the walk.
int32_t count_marked_records(UnitBlock& unit, int64_t size, int32_t& count) {
    const bool big = has(unit.attributes, attr::big_endian);
    FileCursor cursor{unit};
    unit.buffer_fill = 0;
    int64_t at = 0;
    while (at + 4 <= size) {
        uint32_t length = 0;
        for (int i = 0; i < 4; ++i) {
            char byte = 0;
            const int got = cursor.next(byte);
            if (got < 0) return unit.last_error;
            if (got == 0) return 0;
            length |= static_cast<uint32_t>(static_cast<unsigned char>(byte)) << (big ? 24 - 8 * i : 8 * i);
        }
        if (length > 0x7FFFFFFFu || at + 8 + static_cast<int64_t>(length) > size) return 0;
        at += 8 + static_cast<int64_t>(length);
        cursor.offset = at;
        ++count;
    }
    return 0;
}

int32_t count_records(UnitBlock& unit, int64_t size, int32_t& count) {
    if (unit.stream_kind != 0) return 0;
    if (!has(unit.attributes, attr::unformatted)) return count_lines(unit, size, count);
    if (has(unit.attributes, attr::record_markers)) return count_marked_records(unit, size, count);
    return 0;
}

// A unit opened for writing alone cannot read its file: count through a read-only look at it.
int32_t count_through_reader(const UnitBlock& unit, int64_t size) {
    UnitBlock reader{};
    reader.handle = no_handle;
    reader.file_name = unit.file_name;
    reader.attributes = unit.attributes;
    reader.stream_kind = unit.stream_kind;
    reader.buffer_size = unit.buffer_size;
    std::string block(static_cast<std::size_t>(unit.buffer_size), '\0');
    reader.buffer = block.data();
    open_file(reader, OpenStatus::old_file, OpenAction::read, false);
    if (reader.last_error != 0) return 0;
    int32_t count = 0;
    count_records(reader, size, count);
    close_file(reader, false);
    return count;
}

}  // namespace

int32_t count_existing_records(UnitBlock& unit) {
    const int64_t size = unit.base_offset;
    if (size == 0) return 0;  // nothing before the end: a new file, a device or a pipe
    if (!has(unit.attributes, attr::readable)) {
        // Writes go on at the end of the file, counted from base_offset.
        unit.record_number = count_through_reader(unit, size);
        return 0;
    }
    int32_t count = 0;
    if (int32_t e = count_records(unit, size, count)) return e;
    // Load the last block so that the next write continues it in place.
    const int64_t block = size / unit.buffer_size;
    seek(unit, block * unit.buffer_size);
    if (unit.last_error == 0) read_block(unit);
    if (unit.last_error != 0) return unit.last_error;
    unit.buffer_pos = unit.buffer_fill;
    unit.block_number = static_cast<int32_t>(block + 1);
    unit.attributes |= attr::read_from_file;
    unit.record_number = count;
    unit.base_offset = 0;
    return 0;
}

int32_t open_statement(const std::intptr_t* v) {
    TransferState& s = transfer_state();
    start_statement(s, {.present = open_present::unit,
                        .options = open_option::open_entry,
                        .unit_spec = v[open_arg::unit],
                        .iostat_var = reinterpret_cast<void*>(v[open_arg::iostat]),
                        .err_given = v[open_arg::err] != 0});
    if (s.iostat_var != nullptr) s.present |= open_present::iostat;
    if (s.err_given != 0) s.present |= open_present::err;
    auto text = [&](int entry, SpecText& field, uint32_t& mask, uint32_t bit) {
        if (v[entry] == 0) return;
        field.text = reinterpret_cast<char*>(v[entry]);
        field.length = static_cast<int32_t>(v[entry + 1]);
        mask |= bit;
    };
    auto integer = [&](int entry, int32_t*& field, uint32_t bit) {
        if (v[entry] == 0) return;
        field = reinterpret_cast<int32_t*>(v[entry]);
        s.present |= bit;
    };
    text(open_arg::file, s.file_text, s.present, open_present::file);
    text(open_arg::status, s.status_text, s.present, open_present::status);
    text(open_arg::access, s.access_text, s.present, open_present::access);
    text(open_arg::form, s.form_text, s.present, open_present::form);
    integer(open_arg::recl, s.recl_var, open_present::recl);
    text(open_arg::blank, s.blank_text, s.present, open_present::blank);
    text(open_arg::position, s.position_text, s.present, open_present::position);
    text(open_arg::action, s.action_text, s.present, open_present::action);
    text(open_arg::delim, s.delim_text, s.options, open_option::delim);
    text(open_arg::pad, s.pad_text, s.options, open_option::pad);
    text(open_arg::convert, s.convert_text, s.options, open_option::convert);
    integer(open_arg::blocksize, s.blocksize_var, open_present::blocksize);
    text(open_arg::carriage, s.carriage_text, s.options, open_option::carriage);
    return open_unit(s);
}

namespace {

std::intptr_t word(const void* p) { return reinterpret_cast<std::intptr_t>(p); }

void put_text(std::intptr_t* v, int entry, std::string_view text) {
    if (text.data() == nullptr) return;
    v[entry] = word(text.data());
    v[entry + 1] = static_cast<std::intptr_t>(text.size());
}

}  // namespace

int32_t open_connection(const OpenArgs& a) {
    std::intptr_t v[open_arg::count] = {};
    const int32_t unit = a.unit;
    const int32_t recl = a.recl.value_or(0);
    const int32_t blocksize = a.blocksize.value_or(0);
    v[open_arg::unit] = word(&unit);
    v[open_arg::iostat] = word(a.iostat);
    v[open_arg::err] = a.err ? 1 : 0;
    put_text(v, open_arg::file, a.file);
    put_text(v, open_arg::status, a.status);
    put_text(v, open_arg::access, a.access);
    put_text(v, open_arg::form, a.form);
    if (a.recl) v[open_arg::recl] = word(&recl);
    put_text(v, open_arg::blank, a.blank);
    put_text(v, open_arg::position, a.position);
    put_text(v, open_arg::action, a.action);
    put_text(v, open_arg::delim, a.delim);
    put_text(v, open_arg::pad, a.pad);
    put_text(v, open_arg::convert, a.convert);
    if (a.blocksize) v[open_arg::blocksize] = word(&blocksize);
    put_text(v, open_arg::carriage, a.carriagecontrol);
    return open_statement(v);
}

}  // namespace fio
