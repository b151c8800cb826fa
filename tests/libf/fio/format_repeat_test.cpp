// Group repetition over bodies that only position, write strings or set modes: the passes the
// format asks for are kept where they change the record, and finish at once where another
// pass would do the same again (nested counts of 32767 must not spin).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "libf/fio/io_calls.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;

class FormatRepeat : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }
};

TEST_F(FormatRepeat, WriteKeepsEveryPassThatChangesTheRecord) {
    const struct {
        const char* format;
        std::string expected;  // the 10-character internal record
    } cases[] = {
        {"(3('ab'),I1)", "ababab7   "},
        {"(5(TL1,'ab'),I1)", "aaaaab7   "},
        {"(32767(32767(32767(T3,'x'))),I1)", "  x7      "},
        {"(32767(32767(32767('ab',TL2))),I1)", "7b        "},
        {"(32767(32767(32767())),I1)", "7         "},
        {"(32767(32767(32767(SP,BZ,:,T2))),I2)", " +7       "},
        {"(32767(32767(32767(Q,'q',TL1))),I1)", "7         "},
        // The statement ends at the second I1, whose item is missing: 'z' is never written.
        {"(I1,(3(TL1)),I1,'z')", "7         "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        char out[10];
        std::memset(out, '*', sizeof out);
        int32_t iostat = -1;
        const auto start = std::chrono::steady_clock::now();
        const int32_t seven = 7;
        EXPECT_EQ(write({.unit = internal_file(out, sizeof out), .format = c.format, .iostat = &iostat}).run({item(seven)}), 0);
        EXPECT_EQ(iostat, 0);
        EXPECT_EQ(std::string(out, sizeof out), c.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
}

TEST_F(FormatRepeat, ReadTabsSettleInsideTheRecord) {
    const struct {
        const char* format;
        int32_t expected;
    } cases[] = {
        {"(32767(32767(32767(TL1))),I2)", 12},
        {"(32767(32767(32767(1X))),TL2,I2)", 34},
        {"(100(1X,TL1),I2)", 12},
        {"(32767(32767(3X,TL1)),T2,I2)", 23},
        // Q takes the item: the count of characters left in the record.
        {"(32767(32767(32767(TL1))),T2,Q,I2)", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        char record[] = "1234";
        int32_t value = -1, iostat = -1;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(read({.unit = internal_file(record, 4), .format = c.format, .iostat = &iostat}).run({item(value)}), 0);
        EXPECT_EQ(iostat, 0);
        EXPECT_EQ(value, c.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
}

}  // namespace
