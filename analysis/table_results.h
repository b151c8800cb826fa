// Labelled results of a run on a table: "pairs.csv" (every pair with its names) and
// "summary.csv" (the run's measures), comma-separated UTF-8 with LF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis.h"

namespace analysis {

// A CSV cell: quoted (quotes doubled) only when it holds a comma, quote, line end or outer blank.
std::string csv_cell(std::string_view text);
// The shortest text that reads back to the same 4-byte real; NaN and infinities as R writes them.
std::string shortest_text(float value);

// Writes "pairs.csv" from the pair scores, before the reduced set marks the duplicates.
void write_pair_table(const MatrixData& m, const RealMatrix& score_table, const std::vector<std::string>& object_names);

struct RunSummary {
    std::string_view input;  // the file's name without its folder
    int32_t orientation;
    int32_t objects;
    int32_t descriptors;
    int32_t pairs;
    int64_t positions;
    float fill;
    Percentages percentages;
};
void write_summary_table(const RunSummary& summary);

}  // namespace analysis
