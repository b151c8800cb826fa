// Output editing: exact characters of every descriptor, list-directed layout, mended faults.
#include "libf/fio/output_edit.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "libf/fio/errors.h"
#include "tests/support/output_fixture.h"

namespace {

using test_support::OutputFixture;

enum class Kind { int1, int2, int4, int8, real4, real8, logical, text };

struct Value {
    Kind kind;
    double number = 0;
    std::string chars = {};
};

Value i1(int v) { return {Kind::int1, static_cast<double>(v)}; }
Value i4(int64_t v) { return {Kind::int4, static_cast<double>(v)}; }
Value i8(int64_t v) { return {Kind::int8, static_cast<double>(v)}; }
Value r4(double v) { return {Kind::real4, v}; }
Value r8(double v) { return {Kind::real8, v}; }
Value lg(bool v) { return {Kind::logical, v ? 1.0 : 0.0}; }
Value tx(std::string v) { return {Kind::text, 0, std::move(v)}; }

int32_t put(OutputFixture& out, const Value& v) {
    switch (v.kind) {
        case Kind::int1: return out.integer1(static_cast<int8_t>(v.number));
        case Kind::int2: return out.integer2(static_cast<int16_t>(v.number));
        case Kind::int4: return out.integer(static_cast<int32_t>(static_cast<int64_t>(v.number)));
        case Kind::int8: return out.integer8(static_cast<int64_t>(v.number));
        case Kind::real4: return out.real(static_cast<float>(v.number));
        case Kind::real8: return out.real(v.number);
        case Kind::logical: return out.logical(v.number != 0 ? 1 : 0);
        case Kind::text: return out.text(v.chars);
    }
    return -1;
}

struct Case {
    const char* format;  // "" for list-directed
    std::vector<Value> items;
    const char* expected;  // the record, exact
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        OutputFixture out(c.format);
        for (const Value& v : c.items) ASSERT_EQ(put(out, v), 0) << c.format;
        EXPECT_EQ(out.record(), c.expected) << "format " << c.format;
        EXPECT_EQ(out.iostat(), 0) << c.format;
    }
}

const double inf = std::numeric_limits<double>::infinity();

// Standard descriptors where our rules and the language standard agree. The expected texts
// were produced once by gfortran (a .f90 program writing each case between brackets).
TEST(OutputEdit, StandardDescriptorsMatchGfortran) {
    check({
        {"(I5)", {i4(-12)}, "  -12"},
        {"(I5.3)", {i4(7)}, "  007"},
        {"(I3)", {i4(1234)}, "***"},
        {"(I4.0)", {i4(0)}, "    "},
        {"(SP,I4)", {i4(5)}, "  +5"},
        {"(B8)", {i1(-1)}, "11111111"},
        {"(O6)", {i4(8)}, "    10"},
        {"(I12)", {i4(-2147483648LL)}, " -2147483648"},
        {"(F10.3)", {r4(3.14159)}, "     3.142"},
        {"(F4.1)", {r4(123.4)}, "****"},
        {"(F10.3)", {r4(-2.5)}, "    -2.500"},
        {"(F8.2)", {r4(1234.567)}, " 1234.57"},
        {"(E10.3)", {r4(1234.5)}, " 0.123E+04"},
        {"(E9.3)", {r4(1234.5)}, "0.123E+04"},
        {"(D10.3)", {r4(1234.5)}, " 0.123D+04"},
        {"(E12.3)", {r8(1.0e100)}, "   0.100+101"},
        {"(ES10.3)", {r4(0.0)}, " 0.000E+00"},
        {"(ES12.4)", {r4(-0.00123456)}, " -1.2346E-03"},
        {"(EN12.3)", {r4(99.96)}, "  99.960E+00"},
        {"(EN12.3)", {r4(12345.0)}, "  12.345E+03"},
        {"(EN12.3)", {r4(0.05)}, "  50.000E-03"},
        {"(2PE12.3)", {r4(1234.5)}, "   12.34E+02"},
        {"(-1PE12.3)", {r4(1234.5)}, "   0.012E+05"},
        {"(E12.3E3)", {r4(1234.5)}, "  0.123E+004"},
        {"(G15.6)", {r4(123.456)}, "    123.456    "},
        {"(G10.3)", {r4(123.0)}, "  123.    "},  // exactly d integer digits: still F form
        {"(L3)", {lg(true)}, "  T"},
        {"(A3)", {tx("ABCDE")}, "ABC"},
        {"(A7)", {tx("ABC")}, "    ABC"},
        {"(A,T10,A,T2,A,A)", {tx("["), tx("X"), tx("YZ"), tx("]")}, "[YZ]     X"},
        {"(I3,3X,TL2,I2)", {i4(1), i4(2)}, "  1  2"},
        {"(2PF10.3)", {r4(1.5)}, "   150.000"},
        {"(SP,F8.2)", {r4(1.5)}, "   +1.50"},
    });
}

// The examples of our own rules, including where they differ from the standard.
TEST(OutputEdit, DocumentedExamples) {
    check({
        {"(Z4)", {i4(255)}, "  ff"},
        {"(Z8)", {i4(-1)}, "ffffffff"},
        {"(F6.3)", {r4(0.5)}, "  .500"},
        {"(F6.3)", {r4(-0.5)}, " -.500"},
        {"(F6.3)", {r4(0.0001)}, " 0.000"},
        {"(F6.3)", {r4(-0.0001)}, " 0.000"},
        {"(F5.0)", {r4(0.3)}, "   0."},
        {"(F5.0)", {r4(0.6)}, "   1."},
        {"(F6.3)", {r4(0.0006)}, "  .001"},
        {"(F10.3)", {r4(0.0)}, "      .000"},
        {"(F10.3)", {r4(16.0625)}, "    16.062"},
        {"(F10.3)", {r4(0.0625)}, "      .063"},
        {"(F10.3)", {r4(12345.678)}, " 12345.678"},
        {"(E8.3)", {r4(1234.5)}, ".123E+04"},
        {"(ES10.3)", {r4(1234.5)}, " 1.234E+03"},
        {"(E10.3)", {r4(1.0e-5)}, " 0.100E-04"},
        {"(E10.3E1)", {r4(1.0e10)}, "**********"},
        {"(E10.3)", {r8(1.0e-200)}, " 0.100-199"},
        {"(E10.3E1)", {r8(1.0e-200)}, "**********"},
        {"(D12.4)", {r8(-3.0)}, " -0.3000D+01"},
        {"(F10.3)", {r4(inf)}, "       INF"},
        {"(SP,E10.3)", {r4(inf)}, "      +INF"},
        {"(F2.1)", {r4(-inf)}, "**"},
        {"(F10.3)", {r4(-std::nan(""))}, "      -NaN"},
        {"(G10.3)", {r4(1.0e-5)}, " 0.100E-04"},
        {"(G12.3)", {r4(12.5)}, "    12.5    "},
        {"(L1)", {lg(false)}, "F"},
        {"(A)", {tx("plain")}, "plain"},
        {"(G5.0)", {tx("ab")}, "   ab"},
        {"(G4.0)", {lg(true)}, "   T"},
        {"(G6.0)", {i4(-42)}, "   -42"},
        {"('ab',I2,'c''d')", {i4(7)}, "ab 7"},
        {"(SP,I3,SS,I3,S,I3)", {i4(1), i4(2), i4(3)}, " +1  2  3"},
        {"(SP,I3)", {i4(0)}, "  0"},  // the plus is for values above zero only
        {"(I13)", {i8(-5000000000LL)}, "  -5000000000"},
        {"(10F10.3)", {r4(-0.0000857), r4(0.0)}, "     0.000      .000"},
        {"", {i4(3), tx("  IS EMPTY")}, "   3   IS EMPTY"},
        {"", {tx(" MATRIX FILL =  "), r4(50.0), tx(" %")}, "  MATRIX FILL =    50.0000  %"},
    });
}

// Faults of the literal rules that we mend.
TEST(OutputEdit, MendedFaults) {
    check({
        // L takes the item's logical value.
        {"(L3)", {lg(true)}, "  T"},
        // A field never grows beyond its width.
        {"(F2.2)", {r4(0.0001)}, "**"},
        {"(F3.2)", {r4(0.0001)}, ".00"},
        {"(G6.2)", {r4(1.0)}, "******"},
        {"(G10.3)", {r4(inf)}, "       INF"},
        {"(G10.3)", {r4(-inf)}, "      -INF"},
        // E with k <= -d or k > d + 1 fills.
        {"(-3PE10.3)", {r4(1.0)}, "**********"},
        {"(5PE10.3)", {r4(1.0)}, "**********"},
        // Zero has the exponent +00.
        {"(1PE10.3)", {r4(0.0)}, " 0.000E+00"},
        {"(EN10.3)", {r4(0.0)}, " 0.000E+00"},
        // EN takes q after the final rounding; a three-digit exponent drops the letter.
        {"(EN12.3)", {r4(999.96)}, " 999.960E+00"},
        {"(EN12.3)", {r4(999.9996)}, "   1.000E+03"},
        {"(EN12.3)", {r8(1.0e120)}, "   1.000+120"},
        // A carry into a new digit is kept and shown with the q of the carried exponent.
        {"(EN12.1)", {r8(9.96)}, "    10.0E+00"},
        {"(EN12.1)", {r4(9.96)}, "    10.0E+00"},
        {"(EN10.1)", {r4(99.96)}, " 100.0E+00"},
        {"(EN10.1)", {r8(0.09996)}, " 100.0E-03"},
        {"(EN14.6)", {r4(1.0e-5)}, " 10.000000E-06"},  // digits 99999997
        {"(SP,EN12.4)", {r8(std::bit_cast<double>(0x3DA5FD7F2901BA61ULL))}, "+10.0000E-12"},
        {"(SP,EN11.4)", {r8(std::bit_cast<double>(0x3DA5FD7F2901BA61ULL))}, "***********"},
        // k >= 2 rounds at d + 1 significant digits.
        {"(2PE12.3)", {r4(1.2356)}, "   12.36E-01"},
        // k is added to the exponent of a nonzero digit string only; zero shows no sign.
        {"(2PF10.3)", {r4(-0.0)}, "      .000"},
        {"(2PF10.3)", {r4(0.0)}, "      .000"},
        // Unsigned magnitudes.
        {"(I12)", {i4(-2147483648LL)}, " -2147483648"},
        // T below 1 stays in column 1.
        {"(A,T0,A)", {tx("abc"), tx("X")}, "Xbc"},
    });
}

TEST(OutputEdit, ListDirectedLayout) {
    check({
        {"", {i4(3)}, "   3"},
        {"", {i4(-3)}, "  -3"},
        {"", {i4(3), tx("ab"), tx("cd"), i4(-1)}, "   3 abcd -1"},
        {"", {tx(" ENTER INPUT FILENAME")}, "  ENTER INPUT FILENAME"},
        {"", {r4(123.456)}, "   123.456"},
        {"", {r4(123456.0)}, "   123456."},
        {"", {r4(0.5)}, "   .500000"},
        {"", {r4(1.0e7)}, "   1.000000E+07"},
        {"", {r4(0.0)}, "   .000000"},
        {"", {r4(58.3333)}, "   58.3333"},
        {"", {r4(-std::nan(""))}, "  -NaN"},
        {"", {r8(0.25)}, "   .250000000000000"},
        {"", {lg(true), lg(false)}, "  T F"},
        {"", {i8(-5000000000LL)}, "  -5000000000"},
    });
    OutputFixture out("");
    ASSERT_EQ(out.complex(1.5f, -2.0f), 0);
    EXPECT_EQ(out.record(), "  (1.50000,-2.00000)");
}

TEST(OutputEdit, ListDirectedDelimitedCharactersAreSeparated) {
    OutputFixture out("");
    out.state().internal_unit.delimiter = '\'';
    ASSERT_EQ(out.text("ab"), 0);
    ASSERT_EQ(out.text("c'd"), 0);
    ASSERT_EQ(out.integer(1), 0);
    ASSERT_EQ(out.text("e"), 0);
    EXPECT_EQ(out.record(), " 'ab' 'c''d'  1 'e'");
}

TEST(OutputEdit, FormatOfTenF103WritesOneRecordOfThirtyCharacters) {
    OutputFixture out("(10F10.3)");
    for (float v : {1.0f, 0.25f, -12.5f}) ASSERT_EQ(out.real(v), 0);
    ASSERT_EQ(out.finish(), 0);
    EXPECT_EQ(out.elements_written(), 1);
    EXPECT_EQ(out.element(0).substr(0, 31), "     1.000      .250   -12.500 ");
}

TEST(OutputEdit, IntegerItemUnderFReinterpretsItsBytes) {
    float f = 1.5f;
    int32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    OutputFixture out("(F10.3)");
    ASSERT_EQ(out.integer(bits), 0);
    EXPECT_EQ(out.record(), "     1.500");
}

TEST(OutputEdit, PrecompiledLWithoutWidthActsAsL1AndCode12TransfersNothing) {
    auto record = [](uint8_t code, int32_t w, int32_t repeat) {
        std::vector<uint8_t> r(20, 0);
        r[0] = code;
        std::memcpy(&r[8], &w, 4);
        std::memcpy(&r[16], &repeat, 4);
        return r;
    };
    std::vector<uint8_t> format(20, 0);  // header
    for (const auto& r : {record(10, 0, 1), record(12, 0, 1), record(9, 3, 1), record(29, 0, -3)})
        format.insert(format.end(), r.begin(), r.end());
    OutputFixture out("(a)");
    out.use_precompiled(format.data());
    ASSERT_EQ(out.logical(1), 0);
    ASSERT_EQ(out.integer(7), 0);  // passed over by code 12
    ASSERT_EQ(out.integer(42), 0);
    EXPECT_EQ(out.record(), "T 42");
}

TEST(OutputEdit, ErrorsGoThroughIostat) {
    struct ErrorCase {
        const char* format;
        int32_t type;
        int32_t length;
        int32_t expected;
    };
    const char bytes[16] = "abcdefghijklmno";
    for (const ErrorCase& c : std::vector<ErrorCase>{
             {"(ES10.3)", 7, 4, fio::err_type_mismatch},
             {"(EN10.3)", 2, 1, fio::err_type_mismatch},
             {"(F10.3)", 6, 2, fio::err_type_mismatch},
             {"(I5)", 1, 3, fio::err_type_mismatch},
             {"(I5)", 17, 4, fio::err_structure},
             {"", 17, 4, fio::err_structure},
         }) {
        OutputFixture out(c.format);
        EXPECT_EQ(out.item(c.type, bytes, c.length), 1) << c.format << " type " << c.type;
        EXPECT_EQ(out.iostat(), c.expected) << c.format << " type " << c.type;
        EXPECT_EQ(out.item(7, bytes, 4), 0) << "a terminated statement skips its items";
    }
}

TEST(OutputEdit, ListDirectedItemsWrapAtRecordLengthAndOverlongItemsFail) {
    {
        OutputFixture out("", 10, 3);
        for (int32_t v : {12345, 67890, 1}) ASSERT_EQ(out.integer(v), 0);
        ASSERT_EQ(out.finish(), 0);
        EXPECT_EQ(out.element(0), "   12345  ");
        EXPECT_EQ(out.element(1), "   67890  ");  // adding "  1" would exceed 10
        EXPECT_EQ(out.elements_written(), 3);
        EXPECT_EQ(out.element(2), "   1      ");
    }
    {
        // An item ending exactly at the record length stays in its record.
        OutputFixture out("", 5, 3);
        ASSERT_EQ(out.integer(12), 0);
        ASSERT_EQ(out.finish(), 0);
        EXPECT_EQ(out.elements_written(), 1);
        EXPECT_EQ(out.element(0), "   12");
    }
    {
        // A value is never split: "  345" and the blank that starts a new record make 6.
        OutputFixture out("", 5, 3);
        ASSERT_EQ(out.integer(12), 0);
        EXPECT_EQ(out.integer(345), 1);
        EXPECT_EQ(out.iostat(), fio::err_record_too_long);
    }
    {
        OutputFixture out("", 5, 3);
        EXPECT_EQ(out.integer(123456), 1);
        EXPECT_EQ(out.iostat(), fio::err_record_too_long);
    }
    {
        // Character items continue on the next record, which starts with a blank.
        OutputFixture out("", 6, 3);
        ASSERT_EQ(out.text("abcdefgh"), 0);
        ASSERT_EQ(out.finish(), 0);
        EXPECT_EQ(out.element(0), " abcde");
        EXPECT_EQ(out.element(1), " fgh  ");
    }
}

}  // namespace

TEST(OutputEditDeathTest, UnhandledOverflowEndsTheProgramWithItsReport) {
    EXPECT_EXIT(
        {
            OutputFixture out("", 5, 1);
            out.state().present &= ~fio::pres::iostat;
            out.integer(123456);
        },
        ::testing::ExitedWithCode(255), "Attempt to write a record longer than specified record length");
}
