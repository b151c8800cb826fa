// The objects a run needs before any result file is opened: at least two, none of them empty.
#include <string>

#include "analysis/analysis.h"

namespace analysis {

namespace {

bool is_empty(const MatrixData& m, int32_t j) {
    const uint64_t* bits = m.presence.object(j);
    for (int32_t w = 0; w < m.presence.words_per_object; ++w)
        if (bits[w] != 0) return false;
    return true;
}

void report_empty(int32_t j) { write_record(console_unit, Layout::list, {fio::item(j), fio::item("  IS EMPTY")}); }

}  // namespace

void check_objects(const MatrixData& m) {
    if (m.n_objects < 2) {
        write_console_text((" AT LEAST 2 OBJECTS ARE NEEDED, " + std::to_string(m.n_objects) + " READ").c_str());
        stop_run(run_failed);
    }
    // Named as the first pair with an empty object meets it: pair (1,2) names object 1 and,
    // when it is empty too, object 2; a later pair (1,k) names k alone.
    int32_t first = 0;
    for (int32_t j = 1; j <= m.n_objects && first == 0; ++j)
        if (is_empty(m, j)) first = j;
    if (first == 0) return;
    report_empty(first);
    if (first == 1 && is_empty(m, 2)) report_empty(2);
    stop_run(run_failed);
}

}  // namespace analysis
