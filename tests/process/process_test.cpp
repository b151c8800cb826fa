// The process services: command-line tail, floating-point set-up, exit handlers and the exit order.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "process/command_line.h"
#include "process/floating_point.h"
#include "process/support_library.h"
#include "tests/support/test_support.h"

namespace {

TEST(CommandLineTail, ArgumentsAfterTheProgramJoinedByOneBlank) {
    struct Case {
        std::vector<const char*> argv;
        std::string tail;
    };
    const std::vector<Case> cases = {
        {{"/opt/my programs/simplex"}, ""},
        {{"simplex", "data.txt"}, "data.txt"},
        {{"simplex", "a b", "c"}, "a b c"},
        {{"simplex", "", "x"}, " x"},
        {{"simplex", "\tleft", "right "}, "\tleft right "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(process::command_line_tail(static_cast<int>(c.argv.size()), c.argv.data()), c.tail) << c.argv[0];
    EXPECT_EQ(process::show_default, 10);
}

TEST(FloatingPoint, DoublePrecisionMaskedExceptionsRoundToNearest) {
    process::set_floating_point();
#if defined(__x86_64__)
    unsigned short control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    EXPECT_EQ(control, 0x027F);
#endif
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    volatile double zero = 0.0;
    EXPECT_TRUE(std::isnan(zero / zero));  // masked: a NaN, not a trap
    EXPECT_TRUE(std::isinf(1.0 / zero));
}

// Exit handlers record their order in this file, through a stream of the support library that
// only end_process flushes.
int g_slot = -1;
void first() { std::fputs("first ", process::stream(g_slot)); }
void second() { std::fputs("second ", process::stream(g_slot)); }
void third() {
    std::fputs("third ", process::stream(g_slot));
    process::register_exit_handler(first);  // registered during exit: still runs
}
void exitCallback(int32_t code) { std::fprintf(stderr, "exit callback %d\n", code); }

TEST(ProcessExit, HandlersLastFirstThenStreamsThenCallbackThenStatus) {
    test_support::TempDir dir;
    struct Case {
        int32_t status;
        int exitCode;
        const char* callback;
    };
    for (const Case c : {Case{0, 0, "exit callback 0\n"}, Case{-1, 255, "exit callback -1\n"},
                         Case{6, 6, "exit callback 6\n"}, Case{256 + 3, 3, "exit callback 259\n"}}) {
        EXPECT_EXIT(
            {
                g_slot = process::open_stream("order.txt", "w");
                if (g_slot < 3) std::_Exit(100);
                process::register_exit_handler(second);
                process::register_exit_handler(third);
                process::register_exit_handler(first);
                fio::ConsoleHooks hooks = fio::default_console_hooks();
                hooks.exit = exitCallback;
                process::install_support_callbacks(hooks);
                process::end_process(c.status);
            },
            ::testing::ExitedWithCode(c.exitCode), std::string("^") + c.callback + "$");
        EXPECT_EQ(test_support::read_file("order.txt"), "first third first second ");
    }
}

TEST(ExitHandlers, ListGrowsInBlocksOf128) {
    // A fresh process, so the list starts empty.
    EXPECT_EXIT(
        {
            bool ok = process::exit_handler_capacity() == 0;
            for (int i = 1; i <= 129; ++i) {
                ok = ok && process::register_exit_handler(nullptr) == 0;
                if (i == 128) ok = ok && process::exit_handler_capacity() == 128;
            }
            ok = ok && process::exit_handler_capacity() == 256 && process::exit_handler_count() == 129;
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Streams, TwentySlotsOfWhichThreeAreStandard) {
    test_support::TempDir dir;
    EXPECT_EQ(process::stream(1), stdout);
    std::vector<int32_t> slots;
    for (int i = 0; i < 18; ++i) slots.push_back(process::open_stream(("s" + std::to_string(i)).c_str(), "w"));
    EXPECT_EQ(slots.front(), 3);
    EXPECT_EQ(slots[16], 19);
    EXPECT_EQ(slots[17], -1);  // all 20 slots taken
    EXPECT_EQ(process::open_stream("/nonexistent-directory/x", "w"), -1);
    for (int32_t slot : slots) {
        if (slot >= 0) {
            EXPECT_EQ(process::close_stream(slot), 0);
        }
    }
    EXPECT_EQ(process::close_stream(1), -1);  // standard streams stay
    EXPECT_EQ(process::open_stream("again", "w"), 3);
    EXPECT_EQ(process::close_stream(3), 0);
}

}  // namespace
