// Typed front for C++ code that performs READ, WRITE and INQUIRE(IOLENGTH=) statements: builds
// the drivers' argument lists so that a call reads like the statement it performs, e.g.
//   write_list(STAR, {item(" ENTER INPUT FILENAME")});
//   read_list(STAR).begin({item(name)}).end();
//   write_formatted(2, Format::statement("44(10f10.3)", records), {item(score)});
// The driver entry points (drivers.h) stay the contract; these helpers only call them. Argument
// lists are built on the stack, so a statement costs no heap allocation here.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string_view>
#include <type_traits>

#include "libf/array_descriptor.h"
#include "libf/fio/drivers.h"

namespace fio {

// The unit of a statement: '*', a unit number, or an internal file.
struct Unit {
    enum class Kind { star, number, internal, internal_array };
    Kind kind = Kind::star;
    int32_t number = 0;
    char* text = nullptr;  // internal file: the character variable
    int32_t length = 0;
    const libf::ArrayDescriptor* array = nullptr;

    constexpr Unit() = default;
    constexpr Unit(int32_t unit_number) : kind(Kind::number), number(unit_number) {}
};

inline constexpr Unit STAR{};

// A scalar character variable, or the elements of a CHARACTER array, as an internal file.
inline Unit internal_file(char* text, int32_t length) {
    Unit u;
    u.kind = Unit::Kind::internal;
    u.text = text;
    u.length = length;
    return u;
}
inline Unit internal_file(const libf::ArrayDescriptor& array) {
    Unit u;
    u.kind = Unit::Kind::internal_array;
    u.array = &array;
    return u;
}

// A format: its text, and optionally the precompiled records that a FORMAT statement carries
// (the 20-byte header followed by FormatRecords), which are used in preference to the text; or
// a CHARACTER array whose elements together hold the text.
struct Format {
    std::string_view text{};
    const void* records = nullptr;
    const libf::ArrayDescriptor* array = nullptr;
    bool terminated = false;  // the text goes by its address alone and ends at a NUL

    constexpr Format() = default;
    constexpr Format(const char* t) : text(t) {}
    constexpr Format(std::string_view t, const void* precompiled = nullptr)
        : text(t), records(precompiled) {}
    explicit constexpr Format(const libf::ArrayDescriptor& a) : array(&a) {}
    // A FORMAT statement as compiled code passes it: its label and text as one NUL-terminated
    // string ("44(10f10.3)") and its precompiled records, which the drivers use instead of the
    // text (the label would not compile, so the records must be given).
    static constexpr Format statement(const char* labelled_text, const void* precompiled) {
        Format f(labelled_text, precompiled);
        f.terminated = true;
        return f;
    }
    constexpr bool given() const { return text.data() != nullptr || records != nullptr || array != nullptr; }
};

// One item of an input/output list: its kind word and the words that follow it.
struct Item {
    std::intptr_t words[4] = {};
    int32_t word_count = 0;
    std::intptr_t section[libf::max_rank] = {};  // array sections: one entry per dimension
    bool has_section = false;
};

template <class T>
struct is_complex : std::false_type {};
template <class T>
struct is_complex<std::complex<T>> : std::true_type {};

// The type word of a C++ type: low byte the type class, bits 12-23 the size in bits.
template <class T>
constexpr uint32_t type_word_of() {
    if constexpr (std::is_same_v<T, bool>) return libf::make_type_word(libf::class_logical, 1);
    else if constexpr (std::is_integral_v<T>) return libf::make_type_word(libf::class_integer, sizeof(T));
    else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>)
        return libf::make_type_word(libf::class_real, sizeof(T));
    else return libf::make_type_word(libf::class_complex, sizeof(T));
}

template <class T>
concept NumericItem =
    (std::is_integral_v<T> && !std::is_same_v<T, char>) || std::is_same_v<T, float> ||
    std::is_same_v<T, double> || std::is_same_v<T, std::complex<float>> ||
    std::is_same_v<T, std::complex<double>>;

inline Item scalar_item(uint32_t type_word, const void* address) {
    Item it;
    it.words[0] = item_kind::scalar;
    it.words[1] = type_word;
    it.words[2] = reinterpret_cast<std::intptr_t>(address);
    it.word_count = 3;
    return it;
}

inline Item character_item(const char* text, int32_t length) {
    Item it = scalar_item(libf::make_type_word(libf::class_character, 1), text);
    it.words[3] = length;
    it.word_count = 4;
    return it;
}

// INTEGER (1, 2, 4, 8 bytes), REAL (4, 8), COMPLEX (8, 16); bool is a 1-byte LOGICAL. Reads
// store into the variable; the address must stay valid until the call returns.
template <NumericItem T>
Item item(const T& value) {
    return scalar_item(type_word_of<T>(), &value);
}
// LOGICAL of the variable's size.
template <std::integral T>
Item logical(const T& value) {
    return scalar_item(libf::make_type_word(libf::class_logical, sizeof(T)), &value);
}
// CHARACTER: a variable of its full length, a text, or an address with a length.
template <std::size_t N>
Item item(char (&text)[N]) {
    return character_item(text, static_cast<int32_t>(N));
}
inline Item item(std::string_view text) {
    return character_item(text.data(), static_cast<int32_t>(text.size()));
}
inline Item item(char* text, int32_t length) { return character_item(text, length); }
inline Item item(const char& c) { return character_item(&c, 1); }
// A whole array, or a section: one entry per dimension, null for all of it or the address of
// the subscript that fixes it (item(a, {&i, nullptr}) is a(i, :)).
inline Item item(const libf::ArrayDescriptor& array) {
    Item it;
    it.words[0] = item_kind::array;
    it.words[1] = reinterpret_cast<std::intptr_t>(&array);
    it.word_count = 3;
    return it;
}
inline Item item(const libf::ArrayDescriptor& array, std::initializer_list<const int32_t*> section) {
    Item it = item(array);
    int i = 0;
    for (const int32_t* subscript : section) {
        if (i == libf::max_rank) break;
        it.section[i++] = reinterpret_cast<std::intptr_t>(subscript);
    }
    it.has_section = true;
    return it;
}
// A whole structure (refused by the drivers).
inline Item structure_item(const void* address) {
    Item it;
    it.words[0] = item_kind::structure;
    it.words[1] = reinterpret_cast<std::intptr_t>(address);
    it.word_count = 2;
    return it;
}

// The items of one request: a braced list or any contiguous sequence of items.
class ItemList {
public:
    ItemList() = default;
    ItemList(std::initializer_list<Item> items) : items_(items.begin(), items.size()) {}
    ItemList(std::span<const Item> items) : items_(items) {}
    std::span<const Item> span() const { return items_; }

private:
    std::span<const Item> items_;
};

// The control list of a READ or WRITE. A text with a null data pointer is absent.
struct Control {
    Unit unit{};
    Format format{};               // none: list-directed, unformatted or namelist by the driver
    int32_t* iostat = nullptr;
    const int32_t* rec = nullptr;
    std::string_view advance{};
    int32_t* size = nullptr;
    bool err = false;
    bool end = false;
    bool eor = false;
};

using DriverEntry = int32_t (*)(const std::intptr_t*);

// Machine words of one driver call's argument list. Items that do not fit after the control
// words go in further calls of the same statement (flags 0, the end flag on the last).
inline constexpr int call_words = 64;

// One statement: begin (control list and items), further items, end. The object owns the
// values the control words point to (the unit number, the end-condition bits): it must live
// until the statement's last call has returned, since an error reported by the end call
// still names the unit.
class Statement {
public:
    Statement(DriverEntry driver, const Control& control);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Call with the begin flag and these items (more calls with flags 0 if they do not fit).
    Statement& begin(ItemList items = {});
    // Calls with items only.
    Statement& items(ItemList items);
    // Call with the end flag (after item-only calls for what does not fit); returns the status.
    int32_t end(ItemList items = {});
    // The whole statement: one call with both flags when the items fit, else begin ... end.
    int32_t run(ItemList items = {});
    int32_t status() const { return status_; }

private:
    // One or more driver calls: the begin flag on the first, the end flag on the last.
    int32_t send(std::intptr_t flags, ItemList items);

    DriverEntry driver_;
    Control control_;  // control_.unit.number is the unit number the control words point to
    int32_t end_bits_ = 0;
    int32_t status_ = 0;
};

// A whole statement whose control list and items stay at fixed addresses, as compiled code
// keeps a statement on variables of static storage: its argument list is built once and every
// run() is one driver call with both flags. The items must fit in that one call and name no
// array section.
class FixedStatement {
public:
    FixedStatement(DriverEntry driver, const Control& control, ItemList items);
    FixedStatement(const FixedStatement&) = delete;
    FixedStatement& operator=(const FixedStatement&) = delete;

    int32_t run() const { return driver_(words_); }

private:
    DriverEntry driver_;
    Control control_;  // what the control words point to
    int32_t end_bits_ = 0;
    std::intptr_t words_[call_words] = {};
};

inline Statement read(const Control& control) { return Statement(formatted_read, control); }
inline Statement write(const Control& control) { return Statement(formatted_write, control); }
inline Statement read_list(Unit unit) { return read(Control{.unit = unit}); }
inline Statement read_formatted(Unit unit, Format format) {
    return read(Control{.unit = unit, .format = format});
}
inline Statement read_unformatted(Unit unit) {
    return Statement(unformatted_read, Control{.unit = unit});
}
inline Statement write_unformatted(Unit unit) {
    return Statement(unformatted_write, Control{.unit = unit});
}
inline int32_t write_list(Unit unit, ItemList items = {}) {
    return write(Control{.unit = unit}).run(items);
}
inline int32_t write_formatted(Unit unit, Format format, ItemList items = {}) {
    return write(Control{.unit = unit, .format = format}).run(items);
}
// INQUIRE(IOLENGTH=): the bytes the items take.
int32_t inquire_iolength(ItemList items);

}  // namespace fio
