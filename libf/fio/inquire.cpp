// INQUIRE: the properties of a unit, or of a file by its name, answered from the unit list and the
// file system.
#include "libf/fio/inquire.h"

#include <string>

#include "libf/fio/errors.h"
#include "libf/fio/file_layer.h"
#include "libf/fio/specifiers.h"
#include "libf/fio/units.h"

namespace fio {

namespace {

// What the statement asks about, as the columns of the answer table tell them apart.
enum class Subject { connected, existing_file, unconnected_number, missing_file };

struct Target {
    Subject subject = Subject::unconnected_number;
    UnitBlock* unit = nullptr;  // the connected unit
    std::string name;           // FILE= with its blanks trimmed
    int64_t size = -1;          // the named file's size, -1 when it does not exist
};

// A text answer goes to its variable blank-padded or cut; the length-prefixed form is honoured.
void answer_text(bool given, const SpecText& specifier, std::string_view value) {
    if (!given || specifier.text == nullptr) return;
    if (specifier.length < 0)
        fill_text(value, specifier.text + 1, static_cast<unsigned char>(specifier.text[0]));
    else
        fill_text(value, specifier.text, specifier.length);
}

void answer_int(bool given, int32_t* variable, int64_t value) {
    if (!given || variable == nullptr) return;
    // A size beyond the variable's range saturates rather than turning negative.
    *variable = value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

void answer_file_size(TransferState& s, int64_t size) {
    answer_int(has(s.present, inquire_present::size), s.size_var, size);
    answer_int(has(s.options, inquire_option::filesize), s.filesize_var, size);
}

bool is_console(const UnitBlock& unit) { return has(unit.attributes, attr::console); }

UnitBlock* unit_named(TransferState& s, std::string_view name) {
    for (UnitBlock* u = s.units; u != nullptr; u = u->next)
        if (!is_console(*u) && u->file_name != nullptr && name == u->file_name) return u;
    return nullptr;
}

// Resolves FILE=: a connected unit of that name, else the file system. Returns 0 or an error.
int32_t target_by_file(TransferState& s, Target& t) {
    if (has(s.present, inquire_present::file)) t.name = trim_blanks(specifier_view(s.file_text));
    if (t.name.empty()) return err_bad_file;
    t.unit = unit_named(s, t.name);
    if (t.unit != nullptr) {
        t.subject = Subject::connected;
        return 0;
    }
    // A unit that is never in the list carries the name for the existence test.
    UnitBlock probe{};
    probe.file_name = t.name.data();
    t.size = file_size(probe);
    t.subject = t.size >= 0 ? Subject::existing_file : Subject::missing_file;
    return 0;
}

int32_t target_by_unit(TransferState& s, Target& t) {
    if (int32_t error = find_unit(s)) return error;
    t.unit = s.current_unit;
    t.subject = t.unit != nullptr ? Subject::connected : Subject::unconnected_number;
    return 0;
}

std::string_view yes_no(bool yes) { return yes ? "YES" : "NO"; }

std::string_view access_of(const UnitBlock& u) {
    if (has(u.attributes, attr::direct)) return "DIRECT";
    return u.stream_kind == stream_transparent ? "TRANSPARENT" : "SEQUENTIAL";
}

std::string_view form_of(const UnitBlock& u) {
    if (u.stream_kind == stream_binary) return "BINARY";
    return has(u.attributes, attr::unformatted) ? "UNFORMATTED" : "FORMATTED";
}

std::string_view position_of(const UnitBlock& u) {
    if (has(u.attributes, attr::at_connect_rewind)) return "REWIND";
    if (has(u.attributes, attr::at_connect_asis)) return "ASIS";
    if (has(u.attributes, attr::at_connect_append)) return "APPEND";
    return "UNKNOWN";
}

std::string_view action_of(const UnitBlock& u) {
    const bool reads = has(u.attributes, attr::readable);
    const bool writes = has(u.attributes, attr::writable);
    if (reads && writes) return "READWRITE";
    return reads ? "READ" : "WRITE";
}

std::string_view delim_of(const UnitBlock& u) {
    if (u.delimiter == '\'') return "APOSTROPHE";
    return u.delimiter == '"' ? "QUOTE" : "NONE";
}

std::string_view blank_of(const UnitBlock& u) {
    if (has(u.attributes, attr::unformatted)) return "UNDEFINED";
    return has(u.attributes, attr::blank_zero) ? "ZERO" : "NULL";
}

void answer_connected(TransferState& s, UnitBlock& u) {
    const uint32_t p = s.present;
    const uint32_t o = s.options;
    const bool direct = has(u.attributes, attr::direct);
    const bool unformatted = has(u.attributes, attr::unformatted);
    if (!is_console(u) && u.file_name != nullptr)
        answer_text(has(p, inquire_present::name), s.name_text, u.file_name);
    answer_text(has(p, inquire_present::access), s.access_text, access_of(u));
    answer_text(has(p, inquire_present::direct), s.direct_text, yes_no(direct));
    answer_text(has(p, inquire_present::sequential), s.sequential_text, yes_no(!direct));
    answer_text(has(p, inquire_present::formatted), s.formatted_text, yes_no(!unformatted));
    answer_text(has(p, inquire_present::unformatted), s.unformatted_text, yes_no(unformatted));
    if (has(p, inquire_present::size) || has(o, inquire_option::filesize)) answer_file_size(s, file_size(u));

    answer_int(has(p, inquire_present::number), s.number_var, u.unit_number);
    answer_text(has(p, inquire_present::form), s.form_text, form_of(u));
    answer_int(has(p, inquire_present::recl), s.recl_var, u.record_length);
    answer_int(has(p, inquire_present::nextrec), s.nextrec_var, static_cast<int64_t>(u.record_number) + 1);
    answer_text(has(p, inquire_present::blank), s.blank_text, blank_of(u));
    answer_text(has(p, inquire_present::position), s.position_text, position_of(u));
    answer_text(has(p, inquire_present::action), s.action_text, action_of(u));
    answer_text(has(o, inquire_option::read), s.read_text, yes_no(has(u.attributes, attr::readable)));
    answer_text(has(o, inquire_option::write), s.write_text, yes_no(has(u.attributes, attr::writable)));
    answer_text(has(o, inquire_option::readwrite), s.readwrite_text,
                yes_no(has(u.attributes, attr::readable) && has(u.attributes, attr::writable)));
    answer_text(has(o, inquire_option::delim), s.delim_text, delim_of(u));
    answer_text(has(o, inquire_option::pad), s.pad_text, yes_no(has(u.attributes, attr::pad_yes)));
    answer_text(has(o, inquire_option::carriage), s.carriage_text,
                has(u.attributes, attr::fortran_carriage) ? "FORTRAN" : "LIST");
    answer_int(has(p, inquire_present::blocksize), s.blocksize_var,
               has(u.attributes, attr::char_device) ? 0 : u.buffer_size);
}

// An existing file that no unit is connected to, a unit number without a connection, or a file
// that does not exist.
void answer_unconnected(TransferState& s, const Target& t) {
    const uint32_t p = s.present;
    const uint32_t o = s.options;
    const bool file_exists = t.subject == Subject::existing_file;
    if (file_exists) answer_text(has(p, inquire_present::name), s.name_text, t.name);
    if (t.subject != Subject::missing_file) {
        constexpr std::string_view unknown = "UNKNOWN";
        answer_text(has(p, inquire_present::sequential), s.sequential_text, unknown);
        answer_text(has(p, inquire_present::direct), s.direct_text, unknown);
        answer_text(has(p, inquire_present::formatted), s.formatted_text, unknown);
        answer_text(has(p, inquire_present::unformatted), s.unformatted_text, unknown);
        // A unit number names no file, so there is no size to ask the file system for.
        answer_file_size(s, file_exists ? t.size : -1);
    }
    constexpr std::string_view undefined = "UNDEFINED";
    answer_int(has(p, inquire_present::number), s.number_var, -1);
    answer_text(has(p, inquire_present::access), s.access_text, undefined);
    answer_text(has(p, inquire_present::form), s.form_text, undefined);
    answer_text(has(p, inquire_present::blank), s.blank_text, undefined);
    answer_text(has(p, inquire_present::position), s.position_text, undefined);
    answer_text(has(p, inquire_present::action), s.action_text, undefined);
    answer_text(has(o, inquire_option::delim), s.delim_text, undefined);
    answer_text(has(o, inquire_option::read), s.read_text, "UNKNOWN");
    answer_text(has(o, inquire_option::write), s.write_text, "UNKNOWN");
    answer_text(has(o, inquire_option::readwrite), s.readwrite_text, "UNKNOWN");
    answer_text(has(o, inquire_option::pad), s.pad_text, "YES");
}

}  // namespace

int32_t inquire_unit(TransferState& s) {
    set_statement_kind(s, kind_inquire);
    Target t;
    const int32_t error = has(s.present, inquire_present::unit) ? target_by_unit(s, t) : target_by_file(s, t);
    if (error != 0) return report_error(error, s);

    const bool connected = t.subject == Subject::connected;
    const bool exists = t.subject != Subject::missing_file;
    const bool named = t.subject == Subject::existing_file || (connected && !is_console(*t.unit));
    answer_int(has(s.present, inquire_present::opened), s.opened_var, connected ? 1 : 0);
    answer_int(has(s.present, inquire_present::exist), s.exist_var, exists ? 1 : 0);
    answer_int(has(s.present, inquire_present::named), s.named_var, named ? 1 : 0);
    if (connected)
        answer_connected(s, *t.unit);
    else
        answer_unconnected(s, t);

    // A connected unit's pending operating-system error comes out here.
    const int32_t pending = connected ? t.unit->last_error : 0;
    store_iostat(s, pending);
    if (has(s.present, inquire_present::err) && pending != 0) return status_error;
    set_statement_kind(s, kind_rewind);
    return status_ok;
}

int32_t inquire_statement(const std::intptr_t* v) {
    TransferState& s = transfer_state();
    start_statement(s, {.unit_spec = v[inquire_arg::unit],
                        .iostat_var = reinterpret_cast<void*>(v[inquire_arg::iostat]),
                        .err_given = v[inquire_arg::err] != 0});
    auto text = [&](int entry, SpecText& field, uint32_t& mask, uint32_t bit) {
        if (v[entry] == 0) return;
        field.text = reinterpret_cast<char*>(v[entry]);
        field.length = static_cast<int32_t>(v[entry + 1]);
        mask |= bit;
    };
    auto integer = [&](int entry, int32_t*& field, uint32_t& mask, uint32_t bit) {
        if (v[entry] == 0) return;
        field = reinterpret_cast<int32_t*>(v[entry]);
        mask |= bit;
    };
    using namespace inquire_present;
    namespace arg = inquire_arg;
    namespace option = inquire_option;
    if (s.unit_spec != 0)
        s.present |= unit;
    else
        text(arg::file, s.file_text, s.present, file);
    if (s.iostat_var != nullptr) s.present |= iostat;
    if (s.err_given != 0) s.present |= err;
    integer(arg::exist, s.exist_var, s.present, exist);
    integer(arg::opened, s.opened_var, s.present, opened);
    integer(arg::number, s.number_var, s.present, number);
    integer(arg::named, s.named_var, s.present, named);
    text(arg::name, s.name_text, s.present, name);
    text(arg::access, s.access_text, s.present, access);
    text(arg::sequential, s.sequential_text, s.present, sequential);
    text(arg::direct, s.direct_text, s.present, direct);
    text(arg::form, s.form_text, s.present, form);
    text(arg::formatted, s.formatted_text, s.present, formatted);
    text(arg::unformatted, s.unformatted_text, s.present, unformatted);
    integer(arg::recl, s.recl_var, s.present, recl);
    integer(arg::nextrec, s.nextrec_var, s.present, nextrec);
    text(arg::blank, s.blank_text, s.present, blank);
    text(arg::position, s.position_text, s.present, position);
    text(arg::action, s.action_text, s.present, action);
    text(arg::read, s.read_text, s.options, option::read);
    text(arg::write, s.write_text, s.options, option::write);
    text(arg::readwrite, s.readwrite_text, s.options, option::readwrite);
    text(arg::delim, s.delim_text, s.options, option::delim);
    text(arg::pad, s.pad_text, s.options, option::pad);
    integer(arg::blocksize, s.blocksize_var, s.present, blocksize);
    text(arg::carriage, s.carriage_text, s.options, option::carriage);
    integer(arg::filesize, s.filesize_var, s.options, option::filesize);
    return inquire_unit(s);
}

int32_t inquire_connection(const InquireArgs& a) {
    std::intptr_t v[inquire_arg::count] = {};
    const int32_t unit = a.unit.value_or(0);
    auto address = [](const void* p) { return reinterpret_cast<std::intptr_t>(p); };
    auto text = [&](int entry, const char* data, std::size_t size) {
        if (data == nullptr) return;
        v[entry] = address(data);
        v[entry + 1] = static_cast<std::intptr_t>(size);
    };
    auto answer = [&](int entry, std::span<char> variable) { text(entry, variable.data(), variable.size()); };
    if (a.unit) v[inquire_arg::unit] = address(&unit);
    text(inquire_arg::file, a.file.data(), a.file.size());
    v[inquire_arg::iostat] = address(a.iostat);
    v[inquire_arg::err] = a.err ? 1 : 0;
    v[inquire_arg::exist] = address(a.exist);
    v[inquire_arg::opened] = address(a.opened);
    v[inquire_arg::number] = address(a.number);
    v[inquire_arg::named] = address(a.named);
    answer(inquire_arg::name, a.name);
    answer(inquire_arg::access, a.access);
    answer(inquire_arg::sequential, a.sequential);
    answer(inquire_arg::direct, a.direct);
    answer(inquire_arg::form, a.form);
    answer(inquire_arg::formatted, a.formatted);
    answer(inquire_arg::unformatted, a.unformatted);
    v[inquire_arg::recl] = address(a.recl);
    v[inquire_arg::nextrec] = address(a.nextrec);
    answer(inquire_arg::blank, a.blank);
    answer(inquire_arg::position, a.position);
    answer(inquire_arg::action, a.action);
    answer(inquire_arg::read, a.read);
    answer(inquire_arg::write, a.write);
    answer(inquire_arg::readwrite, a.readwrite);
    answer(inquire_arg::delim, a.delim);
    answer(inquire_arg::pad, a.pad);
    v[inquire_arg::blocksize] = address(a.blocksize);
    answer(inquire_arg::carriage, a.carriagecontrol);
    v[inquire_arg::filesize] = address(a.filesize);
    return inquire_statement(v);
}

}  // namespace fio
