// The analysis program's main routine: the dialogue and the order of the run's phases.
#include "analysis/analysis.h"
#include "analysis/table_input.h"
#include "analysis/table_results.h"
#include "libf/character.h"
#include "libf/fio/errors.h"
#include "libf/fio/open_close.h"
#include "libf/fio/specifiers.h"

namespace analysis {

namespace {

constexpr int32_t input_unit = 1;

// OPEN(1, FILE=name, STATUS='OLD', IOSTAT=k) with the whole blank-padded name.
int32_t open_input_file(const char (&name)[title_length]) {
    char status[3];
    libf::assign_chars(status, 3, "OLD", 3);
    int32_t iostat = 0;
    fio::open_connection({.unit = input_unit,
                          .file = {name, title_length},
                          .status = {status, 3},
                          .iostat = &iostat});
    return iostat;
}

void report_fill(float fill) {
    write_record(console_unit, Layout::list);
    write_record(console_unit, Layout::list,
                 {fio::item(" MATRIX FILL =  "), fio::item(fill), fio::item(" %")});
    write_record(console_unit, Layout::list);
}

}  // namespace

void run_analysis() {
    static MatrixData m;
    char input_file_name[title_length];
    libf::assign_chars(input_file_name, title_length, "", 0);
    write_console_text(" ENTER INPUT FILENAME");
    read_record(console_unit, Layout::list, {fio::item(input_file_name)});
    if (open_input_file(input_file_name) > 0) {
        write_console_text("INPUT FILE DOES NOT EXIST!!");
        stop_run(run_failed);
    }
    write_console_text(" 0=analysis between cols, 1=analysis between rows");
    int32_t orientation = 0;
    read_record(console_unit, Layout::list, {fio::item(orientation)});

    // The file name as OPEN took it from the blank-padded variable.
    const std::string_view file_name = fio::trim_blanks({input_file_name, title_length});
    const bool table = is_table_file(file_name);
    std::vector<std::string> object_names;
    DataCheck check;
    if (table) object_names = read_table(file_name, orientation, m); else read_matrix(orientation, m, check);
    const float fill = matrix_fill(m);
    report_fill(fill);
    write_data_warnings(check);

    const int32_t pair_count = pair_count_of(m.n_objects);
    // Beyond 26,755 objects the score table outgrows ALLOCATE (and beyond 46,341 the pair numbers
    // leave the 32-bit range): refuse before any file is made.
    if (pair_count < 0 || !matrix_fits(pair_count, 3)) report_outside_statement(fio::err_allocation);
    check_objects(m);
    const float pair_total = static_cast<float>(pair_count);
    PairSums sums;
    open_score_files(m, pair_count);
    RealMatrix score_table;
    allocate_matrix(score_table, pair_count, 3);
    decompose_pairs(m, score_table, sums);
    const Percentages percentages = percentages_of(sums, pair_total);
    write_percentage_table(percentages);
    finish_score_files(percentages, fill);
    if (table) write_pair_table(m, score_table, object_names);
    RunResult result{.title = std::string_view(m.title, title_length),
                     .objects = m.n_objects,
                     .pairs = pair_count,
                     .positions = {},
                     .mean_s = percentages.similarity,
                     .mean_r = percentages.replacement,
                     .mean_d = percentages.difference};
    const int32_t positions =
        write_reduced_set(m, score_table, pair_count, run_observer_wants_result() ? &result.positions : nullptr);
    if (table)
        write_summary_table({.input = file_base_name(file_name),
                             .orientation = orientation,
                             .objects = m.n_objects,
                             .descriptors = m.n_variables,
                             .pairs = pair_count,
                             .positions = positions,
                             .fill = fill,
                             .percentages = percentages});
    report_finished(result);
    stop_run();
}

}  // namespace analysis
