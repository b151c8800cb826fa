// The saved bytes of the console text, its failure reports, and the printed page layout.
#include "framework/save_print.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

struct BoxRecorder : fw::FramePlatform {
    std::vector<std::string> boxes;
    int32_t messageBox(bool owned, const char* text, const char* caption, uint32_t style) override {
        boxes.push_back(std::string(text) + " / " + caption + " / " + std::to_string(style) + (owned ? " / frame" : ""));
        return fw::answer::ok;
    }
    bool runSaveAsDialog(std::string&, std::string&) override { return false; }
    void setConsoleTitle(const std::string&) override {}
    void printConsoleText() override {}
    void runAboutDialog() override {}
    bool isMenuItemChecked(int32_t) override { return false; }
    int32_t consoleEdit(int32_t) override { return 0; }
    void arrangeChildren(fw::ChildArrangement) override {}
    void forwardToActiveChild(int32_t) override {}
    void destroyFrame() override {}
    void endProgram() override {}
};

struct Text {
    fw::ConsoleText text;
    explicit Text(const std::vector<std::string>& lines) {
        fw::allocateConsoleText(text);
        for (const std::string& line : lines) {
            fw::appendEmptyLine(text);
            fw::appendToLastLine(text, line.data(), static_cast<int32_t>(line.size()));
        }
    }
    ~Text() { fw::releaseConsoleText(text); }
};

TEST(SaveConsoleText, EveryLineEndsWithCarriageReturnLineFeed) {
    test_support::TempDir dir;
    struct Case {
        std::vector<std::string> lines;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {{"a", "", "bc"}, std::string("a\r\n\r\nbc\r\n")},
        {{}, ""},
        {{std::string("x\x01y\x1a", 4), "\t"}, std::string("x\x01y\x1a\r\n\t\r\n")},
        {{std::string(70000, 'q')}, std::string(70000, 'q') + "\r\n"},  // longer than one write block
    };
    for (const Case& c : cases) {
        Text t(c.lines);
        BoxRecorder boxes;
        test_support::write_file("out.txt", "old contents that must go");
        EXPECT_EQ(fw::writeConsoleText(t.text, "out.txt", boxes), 1);
        EXPECT_EQ(test_support::read_file("out.txt"), c.bytes);
        EXPECT_TRUE(t.text.textSaved);
        EXPECT_TRUE(boxes.boxes.empty());
    }
}

TEST(SaveConsoleText, FailuresAreReportedAndLeaveTheTextUnsaved) {
    struct Case {
        std::string path;
        bool savedBefore;
        std::string box;
        bool savedAfter;
    };
    const std::vector<Case> cases = {
        {"/nonexistent-directory/out.txt", false, "Cannot create file / TAVO / 48", false},
        {"/nonexistent-directory/out.txt", true, "Cannot create file / TAVO / 48", true},  // unchanged
        {"/dev/full", false, "I/O error while writing file / TAVO / 48", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Text t({"a", "bc"});
        t.text.textSaved = c.savedBefore;
        BoxRecorder boxes;
        EXPECT_EQ(fw::writeConsoleText(t.text, c.path, boxes), 0);
        EXPECT_EQ(boxes.boxes, std::vector<std::string>({c.box}));
        EXPECT_EQ(t.text.textSaved, c.savedAfter);
    }
}

TEST(PrintLayout, LinesPerPageAndRange) {
    EXPECT_EQ(fw::linesPerPage(960, 16), 60);
    EXPECT_EQ(fw::linesPerPage(975, 16), 60);
    EXPECT_EQ(fw::linesPerPage(10, 16), 1);  // a line taller than the page still prints
    EXPECT_EQ(fw::linesPerPage(960, 0), 1);

    struct Case {
        bool pageNumbers;
        int32_t from, to;
        fw::LineRange range;
    };
    const std::vector<Case> cases = {
        {false, 1, 1, {1, 130}}, {true, 1, 1, {1, 60}},    {true, 2, 2, {61, 120}},
        {true, 3, 5, {121, 130}}, {true, 4, 4, {181, 130}}, {true, 1, 32767, {1, 130}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fw::printRange(60, 130, c.pageNumbers, c.from, c.to), c.range) << c.from << "-" << c.to;
}

// Pages as the printer received them: each page the lines drawn on it, with their rows checked.
struct PageRecorder : fw::PrintDevice {
    std::vector<std::vector<std::string>> pages;
    std::vector<std::string> calls;
    int32_t lineHeight = 20;
    bool pageOpen = false;
    int failStartPageAt = 0;  // the n-th startPage fails
    int cancelAfterLines = 0;
    bool* keepPrinting = nullptr;
    int lines = 0;

    bool startDoc(const char* name) override {
        calls.push_back(std::string("startDoc ") + name);
        return true;
    }
    bool startPage() override {
        EXPECT_FALSE(pageOpen);
        if (static_cast<int>(pages.size()) + 1 == failStartPageAt) return false;
        pages.emplace_back();
        pageOpen = true;
        return true;
    }
    bool endPage() override {
        EXPECT_TRUE(pageOpen);
        pageOpen = false;
        return true;
    }
    void textOut(int32_t x, int32_t y, std::string_view line) override {
        EXPECT_TRUE(pageOpen);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, static_cast<int32_t>(pages.back().size()) * lineHeight);
        pages.back().emplace_back(line);
        if (++lines == cancelAfterLines) *keepPrinting = false;
    }
    void endDoc() override { calls.push_back("endDoc"); }
    void abortDoc() override { calls.push_back("abort"); }
    void dispatchEvents() override {}
};

// The lines first..last as the page should hold them.
std::vector<std::string> lines(int first, int last) {
    std::vector<std::string> result;
    for (int n = first; n <= last; ++n) result.push_back("line " + std::to_string(n));
    return result;
}

using Pages = std::vector<std::vector<std::string>>;

TEST(PrintLayout, PagesOfEachJob) {
    std::vector<std::string> all = lines(1, 130);
    Text t(all);
    struct Case {
        const char* name;
        fw::LineRange range;
        int32_t copies;
        Pages pages;
    };
    const std::vector<Case> cases = {
        {"all pages", {1, 130}, 1, {lines(1, 60), lines(61, 120), lines(121, 130)}},
        {"pages 2 to 2", {61, 120}, 1, {lines(61, 120)}},
        {"pages 3 to 5", {121, 130}, 1, {lines(121, 130)}},
        {"two copies", {121, 130}, 2, {lines(121, 130), lines(121, 130)}},
        {"two copies of full pages", {1, 120}, 2, {lines(1, 60), lines(61, 120), lines(1, 60), lines(61, 120)}},
        {"range beyond the text", {181, 130}, 2, {{}, {}}},
        {"no copies", {1, 130}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageRecorder printer;
        const bool keep = true;
        const fw::PrintJob job{printer.lineHeight, 60, c.range, c.copies};
        EXPECT_EQ(fw::printLines(t.text, job, printer, keep), fw::PrintResult::printed);
        EXPECT_EQ(printer.pages, c.pages);
        EXPECT_EQ(printer.calls, std::vector<std::string>({"startDoc TAVO Input/Output", "endDoc"}));
        EXPECT_FALSE(printer.pageOpen);
    }
}

TEST(PrintLayout, CancelAndFailingPagesDropTheJob) {
    Text t(lines(1, 130));
    {
        PageRecorder printer;
        bool keep = true;
        printer.keepPrinting = &keep;
        printer.cancelAfterLines = 65;
        EXPECT_EQ(fw::printLines(t.text, {20, 60, {1, 130}, 1}, printer, keep), fw::PrintResult::cancelled);
        EXPECT_EQ(printer.pages, Pages({lines(1, 60), lines(61, 65)}));
        EXPECT_EQ(printer.calls.back(), "abort");
    }
    {
        PageRecorder printer;
        const bool keep = true;
        printer.failStartPageAt = 2;
        EXPECT_EQ(fw::printLines(t.text, {20, 60, {1, 130}, 1}, printer, keep), fw::PrintResult::failed);
        EXPECT_EQ(printer.pages, Pages({lines(1, 60)}));
        EXPECT_EQ(printer.calls, std::vector<std::string>({"startDoc TAVO Input/Output", "abort"}));
    }
}

}  // namespace
