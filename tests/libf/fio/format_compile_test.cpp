#include "libf/fio/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "libf/fio/errors.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

class FormatCompile : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }

    // Compiles from an exact-size heap copy, so a read past the text is caught by the sanitizer.
    int32_t compile(const std::string& text) {
        std::unique_ptr<char[]> copy(new char[text.size() + 1]);
        std::memcpy(copy.get(), text.data(), text.size());
        return fio::compile_format(copy.get(), static_cast<int32_t>(text.size()), state());
    }
    Bytes program() const {
        const fio::TransferState& s = fio::transfer_state();
        return Bytes(s.format_code, s.format_code + s.format_code_length);
    }
    static fio::TransferState& state() { return fio::transfer_state(); }
};

// Expected byte code worked out by hand from the entry layout (16-bit fields, big-endian).
TEST_F(FormatCompile, ByteCodeOfSmallFormats) {
    const struct {
        const char* text;
        Bytes code;
    } cases[] = {
        {"()", {0}},
        {"() I5 garbage", {0}},
        {"(I5)", {1, 0, 1, 0, 5, 0, 1, 0}},
        {"( i 5 )", {1, 0, 1, 0, 5, 0, 1, 0}},
        {"(1 0X)", {16, 0, 10, 0}},
        {"(a)", {12, 0, 1, 0, 0, 0}},
        {"(10f10.3)", {5, 0, 10, 0, 10, 0, 3, 0}},
        {"(F)", {5, 0, 1, 0, 0, 0, 0, 0}},
        {"(E12.4E3)", {6, 0, 1, 0, 12, 0, 4, 0, 3, 0}},
        {"(ES10.3,EN12.3,D10.3)",
         {8, 0, 1, 0, 10, 0, 3, 0, 2, 9, 0, 1, 0, 12, 0, 3, 0, 2, 7, 0, 1, 0, 10, 0, 3, 0, 2, 0}},
        {"(L,A20,3G)", {11, 0, 1, 0, 0, 12, 0, 1, 0, 20, 10, 0, 3, 0, 0, 0, 0, 0, 2, 0}},
        {"(B8,BN,O4.2,Z)",
         {2, 0, 1, 0, 8, 0, 1, 24, 3, 0, 1, 0, 4, 0, 2, 4, 0, 1, 0, 0, 0, 1, 0}},
        {"(-2P,F8.3)", {17, 0xFF, 0xFE, 5, 0, 1, 0, 8, 0, 3, 0}},
        {"(P)", {17, 0, 1, 0}},
        {"(S,I5)", {23, 1, 0, 1, 0, 5, 0, 1, 0}},
        {"(SP,SS,BN,BZ,:,$,\\,Q)", {22, 23, 24, 25, 26, 27, 27, 28, 0}},
        {"(T10,TL2,TR3,3/)", {13, 0, 10, 14, 0, 2, 15, 0, 3, 18, 0, 3, 0}},
        {"('it''s')", {19, 0, 4, 'i', 't', '\'', 's', 0}},
        {"(\"a'b\")", {19, 0, 3, 'a', '\'', 'b', 0}},
        {"(2HAB)", {19, 0, 2, 'A', 'B', 0}},
        {"(1X,2(I3))", {16, 0, 1, 126, 0, 2, 1, 0, 1, 0, 3, 0, 1, 127, 0}},
        {"(5(2(I3)))", {126, 0, 5, 126, 0, 2, 1, 0, 1, 0, 3, 0, 1, 127, 127, 0}},
        {"(32767I1)", {1, 0x7F, 0xFF, 0, 1, 0, 1, 0}},
        // Widths and digits above 127 keep their values.
        {"(I200.150,F300.200,A300)",
         {1, 0, 1, 0, 200, 0, 150, 5, 0, 1, 0x01, 0x2C, 0, 200, 12, 0, 1, 0x01, 0x2C, 0}},
        {"(E1000.500E40)", {6, 0, 1, 0x03, 0xE8, 0x01, 0xF4, 0, 40, 0}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(compile(c.text), 0) << c.text;
        EXPECT_EQ(program(), c.code) << c.text;
        fio::free_format(state());
    }
}

TEST_F(FormatCompile, EveryErrorHasItsCode) {
    const struct {
        const char* text;
        int32_t error;
    } cases[] = {
        {"", fio::err_missing_paren},
        {"I5)", fio::err_missing_paren},
        {"(S I5)", fio::err_format},
        {"(S)", fio::err_format},
        {"(F10)", fio::err_format},
        {"(F10.)", fio::err_format},
        {"(E10.3E)", fio::err_format},
        {"(F5.2E2)", fio::err_format},  // F takes no exponent; E2 alone lacks .d
        {"(,I5)", fio::err_format},
        {"(I5,,I3)", fio::err_format},
        {"(I0)", fio::err_format},
        {"(I5.-1)", fio::err_format},
        {"(L0)", fio::err_format},
        {"(A-1)", fio::err_format},
        {"(T)", fio::err_format},
        {"(TL-1)", fio::err_format},
        {"(W)", fio::err_format},
        {"(+X)", fio::err_format},
        {"(I32768)", fio::err_format},
        {"(I99999999999999999999)", fio::err_format},
        {"(2'AB')", fio::err_non_repeatable},
        {"(2:)", fio::err_non_repeatable},
        {"(3Q)", fio::err_non_repeatable},
        {"(2$)", fio::err_non_repeatable},
        {"(2T5)", fio::err_non_repeatable},
        {"(2S,I5)", fio::err_non_repeatable},
        {"(2BN)", fio::err_repeat_count},
        {"(0X)", fio::err_repeat_count},
        {"(-1X)", fio::err_repeat_count},
        {"(5)", fio::err_repeat_count},
        {"(32768X)", fio::err_repeat_count},
        {"(99999999999999999999I3)", fio::err_repeat_count},
        {"(40000P)", fio::err_repeat_count},
        {"(5HAB)", fio::err_hollerith},
        {"(I5", fio::err_unmatched_parens},
        {"((I3)", fio::err_unmatched_parens},
        {"(3", fio::err_unmatched_parens},
        {"('ab)", fio::err_unmatched_quotes},
        {"('ab'')", fio::err_unmatched_quotes},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compile(c.text), c.error) << c.text;
        EXPECT_EQ(state().compiled_format, nullptr) << c.text;  // nothing left allocated
    }
    for (const char* accepted : {"(3/)", "(-2P,F8.3)", "(F)", "(A0)", "(T0)", "(0P)"})
        EXPECT_EQ(compile(accepted), 0) << accepted;
}

TEST_F(FormatCompile, TextIsNeverReadPastItsLength) {
    // The closing characters lie beyond the passed length and must not be seen.
    const struct {
        const char* full;
        int32_t error;
    } cases[] = {{"(I5)", fio::err_unmatched_parens}, {"('x')", fio::err_unmatched_quotes}};
    for (const auto& c : cases) {
        const int32_t length = 3;
        std::unique_ptr<char[]> copy(new char[length]);
        std::memcpy(copy.get(), c.full, length);
        EXPECT_EQ(fio::compile_format(copy.get(), length, state()), c.error) << c.full;
    }
    std::unique_ptr<char[]> hollerith(new char[5]);
    std::memcpy(hollerith.get(), "(9HAB", 5);
    EXPECT_EQ(fio::compile_format(hollerith.get(), 5, state()), fio::err_hollerith);
}

TEST_F(FormatCompile, LongFormatsGrowTheProgram) {
    // 1000 E descriptors take 9 bytes each: three times the text is not enough.
    std::string text = "(";
    for (int i = 0; i < 1000; ++i) text += "E,";
    text += ")";
    ASSERT_EQ(compile(text), 0);
    const Bytes code = program();
    ASSERT_EQ(code.size(), 9001u);
    const Bytes entry = {6, 0, 1, 0, 0, 0, 0, 0, 2};
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(std::equal(entry.begin(), entry.end(), code.begin() + 9 * i)) << i;
    EXPECT_EQ(code.back(), 0);
}

TEST_F(FormatCompile, StringLongerThanOneEntrySplits) {
    // 70000 = 65535 + 4465 (0x1171) characters.
    const std::string text = "('" + std::string(70000, 'x') + "')";
    ASSERT_EQ(compile(text), 0);
    const Bytes code = program();
    ASSERT_EQ(code.size(), 3u + 65535 + 3 + 4465 + 1);
    EXPECT_EQ(Bytes(code.begin(), code.begin() + 3), (Bytes{19, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes(code.begin() + 65538, code.begin() + 65541), (Bytes{19, 0x11, 0x71}));
    EXPECT_EQ(code[3], 'x');
    EXPECT_EQ(code[65541], 'x');
    EXPECT_EQ(code.back(), 0);
}

}  // namespace
