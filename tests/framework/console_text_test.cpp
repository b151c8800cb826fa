// The console text model: editing operations, the saved flag, and growth past the first tables.
#include "framework/console_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fw::ConsoleText;

struct TextFixture : ::testing::Test {
    ConsoleText text;
    void SetUp() override { ASSERT_EQ(fw::allocateConsoleText(text), 1); }
    void TearDown() override { fw::releaseConsoleText(text); }

    void addLine(const std::string& s) {
        ASSERT_EQ(fw::appendEmptyLine(text), 1);
        ASSERT_EQ(fw::appendToLastLine(text, s.data(), static_cast<int32_t>(s.size())), 1);
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (int32_t n = 1; n <= text.lineCount; ++n) out.emplace_back(fw::lineText(text, n));
        return out;
    }
};

using Lines = std::vector<std::string>;

TEST_F(TextFixture, EditsOfTheLastLine) {
    addLine("out");
    addLine("abc");
    EXPECT_EQ(fw::insertBlank(text, 1), 1);  // a bc
    EXPECT_EQ(fw::storeCharacter(text, 1, 'X'), 1);  // aXbc
    EXPECT_EQ(fw::insertBlank(text, 4), 1);  // at the end: "aXbc "
    EXPECT_EQ(fw::storeCharacter(text, 5, 'Z'), 1);  // grows: "aXbc Z"
    EXPECT_EQ(lines(), (Lines{"out", "aXbc Z"}));
    // Columns past the end do not apply.
    EXPECT_EQ(fw::insertBlank(text, 7), 0);
    EXPECT_EQ(fw::storeCharacter(text, 7, 'Q'), 0);
    EXPECT_EQ(lines(), (Lines{"out", "aXbc Z"}));
    EXPECT_EQ(fw::appendEmptyLine(text), 1);
    EXPECT_EQ(fw::lineLength(text, 3), 0);
    EXPECT_EQ(fw::lineText(text, 4), "");
    EXPECT_EQ(fw::lineText(text, 0), "");
}

TEST_F(TextFixture, DeletionFromAnyLine) {
    struct Case {
        int32_t line, column, count, removed;
        Lines expected;
    } cases[] = {
        {1, 1, 2, 2, {"ad", "", "wxyz", "tail"}},      // earlier line; later lines move down intact
        {3, 2, 10, 2, {"abcd", "", "wx", "tail"}},      // count clamped to the line
        {3, 4, 1, 0, {"abcd", "", "wxyz", "tail"}},     // start at the end
        {3, 9, 1, 0, {"abcd", "", "wxyz", "tail"}},     // start after the end
        {2, 0, 1, 0, {"abcd", "", "wxyz", "tail"}},     // empty line
        {4, 0, 4, 4, {"abcd", "", "wxyz", ""}},         // whole last line
        {1, 0, 0, 0, {"abcd", "", "wxyz", "tail"}},     // nothing asked
    };
    for (const Case& c : cases) {
        fw::clearConsoleText(text);
        for (const char* s : {"abcd", "", "wxyz", "tail"}) addLine(s);
        text.textSaved = true;
        EXPECT_EQ(fw::deleteCharacters(text, c.line, c.column, c.count), c.removed) << c.line << "," << c.column;
        EXPECT_EQ(lines(), c.expected) << c.line << "," << c.column;
        EXPECT_EQ(text.textSaved, c.removed == 0) << "only a change clears the saved flag";
        // The last line still grows at the end of the store.
        EXPECT_EQ(fw::storeCharacter(text, fw::lineLength(text, 4), '!'), 1);
        EXPECT_EQ(fw::lastLine(text), c.expected[3] + "!");
    }
}

TEST_F(TextFixture, EveryChangeClearsTheSavedFlag) {
    addLine("ab");
    auto changes = {
        +[](ConsoleText& t) { fw::appendEmptyLine(t); },
        +[](ConsoleText& t) { fw::appendToLastLine(t, "x", 1); },
        +[](ConsoleText& t) { fw::insertBlank(t, 0); },
        +[](ConsoleText& t) { fw::storeCharacter(t, 0, 'q'); },
        +[](ConsoleText& t) { fw::deleteCharacters(t, 1, 0, 1); },
    };
    int index = 0;
    for (auto change : changes) {
        text.textSaved = true;
        change(text);
        EXPECT_FALSE(text.textSaved) << "change " << index++;
    }
}

TEST_F(TextFixture, GrowsPastTheInitialStoreAndBoundTable) {
    // 40,000 lines of 10 bytes: more lines than the 32,767 of the first table and more bytes
    // than the 262,144 of the first store.
    constexpr int32_t kLines = 40000;
    auto lineFor = [](int32_t i) {
        std::string s = std::to_string(i);
        return std::string(10 - s.size(), '.') + s;
    };
    for (int32_t i = 0; i < kLines; ++i) addLine(lineFor(i));
    // And one last line longer than the first store by itself, grown a byte at a time.
    ASSERT_EQ(fw::appendEmptyLine(text), 1);
    for (int32_t i = 0; i < 300000; ++i) ASSERT_EQ(fw::storeCharacter(text, i, static_cast<char>('a' + i % 26)), 1);

    ASSERT_EQ(text.lineCount, kLines + 1);
    EXPECT_GT(text.storeCapacity, fw::kInitialStoreBytes);
    EXPECT_GT(text.boundCapacity, fw::kInitialBoundEntries);
    for (int32_t i = 0; i < kLines; ++i) ASSERT_EQ(fw::lineText(text, i + 1), lineFor(i)) << i;
    std::string_view last = fw::lastLine(text);
    ASSERT_EQ(last.size(), 300000u);
    EXPECT_EQ(last.substr(0, 3), "abc");
    EXPECT_EQ(last.substr(299999), std::string(1, static_cast<char>('a' + 299999 % 26)));

    // Deleting from the first line moves everything after it intact.
    EXPECT_EQ(fw::deleteCharacters(text, 1, 0, 9), 9);
    EXPECT_EQ(fw::lineText(text, 1), "0");
    EXPECT_EQ(fw::lineText(text, kLines), lineFor(kLines - 1));
    EXPECT_EQ(fw::lastLine(text).size(), 300000u);
}

}  // namespace
