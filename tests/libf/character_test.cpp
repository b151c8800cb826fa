#include "libf/character.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Runs an operation on a destination pre-filled with '#' so untouched bytes show.
std::string filled(int32_t size) { return std::string(static_cast<size_t>(size), '#'); }

TEST(Character, AssignmentCutsOrBlankPads) {
    struct Case {
        std::string source;
        int32_t source_length;
        int32_t dest_length;
        std::string expected;  // the whole 6-byte destination afterwards
    };
    const Case cases[] = {
        {"OLD ", 4, 4, "OLD ##"},     // the trailing blank is part of the value
        {"ab", 2, 5, "ab   #"},
        {"abcdef", 6, 3, "abc###"},
        {"abc", 3, 0, "######"},      // empty destination stays untouched
        {"abc", 0, 4, "    ##"},      // empty source gives blanks
        {"abc", -5, 3, "   ###"},     // negative lengths are empty
        {"abc", 3, -1, "######"},
    };
    for (const auto& c : cases) {
        std::string dest = filled(6);
        libf::assign_chars(dest.data(), c.dest_length, c.source.data(), c.source_length);
        EXPECT_EQ(dest, c.expected) << c.source << " -> " << c.dest_length;
    }
}

TEST(Character, AssignmentWithinOneBufferKeepsTheSourceBytes) {
    struct Case {
        int source_offset, source_length, dest_offset, dest_length;
        std::string expected;
    };
    const Case cases[] = {
        {0, 5, 1, 5, "aabcde"},    // destination one byte after the source: backward case
        {0, 3, 1, 5, "aabc  "},    // backward with padding past the source
        {0, 4, 2, 3, "ababcf"},
        {1, 5, 0, 5, "bcdeff"},    // destination before the source: forward
        {1, 2, 0, 5, "bc   f"},    // forward, the padding overwrites source bytes after use
        {0, 6, 0, 6, "abcdef"},    // same place
    };
    for (const auto& c : cases) {
        std::string buffer = "abcdef";
        libf::assign_chars(buffer.data() + c.dest_offset, c.dest_length,
                           buffer.data() + c.source_offset, c.source_length);
        EXPECT_EQ(buffer, c.expected) << c.source_offset << "," << c.dest_offset;
    }
}

TEST(Character, ConcatenationStopsAtTheCapacity) {
    struct Case {
        std::string first, second;
        int32_t first_length, second_length, capacity;
        int32_t stored;
        std::string expected;  // the whole 8-byte destination afterwards
    };
    const Case cases[] = {
        {"abc", "de", 3, 2, 4, 4, "abcd####"},
        {"abc", "de", 3, 2, 2, 2, "ab######"},
        {"abc", "de", 3, 2, 8, 5, "abcde###"},  // the rest is not blank-filled
        {"abc", "de", 0, 2, 8, 2, "de######"},
        {"abc", "de", 3, -4, 8, 3, "abc#####"},
        {"abc", "de", 3, 2, -1, 0, "########"},
    };
    for (const auto& c : cases) {
        std::string dest = filled(8);
        EXPECT_EQ(libf::concat_chars(c.first.data(), c.first_length, c.second.data(),
                                     c.second_length, dest.data(), c.capacity),
                  c.stored);
        EXPECT_EQ(dest, c.expected) << c.first_length << "+" << c.second_length;
    }
}

TEST(Character, ConcatenationLengthsAddWithoutOverflow) {
    // Two huge lengths add beyond int32; the capacity still bounds what is stored.
    const std::string first = "xy";
    std::string dest = filled(3);
    EXPECT_EQ(libf::concat_chars(first.data(), INT32_MAX, first.data(), INT32_MAX, dest.data(), 2),
              2);
    EXPECT_EQ(dest, "xy#");
}

TEST(Character, EqualityIgnoresTrailingBlanksOnly) {
    struct Case {
        std::string a, b;
        bool equal;
    };
    const Case cases[] = {
        {"abc", "abc  ", true},
        {"abc  ", "abc", true},
        {"abc", "ab c", false},
        {"abc", "abd", false},
        {"abc", "abc\t", false},  // only the blank pads
        {"", "", true},
        {"", "   ", true},
        {"", "a", false},
        {"a", "", false},
    };
    for (const auto& c : cases) {
        const auto la = static_cast<int32_t>(c.a.size());
        const auto lb = static_cast<int32_t>(c.b.size());
        EXPECT_EQ(libf::chars_equal(c.a.data(), la, c.b.data(), lb), c.equal) << c.a << "|" << c.b;
        EXPECT_EQ(libf::chars_not_equal(c.a.data(), la, c.b.data(), lb), !c.equal);
    }
    EXPECT_TRUE(libf::chars_equal("abc", -1, "", 0));  // a negative length is empty
}

TEST(Character, TrimmedCopyAndLength) {
    struct Case {
        std::string source;
        int32_t dest_length;
        int32_t copied;
        std::string expected;  // the whole 6-byte destination afterwards
    };
    const Case cases[] = {
        {"ab c  ", 6, 4, "ab c##"},
        {"ab c  ", 3, 2, "ab####"},   // only the first min(Ls, Ld) bytes count
        {"    ", 6, 0, "######"},
        {"abc", 0, 0, "######"},
        {"abc", -2, 0, "######"},
    };
    for (const auto& c : cases) {
        std::string dest = filled(6);
        EXPECT_EQ(libf::trimmed_copy(c.source.data(), dest.data(),
                                     static_cast<int32_t>(c.source.size()), c.dest_length),
                  c.copied);
        EXPECT_EQ(dest, c.expected) << c.source;
    }
    EXPECT_EQ(libf::trimmed_length("a b  ", 5), 3);
    EXPECT_EQ(libf::trimmed_length("    ", 4), 0);
    EXPECT_EQ(libf::trimmed_length("ab", 0), 0);
    EXPECT_EQ(libf::trimmed_length("ab", -3), 0);
    EXPECT_EQ(libf::trimmed_length(" \tx\t", 4), 4);
}

}  // namespace
