// The full score files: "resu.ord" (R, D, S of every pair and a summary of percentages) and
// "simplex.dat" (every pair's place in the triangle, then the triangle's corners).
#include <cmath>

#include "analysis/analysis.h"

namespace analysis {

namespace {

constexpr int32_t scores_unit = 2;
constexpr int32_t positions_unit = 4;

constexpr float height_factor = 1.225f;
constexpr float width_factor = 1.1546f;

// The two WRITEs of every pair, on variables of fixed storage as the program keeps them: their
// argument lists are built once, and a record costs one driver call.
struct PairWrites {
    Scores scores{};
    Position position{};
    fio::FixedStatement scores_write{fio::formatted_write, record_control(scores_unit, Layout::scores),
                                     {fio::item(scores.r), fio::item(scores.d), fio::item(scores.s)}};
    fio::FixedStatement position_write{fio::formatted_write, record_control(positions_unit, Layout::scores),
                                       {fio::item(position.x), fio::item(position.y)}};
};

PairWrites& pair_writes() {
    static PairWrites writes;
    return writes;
}

}  // namespace

Position triangle_position(const Scores& f) {
    Position p;
    p.y = static_cast<float>(static_cast<double>(f.r) * height_factor);
    const float ds = static_cast<float>(static_cast<double>(f.d) + f.s);
    const double root2 = std::sqrt(2.0);
    if (ds > 0.0f) {
        const double w = (static_cast<double>(height_factor) - p.y) * width_factor;
        const double x0 = (root2 - w) / 2.0;
        p.x = static_cast<float>(x0 + w * f.s / ds);
    } else {
        p.x = static_cast<float>(root2 / 2.0);
    }
    return p;
}

void open_score_files(const MatrixData& m, int32_t pair_count) {
    open_result_file(scores_unit, "resu.ord");
    open_result_file(positions_unit, "simplex.dat");
    write_record(scores_unit, Layout::title, {fio::item(std::string_view(m.title, title_length))});
    write_record(positions_unit, Layout::title, {fio::item(std::string_view(m.title, title_length))});
    const int32_t three = 3;
    const int32_t two = 2;
    const int32_t records = pair_count + 3;
    write_record(scores_unit, Layout::list, {fio::item(pair_count), fio::item(three)});
    write_record(positions_unit, Layout::list, {fio::item(records), fio::item(two)});
}

void write_pair_scores(const Scores& f) {
    PairWrites& writes = pair_writes();
    writes.scores = f;
    writes.scores_write.run();
}

void write_pair_position(const Scores& f) {
    PairWrites& writes = pair_writes();
    writes.position = triangle_position(f);
    writes.position_write.run();
}

void finish_score_files(const Percentages& p, float fill) {
    const float summary[8] = {fill,     p.similarity, p.replacement, p.difference,
                              p.beta,   p.agreement,  p.nested,      p.anti};
    write_record(scores_unit, Layout::scores,
                 {fio::item(summary[0]), fio::item(summary[1]), fio::item(summary[2]), fio::item(summary[3]),
                  fio::item(summary[4]), fio::item(summary[5]), fio::item(summary[6]), fio::item(summary[7])});
    close_unit(scores_unit);
    write_console_text(" FULL SET OF SIMPLEX SCORES SAVED IN FILE resu.ord FOR NONHIER");
    write_console_text(" FULL SET OF COORDINATES SAVED IN FILE simplex.dat ");
    const Scores corners[3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    for (const Scores& corner : corners) write_pair_position(corner);
    close_unit(positions_unit);
}

}  // namespace analysis
