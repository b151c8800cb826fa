// Program services against a recording platform: packing of halves, menu identifiers, the
// timer table, the graphics window's rules and the tick.
#include "framework/program_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace fw;

struct RecordingPlatform final : ServicesPlatform {
    std::vector<std::string> calls;
    bool menuCallsSucceed = true;
    bool timersSucceed = true;
    int32_t tickEvent = 77;
    int32_t reply = answer::yes;
    GraphicsWindowRequest created;
    int32_t endPrograms = 0;

    bool createGraphicsWindow(const GraphicsWindowRequest& request, FontMetrics& font) override {
        created = request;
        font = {16, 8};
        calls.push_back("create");
        return true;
    }
    bool appendMenu(int32_t menu, uint32_t flags, int32_t id, const std::string& text) override {
        calls.push_back("append " + std::to_string(menu) + " " + std::to_string(flags) + " " + std::to_string(id) + " " + text);
        return menuCallsSucceed;
    }
    bool insertMenu(int32_t menu, int32_t position, uint32_t flags, int32_t id, const std::string& text) override {
        calls.push_back("insert " + std::to_string(menu) + " " + std::to_string(position) + " " + std::to_string(flags) +
                        " " + std::to_string(id) + " " + text);
        return menuCallsSucceed;
    }
    bool insertPopupMenu(int32_t position, uint32_t flags, const std::string& text) override {
        calls.push_back("popup " + std::to_string(position) + " " + std::to_string(flags) + " " + text);
        return menuCallsSucceed;
    }
    int32_t checkMenuItem(int32_t menu, int32_t position, uint32_t flags) override {
        calls.push_back("check " + std::to_string(menu) + " " + std::to_string(position) + " " + std::to_string(flags));
        return mf::checked;
    }
    int32_t deleteMenuItem(int32_t menu, int32_t position) override {
        calls.push_back("delete " + std::to_string(menu) + " " + std::to_string(position));
        return 1;
    }
    void drawMenuBar() override { calls.push_back("draw"); }
    bool setTimer(int32_t id, int32_t interval) override {
        calls.push_back("set " + std::to_string(id) + " " + std::to_string(interval));
        return timersSucceed;
    }
    void killTimer(int32_t id) override { calls.push_back("kill " + std::to_string(id)); }
    void dispatchQueued() override { calls.push_back("dispatch"); }
    int32_t startTick(int32_t delay, int32_t resolution, std::atomic<int32_t>& flag) override {
        calls.push_back("tick " + std::to_string(delay) + " " + std::to_string(resolution) + " flag " +
                        std::to_string(flag.load()));
        return tickEvent;
    }
    int32_t messageBox(const char* text, const char* caption, uint32_t style) override {
        calls.push_back(std::string("box ") + text + " | " + caption + " | " + std::to_string(style));
        return reply;
    }
    void endProgram() override { ++endPrograms; }
    Rect client{0, 0, 1400, 780};
    Rect console{15, 15, 615, 315};
    Rect clientArea() override { return client; }
    Rect consolePlace() override { return console; }
    std::string chooseSaveFile(const std::string&, std::span<const FileType>) override { return {}; }
    bool printPage(const std::string&, PageOrientation, PaintCallback) override { return false; }
    void setStatusText(const std::string& text) override { calls.push_back("status " + text); }
};

struct Services {
    FrameState frame;
    ServicesState services;
    RecordingPlatform platform;
    ServicesContext ctx{frame, services, platform};
};

int g_hits[3];
void commandA(int32_t*) {}
void timer0() { ++g_hits[0]; }
void timer1() { ++g_hits[1]; }
void timer2() { ++g_hits[2]; }

TEST(ProgramServices, PackHalvesWithDocumentedSignWidening) {
    struct Split { int32_t value, low, high; };
    for (const Split& c : {Split{0x12345678, 0x5678, 0x1234}, Split{-1, 0xFFFF, 0xFFFF},
                           Split{INT32_MIN, 0, 0x8000}, Split{-2, 0xFFFE, 0xFFFF}}) {
        int32_t low = 99, high = 99;
        splitWords(c.value, low, high);
        EXPECT_EQ(low, c.low) << c.value;
        EXPECT_EQ(high, c.high) << c.value;
        EXPECT_EQ(lowWord(c.value), c.low);
        EXPECT_EQ(highWord(c.value), c.high);
    }
    struct Join { int32_t low, high, result; };
    for (const Join& c : {Join{0x5678, 0x1234, 0x12345678}, Join{0x8000, 0, -32768}, Join{0x8000, 0x1234, -32768},
                          Join{0x1234, 0x8000, -2147478988}, Join{0x11234, 0x5678, 0x56781234}}) {
        EXPECT_EQ(joinWords(c.low, c.high), c.result) << c.low << " " << c.high;
    }
    struct Bytes { int8_t low, high; int32_t result; };
    for (const Bytes& c : {Bytes{0x12, 0x34, 0x3412}, Bytes{-128, 1, -128}, Bytes{1, -1, -255}}) {
        EXPECT_EQ(joinBytes(c.low, c.high), c.result) << int(c.low) << " " << int(c.high);
    }
    struct Halves { int16_t value; int32_t shortValue, low, high; };
    for (const Halves& c : {Halves{0x1280, 0x1280, -128, 0x12}, Halves{-32767, -32767, 1, -128},
                            Halves{0x7F01, 0x7F01, 1, 0x7F}, Halves{-1, -1, -1, -1}}) {
        EXPECT_EQ(shortValue(c.value), c.shortValue) << c.value;
        EXPECT_EQ(lowByte(c.value), c.low) << c.value;
        EXPECT_EQ(highByte(c.value), c.high) << c.value;
    }
}

TEST(ProgramServices, MenuItemsTakeIdentifiersInOrderAlsoWhenTheMenuCallFails) {
    Services s;
    s.platform.menuCallsSucceed = false;
    EXPECT_EQ(appendMenuItem(s.ctx, 2, 0, "First   ", commandA, 8), 0);
    s.platform.menuCallsSucceed = true;
    int32_t flags = mf::checked;
    EXPECT_EQ(insertMenuItem(s.ctx, 1, 3, flags, "Second", nullptr, 6), 1);
    EXPECT_EQ(flags, static_cast<int32_t>(mf::checked));
    // A new top-level menu uses no identifier and reports the flags it was given.
    flags = 0;
    EXPECT_EQ(insertMenuItem(s.ctx, 4, 0, flags, "Tools", commandA, 5), 1);
    EXPECT_EQ(flags, 0x410);
    EXPECT_EQ(appendMenuItem(s.ctx, 4, 0, "Third", commandA, 5), 1);
    const std::vector<std::string> expected = {
        "append 1 0 800 First", "draw", "insert 0 2 8 801 Second", "draw", "popup 3 1040 Tools", "draw",
        "append 3 0 802 Third", "draw"};
    EXPECT_EQ(s.platform.calls, expected);
    EXPECT_EQ(s.frame.programCommands[0], &commandA);
    EXPECT_EQ(s.frame.programCommands[1], nullptr);
    EXPECT_EQ(s.frame.programCommands[2], &commandA);
    EXPECT_EQ(s.frame.nextProgramCommand, 803);
}

TEST(ProgramServices, FiveHundredMenuItemsAtMostAndLongTextsCut) {
    Services s;
    const std::string longText = std::string(600, 'x');
    for (int i = 0; i < 500; ++i) ASSERT_EQ(appendMenuItem(s.ctx, 1, 0, longText.c_str(), commandA, 600), 1) << i;
    EXPECT_EQ(s.platform.calls[0], "append 0 0 800 " + std::string(511, 'x'));
    EXPECT_EQ(s.platform.calls[998], "append 0 0 1299 " + std::string(511, 'x'));
    s.platform.calls.clear();
    int32_t flags = 0;
    EXPECT_EQ(appendMenuItem(s.ctx, 1, 0, "more", commandA, 4), 0);
    EXPECT_EQ(insertMenuItem(s.ctx, 1, 1, flags, "more", commandA, 4), 0);
    EXPECT_TRUE(s.platform.calls.empty());
    EXPECT_EQ(s.frame.nextProgramCommand, 1300);
}

TEST(ProgramServices, CheckAndDeleteCountPositionsFromOne) {
    Services s;
    int32_t flags = mf::checked;
    EXPECT_EQ(checkMenuItem(s.ctx, 2, 1, flags), static_cast<int32_t>(mf::checked));
    EXPECT_EQ(flags, 0x408);
    EXPECT_EQ(deleteMenuItem(s.ctx, 2, 3), 1);
    EXPECT_EQ(deleteMenuItem(s.ctx, 2, 0), 0);
    const std::vector<std::string> expected = {"check 1 0 1032", "delete 1 2", "draw", "draw"};
    EXPECT_EQ(s.platform.calls, expected);
}

TEST(ProgramServices, TimerTableHasOneHundredSlots) {
    Services s;
    for (int32_t id = 1; id <= 100; ++id) ASSERT_EQ(setTimer(s.ctx, id, 50, id == 50 ? timer1 : timer0), 1) << id;
    s.platform.calls.clear();
    EXPECT_EQ(setTimer(s.ctx, 101, 50, timer2), 0);
    EXPECT_TRUE(s.platform.calls.empty());  // no slot: the window system is not asked

    // An unknown identifier is only handed to the window system.
    killTimer(s.ctx, 4242);
    EXPECT_EQ(s.platform.calls, std::vector<std::string>{"kill 4242"});
    EXPECT_EQ(s.frame.timers[99].id, 100);

    // A killed timer frees its slot for the next one; dispatch compares whole identifiers.
    killTimer(s.ctx, 50);
    EXPECT_EQ(setTimer(s.ctx, 0x10032, 20, timer2), 1);
    EXPECT_EQ(s.frame.timers[49].id, 0x10032);
    g_hits[0] = g_hits[1] = g_hits[2] = 0;
    EXPECT_FALSE(frameTimer(s.frame, 50));
    EXPECT_TRUE(frameTimer(s.frame, 0x10032));
    EXPECT_EQ(g_hits[2], 1);
    EXPECT_EQ(g_hits[1], 0);

    // Identifier 0 marks a free slot; a failing window-system call leaves the slot free.
    killTimer(s.ctx, 7);
    EXPECT_EQ(setTimer(s.ctx, 0, 10, timer0), 0);
    s.platform.timersSucceed = false;
    EXPECT_EQ(setTimer(s.ctx, 500, 10, timer0), 0);
    EXPECT_EQ(s.frame.timers[6].id, 0);
}

TEST(ProgramServices, SettingATimerAgainReplacesItsCallback) {
    Services s;
    ASSERT_EQ(setTimer(s.ctx, 9, 100, timer0), 1);
    ASSERT_EQ(setTimer(s.ctx, 9, 200, timer1), 1);
    EXPECT_EQ(s.frame.timers[1].id, 0);
    g_hits[0] = g_hits[1] = 0;
    EXPECT_TRUE(frameTimer(s.frame, 9));
    EXPECT_EQ(g_hits[0], 0);
    EXPECT_EQ(g_hits[1], 1);
    killTimer(s.ctx, 9);
    EXPECT_FALSE(frameTimer(s.frame, 9));
}

TEST(ProgramServices, GraphicsWindowSizeTitleAndMappingRules) {
    struct Case {
        int32_t width, height;
        std::string title;
        int32_t mode;
        int32_t wantWidth, wantHeight;
        std::string wantTitle;
        int32_t wantMode;
    };
    const std::string long90(90, 'T');
    const std::vector<Case> cases = {
        {0, 500, "Plot  ", 9, 600, 300, "Plot", 1},
        {400, 0, "   ", 0, 600, 300, "Graphics", 1},
        {320, 200, std::string("\0abc", 4), 8, 320, 200, "Graphics", 8},
        {320, 200, long90, 2, 320, 200, std::string(79, 'T'), 2},
        {-5, 10, " x y ", -3, -5, 10, " x y", 1},
    };
    for (const Case& c : cases) {
        Services s;
        int32_t width = c.width, height = c.height;
        EXPECT_EQ(createGraphicsWindow(s.ctx, width, height, c.title.data(), c.mode, nullptr,
                                       static_cast<int32_t>(c.title.size())), 1);
        EXPECT_EQ(width, c.wantWidth) << c.title;
        EXPECT_EQ(height, c.wantHeight) << c.title;
        EXPECT_EQ(s.platform.created.width, c.wantWidth);
        EXPECT_EQ(s.platform.created.height, c.wantHeight);
        EXPECT_EQ(s.platform.created.x, 15);
        EXPECT_EQ(s.platform.created.y, 15);
        EXPECT_EQ(s.platform.created.title, c.wantTitle);
        EXPECT_EQ(s.services.graphics.mappingMode, c.wantMode) << c.mode;
        EXPECT_EQ(s.services.graphics.font.lineHeight, 16);
    }
}

void paintA(PaintSurface*) {}

TEST(ProgramServices, SecondGraphicsWindowIsRefusedAndChangesNothing) {
    Services s;
    int32_t width = 100, height = 80, mode = 3, length = 1;
    ASSERT_EQ(createGraphicsWindow(s.ctx, width, height, "G", mode, paintA, length), 1);
    int32_t zero = 0, mode2 = 5;
    EXPECT_EQ(createGraphicsWindow(s.ctx, zero, zero, "H", mode2, nullptr, length), 0);
    EXPECT_EQ(zero, 0);
    EXPECT_EQ(s.platform.calls, std::vector<std::string>{"create"});
    EXPECT_EQ(s.services.graphics.paint, &paintA);
    EXPECT_EQ(s.services.graphics.mappingMode, 3);
}

// Right of the console with a 10-pixel gap down to the client area's edges; when fewer than 360
// pixels are free there, the whole client area inside the gap.
TEST(ProgramServices, GraphicsWindowBesideTheConsoleTakesTheFreeRoom) {
    struct Case {
        Rect client;
        int32_t x, y, width, height;
    };
    for (const Case& c : {Case{{0, 0, 1400, 780}, 625, 15, 765, 755}, Case{{0, 0, 995, 400}, 625, 15, 360, 375},
                          Case{{0, 0, 994, 400}, 10, 10, 974, 380}}) {
        Services s;
        s.platform.client = c.client;
        ASSERT_EQ(showGraphicsBesideConsole(s.ctx, "Triangle plot", paintA), 1);
        const GraphicsWindowRequest& r = s.platform.created;
        EXPECT_EQ((std::vector<int32_t>{r.x, r.y, r.width, r.height}), (std::vector<int32_t>{c.x, c.y, c.width, c.height}))
            << c.client.right;
        EXPECT_EQ(r.title, "Triangle plot");
        EXPECT_EQ(s.services.graphics.mappingMode, mapping::text);
        EXPECT_EQ(showGraphicsBesideConsole(s.ctx, "Again", nullptr), 0);
    }
}

TEST(ProgramServices, MappingModesScaleToPixels) {
    struct Case { int32_t mode; double x, y; };
    // Units per inch: 254 (0.1 mm), 2540, 100, 1000, 1440; at 96 dots per inch across, 72 down.
    for (const Case& c : {Case{1, 1, 1}, Case{0, 1, 1}, Case{9, 1, 1}, Case{8, 1, 1}, Case{2, 96 / 254.0, -72 / 254.0},
                          Case{3, 96 / 2540.0, -72 / 2540.0}, Case{4, 0.96, -0.72}, Case{5, 0.096, -0.072},
                          Case{6, 96 / 1440.0, -0.05}, Case{7, 96 / 254.0, -72 / 254.0}}) {
        const MappingScale scale = mappingScale(c.mode, 96, 72);
        EXPECT_DOUBLE_EQ(scale.xScale, c.x) << c.mode;
        EXPECT_DOUBLE_EQ(scale.yScale, c.y) << c.mode;
    }
}

TEST(ProgramServices, TickClearsTheFlagAndAsksWhenNoTimerStarts) {
    Services s;
    EXPECT_EQ(s.services.tickFlag.load(), 1);
    EXPECT_EQ(tick(s.ctx), 77);
    EXPECT_EQ(s.services.tickFlag.load(), 0);
    EXPECT_EQ(s.platform.calls, (std::vector<std::string>{"dispatch", "tick 100 10 flag 0"}));

    s.platform.tickEvent = 0;
    s.platform.calls.clear();
    s.services.tickFlag.store(1);
    EXPECT_EQ(tick(s.ctx), answer::yes);
    EXPECT_EQ(s.services.tickFlag.load(), 0);
    EXPECT_EQ(s.platform.calls.back(), "box No timers available. Continue? | TAVO | 52");
    EXPECT_EQ(s.platform.endPrograms, 0);
    s.platform.reply = answer::no;
    tick(s.ctx);
    EXPECT_EQ(s.platform.endPrograms, 1);
}

TEST(ProgramServices, TickThreadSetsTheFlagAfterItsDelay) {
    static std::atomic<int32_t> flag{0};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_NE(startTickThread(100, flag), 0);
    while (flag.load() == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(flag.load(), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

}  // namespace
