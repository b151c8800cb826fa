// Typed call front: items spread over several calls when they outgrow one call's buffer, and
// long item lists through the real drivers. The control words it builds are read back in the
// drivers' tests.
#include "libf/fio/io_calls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "libf/array_descriptor.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using W = std::intptr_t;

// One call as a driver decodes it.
struct Call {
    W flags = 0;
    W control_count = 0;
    std::vector<W> item_addresses;
    W length = 0;  // words of the argument list
    int32_t unit_seen = 0;  // the begin call's unit number, read again during this call
};

std::vector<Call> g_calls;
const int32_t* g_unit = nullptr;
int32_t g_fail_at = -1;  // index of the call that returns status 1

int32_t recording_driver(const W* args) {
    Call c;
    const W* p = args;
    c.flags = *p++;
    if (c.flags & driver_flag::begin) {
        c.control_count = *p++;
        const W options = *p++;
        g_unit = options == 0 ? reinterpret_cast<const int32_t*>(p[control_word::unit]) : nullptr;
        p += c.control_count - 1;
    }
    const W count = *p++;
    for (W i = 0; i < count; ++i) {
        const W kind = *p++;
        if (kind == item_kind::scalar) {
            const auto type = static_cast<uint32_t>(*p++);
            c.item_addresses.push_back(*p++);
            if (libf::type_class(type) == libf::class_character) ++p;
        } else {
            c.item_addresses.push_back(*p++);
            if (kind == item_kind::array) ++p;
        }
    }
    c.length = p - args;
    if (g_unit != nullptr) c.unit_seen = *g_unit;
    g_calls.push_back(c);
    return static_cast<int32_t>(g_calls.size()) - 1 == g_fail_at ? 1 : 0;
}

// Every item reaches the driver once and in order, each call fits the buffer and is full (the
// next item would not have fitted), the control list comes only with the first call, and the
// flags are begin on the first call, end on the last, 0 between.
TEST(IoCalls, LongItemListsAreSpreadOverFullCalls) {
    std::vector<int32_t> numbers(3 * call_words);
    std::vector<char> text(2 * call_words);
    const libf::ArrayDescriptor array{};
    std::vector<Item> mixed;
    for (std::size_t i = 0; i < text.size(); ++i) {
        mixed.push_back(item(numbers[i]));                 // 3 words
        mixed.push_back(item(&text[i], 1));                // 4 words
        if (i % 7 == 0) mixed.push_back(item(array, {}));  // 3 words
    }
    std::vector<Item> ints;
    for (int32_t& n : numbers) ints.push_back(item(n));
    const std::vector<Item> one = {item(numbers[0])};
    enum class Shape { run, begin_end, items_only };
    struct Case {
        const char* name;
        const std::vector<Item>* items;
        Shape shape;
        std::size_t min_calls;
    };
    const std::vector<Case> cases = {
        {"run, integers", &ints, Shape::run, 4},
        {"run, mixed sizes", &mixed, Shape::run, 8},
        {"begin with the items, end alone", &mixed, Shape::begin_end, 9},
        {"item-only calls", &ints, Shape::items_only, 4},
        {"one item", &one, Shape::run, 1},
    };
    int32_t unit = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_calls.clear();
        g_fail_at = -1;
        g_unit = nullptr;
        unit = 17;
        Statement s(recording_driver, Control{.unit = unit});
        unit = 0;  // the statement keeps its own copy
        const std::span<const Item> items(*c.items);
        switch (c.shape) {
            case Shape::run: EXPECT_EQ(s.run(items), 0); break;
            case Shape::begin_end: EXPECT_EQ(s.begin(items).end(), 0); break;
            case Shape::items_only: EXPECT_EQ(s.items(items).status(), 0); break;
        }
        ASSERT_GE(g_calls.size(), c.min_calls);
        std::vector<W> arrived;
        std::size_t taken = 0;
        for (std::size_t k = 0; k < g_calls.size(); ++k) {
            const Call& call = g_calls[k];
            const bool first = k == 0, last = k + 1 == g_calls.size();
            W flags = 0;
            if (first && c.shape != Shape::items_only) flags |= driver_flag::begin;
            if (last && c.shape != Shape::items_only) flags |= driver_flag::end;
            EXPECT_EQ(call.flags, flags) << "call " << k;
            EXPECT_LE(call.length, call_words) << "call " << k;
            if (flags & driver_flag::begin) {
                EXPECT_EQ(call.control_count, 12);
            }
            if (c.shape != Shape::items_only) {
                EXPECT_EQ(call.unit_seen, 17) << "call " << k;
            }
            taken += call.item_addresses.size();
            if (taken < c.items->size()) {
                const W next_words = (*c.items)[taken].word_count;
                EXPECT_GT(call.length + next_words, call_words) << "call " << k << " not full";
            }
            arrived.insert(arrived.end(), call.item_addresses.begin(), call.item_addresses.end());
        }
        std::vector<W> sent;
        for (const Item& it : *c.items) sent.push_back(it.words[it.words[0] == item_kind::scalar ? 2 : 1]);
        EXPECT_EQ(arrived, sent);
    }
}

// A non-zero status ends the statement in the driver, so the remaining items are not sent.
TEST(IoCalls, StatusOfAnEarlyCallStopsTheStatement) {
    std::vector<int32_t> numbers(3 * call_words);
    std::vector<Item> items;
    for (int32_t& n : numbers) items.push_back(item(n));
    g_calls.clear();
    g_fail_at = 1;
    EXPECT_EQ(Statement(recording_driver, Control{}).run(std::span<const Item>(items)), 1);
    EXPECT_EQ(g_calls.size(), 2u);
    g_fail_at = -1;
}

class IoCallsDrivers : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }
};

// More items than one call holds, through the real drivers: every value lands in its place.
TEST_F(IoCallsDrivers, LongListsWriteReadAndMeasureEveryItem) {
    constexpr int n = 150;
    static_assert(n * 3 > call_words, "the list must not fit one call");
    int32_t values[n];
    std::string expected;
    for (int i = 0; i < n; ++i) {
        values[i] = (i * 37) % 1000 - 400;
        char field[8];
        std::snprintf(field, sizeof field, "%5d", values[i]);
        expected += field;
    }
    std::vector<Item> out;
    for (const int32_t& v : values) out.push_back(item(v));
    char record[5 * n];
    ASSERT_EQ(write_formatted(internal_file(record, sizeof record), "(150I5)", std::span<const Item>(out)), 0);
    EXPECT_EQ(std::string(record, sizeof record), expected);

    int32_t back[n];
    std::vector<Item> in;
    for (int32_t& v : back) {
        v = 9999;
        in.push_back(item(v));
    }
    ASSERT_EQ(read_list(internal_file(record, sizeof record)).begin(std::span<const Item>(in)).end(), 0);
    EXPECT_EQ(std::vector<int32_t>(back, back + n), std::vector<int32_t>(values, values + n));

    // INQUIRE(IOLENGTH=) sums over all calls: 150 4-byte integers and 150 characters.
    std::vector<Item> both = out;
    for (int i = 0; i < n; ++i) both.push_back(item(&record[i], 1));
    EXPECT_EQ(inquire_iolength(std::span<const Item>(both)), 4 * n + n);
}

// A statement built once reads its variables afresh at every run.
TEST_F(IoCallsDrivers, FixedStatementWritesItsVariablesAsTheyStandAtEachRun) {
    float x = 1.5f;
    int32_t n = 7;
    char record[12];
    const FixedStatement write_both(formatted_write, {.unit = internal_file(record, sizeof record), .format = "(F6.2,I6)"},
                                    {item(x), item(n)});
    ASSERT_EQ(write_both.run(), 0);
    EXPECT_EQ(std::string(record, sizeof record), "  1.50     7");
    x = -2.25f;
    n = 12345;
    ASSERT_EQ(write_both.run(), 0);
    EXPECT_EQ(std::string(record, sizeof record), " -2.25 12345");
}

}  // namespace
