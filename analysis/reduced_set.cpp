// The reduced score set: one pair for each distinct triple (R, D, S), written to "REDUC.ORD".
#include <bit>
#include <cstring>
#include <vector>

#include "analysis/analysis.h"

namespace analysis {

namespace {

constexpr int32_t reduced_unit = 2;
// A row is marked as a duplicate by this value in its R column; kept rows stay >= -10.
constexpr float duplicate_mark = -12.0f;
constexpr float kept_threshold = -10.0f;

uint32_t bits_of(float v) { return std::bit_cast<uint32_t>(v); }

// Triples are compared by their exact bit patterns. Scores are never NaN and never -0.0, so
// this is the same as comparing the stored reals for equality.
struct Triple {
    uint32_t r, d, s;
    bool operator==(const Triple&) const = default;
};

Triple triple_of(const RealMatrix& table, int32_t p) {
    return {bits_of(table.at(p, 1)), bits_of(table.at(p, 2)), bits_of(table.at(p, 3))};
}

uint64_t hash_of(const Triple& t) {
    uint64_t h = (static_cast<uint64_t>(t.r) << 32 | t.d) * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) + t.s * 0xC2B2AE3D27D4EB4Full;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 31);
}

// Open-addressing set of the rows kept so far. A slot holds 1 + the kept row's place in
// `rows_` (0 is empty), so a duplicate finds the place of the row it repeats.
class KeptRows {
public:
    explicit KeptRows(const RealMatrix& table) : table_(table), slots_(1024, 0) {}

    // Keeps row p unless an equal triple is kept already; either way returns that triple's
    // place among the kept rows.
    std::size_t insert(int32_t p) {
        if ((rows_.size() + 1) * 2 > slots_.size()) grow();
        const Triple t = triple_of(table_, p);
        const std::size_t i = slot_for(t);
        if (slots_[i] == 0) {
            rows_.push_back(p);
            slots_[i] = rows_.size();
        }
        return slots_[i] - 1;
    }
    std::size_t size() const { return rows_.size(); }

private:
    std::size_t slot_for(const Triple& t) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash_of(t) & mask;
        while (slots_[i] != 0 && !(triple_of(table_, rows_[slots_[i] - 1]) == t)) i = (i + 1) & mask;
        return i;
    }
    void grow() {
        std::vector<std::size_t> old(slots_.size() * 2, 0);
        old.swap(slots_);
        for (std::size_t place : old)
            if (place != 0) slots_[slot_for(triple_of(table_, rows_[place - 1]))] = place;
    }

    const RealMatrix& table_;
    std::vector<std::size_t> slots_;
    std::vector<int32_t> rows_;  // pair numbers of the kept rows, in order
};

}  // namespace

int32_t mark_duplicates(RealMatrix& table, int32_t pair_count, std::vector<int64_t>* kept_pairs) {
    int32_t duplicates = 0;
    KeptRows kept(table);
    for (int32_t p = 1; p <= pair_count; ++p) {
        if (!(table.at(p, 1) >= kept_threshold)) continue;
        const std::size_t before = kept.size();
        const std::size_t place = kept.insert(p);
        if (kept.size() == before) {
            table.at(p, 1) = duplicate_mark;
            ++duplicates;
        }
        if (kept_pairs != nullptr) {
            if (place == kept_pairs->size()) kept_pairs->push_back(0);
            ++(*kept_pairs)[place];
        }
    }
    return duplicates;
}

void write_reduced_set(const MatrixData& m, RealMatrix& table, int32_t pair_count,
                       std::vector<DistinctPosition>* distinct) {
    std::vector<int64_t> kept_pairs;
    const int32_t duplicates = mark_duplicates(table, pair_count, distinct != nullptr ? &kept_pairs : nullptr);
    const int32_t positions = pair_count - duplicates;
    const int32_t three = 3;
    open_result_file(reduced_unit, "REDUC.ORD");
    write_record(reduced_unit, Layout::list, {fio::item(std::string_view(m.title, title_length))});
    write_record(reduced_unit, Layout::list, {fio::item(positions), fio::item(three)});
    for (int32_t p = 1; p <= pair_count; ++p) {
        if (!(table.at(p, 1) >= kept_threshold)) continue;
        write_record(reduced_unit, Layout::list,
                     {fio::item(table.at(p, 1)), fio::item(table.at(p, 2)), fio::item(table.at(p, 3))});
        if (distinct != nullptr)
            distinct->push_back({table.at(p, 1), table.at(p, 2), table.at(p, 3), kept_pairs[distinct->size()]});
    }
    write_record(console_unit, Layout::list,
                 {fio::item(pair_count), fio::item(" PAIRS TAKE "), fio::item(positions),
                  fio::item(" POSITIONS ")});
    write_console_text(" REDUCED SET OF SIMPLEX SCORES SAVED IN REDUC.ORD FOR NONHIER");
    close_unit(reduced_unit);
}

}  // namespace analysis
