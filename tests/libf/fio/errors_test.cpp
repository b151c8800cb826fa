#include "libf/fio/errors.h"
#include "libf/fio/program_end.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "libf/fio/file_layer.h"
#include "libf/fio/units.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;

struct ChildResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string drain(int fd) {
    std::string bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

// Runs body in a child process with its standard output and error captured; the body is
// expected to end the process itself.
ChildResult run_child(const std::function<void()>& body) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) std::abort();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {out[0], out[1], err[0], err[1]}) ::close(fd);
        body();
        ::_exit(99);
    }
    ::close(out[1]);
    ::close(err[1]);
    ChildResult result;
    result.out = drain(out[0]);
    result.err = drain(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Console hooks for a child: every write call is logged as [selector|bytes]; the exit
// callback prints the log and the exit code on standard output.
std::string g_log;
void install_logging_hooks() {
    ConsoleHooks hooks = default_console_hooks();
    hooks.write = [](const char* text, int32_t* count, int32_t selector) -> int32_t {
        g_log += "[" + std::to_string(selector) + "|" + std::string(text, static_cast<std::size_t>(*count)) + "]";
        return 1;
    };
    hooks.exit = [](int32_t code) {
        g_log += "exit " + std::to_string(code);
        std::fputs(g_log.c_str(), stdout);
    };
    install_console_callbacks(hooks);
}

class Errors : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }

    TransferState& statement(StatementKind kind, int32_t unit) { return test_support::statement(kind, unit); }
};

TEST_F(Errors, RuntimeMessagesByNumber) {
    struct Case {
        int32_t number;
        const char* message;  // null: none
    } cases[] = {
        {10000, "File not open for read"},
        {10013, "Attempt to read past end of file"},
        {10031, "Cannot implicitly open for direct access -- record length unknown"},
        {10032, "Status 'NEW' specified for an existing file"},
        {10039, "Attempt to read past end of record in non-advancing I/O"},
        {10056, "The ORDER argument to RESHARE is contains an illegal value"},
        {10066, "Expected & or $ as first character for NAMELIST input"},
        {10070, "Runtime memory allocation fails"},
        {9999, nullptr},
        {10071, nullptr},
        {2, nullptr},
    };
    for (const Case& c : cases) {
        const char* message = runtime_error_message(c.number);
        if (c.message == nullptr)
            EXPECT_EQ(message, nullptr) << c.number;
        else
            EXPECT_STREQ(message, c.message) << c.number;
    }
}

TEST_F(Errors, ErrAndIostatTakeTheError) {
    struct Case {
        uint32_t present;
        int32_t number;
        int32_t iostat;
        bool terminated;
    } cases[] = {
        {pres::iostat, 10016, 10016, true},
        {pres::err | pres::iostat, 10016, 10016, false},
        {pres::err, 10016, 0x5555, false},
        {pres::iostat, 10013, -1, true},
        {pres::iostat, 10039, -2, true},
        {pres::iostat, 2, 2, true},
    };
    for (const Case& c : cases) {
        int32_t iostat = 0x5555;
        TransferState& s = statement(kind_read, 5);
        s.present = c.present;
        s.iostat_var = &iostat;
        s.terminated = 0;
        s.statement_flags |= 0x02000000u | sflag::sign_plus;
        s.record.limit = 7;
        s.record.position = 3;
        EXPECT_EQ(report_error(c.number, s), status_error) << c.number;
        EXPECT_EQ(iostat, c.iostat) << c.number;
        EXPECT_EQ(s.terminated != 0, c.terminated) << c.number;
        EXPECT_EQ(s.statement_flags, 0x02000000u);
        EXPECT_EQ(s.record.limit, 0);
        EXPECT_EQ(s.record.position, 0);
    }
}

TEST_F(Errors, UnhandledErrorsWriteTheReportAndExitWith255) {
    struct Case {
        const char* name;
        std::function<void()> raise;
        std::string report;
    } cases[] = {
        {"system error of OPEN",
         [this] { report_error(2, statement(kind_open, 10)); },
         "? System Error:\n? No such file or directory\n? OPEN(UNIT=10,...\n"},
        {"run-time error of a console READ with its source line",
         [this] {
             TransferState& s = statement(kind_read, -1);
             s.source_file = "prog.f90";
             s.source_line = 12;
             report_error(10013, s);
         },
         "? FORTRAN Runtime Error:\n? Attempt to read past end of file\n? READ(UNIT=*,...\n"
         "File prog.f90; Line 12\n"},
        {"internal file",
         [this] {
             TransferState& s = statement(kind_write, 0);
             s.options |= opt::internal_file;
             report_error(10060, s);
         },
         "? FORTRAN Runtime Error:\n? Attempt to write a record longer than specified record "
         "length\n? WRITE(UNIT=INTERNAL,...\n"},
        {"unit given by pointer",
         [this] {
             static int32_t unit = 3;
             TransferState& s = statement(kind_close, 0);
             s.options = opt::status_codes;
             s.unit_spec = reinterpret_cast<std::intptr_t>(&unit);
             report_error(10005, s);
         },
         "? FORTRAN Runtime Error:\n? Bad iolist specifier\n? CLOSE(UNIT=3,...\n"},
        {"omitted statement line",
         [this] {
             TransferState& s = statement(kind_write, 6);
             s.statement_flags |= sflag::omit_statement_line;
             report_error(10001, s);
         },
         "? FORTRAN Runtime Error:\n? File not open for write\n"},
        {"outside an I/O statement, IOSTAT= of the last statement ignored",
         [this] {
             static int32_t iostat = 0;
             TransferState& s = statement(kind_write, 6);
             s.present = pres::iostat;
             s.iostat_var = &iostat;
             report_outside_error(outside_array_bounds, s);
         },
         "? FORTRAN Runtime Error:\n? Array boundary error\n"},
        {"unknown system code",
         [this] { report_error(99999, statement(kind_rewind, 4)); },
         "? System Error:\n? 99999\n? REWIND(UNIT=4,...\n"},
        {"library error mapped and never taken by IOSTAT=",
         [] {
             static int32_t iostat = 0;
             transfer_state().present = pres::iostat | pres::err;
             transfer_state().iostat_var = &iostat;
             report_library_error(1408);
         },
         "? FORTRAN Runtime Error:\n? Size of SOURCE argument to RESHAPE smaller than SHAPE array\n"},
        {"unknown library code",
         [] { report_library_error(7); },
         "? FORTRAN Runtime Error:\n? Internal or unknown runtime library error\n"},
    };
    for (const Case& c : cases) {
        const ChildResult r = run_child(c.raise);
        EXPECT_EQ(r.status, 255) << c.name;
        EXPECT_EQ(r.err, c.report) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
    }
}

TEST_F(Errors, ReportAndStopLinesAreSeparateWritesToStandardError) {
    struct Case {
        const char* name;
        std::function<void()> end;
        std::string log;
    } cases[] = {
        {"STOP without a code", [] { stop("", 0); }, "[-12| STOP][-12|\n]exit 0"},
        {"STOP with a code", [] { stop("1", 1); }, "[-12| STOP ][-12|1][-12|\n]exit 0"},
        {"STOP with a blank", [] { stop(" ", 1); }, "[-12| STOP ][-12| ][-12|\n]exit 0"},
        {"end of the main program", [] { end_program(); }, "exit 0"},
        {"unhandled error",
         [this] {
             TransferState& s = statement(kind_read, 5);
             s.source_file = "a.f";
             s.source_line = 7;
             report_error(10016, s);
         },
         "[-12|? FORTRAN Runtime Error:\n][-12|? Illegal character in numeric input\n]"
         "[-12|? READ(UNIT=][-12|5,...\n][-12|File ][-12|a.f][-12|; Line ][-12|7\n]exit -1"},
    };
    for (const Case& c : cases) {
        const ChildResult r = run_child([&] {
            install_logging_hooks();
            c.end();
        });
        EXPECT_EQ(r.out, c.log) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
        EXPECT_EQ(r.status, c.log.back() == '1' ? 255 : 0) << c.name;
    }
}

TEST_F(Errors, ProgramEndsFlushFilesAndDeleteScratchFiles) {
    test_support::TempDir dir;
    struct Case {
        const char* name;
        std::function<void()> end;
        int status;
    } cases[] = {
        {"end_program", [] { end_program(); }, 0},
        {"stop", [] { stop("", 0); }, 0},
        {"unhandled error", [this] { report_error(10016, statement(kind_write, 7)); }, 255},
    };
    for (const Case& c : cases) {
        ::unlink("fort.7");
        const ChildResult r = run_child([&] {
            ::setenv("TMPDIR", dir.path().c_str(), 1);
            TransferState& s = statement(kind_write, 7);
            s.present = pres::formatted;
            if (implicit_open(s) != 0) ::_exit(98);
            unit_write_bytes(*s.current_unit, "abc", 3);
            // A record left open by a non-advancing WRITE still gets its line end.
            s.current_unit->attributes |= attr::nonadvancing_open | attr::last_was_write;
            UnitBlock* scratch = new_unit(s);
            scratch->unit_number = 20;
            const std::string name = scratch_name();
            scratch->file_name = static_cast<char*>(std::calloc(name.size() + 1, 1));
            name.copy(scratch->file_name, name.size());
            scratch->attributes = attr::readable | attr::writable | attr::status_scratch |
                                  attr::delete_on_close;
            scratch->buffer_size = 64;
            scratch->buffer = static_cast<char*>(std::calloc(64, 1));
            open_file(*scratch, OpenStatus::new_file, OpenAction::readwrite, false);
            unit_write_bytes(*scratch, "tmp", 3);
            std::printf("%s", name.c_str());
            c.end();
        });
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(test_support::read_file("fort.7"), "abc\r\n") << c.name;
        ASSERT_EQ(r.out.rfind(dir.path() + "/FOR", 0), 0u) << c.name << ": " << r.out;
        EXPECT_FALSE(test_support::file_exists(r.out)) << c.name;
    }
}

TEST_F(Errors, EndingPathKeepsItsStatusWhenTheProgramEndIsRequestedAgain) {
    const ChildResult r = run_child([this] {
        ConsoleHooks hooks = default_console_hooks();
        hooks.exit = [](int32_t) { end_program(); };  // as when the frame closes meanwhile
        install_console_callbacks(hooks);
        report_error(10001, statement(kind_write, 6));
    });
    EXPECT_EQ(r.status, 255);
    const ChildResult s = run_child([] {
        ConsoleHooks hooks = default_console_hooks();
        hooks.exit = [](int32_t) { end_program(); };
        install_console_callbacks(hooks);
        stop("", 0);
    });
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.err, " STOP\n");
}

TEST_F(Errors, ClosingAllUnitsIsIdempotent) {
    TransferState& s = statement(kind_write, 6);
    ASSERT_EQ(find_unit(s), 0);
    s.unit_spec = 0;
    ASSERT_EQ(find_unit(s), 0);
    close_all_units(s);
    EXPECT_EQ(s.units, nullptr);
    EXPECT_EQ(s.current_unit, nullptr);
    EXPECT_EQ(s.record.data, nullptr);
    EXPECT_EQ(s.work.data, nullptr);
    close_all_units(s);
    EXPECT_EQ(s.units, nullptr);
    // The layer is usable again afterwards.
    ASSERT_EQ(find_unit(s), 0);
    EXPECT_NE(s.record.data, nullptr);
}

}  // namespace
