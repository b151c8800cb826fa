// The frame's command table, save question and close sequence through a recording fake.
#include "framework/frame_logic.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/about_box.h"
#include "tests/support/test_support.h"

namespace {

using Log = std::vector<std::string>;

// Records every request; message box answers and the Save As choice are scripted.
struct FakeFrame : fw::FramePlatform {
    Log log;
    std::deque<int32_t> answers;
    std::optional<std::string> saveAsChoice;  // nullopt: the dialog is cancelled
    std::map<int32_t, bool> checked;

    int32_t messageBox(bool owned, const char* text, const char* caption, uint32_t style) override {
        log.push_back(std::string("box ") + text + " / " + caption + " / " + std::to_string(style) +
                      (owned ? " / frame" : ""));
        const int32_t reply = answers.empty() ? fw::answer::ok : answers.front();
        if (!answers.empty()) answers.pop_front();
        return reply;
    }
    bool runSaveAsDialog(std::string& name, std::string& title) override {
        log.push_back("save-as dialog offering '" + name + "'");
        if (!saveAsChoice) return false;
        name = *saveAsChoice;
        title = std::string(fw::frameTitle(name));
        return true;
    }
    void setConsoleTitle(const std::string& title) override { log.push_back("title " + title); }
    void printConsoleText() override { log.push_back("print"); }
    void runAboutDialog() override { log.push_back("about"); }
    bool isMenuItemChecked(int32_t id) override { return checked[id]; }
    int32_t consoleEdit(int32_t id) override {
        log.push_back("edit " + std::to_string(id));
        return 1;
    }
    void arrangeChildren(fw::ChildArrangement a) override {
        const char* names[] = {"cascade", "tile", "arrange icons"};
        log.push_back(names[static_cast<int>(a)]);
    }
    void forwardToActiveChild(int32_t id) override { log.push_back("child " + std::to_string(id)); }
    void destroyFrame() override { log.push_back("destroy frame"); }
    void endProgram() override { log.push_back("end program"); }
};

const std::string kQuestion = "box Save the Input/Output window? / TAVO / 51 / frame";  // 0x33
const std::string kCannotCreate = "box Cannot create file / TAVO / 48";                // 0x30, no owner

std::vector<int32_t> g_programCalls;
void programItem(int32_t* checked) { g_programCalls.push_back(*checked); }

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::allocateConsoleText(text);
        fw::appendEmptyLine(text);
        fw::appendToLastLine(text, "a", 1);
        fw::appendEmptyLine(text);
        fw::appendEmptyLine(text);
        fw::appendToLastLine(text, "bc", 2);
    }
    void TearDown() override { fw::releaseConsoleText(text); }

    test_support::TempDir dir;
    fw::ConsoleText text;
    fw::FrameState state;
    FakeFrame fake;
    fw::FrameContext frame{state, text, fake};
};

const std::string kSaved = "a\r\n\r\nbc\r\n";

TEST_F(FrameTest, CommandTableRoutesEveryCommand) {
    struct Case {
        int32_t id;
        Log expected;
    };
    // The Edit commands go to the console's Edit logic, which owns their rules.
    const std::vector<Case> cases = {
        {501, {"save-as dialog offering ''"}},
        {510, {"print"}},
        {520, {"about"}},
        {610, {"edit 610"}},
        {611, {"edit 611"}},
        {612, {"edit 612"}},
        {613, {"edit 613"}},
        {600, {"child 600"}},
        {701, {"cascade"}},
        {700, {"tile"}},
        {702, {"arrange icons"}},
        {802, {"child 802"}},  // beyond the last program command handed out
        {1300, {"child 1300"}},
        {100, {"child 100"}},
    };
    state.nextProgramCommand = 802;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        fake.log.clear();
        fw::frameCommand(frame, c.id);
        EXPECT_EQ(fake.log, c.expected);
    }
    EXPECT_FALSE(text.textSaved);
    EXPECT_FALSE(state.closing);
}

TEST_F(FrameTest, ProgramCommandsGetTheirItemsCheckedState) {
    state.nextProgramCommand = 803;
    state.programCommands[0] = programItem;  // 800
    state.programCommands[2] = programItem;  // 802
    fake.checked[802] = true;
    g_programCalls.clear();
    for (int32_t id : {800, 801, 802}) fw::frameCommand(frame, id);
    EXPECT_EQ(g_programCalls, std::vector<int32_t>({0, 1}));
    EXPECT_TRUE(fake.log.empty());  // 801 has no callback: nothing happens
}

TEST_F(FrameTest, SaveWithAndWithoutAChosenFile) {
    // No file yet: Save is Save As; a cancelled dialog writes nothing.
    fw::frameCommand(frame, fw::command::save);
    EXPECT_EQ(fake.log, Log({"save-as dialog offering ''"}));
    EXPECT_FALSE(text.textSaved);

    fake.saveAsChoice = dir.path() + "/run.txt";
    fw::frameCommand(frame, fw::command::save);
    EXPECT_EQ(test_support::read_file(dir.path() + "/run.txt"), kSaved);
    EXPECT_TRUE(text.textSaved);
    EXPECT_EQ(fake.log.back(), "title run.txt");

    // Now Save writes the same file again without a dialog.
    fake.log.clear();
    fw::appendToLastLine(text, "d", 1);
    fw::frameCommand(frame, fw::command::save);
    EXPECT_TRUE(fake.log.empty());
    EXPECT_EQ(test_support::read_file(dir.path() + "/run.txt"), "a\r\n\r\nbcd\r\n");

    // Save As offers the previous choice and moves to the new file.
    fake.saveAsChoice = dir.path() + "/other.txt";
    fw::frameCommand(frame, fw::command::saveAs);
    EXPECT_EQ(fake.log, Log({"save-as dialog offering '" + dir.path() + "/run.txt'", "title other.txt"}));
    EXPECT_EQ(state.saveFileName, dir.path() + "/other.txt");
    EXPECT_EQ(state.saveFileTitle, "other.txt");

    // A Save As that cannot write keeps the file and the title it had.
    fake.log.clear();
    fake.saveAsChoice = dir.path() + "/missing/run.txt";
    fw::frameCommand(frame, fw::command::saveAs);
    EXPECT_EQ(fake.log, Log({"save-as dialog offering '" + dir.path() + "/other.txt'", kCannotCreate}));
    EXPECT_EQ(state.saveFileName, dir.path() + "/other.txt");
    EXPECT_EQ(state.saveFileTitle, "other.txt");
}

TEST_F(FrameTest, CloseSequenceInEveryState) {
    struct Case {
        const char* name;
        bool finished;
        bool saved;
        bool fileChosen;
        bool dialogConfirms;
        int32_t reply;
        Log expected;
        bool closed;
        bool fileWritten;
        std::string folder = "";  // of the chosen or picked file
    };
    const std::vector<Case> cases = {
        {"running, No", false, false, false, false, fw::answer::no,
         {kQuestion, "destroy frame", "end program"}, true, false},
        {"running, Cancel", false, false, false, false, fw::answer::cancel, {kQuestion}, false, false},
        {"running, saved: no question", false, true, false, false, 0, {"destroy frame", "end program"}, true, false},
        {"finished, No", true, false, false, false, fw::answer::no, {kQuestion, "destroy frame"}, true, false},
        {"finished, Cancel", true, false, true, false, fw::answer::cancel, {kQuestion}, false, false},
        {"finished, saved: no question", true, true, false, false, 0, {"destroy frame"}, true, false},
        {"finished, Yes with a chosen file", true, false, true, false, fw::answer::yes,
         {kQuestion, "destroy frame"}, true, true},
        {"running, Yes through Save As", false, false, false, true, fw::answer::yes,
         {kQuestion, "save-as dialog offering ''", "title box-picked.txt", "destroy frame", "end program"}, true, true},
        {"finished, Yes with a cancelled Save As", true, false, false, false, fw::answer::yes,
         {kQuestion, "save-as dialog offering ''", "destroy frame"}, true, false},
        // A failed save shows its message and cancels the close: the text is not lost.
        {"running, Yes, the chosen file cannot be created", false, false, true, false, fw::answer::yes,
         {kQuestion, kCannotCreate}, false, false, "missing/"},
        {"finished, Yes, Save As to where no file can be created", true, false, false, true, fw::answer::yes,
         {kQuestion, "save-as dialog offering ''", kCannotCreate}, false, false, "missing/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string chosen = c.folder + "box-chosen.txt";
        const std::string picked = c.folder + "box-picked.txt";
        std::remove(chosen.c_str());
        std::remove(picked.c_str());
        state = fw::FrameState{};
        state.programFinished = c.finished;
        text.textSaved = c.saved;
        if (c.fileChosen) state.saveFileName = chosen;
        fake.saveAsChoice = c.dialogConfirms ? std::optional<std::string>(picked) : std::nullopt;
        fake.answers = {c.reply};
        fake.log.clear();

        // The window system's close request: handled here, never passed on while not closing.
        EXPECT_FALSE(fw::frameCloseRequested(frame));
        EXPECT_EQ(fake.log, c.expected);
        EXPECT_EQ(state.closing, c.closed);
        const std::string written = c.fileChosen ? chosen : picked;
        EXPECT_EQ(state.saveFileName, c.fileChosen || c.fileWritten ? written : "") << "chosen only once written";
        EXPECT_EQ(test_support::file_exists(written), c.fileWritten);
        if (c.fileWritten) {
            EXPECT_EQ(test_support::read_file(written), kSaved);
        }

        // Once closing, a further close request goes on to destroy the frame.
        if (c.closed) {
            fake.log.clear();
            EXPECT_TRUE(fw::frameCloseRequested(frame));
            EXPECT_TRUE(fake.log.empty());
        }
    }
}

TEST_F(FrameTest, ExitCommandClosesEvenWhileClosing) {
    state.closing = true;
    state.programFinished = true;
    fake.answers = {fw::answer::no};
    fw::frameCommand(frame, fw::command::exit);
    EXPECT_EQ(fake.log, Log({kQuestion, "destroy frame"}));
}

TEST(FramePieces, TitleShowStateAndAboutAddresses) {
    const std::vector<std::pair<std::string, std::string>> titles = {
        {"/usr/local/bin/simplex", "simplex"}, {"simplex", "simplex"}, {"/opt/x/", ""}, {"./a b", "a b"}};
    for (const auto& [path, title] : titles) EXPECT_EQ(fw::frameTitle(path), title) << path;

    EXPECT_EQ(fw::frameShowFor(10), fw::FrameShow::normal);
    EXPECT_EQ(fw::frameShowFor(1), fw::FrameShow::normal);
    EXPECT_EQ(fw::frameShowFor(2), fw::FrameShow::minimized);
    EXPECT_EQ(fw::frameShowFor(6), fw::FrameShow::minimized);
    EXPECT_EQ(fw::frameShowFor(3), fw::FrameShow::maximized);

    const std::vector<std::pair<uint64_t, std::string>> addresses = {
        {65536, "0x00010000"},
        {0, "0x00000000"},
        {0x7FFEFFFF, "0x7ffeffff"},
        {0x80000000u, "0x80000000"},  // top bit of 32 set: no sign
        {0xFFFFFFFFu, "0xffffffff"},
        {0x7FFFFFFFEFFFull, "0x7fffffffefff"},  // wider addresses in full
    };
    for (const auto& [address, textForm] : addresses) EXPECT_EQ(fw::formatAddress(address), textForm);

    const fw::SystemInfo info = fw::systemInfo();
    EXPECT_EQ(info.processorType, 8664);
    EXPECT_GT(info.pageSize, 0);
    EXPECT_GE(info.processorCount, 1);
    EXPECT_LT(info.minimumAddress, info.maximumAddress);
}

}  // namespace
