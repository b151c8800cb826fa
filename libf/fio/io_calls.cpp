// Typed front for READ, WRITE and INQUIRE(IOLENGTH=): argument lists for the drivers.
#include "libf/fio/io_calls.h"

#include <vector>

namespace fio {

namespace {

// The control words of a statement, in the order and with the shifts the drivers expect.
void append_control(std::vector<std::intptr_t>& args, const Control& c, const int32_t* unit_number,
                    const int32_t* end_bits) {
    uint32_t options = 0;
    std::vector<std::intptr_t> words(control_word::unit, 0);
    words[control_word::end_conditions] = reinterpret_cast<std::intptr_t>(end_bits);
    switch (c.unit.kind) {
        case Unit::Kind::star: words.push_back(0); break;
        case Unit::Kind::number: words.push_back(reinterpret_cast<std::intptr_t>(unit_number)); break;
        case Unit::Kind::internal:
            options |= control_option::internal_scalar;
            words.push_back(reinterpret_cast<std::intptr_t>(c.unit.text));
            words.push_back(c.unit.length);
            break;
        case Unit::Kind::internal_array:
            options |= control_option::internal_array;
            words.push_back(reinterpret_cast<std::intptr_t>(c.unit.array));
            break;
    }
    words.push_back(reinterpret_cast<std::intptr_t>(c.iostat));
    words.push_back(reinterpret_cast<std::intptr_t>(c.rec));
    words.push_back(reinterpret_cast<std::intptr_t>(c.format.records));
    if (c.format.array != nullptr) {
        options |= control_option::format_array;
        words.push_back(reinterpret_cast<std::intptr_t>(c.format.array));
    } else if (c.format.text.data() != nullptr) {
        options |= control_option::format_text;
        words.push_back(reinterpret_cast<std::intptr_t>(c.format.text.data()));
        words.push_back(static_cast<std::intptr_t>(c.format.text.size()));
    } else {
        words.push_back(0);
    }
    words.push_back(reinterpret_cast<std::intptr_t>(c.advance.data()));
    words.push_back(static_cast<std::intptr_t>(c.advance.size()));
    words.push_back(reinterpret_cast<std::intptr_t>(c.size));
    args.push_back(static_cast<std::intptr_t>(words.size()) + 1);
    args.push_back(options);
    args.insert(args.end(), words.begin(), words.end());
}

void append_items(std::vector<std::intptr_t>& args, ItemList items) {
    args.push_back(static_cast<std::intptr_t>(items.span().size()));
    for (const Item& it : items.span()) {
        args.insert(args.end(), it.words, it.words + it.word_count);
        if (it.has_section) args.back() = reinterpret_cast<std::intptr_t>(it.section);
    }
}

}  // namespace

int32_t Statement::call(std::intptr_t flags, ItemList items) {
    std::vector<std::intptr_t> args{flags};
    if (flags & driver_flag::begin) {
        unit_number_ = control_.unit.number;
        end_bits_ = (control_.err ? end_condition::err : 0) | (control_.end ? end_condition::end : 0) |
                    (control_.eor ? end_condition::eor : 0);
        append_control(args, control_, &unit_number_, &end_bits_);
    }
    append_items(args, items);
    status_ = driver_(args.data());
    return status_;
}

Statement& Statement::begin(ItemList items) {
    call(driver_flag::begin, items);
    return *this;
}

Statement& Statement::items(ItemList items) {
    call(0, items);
    return *this;
}

int32_t Statement::end(ItemList items) { return call(driver_flag::end, items); }

int32_t Statement::run(ItemList items) { return call(driver_flag::whole, items); }

int32_t inquire_iolength(ItemList items) {
    return Statement(iolength, Control{}).run(items);
}

}  // namespace fio
