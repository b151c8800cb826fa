// Triangle coordinates, pair counts and duplicate marking of the analysis.
#include <cmath>
#include <iterator>

#include <gtest/gtest.h>

#include "analysis/analysis.h"
#include "libf/fio/heap.h"

namespace {

using analysis::Scores;

// The program never releases its arrays; a test does.
struct ScoreTable {
    analysis::RealMatrix matrix;
    explicit ScoreTable(int32_t rows) { analysis::allocate_matrix(matrix, rows, 3); }
    ~ScoreTable() { fio::free_mem(reinterpret_cast<void*>(matrix.descriptor.base)); }
};

TEST(TrianglePosition, CornersAndEdgeCasesLieWhereTheTransformPutsThem) {
    struct Case {
        Scores scores;  // R, D, S
        double x, y;
    };
    const Case cases[] = {
        {{1.0f, 0.0f, 0.0f}, 0.7071068, 1.225},      // pure replacement: apex
        {{0.0f, 1.0f, 0.0f}, -0.0000857, 0.0},       // pure richness difference
        {{0.0f, 0.0f, 1.0f}, 1.4142994, 0.0},        // pure similarity
        {{0.0f, 0.5f, 0.5f}, 0.7071068, 0.0},        // nested pair a = 2, b = 2, c = 0
        {{0.5f, 0.25f, 0.25f}, 0.7071068, 0.6125},   // worked example, pairs (1,2) and (1,3)
        {{2.0f / 3.0f, 0.0f, 1.0f / 3.0f}, 0.9428376, 0.8166667},
    };
    for (const Case& c : cases) {
        const analysis::Position p = analysis::triangle_position(c.scores);
        EXPECT_NEAR(p.x, c.x, 6e-8) << c.scores.r << " " << c.scores.d << " " << c.scores.s;
        EXPECT_NEAR(p.y, c.y, 6e-8) << c.scores.r << " " << c.scores.d << " " << c.scores.s;
    }
}

TEST(PairCount, HalvesTheProductUntilItLeavesThe32BitRange) {
    EXPECT_EQ(analysis::pair_count_of(0), 0);
    EXPECT_EQ(analysis::pair_count_of(1), 0);
    EXPECT_EQ(analysis::pair_count_of(2), 1);
    EXPECT_EQ(analysis::pair_count_of(3), 3);
    EXPECT_EQ(analysis::pair_count_of(46341), 1073720970);
    EXPECT_EQ(analysis::pair_count_of(46342), -1);
    // The score table of three 4-byte reals a pair fits ALLOCATE's 4 GiB up to 26,755 objects.
    EXPECT_TRUE(analysis::matrix_fits(analysis::pair_count_of(26755), 3));
    EXPECT_FALSE(analysis::matrix_fits(analysis::pair_count_of(26756), 3));
}

TEST(CounterValue, SaturatesWhereA4ByteRealStopsCounting) {
    EXPECT_EQ(analysis::counter_value(0), 0.0f);
    EXPECT_EQ(analysis::counter_value(16777215), 16777215.0f);
    EXPECT_EQ(analysis::counter_value(16777216), 16777216.0f);
    EXPECT_EQ(analysis::counter_value(16777217), 16777216.0f);
    // The reference: a 4-byte real that is incremented by 1.0 past 2^24.
    float counted = 16777215.0f;
    for (int i = 0; i < 3; ++i) counted = static_cast<float>(static_cast<double>(counted) + 1.0);
    EXPECT_EQ(counted, analysis::counter_value(16777218));
}

// Thirty million pairs of three kinds, whose fractions are exact binary fractions, so the true
// sums are exact too. A 4-byte sum stops growing by 0.5 or 0.75 at 2^24 and would give R as 55.9.
TEST(PairSums, MeansStayExactPastTheRangeOfA4ByteSum) {
    struct Pair {
        float a, b, c;
        Scores f;  // R, D, S of a, b, c
    };
    const Pair kinds[] = {
        {1.0f, 4.0f, 3.0f, {0.75f, 0.125f, 0.125f}},
        {0.0f, 3.0f, 1.0f, {0.5f, 0.5f, 0.0f}},  // shares nothing: its D counts as anti-nestedness
        {2.0f, 1.0f, 1.0f, {0.5f, 0.0f, 0.5f}},  // equal unshared counts: its S + D counts as identity
    };
    constexpr int32_t per_kind = 10000000;
    analysis::PairSums sums;
    for (int32_t i = 0; i < per_kind; ++i)
        for (const Pair& p : kinds) analysis::add_to_sums(p.a, p.b, p.c, p.f, sums);
    const analysis::Percentages got = analysis::percentages_of(sums, 3.0f * per_kind);
    // Means over the three kinds, in percent.
    EXPECT_FLOAT_EQ(got.similarity, 62.5f / 3.0f);
    EXPECT_FLOAT_EQ(got.replacement, 175.0f / 3.0f);
    EXPECT_FLOAT_EQ(got.difference, 62.5f / 3.0f);
    EXPECT_FLOAT_EQ(got.beta, 237.5f / 3.0f);
    EXPECT_FLOAT_EQ(got.agreement, 237.5f / 3.0f);
    EXPECT_FLOAT_EQ(got.anti, 50.0f / 3.0f);
    EXPECT_FLOAT_EQ(got.nested, 75.0f / 3.0f);
    EXPECT_FLOAT_EQ(got.identity, 50.0f / 3.0f);
    EXPECT_FLOAT_EQ(got.rident, 25.0f / 3.0f);
}

TEST(MarkDuplicates, FirstOccurrenceOfEachTripleIsKeptAndCountsItsPairs) {
    // Rows R, D, S; (1,1,0) and (2,2,0) give the same triple, and so on. The last three
    // rows each differ from the first in one score only.
    const Scores rows[] = {
        {0.0f, 0.5f, 0.5f}, {0.5f, 0.25f, 0.25f}, {0.0f, 0.5f, 0.5f}, {0.5f, 0.25f, 0.25f},
        {2.0f / 3.0f, 0.0f, 1.0f / 3.0f}, {0.0f, 0.5f, 0.5f}, {0.0f, 0.0f, 1.0f},
        {0.0f, 0.5f, 0.25f}, {0.0f, 0.25f, 0.5f}, {0.25f, 0.5f, 0.5f},
    };
    const bool duplicate[] = {false, false, true, true, false, true, false, false, false, false};
    const int32_t n = static_cast<int32_t>(std::size(rows));
    ScoreTable storage(n);
    analysis::RealMatrix& table = storage.matrix;
    for (int32_t p = 1; p <= n; ++p) {
        table.at(p, 1) = rows[p - 1].r;
        table.at(p, 2) = rows[p - 1].d;
        table.at(p, 3) = rows[p - 1].s;
    }
    std::vector<int64_t> kept_pairs;
    EXPECT_EQ(analysis::mark_duplicates(table, n, &kept_pairs), 3);
    EXPECT_EQ(kept_pairs, (std::vector<int64_t>{3, 2, 1, 1, 1, 1, 1}));
    for (int32_t p = 1; p <= n; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(table.at(p, 1), duplicate[p - 1] ? -12.0f : rows[p - 1].r);
        EXPECT_EQ(table.at(p, 2), rows[p - 1].d);  // columns 2 and 3 stay as they were
        EXPECT_EQ(table.at(p, 3), rows[p - 1].s);
    }
}

TEST(MarkDuplicates, ManyRowsOnFewTriplesKeepOnePerTriple) {
    // Enough rows to make the set grow several times. Each triple differs from a third of the
    // others in one score only, so many of them meet while the set is probed.
    const int32_t n = 5000;
    ScoreTable storage(n);
    analysis::RealMatrix& table = storage.matrix;
    for (int32_t p = 1; p <= n; ++p) {
        const int v = (p * 7919) % 1500;  // 1500 distinct values, first seen in some order
        for (int32_t column = 1; column <= 3; ++column)
            table.at(p, column) = v % 3 == column - 1 ? static_cast<float>(v) / 1500.0f : 0.75f;
    }
    EXPECT_EQ(analysis::mark_duplicates(table, n), n - 1500);
    bool seen[1500] = {};
    for (int32_t p = 1; p <= n; ++p) {
        const int v = (p * 7919) % 1500;
        EXPECT_EQ(table.at(p, 1) == -12.0f, seen[v]) << p;
        seen[v] = true;
    }
}

}  // namespace
