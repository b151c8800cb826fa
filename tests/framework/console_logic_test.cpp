// The console logic driven through a recording fake of the window system.
#include "framework/console_logic.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

constexpr int32_t kLineHeight = 16;
constexpr int32_t kCharWidth = 8;

struct Drawn {
    int32_t x, y;
    std::string text;
    bool selected;
    bool operator==(const Drawn&) const = default;
};

// Records what the logic asks of the window system; clipboard and event loop are scripted.
struct FakePlatform : fw::Platform {
    std::vector<Drawn> drawn;
    std::vector<fw::Rect> invalidated;
    std::vector<std::pair<int32_t, int32_t>> scrolled;
    std::map<int32_t, bool> menuEnabled;
    std::pair<int32_t, int32_t> caret{-1, -1};
    std::map<fw::ScrollBar, std::pair<int32_t, int32_t>> range;  // bar -> (min, max)
    fw::Rect update{0, 0, 640, 320};
    bool selectedColors = false;
    int dispatches = 0;

    std::optional<std::string> clipboard;
    bool clipboardOpens = true;
    bool clipboardStores = true;

    std::deque<std::function<void()>> events;  // one entry per dispatched message

    fw::Rect beginPaint() override { return update; }
    void endPaint() override {}
    void getDC() override {}
    void releaseDC() override {}
    void setTextColors(fw::TextColors c) override { selectedColors = c == fw::TextColors::selected; }
    void textOut(int32_t x, int32_t y, const char* t, int32_t n) override {
        drawn.push_back({x, y, std::string(t, static_cast<size_t>(n)), selectedColors});
    }
    fw::FontMetrics fixedFontMetrics() override { return {kLineHeight, kCharWidth}; }
    void invalidateRect(const fw::Rect& r, bool) override { invalidated.push_back(r); }
    void updateWindow() override {}
    void scrollWindow(int32_t dx, int32_t dy) override { scrolled.emplace_back(dx, dy); }
    void setScrollRange(fw::ScrollBar bar, int32_t lo, int32_t hi, bool) override { range[bar] = {lo, hi}; }
    void setScrollPos(fw::ScrollBar, int32_t, bool) override {}
    void createCaret(int32_t, int32_t) override {}
    void showCaret() override {}
    void hideCaret() override {}
    void destroyCaret() override {}
    void setCaretPos(int32_t x, int32_t y) override { caret = {x, y}; }
    void setFocus() override {}
    void greySystemClose() override {}
    void enableMenuItem(int32_t command, bool enabled) override { menuEnabled[command] = enabled; }
    bool openClipboard() override { return clipboardOpens; }
    void emptyClipboard() override { clipboard.reset(); }
    void closeClipboard() override {}
    bool setClipboardText(const char* t, int32_t n) override {
        if (clipboardStores) clipboard = std::string(t, static_cast<size_t>(n));
        return clipboardStores;
    }
    bool isClipboardTextAvailable() override { return clipboard.has_value(); }
    int32_t getClipboardText(char* buffer, int32_t capacity) override {
        if (!clipboard) return -1;
        int32_t n = 0;
        for (; n < capacity && n < static_cast<int32_t>(clipboard->size()) && (*clipboard)[n] != '\0'; ++n)
            buffer[n] = (*clipboard)[n];
        return n;
    }
    bool runEventsWhile(const bool& condition) override {
        while (condition && !events.empty()) {
            auto event = events.front();
            events.pop_front();
            event();
        }
        return !condition;  // ran dry while waiting: the frame is gone
    }
    void dispatchQueued() override { ++dispatches; }
};

struct Console : ::testing::Test {
    fw::ConsoleText text;
    FakePlatform platform;
    fw::ConsoleView view;

    void SetUp() override {
        ASSERT_EQ(fw::allocateConsoleText(text), 1);
        view.text = &text;
        view.platform = &platform;
        fw::onCreate(view);
        fw::onSize(view, 80 * kCharWidth, 20 * kLineHeight);  // 80 columns, 20 rows
    }
    void TearDown() override { fw::releaseConsoleText(text); }

    void type(const std::string& s) {
        for (char c : s) fw::onChar(view, static_cast<unsigned char>(c));
    }
    int32_t write(const std::string& s) {
        int32_t count = static_cast<int32_t>(s.size());
        return fw::consoleWrite(view, s.data(), &count, -11);
    }
    void output(int n) {
        for (int i = 0; i < n; ++i) write("line " + std::to_string(i) + "\r\n");
    }
    Lines lines() const {
        Lines out;
        for (int32_t n = 1; n <= text.lineCount; ++n) out.emplace_back(fw::lineText(text, n));
        return out;
    }
    void click(int32_t row, int32_t column) { fw::onLButtonDblClk(view, column * kCharWidth + 3, row * kLineHeight + 5); }
    void moveTo(int32_t row, int32_t column) { fw::onMouseMove(view, column * kCharWidth + 3, row * kLineHeight + 5, true); }
    bool editItemsEnabled() {
        return platform.menuEnabled[fw::command::cut] && platform.menuEnabled[fw::command::copy] &&
               platform.menuEnabled[fw::command::remove];
    }
};

TEST_F(Console, EachWriteBecomesOneLine) {
    struct Case {
        std::string block;
        std::string line;
    } cases[] = {
        {"abc\r\n", "abc"},
        {"abc\n", "abc"},
        {"abc\r", "abc"},
        {"\r\n", ""},
        {"abc\r\n\r\n", "abc\r\n"},  // only the final pair goes
        {"a\nb\r\n", "a\nb"},        // nothing inside is interpreted
        {"abc", "abc"},
    };
    for (const Case& c : cases) {
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        EXPECT_EQ(write(c.block), static_cast<int32_t>(c.block.size()));
        EXPECT_EQ(lines(), Lines{c.line}) << c.block;
        EXPECT_TRUE(view.caretOnNewRow);
        EXPECT_EQ(view.caretRow, 1);
        EXPECT_EQ(view.caretColumn, 0);
    }
    // A record without a line end is still a line of its own.
    write(" STOP ");
    write(" ");
    write("\n");
    EXPECT_EQ(text.lineCount, 4);
    EXPECT_EQ(lines()[1], " STOP ");
    EXPECT_EQ(lines()[2], " ");
    EXPECT_EQ(lines()[3], "");
    EXPECT_EQ(platform.dispatches, 10);  // queued events run after every write
}

TEST_F(Console, ReadReturnsTheLineThatEnterEnded) {
    struct Case {
        std::string typed;
        int32_t capacity;
        std::string bytes;
    } cases[] = {
        {"\r", 256, "\r\n"},
        {"abcdefghijklmnopqrst\r", 10, "abcdefgh\r\n"},
        {"ab\r", 2, "\r\n"},
        {"ab\r", 1, "\r"},
        {"ab\r", 0, ""},
        {"ab\bc\r", 256, "ac\r\n"},
        {"x\ty\r", 256, "x" + std::string(7, ' ') + "y\r\n"},
    };
    for (const Case& c : cases) {
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        write(" ENTER INPUT FILENAME\r\n");
        for (char ch : c.typed) platform.events.push_back([this, ch] { fw::onChar(view, static_cast<unsigned char>(ch)); });
        char buffer[300];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        int32_t n = fw::consoleRead(view, buffer, c.capacity);
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), c.bytes) << c.typed;
        EXPECT_EQ(buffer[n], '#') << "nothing past the count";
        EXPECT_FALSE(view.readPending);
        EXPECT_EQ(text.lineCount, 2) << "the typed line follows the prompt";
    }
}

// Lines ended while no read waits are kept, in order, for the next reads, as a terminal keeps
// type-ahead; in pasted text CR, LF and CR LF each end one line.
TEST_F(Console, LinesEndedAheadAreReadInOrder) {
    struct Case {
        const char* name;
        std::string pasted;
        std::vector<std::string> reads;  // then a read that finds nothing and waits in vain
        Lines lines;
    } cases[] = {
        {"two answers at the first prompt", "data.txt\r0\r", {"data.txt", "0"}, {"data.txt", "0"}},
        {"CR LF, LF and CR", "ab\r\ncd\nef\r", {"ab", "cd", "ef"}, {"ab", "cd", "ef"}},
        {"empty lines", "\n\r\n\r", {"", "", ""}, {"", "", ""}},
        {"an unended rest stays on its line", "x\r\r\ny", {"x", ""}, {"x", "", "y"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        platform.clipboard = c.pasted;
        platform.events.push_back([this] { fw::pasteClipboard(view); });
        for (const std::string& expected : c.reads) {
            char buffer[16];
            const int32_t n = fw::consoleRead(view, buffer, 16);
            EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), expected + "\r\n");
        }
        char buffer[16];
        EXPECT_EQ(fw::consoleRead(view, buffer, 16), 0);
        EXPECT_EQ(lines(), c.lines);
    }

    // Typed while the program writes: each line stays where it was typed, and is read later.
    fw::clearConsoleText(text);
    fw::onCreate(view);
    type("a\r");
    write("OUT\r\n");
    type("b\r");
    EXPECT_EQ(lines(), (Lines{"a", "OUT", "b"}));
    for (const char* expected : {"a\r\n", "b\r\n"}) {
        char buffer[16];
        const int32_t n = fw::consoleRead(view, buffer, 16);
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), expected);
    }
}

TEST_F(Console, ReadDeliversNothingWhenTheFrameIsGone) {
    platform.events.push_back([this] { type("abc"); });  // no Enter before the loop runs dry
    char buffer[8] = {};
    EXPECT_EQ(fw::consoleRead(view, buffer, 8), 0);
    EXPECT_FALSE(view.readPending);
}

TEST_F(Console, TabAdvancesToTheNextMultipleOfEight) {
    struct Case {
        std::string before;
        int32_t column;
    } cases[] = {{"abc", 8}, {"", 8}, {"abcdefgh", 16}, {"abcdefg", 8}};
    for (const Case& c : cases) {
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        type(c.before + "\t");
        EXPECT_EQ(view.caretColumn, c.column) << c.before;
        EXPECT_EQ(lines(), Lines{c.before + std::string(c.column - c.before.size(), ' ')});
    }
}

TEST_F(Console, LineEditingKeys) {
    using Key = std::function<void(fw::ConsoleView&)>;
    auto ch = [](unsigned char c) { return Key([c](fw::ConsoleView& v) { fw::onChar(v, c); }); };
    auto key = [](int32_t k) { return Key([k](fw::ConsoleView& v) { fw::onKeyDown(v, k); }); };
    struct Case {
        const char* name;
        std::vector<Key> keys;
        std::string line;
        int32_t column;
    } cases[] = {
        {"backspace at column 0", {key(fw::vk::left), key(fw::vk::left), key(fw::vk::left), ch(8)}, "abc", 0},
        {"backspace in the middle", {key(fw::vk::left), ch(8)}, "ac", 1},
        {"delete at the end", {key(fw::vk::del)}, "abc", 3},
        {"delete in the middle", {key(fw::vk::left), key(fw::vk::left), key(fw::vk::del)}, "ac", 1},
        {"right at the end", {key(fw::vk::right)}, "abc", 3},
        {"left then right", {key(fw::vk::left), key(fw::vk::left), key(fw::vk::right)}, "abc", 2},
        {"typing inserts", {key(fw::vk::left), key(fw::vk::left), ch('X')}, "aXbc", 2},
        {"insert key", {key(fw::vk::left), key(fw::vk::insert)}, "ab c", 2},
        {"control character stored", {ch(10), ch(1)}, "abc\n\x01", 5},
    };
    for (const Case& c : cases) {
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        type("abc");
        for (const Key& k : c.keys) k(view);
        EXPECT_EQ(lines(), Lines{c.line}) << c.name;
        EXPECT_EQ(view.caretColumn, c.column) << c.name;
        EXPECT_EQ(platform.caret, std::make_pair(c.column * kCharWidth, 0)) << c.name;
    }
}

TEST_F(Console, KeysOnTheNewRowChangeNothing) {
    write("out\r\n");
    for (int32_t k : {int32_t{fw::vk::right}, int32_t{fw::vk::left}, int32_t{fw::vk::del}, int32_t{fw::vk::insert}, -1}) {
        if (k < 0)
            fw::onChar(view, 8);
        else
            fw::onKeyDown(view, k);
        EXPECT_EQ(lines(), Lines{"out"}) << k;
        EXPECT_TRUE(view.caretOnNewRow) << k;
        EXPECT_EQ(view.caretColumn, 0) << k;
    }
}

TEST_F(Console, ViewKeysMoveOnlyTheView) {
    output(30);  // 30 lines, 20 rows: range 0..12, the end in view
    ASSERT_EQ(view.vScrollMax, 12);
    ASSERT_EQ(view.vScrollPos, 12);
    struct Case {
        int32_t key;
        int32_t from, to;
    } cases[] = {
        {fw::vk::home, 12, 0}, {fw::vk::end, 0, 12}, {fw::vk::pageUp, 12, 0}, {fw::vk::pageUp, 5, 0},
        {fw::vk::pageDown, 0, 12}, {fw::vk::up, 12, 11}, {fw::vk::down, 11, 12}, {fw::vk::down, 12, 12},
        {fw::vk::up, 0, 0},
    };
    for (const Case& c : cases) {
        view.vScrollPos = c.from;
        platform.scrolled.clear();
        fw::onKeyDown(view, c.key);
        EXPECT_EQ(view.vScrollPos, c.to) << c.key << " from " << c.from;
        if (c.from == c.to)
            EXPECT_TRUE(platform.scrolled.empty());
        else
            EXPECT_EQ(platform.scrolled, (std::vector<std::pair<int32_t, int32_t>>{{0, (c.from - c.to) * kLineHeight}}));
        EXPECT_EQ(view.caretRow, 30);
        EXPECT_EQ(view.caretColumn, 0);
        EXPECT_TRUE(view.caretOnNewRow);
    }
}

TEST_F(Console, VerticalRangeKeepsTwoRowsOfSlack) {
    struct Case {
        int lines;
        int32_t max;
    } cases[] = {{0, 0}, {18, 0}, {19, 1}, {30, 12}};
    for (const Case& c : cases) {
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        output(c.lines);
        fw::refreshScrollBars(view);
        EXPECT_EQ(view.vScrollMax, c.max) << c.lines;
        EXPECT_EQ(platform.range[fw::ScrollBar::vertical], std::make_pair(0, c.max)) << c.lines;
    }
}

// The view follows the caret sideways; the range leaves one column after the longest line for
// the caret at its end.
TEST_F(Console, CaretStaysInViewSideways) {
    using Key = std::function<void()>;
    auto keys = [this](int32_t k, int times) {
        return Key([=, this] {
            for (int i = 0; i < times; ++i) fw::onKeyDown(view, k);
        });
    };
    struct Step {
        const char* name;
        Key act;
        int32_t caretColumn, firstColumn;
    } steps[] = {
        {"79 typed: the caret in the last column", [this] { type(std::string(79, 'z')); }, 79, 0},
        {"85 typed", [this] { type("zzzzzz"); }, 85, 6},
        {"left within the view", keys(fw::vk::left, 79), 6, 6},
        {"left past the left edge", keys(fw::vk::left, 2), 4, 4},
        {"right within the view", keys(fw::vk::right, 75), 79, 4},
        {"right past the right edge", keys(fw::vk::right, 5), 84, 5},
        {"backspace past the left edge", [this] { type(std::string(80, '\b')); }, 4, 4},
        {"enter", [this] { type("\r"); }, 0, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        EXPECT_EQ(view.caretColumn, s.caretColumn);
        EXPECT_EQ(view.hScrollPos, s.firstColumn);
        EXPECT_EQ(platform.caret.first, (s.caretColumn - s.firstColumn) * kCharWidth);
    }
    EXPECT_EQ(view.hScrollMax, 6);
    EXPECT_EQ(text.longestLine, 85);
}

TEST_F(Console, DragSelectsWithinOneLine) {
    using Step = std::function<void(Console&)>;
    auto move = [](int32_t row, int32_t column) { return Step([=](Console& t) { t.moveTo(row, column); }); };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool active;
        int32_t line, start, end;
    } cases[] = {
        {"start below the last line", {move(5, 2), move(3, 4), move(0, 2), move(0, 7)}, true, 0, 2, 7},
        {"start right of the line's end", {move(1, 10), move(1, 3), move(1, 5)}, true, 1, 3, 5},
        {"across lines stays on the first", {move(0, 2), move(0, 5), move(1, 1), move(1, 6)}, true, 0, 2, 5},
        {"half way moves the end", {move(0, 2), move(0, 6), move(0, 4)}, true, 0, 2, 4},
        {"nearer the start moves it", {move(0, 2), move(0, 6), move(0, 3)}, true, 0, 3, 6},
        {"left of the start", {move(0, 5), move(0, 7), move(0, 1)}, true, 0, 1, 7},
        {"end limited to the line", {move(1, 2), move(1, 40)}, true, 1, 2, 6},
        {"no movement selects nothing", {move(0, 3)}, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        write("first line here\r\n");
        write("second\r\n");
        fw::onLButtonDown(view, 0, 0);
        for (const Step& s : c.steps) s(*this);
        fw::onLButtonUp(view);
        EXPECT_EQ(view.selection.active, c.active) << c.name;
        EXPECT_EQ(editItemsEnabled(), c.active) << c.name;
        if (c.active) {
            const int32_t base = text.lineCount - 2;
            EXPECT_EQ(view.selection.line, base + c.line) << c.name;
            EXPECT_EQ(view.selection.startColumn, c.start) << c.name;
            EXPECT_EQ(view.selection.endColumn, c.end) << c.name;
        }
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
    }
}

TEST_F(Console, MovesWithoutTheButtonSelectNothing) {
    write("text\r\n");
    fw::onMouseMove(view, 8, 4, true);  // no button-down first
    fw::onLButtonDown(view, 0, 0);
    fw::onMouseMove(view, 8, 4, false);
    EXPECT_FALSE(view.selection.active);
}

TEST_F(Console, DoubleClickSelectsAWord) {
    struct Case {
        int32_t column;
        bool selected;
        int32_t start, end;
    } cases[] = {
        {4, true, 4, 7},    // first character of "def"
        {3, true, 0, 3},    // the blank after "abc"
        {0, true, 0, 3},
        {6, true, 4, 7},    // last character
        {8, false, 0, 0},   // second of two blanks
        {12, true, 9, 12},  // the end of the line, after "ghi"
        {13, false, 0, 0},  // beyond the end
    };
    write("abc def  ghi\r\n");
    for (const Case& c : cases) {
        fw::onLButtonDown(view, 0, 0);
        fw::onLButtonUp(view);
        click(0, c.column);
        fw::onLButtonUp(view);
        EXPECT_EQ(view.selection.active, c.selected) << c.column;
        EXPECT_EQ(editItemsEnabled(), c.selected) << c.column;
        if (c.selected) {
            EXPECT_EQ(view.selection.startColumn, c.start) << c.column;
            EXPECT_EQ(view.selection.endColumn, c.end) << c.column;
        }
    }
}

TEST_F(Console, OutputAndKeystrokesCancelTheSelection) {
    std::function<void()> actions[] = {
        [this] { write("more\r\n"); },
        [this] { type("k"); },
        [this] { fw::onKeyDown(view, fw::vk::del); },
    };
    for (auto& action : actions) {
        write("abc def\r\n");
        click(text.lineCount - 1, 1);
        fw::onLButtonUp(view);
        ASSERT_TRUE(editItemsEnabled());
        action();
        EXPECT_FALSE(view.selection.active);
        EXPECT_FALSE(platform.menuEnabled[fw::command::cut]);
        EXPECT_FALSE(platform.menuEnabled[fw::command::copy]);
        EXPECT_FALSE(platform.menuEnabled[fw::command::remove]);
    }
}

TEST_F(Console, DeleteTakesThePieceFromItsLineOnly) {
    struct Case {
        int32_t caretBefore;
        int32_t line, start, end;
        Lines expected;
        int32_t caretAfter;
    } cases[] = {
        {6, 0, 5, 10, {"alpha", "gamma", "abcdef"}, 6},     // earlier output line
        {6, 1, 0, 5, {"alpha beta", "", "abcdef"}, 6},      // a whole line
        {6, 2, 1, 3, {"alpha beta", "gamma", "adef"}, 4},   // before the caret: back by the count
        {6, 2, 4, 6, {"alpha beta", "gamma", "abcd"}, 4},   // ending at the caret
        {3, 2, 2, 5, {"alpha beta", "gamma", "abf"}, 2},    // caret inside: to the start
        {1, 2, 2, 5, {"alpha beta", "gamma", "abf"}, 1},    // after the caret: stays
        {6, 0, 8, 30, {"alpha be", "gamma", "abcdef"}, 6},  // end clamped to the line
    };
    for (const Case& c : cases) {
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        write("alpha beta\r\n");
        write("gamma\r\n");
        type("abcdef");
        for (int32_t i = c.caretBefore; i < 6; ++i) fw::onKeyDown(view, fw::vk::left);
        view.selection = {true, c.line, c.start, c.end};
        EXPECT_EQ(fw::deleteSelection(view), 1);
        EXPECT_EQ(lines(), c.expected) << c.line << ":" << c.start;
        EXPECT_EQ(view.caretColumn, c.caretAfter) << c.line << ":" << c.start;
        EXPECT_FALSE(view.selection.active);
        EXPECT_FALSE(platform.menuEnabled[fw::command::remove]);
    }
}

// Menu items and their keys reach the same Edit logic, which runs a command only while its
// item is enabled: Cut, Copy and Delete by a selection, Paste by text on the clipboard.
TEST_F(Console, EditCommandsRunOnlyWhileTheirItemIsEnabled) {
    using Clip = std::optional<std::string>;
    struct Case {
        const char* name;
        bool selected;
        Clip clipboard;
        int32_t command;
        int32_t result;
        Lines lines;
        Clip clipboardAfter;
    } cases[] = {
        {"copy", true, {}, fw::command::copy, 1, {"copy this word"}, "this"},
        {"cut", true, "old", fw::command::cut, 1, {"copy  word"}, "this"},
        {"delete", true, "old", fw::command::remove, 1, {"copy  word"}, "old"},
        {"copy without a selection", false, "old", fw::command::copy, 0, {"copy this word"}, "old"},
        {"delete without a selection", false, {}, fw::command::remove, 0, {"copy this word"}, {}},
        {"paste of text copied anywhere", false, "typed\r", fw::command::paste, 1, {"copy this word", "typed"}, "typed\r"},
        {"paste with no text", true, {}, fw::command::paste, 0, {"copy this word"}, {}},
        {"undo", true, "old", fw::command::undo, 0, {"copy this word"}, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::clearConsoleText(text);
        fw::onCreate(view);
        fw::onSize(view, 640, 320);
        write("copy this word\r\n");
        platform.clipboard = c.clipboard;
        fw::onClipboardChange(view);  // as the window system reports every change
        EXPECT_EQ(platform.menuEnabled[fw::command::paste], c.clipboard.has_value());
        if (c.selected) {
            click(0, 5);  // "this"
            fw::onLButtonUp(view);
        }
        EXPECT_EQ(editItemsEnabled(), c.selected);
        EXPECT_EQ(fw::editCommand(view, c.command), c.result);
        EXPECT_EQ(lines(), c.lines);
        EXPECT_EQ(platform.clipboard, c.clipboardAfter);
    }
}

TEST_F(Console, CopyAndCut) {
    write("copy this word\r\n");
    click(0, 5);  // "this"
    fw::onLButtonUp(view);
    EXPECT_EQ(fw::copySelection(view), 1);
    EXPECT_EQ(platform.clipboard, std::optional<std::string>("this"));
    EXPECT_TRUE(view.selection.active) << "the selection stays after a copy";

    platform.clipboardOpens = false;
    EXPECT_EQ(fw::cutSelection(view), 0);
    platform.clipboardOpens = true;
    platform.clipboardStores = false;
    EXPECT_EQ(fw::cutSelection(view), 0);
    EXPECT_EQ(lines(), Lines{"copy this word"}) << "a failed cut leaves the text";

    platform.clipboardStores = true;
    EXPECT_EQ(fw::cutSelection(view), 1);
    EXPECT_EQ(platform.clipboard, std::optional<std::string>("this"));
    EXPECT_EQ(lines(), Lines{"copy  word"});
    EXPECT_EQ(fw::copySelection(view), 0) << "nothing selected any more";
}

TEST_F(Console, PasteTypesAtMostTheLimit) {
    std::string long_text;
    for (int i = 0; i < 2000; ++i) long_text += static_cast<char>('a' + i % 26);
    platform.clipboard = long_text;
    fw::pasteClipboard(view);
    EXPECT_EQ(lines(), Lines{long_text.substr(0, 1024)});

    fw::clearConsoleText(text);
    fw::onCreate(view);
    platform.clipboard = std::string("ab\0cd", 5);
    fw::pasteClipboard(view);
    EXPECT_EQ(lines(), Lines{"ab"}) << "stops at the NUL";

    platform.clipboard.reset();
    fw::pasteClipboard(view);
    platform.clipboard = std::string("zz");
    platform.clipboardOpens = false;
    fw::pasteClipboard(view);
    EXPECT_EQ(lines(), Lines{"ab"});
}

TEST_F(Console, TypedLineKeptWhenOutputArrivesWithoutARead) {
    type("xy");
    write("OUT\r\n");
    EXPECT_EQ(lines(), (Lines{"xy", "OUT"}));
    EXPECT_TRUE(view.caretOnNewRow);
    EXPECT_EQ(view.caretRow, 2);
    EXPECT_EQ(view.caretColumn, 0);
    EXPECT_EQ(platform.caret, std::make_pair(0, 2 * kLineHeight));
    type("z");
    EXPECT_EQ(lines(), (Lines{"xy", "OUT", "z"}));
    EXPECT_EQ(platform.drawn.back(), (Drawn{0, 2 * kLineHeight, "z", false}));
}

TEST_F(Console, PaintDrawsDamagedRowsThenTheSelection) {
    output(3);  // rows 0..2: "line 0" .. "line 2"
    click(1, 0);
    fw::onLButtonUp(view);  // "line" of row 1
    platform.drawn.clear();
    platform.update = {0, 20, 640, 40};  // rows 1 and 2; the row above is drawn too
    fw::onPaint(view);
    EXPECT_EQ(platform.drawn, (std::vector<Drawn>{{0, 0, "line 0", false},
                                                  {0, 16, "line 1", false},
                                                  {0, 32, "line 2", false},
                                                  {0, 16, "line", true}}));
    EXPECT_EQ(platform.caret, std::make_pair(0, 3 * kLineHeight));
}

}  // namespace
