// The data check's warnings on the console: a few lines of each kind, each naming a line of
// the file, then how many more there were.
#include <cstdio>
#include <string>

#include "analysis/analysis.h"

namespace analysis {

namespace {

std::string plural(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

void warn(const std::string& text) { write_console_text((" WARNING: " + text).c_str()); }

std::string line_of(const Finding& f) { return "LINE " + std::to_string(f.line) + ": "; }

void warn_skipped(const FindingList& list) {
    for (const Finding& f : list.shown) {
        if (f.row == 0)
            warn(line_of(f) + "TEXT AFTER THE TWO DIMENSIONS IS SKIPPED");
        else
            warn(line_of(f) + "TEXT AFTER THE LAST VALUE OF ROW " + std::to_string(f.row) + " IS SKIPPED");
    }
    if (list.more_lines > 0) warn("TEXT IS SKIPPED ON " + plural(list.more_lines, "MORE LINE", "MORE LINES"));
}

void warn_not_numbers(const FindingList& list) {
    for (const Finding& f : list.shown) {
        warn(line_of(f) + plural(f.count, "VALUE", "VALUES") + " OF ROW " + std::to_string(f.row) +
             (f.count == 1 ? " IS NOT A NUMBER" : " ARE NOT NUMBERS") + " (NA, NAN, INF OR A LONE SIGN)");
    }
    if (list.more_lines > 0)
        warn(plural(list.more_count, "MORE VALUE", "MORE VALUES") + " ON " +
             plural(list.more_lines, "MORE LINE", "MORE LINES") +
             (list.more_count == 1 ? " IS NOT A NUMBER" : " ARE NOT NUMBERS"));
}

void warn_after_rows(const FindingList& list) {
    for (const Finding& f : list.shown) warn(line_of(f) + "TEXT AFTER THE LAST ROW IS NOT READ");
    if (list.more_lines > 0)
        warn(plural(list.more_lines, "MORE LINE", "MORE LINES") + " AFTER THE LAST ROW" +
             (list.more_lines == 1 ? " IS" : " ARE") + " NOT READ");
}

}  // namespace

void write_data_warnings(const DataCheck& check) {
    warn_skipped(check.skipped);
    warn_not_numbers(check.not_numbers);
    warn_after_rows(check.after_rows);
}

}  // namespace analysis
