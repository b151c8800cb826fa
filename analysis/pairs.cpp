// Pair decomposition: shared and unshared descriptors of every pair of objects, the fractions
// S, R and D, their sums and the table of percentages.
#include <bit>
#include <cmath>
#include <limits>

#include "analysis/analysis.h"

// The pair loop counts shared descriptors with the processor's population-count instruction
// where it has one, and in software elsewhere.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define WITH_HARDWARE_POPCOUNT [[gnu::target_clones("popcnt", "default")]]
#else
#define WITH_HARDWARE_POPCOUNT
#endif

namespace analysis {

std::vector<uint64_t> richness_of_objects(const MatrixData& m) {
    std::vector<uint64_t> richness(static_cast<std::size_t>(m.n_objects));
    const int32_t words = m.presence.words_per_object;
    for (int32_t j = 1; j <= m.n_objects; ++j) {
        const uint64_t* p = m.presence.object(j);
        uint64_t n = 0;
        for (int32_t w = 0; w < words; ++w) n += static_cast<uint64_t>(std::popcount(p[w]));
        richness[j - 1] = n;
    }
    return richness;
}

void add_to_sums(float a, float b, float c, const Scores& f, PairSums& sums) {
    sums.sum_s += f.s;
    sums.sum_r += f.r;
    sums.sum_d += f.d;
    if (!(a > 0.0f)) sums.sum_d_no_shared += f.d;
    if (a > 0.0f && b == c) sums.sum_richness_identity += static_cast<double>(f.s) + f.d;
}

int32_t pair_count_of(int32_t n_objects) {
    const int64_t twice = static_cast<int64_t>(n_objects) * (static_cast<int64_t>(n_objects) - 1);
    if (twice > std::numeric_limits<int32_t>::max()) return -1;
    return static_cast<int32_t>(twice / 2);
}

WITH_HARDWARE_POPCOUNT void decompose_pairs(const MatrixData& m, RealMatrix& score_table, PairSums& sums) {
    const std::vector<uint64_t> richness = richness_of_objects(m);
    const int32_t words = m.presence.words_per_object;
    int32_t pair_index = 0;
    for (int32_t j = 1; j <= m.n_objects - 1; ++j) {
        const uint64_t* pj = m.presence.object(j);
        for (int32_t k = j + 1; k <= m.n_objects; ++k) {
            ++pair_index;
            const uint64_t both = shared_count(pj, m.presence.object(k), words);
            const float a = counter_value(both);
            const float b = counter_value(richness[j - 1] - both);
            const float c = counter_value(richness[k - 1] - both);
            const float t = static_cast<float>(static_cast<double>(a) + b + c);
            const float d = static_cast<float>(std::fabs(static_cast<double>(b) - c));
            Scores f;
            f.s = static_cast<float>(static_cast<double>(a) / t);
            f.r = static_cast<float>((static_cast<double>(t) - a - d) / t);
            f.d = static_cast<float>(static_cast<double>(d) / t);
            write_pair_scores(f);
            score_table.at(pair_index, 1) = f.r;
            score_table.at(pair_index, 2) = f.d;
            score_table.at(pair_index, 3) = f.s;
            add_to_sums(a, b, c, f, sums);
            write_pair_position(f);
        }
        report_progress(pair_index, score_table.extent1());
    }
}

Percentages percentages_of(const PairSums& s, float pair_total) {
    const double total = pair_total;
    auto share = [total](double value) { return static_cast<float>(100.0 * value / total); };
    auto combined = [total](double value) { return static_cast<float>(value * 100.0 / total); };
    const double s_d_anti = s.sum_d + s.sum_s - s.sum_d_no_shared;
    return {
        .similarity = share(s.sum_s),
        .replacement = share(s.sum_r),
        .difference = share(s.sum_d),
        .beta = combined(s.sum_r + s.sum_d),
        .agreement = combined(s.sum_r + s.sum_s),
        .anti = share(s.sum_d_no_shared),
        .nested = combined(s_d_anti),
        .identity = share(s.sum_richness_identity),
        .rident = combined(s_d_anti - s.sum_richness_identity),
    };
}

void write_percentage_table(const Percentages& p) {
    write_record(console_unit, Layout::list);
    write_console_text("                                    PERCENTAGES");
    write_record(console_unit, Layout::list);
    int written = 0;
    for (const PercentageLine& line : percentage_lines) {
        write_record(console_unit, Layout::list,
                     {fio::item(std::string_view(line.label, 30)), fio::item(p.*line.value)});
        if (++written == percentage_first_group) write_record(console_unit, Layout::list);
    }
    write_record(console_unit, Layout::list);
    write_record(console_unit, Layout::list);
}

}  // namespace analysis
