// List-directed input driven through read_list_item on an internal file whose records are the
// test's lines. Expected values are worked out by hand from the scanning rules.
#include "libf/fio/list_input.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "libf/fio/errors.h"
#include "libf/fio/heap.h"
#include "libf/fio/record.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;

using Lines = std::vector<std::string>;

class ListRead : public ::testing::Test {
protected:
    // A list-directed READ with IOSTAT= (and END= or EOR= when asked) from an internal file
    // whose records are the lines, blank-padded to the longest as a character array's are.
    void start(const Lines& lines, uint32_t more_present = 0, uint32_t more_options = 0) {
        test_support::start_internal_read(state, storage, lines, pres::list_directed | more_present, more_options,
                                          &iostat);
        state.value_repeat = 7;  // stale from an earlier statement: the begin step clears it
        begin_list_input(state);
        ASSERT_EQ(next_input_record(state), 0);
    }
    void TearDown() override {
        free_mem(state.record.data);
        free_mem(state.work.data);
        free_mem(state.imaginary.data);
    }
    int32_t read(int32_t type, int32_t length, void* address, int32_t count = 1) {
        test_support::set_item(state, type, length, address, count);
        return read_list_item(state);
    }
    // Reads n 4-byte integers that hold 9 beforehand, one item step per element.
    std::vector<int32_t> read_ints(const Lines& lines, int n) {
        start(lines);
        std::vector<int32_t> values(static_cast<std::size_t>(n), 9);
        for (int32_t& v : values) EXPECT_EQ(read(item_int4, 4, &v), 0) << lines[0];
        return values;
    }

    TransferState state;
    std::string storage;
    int32_t iostat = 0;
};

TEST_F(ListRead, SeparatorsNullValuesRepeatsAndSlash) {
    struct Case { Lines lines; std::vector<int32_t> expected; };
    const Case cases[] = {
        {{"1,,3"}, {1, 9, 3}},
        {{"1 , 2 ,3"}, {1, 2, 3}},
        {{"  1   2 3"}, {1, 2, 3}},
        {{"2*5 7"}, {5, 5, 7}},
        {{"2*,7"}, {9, 9, 7}},
        {{"2* 7 8"}, {7, 7, 8}},
        {{"3*,"}, {9, 9, 9}},
        {{"1,2*-4"}, {1, -4, -4}},
        {{"4/ 5 6"}, {4, 9, 9}},
        {{"4,/,5"}, {4, 9, 9}},
        {{"2*/ 5"}, {9, 9, 9}},
        {{"1 2", "/ 3"}, {1, 2, 9}},
        // Values continue over records; a comma that opens the next record only ends the value.
        {{"1 2", "3  "}, {1, 2, 3}},
        {{"10 1", ",2 3"}, {10, 1, 2, 3}},
        {{"1 ", ",2 3"}, {1, 2, 3}},
        {{"1", "2", ",", "3"}, {1, 2, 9, 3}},
        {{"1 ", ",,2"}, {1, 9, 2}},
        {{"1    ", "2,,3 "}, {1, 2, 9, 3}},
        {{"1  ", "2*,", "7  "}, {1, 9, 9, 7}},
        // A comma alone in the record after the mark: one null value, then on.
        {{"1", ",", "3"}, {1, 9, 3}},
        {{"1", ",", ",", "3"}, {1, 9, 9, 3}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> got = read_ints(c.lines, static_cast<int>(c.expected.size()));
        EXPECT_EQ(got, c.expected) << c.lines[0] << " / " << c.lines.back();
    }
}

TEST_F(ListRead, StatementEndDiscardsRestOfRecordAndPendingRepeat) {
    start({"5*7 8", "6 1  "});
    int32_t first = 0;
    ASSERT_EQ(read(item_int4, 4, &first), 0);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(end_list_input(state), 0);
    // The next READ starts with a new record and does not reuse the repeated value.
    begin_list_input(state);
    ASSERT_EQ(next_input_record(state), 0);
    int32_t next[2] = {0, 0};
    ASSERT_EQ(read(item_int4, 4, next, 2), 0);
    EXPECT_EQ(next[0], 6);
    EXPECT_EQ(next[1], 1);
}

TEST_F(ListRead, CharacterValues) {
    struct Case { Lines lines; int32_t length; std::vector<std::string> expected; };
    const Case cases[] = {
        {{"'it''s'"}, 8, {"it's    "}},
        {{"''"}, 8, {"        "}},
        {{"AB CD"}, 8, {"AB      ", "CD      "}},
        {{"\"say \"\"hi\"\"\""}, 8, {"say \"hi\""}},
        {{"\"it's\",'\"q\"'"}, 5, {"it's ", "\"q\"  "}},
        {{"'a long value'"}, 6, {"a long"}},
        {{"'ab' , 'cd'"}, 3, {"ab ", "cd "}},
        {{"'ab'/ 'cd'"}, 3, {"ab ", "???"}},
        {{",'x'"}, 2, {"??", "x "}},
        {{"2*'z' y"}, 2, {"z ", "z ", "y "}},
        {{"'ab", "cd'"}, 6, {"abcd  "}},
        {{"'ab'", ",'c'"}, 2, {"ab", "c "}},
        {{"'a,b/c'"}, 5, {"a,b/c"}},
    };
    for (const Case& c : cases) {
        start(c.lines);
        for (const std::string& want : c.expected) {
            std::string got(static_cast<std::size_t>(c.length), '?');
            EXPECT_EQ(read(item_char, c.length, got.data()), 0);
            EXPECT_EQ(got, want) << c.lines[0];
        }
    }
}

TEST_F(ListRead, FileNameWithBlankAndCountedItem) {
    start({" 'my data.txt'   "});
    std::string name(100, '?');
    ASSERT_EQ(read(item_char, 100, name.data()), 0);
    EXPECT_EQ(name, "my data.txt" + std::string(89, ' '));

    start({"'' xyz"});
    char counted[2][5];
    std::memset(counted, '?', sizeof counted);
    ASSERT_EQ(read(item_counted_char, 5, counted, 2), 0);
    EXPECT_EQ(std::string(counted[0], 5), std::string("\0    ", 5));  // no characters stored
    EXPECT_EQ(std::string(counted[1], 5), std::string("\3xyz ", 5));
}

TEST_F(ListRead, LogicalValues) {
    start({".TRUE. F,t .false. T. 2*.t ,,"});
    uint32_t values[8];
    std::memset(values, 0xAA, sizeof values);
    for (uint32_t& v : values) ASSERT_EQ(read(item_logical4, 4, &v), 0);
    const uint32_t expected[8] = {1, 0, 1, 0, 1, 1, 1, 0xAAAAAAAA};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(values[i], expected[i]) << i;

    start({"T F"});
    uint8_t small[2] = {7, 7};
    ASSERT_EQ(read(item_logical1, 1, small, 2), 0);
    EXPECT_EQ(small[0], 1);
    EXPECT_EQ(small[1], 0);
}

TEST_F(ListRead, RealValuesHaveNoImpliedPoint) {
    start({"5 2.5E1,-0.25 ,,3", "1.5D0 7"});
    double values[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_EQ(read(item_real8, 8, values, 6), 0);
    const double expected[6] = {5.0, 25.0, -0.25, 9, 3.0, 1.5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(values[i], expected[i]) << i;
    float single = 0;
    ASSERT_EQ(read(item_real4, 4, &single), 0);
    EXPECT_EQ(single, 7.0f);
}

TEST_F(ListRead, ComplexValuesInParentheses) {
    struct Case { Lines lines; std::vector<float> expected; int32_t after; };
    // Two complex items (two parts each), then one integer that starts at 9.
    const Case cases[] = {
        {{"(1.5, 2.5) (3,4) 6"}, {1.5f, 2.5f, 3, 4}, 6},
        {{"(1.5     ", ", 2.5),,8"}, {1.5f, 2.5f, -7, -7}, 8},
        {{"(1.5,    ", "2.5)(0,1)"}, {1.5f, 2.5f, 0, 1}, 9},
        {{"( 1.5 ", "  , 2", ".5 ) ", "(1,2) "}, {1.5f, 2.5f, 1, 2}, 9},
        {{"2*(-1,0.5),3"}, {-1, 0.5f, -1, 0.5f}, 3},
        {{",(3,4) 5"}, {-7, -7, 3, 4}, 5},
        {{"(1,2)/ 4"}, {1, 2, -7, -7}, 9},
    };
    for (const Case& c : cases) {
        start(c.lines);
        float parts[4] = {-7, -7, -7, -7};
        ASSERT_EQ(read(item_complex8, 4, parts, 2), 0) << c.lines[0];
        ASSERT_EQ(read(item_complex8, 4, parts + 2, 2), 0) << c.lines[0];
        int32_t after = 9;
        if (c.after != 9) {
            ASSERT_EQ(read(item_int4, 4, &after), 0) << c.lines[0];
        }
        for (int i = 0; i < 4; ++i) EXPECT_EQ(parts[i], c.expected[i]) << c.lines[0] << " part " << i;
        EXPECT_EQ(after, c.after) << c.lines[0];
    }

    start({"(0.5,-2)"});
    double wide[2] = {0, 0};
    ASSERT_EQ(read(item_complex16, 8, wide, 2), 0);
    EXPECT_EQ(wide[0], 0.5);
    EXPECT_EQ(wide[1], -2.0);
}

TEST_F(ListRead, ConversionErrorsAndEndOfFile) {
    struct Case { Lines lines; int32_t type; int32_t good; int32_t iostat; };
    const Case cases[] = {
        {{"1 x2 3"}, item_int4, 1, err_numeric_input},
        {{"2.5 abc"}, item_real8, 1, err_numeric_input},
        {{"7 'q'"}, item_int4, 1, err_numeric_input},
        {{"1 2"}, item_int4, 2, -1},
        {{"1,2,"}, item_int4, 2, -1},
        {{"1   ", "    "}, item_int4, 1, -1},
        {{"'abc", "def "}, item_char, 0, -1},
        {{"(1,2) (3,4"}, item_complex8, 1, -1},
    };
    for (const Case& c : cases) {
        start(c.lines);
        int64_t items[4] = {};
        int32_t status = 0;
        int32_t done = 0;
        const int32_t length = c.type == item_complex8 ? 4 : 8;
        const int32_t count = c.type == item_complex8 ? 2 : 1;
        while (done < 4 && (status = read(c.type, length, &items[done], count)) == 0) ++done;
        EXPECT_EQ(status, status_error) << c.lines[0];
        EXPECT_EQ(done, c.good) << c.lines[0];
        EXPECT_EQ(iostat, c.iostat) << c.lines[0];
        EXPECT_EQ(state.terminated, 1) << c.lines[0];
    }

    // With END= the end of file takes the END= branch.
    start({"1 2"}, pres::end);
    int32_t three[3] = {0, 0, 0};
    EXPECT_EQ(read(item_int4, 4, three, 3), status_end);
    EXPECT_EQ(iostat, -1);
    EXPECT_EQ(three[1], 2);
}

TEST_F(ListRead, NonAdvancingReadStopsAtItsRecordEnd) {
    start({"1 2", "3 4"}, 0, opt::eor);
    state.internal_unit.attributes |= attr::nonadvancing_open;
    int32_t values[3] = {9, 9, 9};
    EXPECT_EQ(read(item_int4, 4, values, 3), status_eor);
    EXPECT_EQ(iostat, -2);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 2);
    EXPECT_EQ(values[2], 9);  // the next record is never read
}

}  // namespace
