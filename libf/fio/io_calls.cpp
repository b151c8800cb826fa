// Typed front for READ, WRITE and INQUIRE(IOLENGTH=): argument lists for the drivers, built in a
// fixed stack buffer (statements run millions of times in the analysis; no heap here).
#include "libf/fio/io_calls.h"

#include <cstdlib>

namespace fio {

namespace {

// The argument list of one driver call.
class Arguments {
public:
    void push(std::intptr_t word) { words_[size_++] = word; }
    bool fits(int32_t count) const { return size_ + count <= call_words; }
    int32_t size() const { return size_; }
    std::intptr_t& operator[](int32_t at) { return words_[at]; }
    const std::intptr_t* data() const { return words_; }

private:
    std::intptr_t words_[call_words];
    int32_t size_ = 0;
};

// The most control words a statement takes (control_word::count plus the two shifts), with
// control_count and control_options in front; one item of four words must still fit after them.
constexpr int32_t max_control_words = control_word::count + 2 + 2;
static_assert(1 + max_control_words + 1 + 4 <= call_words, "a call must carry at least one item");

template <class T>
std::intptr_t word(T* pointer) {
    return reinterpret_cast<std::intptr_t>(pointer);
}

// control_count, control_options and the control words, in the order and with the shifts the
// drivers decode. Word 3 for a unit number points at c.unit.number.
void append_control(Arguments& args, const Control& c, const int32_t& end_bits) {
    const int32_t count_at = args.size();
    args.push(0);
    args.push(0);
    uint32_t options = 0;
    args.push(0);  // word 0: not read
    args.push(word(&end_bits));
    args.push(0);  // word 2: not read
    switch (c.unit.kind) {
        case Unit::Kind::star: args.push(0); break;
        case Unit::Kind::number: args.push(word(&c.unit.number)); break;
        case Unit::Kind::internal:
            options |= control_option::internal_scalar;
            args.push(word(c.unit.text));
            args.push(c.unit.length);
            break;
        case Unit::Kind::internal_array:
            options |= control_option::internal_array;
            args.push(word(c.unit.array));
            break;
    }
    args.push(word(c.iostat));
    args.push(word(c.rec));
    args.push(word(c.format.records));
    if (c.format.array != nullptr) {
        options |= control_option::format_array;
        args.push(word(c.format.array));
    } else if (c.format.terminated) {
        args.push(word(c.format.text.data()));
    } else if (c.format.text.data() != nullptr) {
        options |= control_option::format_text;
        args.push(word(c.format.text.data()));
        args.push(static_cast<std::intptr_t>(c.format.text.size()));
    } else {
        args.push(0);
    }
    args.push(word(c.advance.data()));
    args.push(static_cast<std::intptr_t>(c.advance.size()));
    args.push(word(c.size));
    args[count_at] = args.size() - (count_at + 1);  // the words after control_count, plus one
    args[count_at + 1] = options;
}

// item_count and the items from `next` on that fit; returns the index of the first item left.
std::size_t append_items(Arguments& args, std::span<const Item> items, std::size_t next) {
    const int32_t count_at = args.size();
    args.push(0);
    std::size_t i = next;
    for (; i < items.size() && args.fits(items[i].word_count); ++i) {
        const Item& it = items[i];
        for (int32_t w = 0; w < it.word_count; ++w) args.push(it.words[w]);
        if (it.has_section) args[args.size() - 1] = word(it.section);
    }
    args[count_at] = static_cast<std::intptr_t>(i - next);
    return i;
}

int32_t end_bits_of(const Control& c) {
    return (c.err ? end_condition::err : 0) | (c.end ? end_condition::end : 0) | (c.eor ? end_condition::eor : 0);
}

}  // namespace

Statement::Statement(DriverEntry driver, const Control& control)
    : driver_(driver),
      control_(control),
      end_bits_(end_bits_of(control)) {}

FixedStatement::FixedStatement(DriverEntry driver, const Control& control, ItemList items)
    : driver_(driver), control_(control), end_bits_(end_bits_of(control)) {
    Arguments args;
    args.push(driver_flag::whole);
    append_control(args, control_, end_bits_);
    // Programming faults: a statement of more items than one call takes has no fixed list, and
    // an array section's subscripts would stay behind in the caller's item.
    for (const Item& it : items.span())
        if (it.has_section) std::abort();
    if (append_items(args, items.span(), 0) != items.span().size()) std::abort();
    std::memcpy(words_, args.data(), sizeof(std::intptr_t) * static_cast<std::size_t>(args.size()));
}

int32_t Statement::send(std::intptr_t flags, ItemList list) {
    const std::span<const Item> items = list.span();
    bool begin = (flags & driver_flag::begin) != 0;
    std::size_t next = 0;
    for (;;) {
        Arguments args;
        args.push(0);
        if (begin) append_control(args, control_, end_bits_);
        next = append_items(args, items, next);
        const bool last = next == items.size();
        std::intptr_t call_flags = last ? flags & driver_flag::end : 0;
        if (begin) call_flags |= driver_flag::begin;
        args[0] = call_flags;
        status_ = driver_(args.data());
        // A non-zero status has ended the statement in the driver: the rest would do nothing.
        if (last || status_ != 0) return status_;
        begin = false;
    }
}

Statement& Statement::begin(ItemList items) {
    send(driver_flag::begin, items);
    return *this;
}

Statement& Statement::items(ItemList items) {
    send(0, items);
    return *this;
}

int32_t Statement::end(ItemList items) { return send(driver_flag::end, items); }

int32_t Statement::run(ItemList items) { return send(driver_flag::whole, items); }

int32_t inquire_iolength(ItemList items) { return Statement(iolength, Control{}).run(items); }

}  // namespace fio
