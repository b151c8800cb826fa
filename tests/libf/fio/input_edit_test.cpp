// Formatted input editing, driven through read_item on an internal file.
// Expected values follow the editing rules, worked out by hand; the standard cases (I, B, O, Z,
// F with implied point and scale factor, L, A, T, TL, X, BZ) were cross-checked once against
// gfortran reading the same records with the same formats.
#include "libf/fio/input_edit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"
#include "libf/fio/record.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;

// A READ from an internal file whose records are `lines`, with IOSTAT=.
class ReadItem : public ::testing::Test {
protected:
    void start(const std::vector<std::string>& lines, const char* format) {
        free_format(state);
        test_support::start_internal_read(state, storage, lines, 0, 0, &iostat);
        state.format_start = format;
        state.format_length = static_cast<int32_t>(std::strlen(format));
        ASSERT_EQ(begin_format(state), 0);
        ASSERT_EQ(next_input_record(state), 0);
    }
    void TearDown() override {
        free_format(state);
        free_mem(state.record.data);
        free_mem(state.work.data);
    }
    int32_t read(int32_t type, int32_t length, void* address, int32_t count = 1) {
        test_support::set_item(state, type, length, address, count);
        return read_item(state);
    }
    int32_t read_int(const char* format, const std::string& line) {
        start({line}, format);
        int32_t value = -99;
        EXPECT_EQ(read(item_int4, 4, &value), 0) << format << " on '" << line << "'";
        return value;
    }
    double read_double(const char* format, const std::string& line) {
        start({line}, format);
        double value = -99;
        EXPECT_EQ(read(item_real8, 8, &value), 0) << format << " on '" << line << "'";
        return value;
    }
    std::string read_chars(const char* format, const std::string& line, int32_t length) {
        start({line}, format);
        std::string value(static_cast<std::size_t>(length), '?');
        EXPECT_EQ(read(item_char, length, value.data()), 0);
        return value;
    }

    TransferState state;
    std::string storage;
    int32_t iostat = 0;
};

TEST_F(ReadItem, IntegerFieldsInEveryBase) {
    struct Case { const char* format; const char* line; int32_t expected; };
    const Case cases[] = {
        {"(I5)", "     ", 0},        {"(I3)", "1 2", 12},            {"(BZ,I3)", "1 2", 102},
        {"(I5)", "1 2  ", 12},       {"(BZ,I5)", "1 2  ", 10200},    {"(I4)", "-123", -123},
        {"(I3)", " +7", 7},          {"(BZ,I4)", "- 5 ", -50},      {"(I3)", "1,2", 1},
        {"(I10)", "4294967297", 1},  {"(I11)", "-2147483648", INT32_MIN},
        {"(Z4)", "00ff", 255},       {"(Z8)", "7FFFFFFF", INT32_MAX}, {"(B4)", "1011", 11},
        {"(O3)", "777", 511},        {"(I2)", "123", 12},            {"(G4.0)", "  42", 42},
    };
    for (const Case& c : cases) EXPECT_EQ(read_int(c.format, c.line), c.expected) << c.format << " " << c.line;
}

TEST_F(ReadItem, IntegerStorageSizes) {
    start({"300-70000-5ffffffff"}, "(I3,I6,I2,Z8)");
    int8_t one = 0;
    int16_t two = 0;
    int64_t eight[2] = {0, 0};
    EXPECT_EQ(read(item_int1, 1, &one), 0);
    EXPECT_EQ(read(item_int2, 2, &two), 0);
    EXPECT_EQ(read(item_int4, 8, eight, 2), 0);
    EXPECT_EQ(one, 44);        // 300 mod 256
    EXPECT_EQ(two, -4464);     // -70000 mod 65536, as a signed 16-bit value
    EXPECT_EQ(eight[0], -5);   // 8-byte items are sign-extended
    EXPECT_EQ(eight[1], -1);
}

TEST_F(ReadItem, ConversionErrorsReachIostat) {
    struct Case { const char* format; const char* line; int32_t type; int32_t length; int32_t error; };
    const Case cases[] = {
        {"(Z4)", "00FG", item_int4, 4, err_numeric_input}, {"(B4)", "-101", item_int4, 4, err_numeric_input},
        {"(O2)", "18", item_int4, 4, err_numeric_input},   {"(I3)", "1x2", item_int4, 4, err_numeric_input},
        {"(F5.2)", "1.2x5", item_real8, 8, err_numeric_input}, {"(I3)", "123", item_char, 3, err_type_mismatch},
        {"(F3.1)", "1.5", item_int2, 2, err_type_mismatch},     {"(A3)", "abc", 17, 3, err_structure},
    };
    for (const Case& c : cases) {
        start({c.line}, c.format);
        char item[8] = {};
        EXPECT_EQ(read(c.type, c.length, item), status_error) << c.format << " " << c.line;
        EXPECT_EQ(iostat, c.error) << c.format << " " << c.line;
        // The statement is over: further items change nothing.
        std::memset(item, 'u', sizeof item);
        EXPECT_EQ(read(item_int4, 4, item), 0);
        EXPECT_EQ(item[0], 'u');
    }
}

TEST_F(ReadItem, RealFieldsWithImpliedPointAndScale) {
    struct Case { const char* format; const char* line; double expected; };
    const Case cases[] = {
        {"(F7.2)", "  12345", 123.45},  {"(F7.2)", "      7", 0.07},    {"(F7.2)", "    1.5", 1.5},
        {"(2P,F7.2)", "    100", 0.01}, {"(2P,F7.2)", "  1.0E2", 100.0}, {"(F8.1)", "   123E2", 1230.0},
        {"(F7.1)", "   15+2", 150.0},   {"(2P,F7.2)", "  1.5+2", 150.0}, {"(-1P,F5.1)", "   25", 25.0},
        {"(F5.2)", "     ", 0.0},       {"(BZ,F5.1)", "1 5  ", 1050.0},  {"(F5.1)", "1 5  ", 1.5},
        {"(E10.3)", "   1.25E-3", 0.00125}, {"(D9.2)", "  -314D-2", -0.0314}, {"(G6.2)", "   123", 1.23},
        {"(F3.0)", " -5", -5.0},        {"(F5.2)", "1.2,5", 1.2},
    };
    for (const Case& c : cases) EXPECT_EQ(read_double(c.format, c.line), c.expected) << c.format << " " << c.line;
}

TEST_F(ReadItem, RealResultTakesTheItemsLayout) {
    start({"  0.12.5  12345 INF -NaN"}, "(F5.1,F3.1,F7.2,F4.2,F5.2)");
    float single = 0;
    uint32_t bits = 0;
    long double extended = 0;
    double special = 0;
    EXPECT_EQ(read(item_real4, 4, &single), 0);
    EXPECT_EQ(read(item_int4, 4, &bits), 0);
    EXPECT_EQ(read(item_real_ext, sizeof(long double), &extended), 0);
    EXPECT_EQ(read(item_real8, 8, &special), 0);
    EXPECT_EQ(single, 0.1f);
    EXPECT_EQ(bits, 0x40200000u);  // the bits of the 4-byte real 2.5
    EXPECT_EQ(extended, static_cast<long double>(123.45));
    EXPECT_TRUE(std::isinf(special) && special > 0);  // no implied point inserted into INF
    EXPECT_EQ(read(item_real8, 8, &special), 0);
    EXPECT_TRUE(std::isnan(special));
}

TEST_F(ReadItem, LogicalFields) {
    struct Case { const char* format; const char* line; bool expected; };
    const Case cases[] = {
        {"(L6)", ".TRUE.", true}, {"(L5)", "FALSE", false}, {"(L3)", "xyz", false},
        {"(L3)", " t ", true},    {"(L2)", ".f", false},    {"(G3.0)", " .T", true},
    };
    for (const Case& c : cases) {
        start({c.line}, c.format);
        uint32_t value = 0xAAAAAAAA;
        EXPECT_EQ(read(item_logical4, 4, &value), 0);
        EXPECT_EQ(value, c.expected ? 1u : 0u) << c.format << " " << c.line;
    }
}

TEST_F(ReadItem, CharacterFields) {
    struct Case { const char* format; const char* line; int32_t length; const char* expected; };
    const Case cases[] = {
        {"(A5)", "ABCDE", 3, "CDE"},   {"(A5)", "ABCDE", 8, "ABCDE   "}, {"(A)", "WXYZQ", 4, "WXYZ"},
        {"(A5)", "AB", 3, "   "},      {"(A5)", "AB", 8, "AB      "},   {"(A5)", "a,b,c", 5, "a,b,c"},
        {"(G5.0)", "a,b,c", 5, "a,b,c"}, {"(T4,A)", "abcdefgh", 2, "de"},
    };
    for (const Case& c : cases) EXPECT_EQ(read_chars(c.format, c.line, c.length), c.expected) << c.format;

    start({"xyz"}, "(A3)");
    char counted[6] = {'?', '?', '?', '?', '?', '?'};
    EXPECT_EQ(read(item_counted_char, 6, counted), 0);
    EXPECT_EQ(std::string(counted, 6), std::string("\3xyz  ", 6));
}

TEST_F(ReadItem, PositioningStaysInsideTheRecord) {
    struct Case { const char* format; int items; const char* last; };
    const Case cases[] = {
        {"(T5,A2)", 1, "ef"}, {"(T20,TL2,A2)", 1, "gh"}, {"(A3,TL9,A2)", 2, "ab"}, {"(TR2,A2)", 1, "cd"},
        {"(2X,A2)", 1, "cd"}, {"(A2,T1,A2)", 2, "ab"},  {"(T0,A2)", 1, "ab"},     {"(T8,X,A2)", 1, "  "},
    };
    for (const Case& c : cases) {
        start({"abcdefgh"}, c.format);
        char value[2] = {};
        for (int i = 0; i < c.items; ++i) EXPECT_EQ(read(item_char, 2, value), 0);
        EXPECT_EQ(std::string(value, 2), c.last) << c.format;
    }
    start({"abcdefg"}, "(A2,Q,T20,Q)");
    char two[2];
    int16_t left[2] = {-1, -1};
    EXPECT_EQ(read(item_char, 2, two), 0);
    EXPECT_EQ(read(item_int2, 2, left, 2), 0);
    EXPECT_EQ(left[0], 5);
    EXPECT_EQ(left[1], 0);
}

TEST_F(ReadItem, RecordAdvanceBySlashAndReversion) {
    struct Case { const char* format; int32_t expected[2]; };
    const Case cases[] = {{"(I2,/,I2)", {1, 34}}, {"(I2,2/,I2)", {1, 56}}, {"(I2)", {1, 34}},
                          {"(BZ,I2,BN,I2)", {10, 1}}};
    for (const Case& c : cases) {
        start({"1 1 ", "34  ", "56  "}, c.format);
        int32_t values[2] = {0, 0};
        EXPECT_EQ(read(item_int4, 4, values, 2), 0) << c.format;
        EXPECT_EQ(values[0], c.expected[0]) << c.format;
        EXPECT_EQ(values[1], c.expected[1]) << c.format;
    }
}

TEST_F(ReadItem, ShortRecordsPadFailOrEndTheNonAdvancingRecord) {
    start({"12"}, "(I5)");
    int32_t value = 0;
    EXPECT_EQ(read(item_int4, 4, &value), 0);
    EXPECT_EQ(value, 12);

    start({"12"}, "(I5)");
    state.internal_unit.attributes &= ~uint32_t{attr::pad_yes};
    EXPECT_EQ(read(item_int4, 4, &value), status_error);
    EXPECT_EQ(iostat, err_past_record);

    // Non-advancing: the short field is converted, then the end-of-record condition is taken.
    struct Case { const char* format; const char* line; int32_t expected; bool end_of_record; };
    const Case cases[] = {{"(I5)", "34", 34, true}, {"(I2)", "56", 56, false}, {"(I5)", "7,8", 7, false}};
    for (const Case& c : cases) {
        start({c.line}, c.format);
        state.internal_unit.attributes |= attr::nonadvancing_open;
        iostat = 0;
        int32_t status = read(item_int4, 4, &value);
        EXPECT_EQ(value, c.expected) << c.format << " " << c.line;
        EXPECT_EQ(status, c.end_of_record ? status_error : status_ok) << c.line;
        EXPECT_EQ(iostat, c.end_of_record ? -2 : 0) << c.line;
    }
}

TEST(InputConversions, CleaningAndListDirectedValues) {
    struct Case { const char* text; bool blank_zero; const char* expected; };
    const Case cases[] = {{"  1 2 ", false, "12"}, {"  1 2 ", true, "1020"}, {"- 5", true, "-05"},
                          {" N A N", true, "NAN"}, {"   ", true, ""},         {"+ i nf", true, "+inf"}};
    for (const Case& c : cases) {
        char text[16];
        std::strcpy(text, c.text);
        int32_t length = clean_numeric_field(text, static_cast<int32_t>(std::strlen(text)), c.blank_zero);
        EXPECT_EQ(std::string(text, static_cast<std::size_t>(length)), c.expected) << c.text;
        EXPECT_EQ(text[length], '\0');
    }
    // List-directed reals take no implied point and no scale factor: "5" is 5.0.
    TransferState state;
    RecordBuffer field;
    field.data = static_cast<char*>(alloc_mem(16, true));
    field.capacity = 16;
    std::strcpy(field.data, "5");
    field.limit = 1;
    double value = 0;
    EXPECT_EQ(input_real(state, field, 0, 0, &value, item_real8, 8), 0);
    EXPECT_EQ(value, 5.0);
    free_mem(field.data);
}

}  // namespace
