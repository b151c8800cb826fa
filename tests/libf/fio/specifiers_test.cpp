#include "libf/fio/specifiers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace fio;

SpecText specifier(std::string& text, int32_t length) { return {text.data(), length}; }

TEST(Specifiers, ValuesAreTrimmedAndUpperCasedButKeepLeadingBlanks) {
    struct Case {
        std::string text;
        int32_t length;  // -1: length-prefixed form
        const char* upcased;
        const char* keyword;  // a keyword it must match, or null
    } cases[] = {
        {"old", 3, "OLD", "OLD"},
        {"Scratch   ", 10, "SCRATCH", "SCRATCH"},
        {"oldfile", 3, "OLD", "OLD"},  // only `length` characters count
        {" old", 4, " OLD", nullptr},
        {"read/write", 10, "READ/WRITE", nullptr},
        {"print/delete", 12, "PRINT/DELETE", "PRINT/DELETE"},
        {"big_endian", 10, "BIG_ENDIAN", "BIG_ENDIAN"},
        {"\x03newxyz", -1, "NEW", "NEW"},
        {"    ", 4, "", nullptr},
        {"", 0, "", nullptr},
        {std::string(40, 'a'), 40, "", nullptr},  // too long for the buffer: matches nothing
        {"unknown" + std::string(100, ' '), 107, "UNKNOWN", "UNKNOWN"},
    };
    for (Case& c : cases) {
        char out[specifier_buffer_size];
        upcase_specifier(specifier(c.text, c.length), out, sizeof out);
        EXPECT_STREQ(out, c.upcased) << c.text;
        if (c.keyword != nullptr) {
            EXPECT_TRUE(keyword_equals(out, c.keyword)) << c.text;
        }
        EXPECT_FALSE(keyword_equals(out, "OLDX")) << c.text;
    }
    char out[4];
    std::string word = "readwrite";
    upcase_specifier(specifier(word, 9), out, sizeof out);
    EXPECT_FALSE(keyword_equals(out, "REA"));  // never a prefix match
}

TEST(Specifiers, ViewResolvesBothLengthForms) {
    std::string prefixed = "\x02OKrest";
    EXPECT_EQ(specifier_view(specifier(prefixed, -1)), "OK");
    std::string plain = "FILE.TXT";
    EXPECT_EQ(specifier_view(specifier(plain, 4)), "FILE");
    EXPECT_EQ(specifier_view(SpecText{}), "");
}

TEST(Specifiers, AnswersAreBlankPaddedOrTruncated) {
    struct Case {
        const char* answer;
        int32_t length;
        std::string filled;
    } cases[] = {
        {"YES", 6, "YES   "},
        {"SEQUENTIAL", 4, "SEQU"},
        {"NO", 2, "NO"},
        {"", 3, "   "},
    };
    for (const Case& c : cases) {
        std::string dest(8, '#');
        fill_text(c.answer, dest.data(), c.length);
        EXPECT_EQ(dest.substr(0, c.length), c.filled) << c.answer;
        EXPECT_EQ(dest.substr(c.length), std::string(8 - c.length, '#')) << c.answer;
    }
    std::string untouched = "##";
    fill_text("X", untouched.data(), 0);
    fill_text("X", untouched.data(), -3);
    EXPECT_EQ(untouched, "##");
}

}  // namespace
